// Micro-benchmarks of the reduction engine and the number builtins, without
// process start-up: `make bench` builds them as build/quorl_bench.
#include <benchmark/benchmark.h>

#include "builtins/table.hpp"
#include "compile/compile.hpp"
#include "compile/link.hpp"
#include "eval/engine.hpp"
#include "front/prelude.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

// Compiles and links a program whose definitions the benchmark then calls.
void loadProgram(std::string_view text) {
  compilePrelude();
  if (!compileProgram(text).ok() || !linkProgram().ok()) std::abort();
}

void BM_FibonacciCalls(benchmark::State& state) {
  loadProgram("main,main\\a\\fib 1,fib\\n\\(n<2) n (fib(n-1)+fib(n-2))");
  NodeRef fib = leaf("fib");
  NodeRef n = leaf(std::to_string(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(evaluate(apply(fib, n)));
  // fib(n) makes 2 F(n+1) - 1 calls, F the Fibonacci numbers.
  int64_t a = 0, b = 1;
  for (int64_t i = 0; i <= state.range(0); i++) {
    int64_t next = a + b;
    a = b;
    b = next;
  }
  state.SetItemsProcessed(state.iterations() * (2 * a - 1));
}
BENCHMARK(BM_FibonacciCalls)->Arg(20)->Unit(benchmark::kMillisecond);

// One call of a two-argument builtin on the given operands.
void runBuiltin(benchmark::State& state, const char* name, const char* x, const char* y) {
  compilePrelude();
  const BuiltinEntry* entry = findBuiltin(name);
  NodeRef redex = apply(apply(leaf(name), leaf(x)), leaf(y));
  for (auto _ : state) benchmark::DoNotOptimize(entry->handler(redex));
}

void BM_PlusShortIntegers(benchmark::State& state) { runBuiltin(state, "plus", "123456", "0789"); }
void BM_LessShortIntegers(benchmark::State& state) { runBuiltin(state, "less", "123456", "0789"); }
void BM_PlusLongIntegers(benchmark::State& state) {
  runBuiltin(state, "plus", "123456789012345678901234567890", "0987654321098765432109876543210");
}
void BM_PlusBinaryNumbers(benchmark::State& state) { runBuiltin(state, "plus", "0017", "003"); }
BENCHMARK(BM_PlusShortIntegers);
BENCHMARK(BM_LessShortIntegers);
BENCHMARK(BM_PlusLongIntegers);
BENCHMARK(BM_PlusBinaryNumbers);

}  // namespace
}  // namespace quorl
