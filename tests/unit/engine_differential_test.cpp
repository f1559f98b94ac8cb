// The engine against the substituting engine it replaced, on random
// programs: the same values, the same failure reports, and the same work
// done in the same order (every `tick` records what it was given).
//
// Each run happens in a child process with a time and memory limit, since
// a random program may loop; a program that ends in neither engine within
// the limit is skipped, one that ends in only one of them is a failure.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "builtins/table.hpp"
#include "compile/compile.hpp"
#include "compile/link.hpp"
#include "compile/rewrite.hpp"
#include "eval/engine.hpp"
#include "eval/failure_record.hpp"
#include "front/prelude.hpp"
#include "program_generator.hpp"
#include "reference_engine.hpp"
#include "tick_log.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

using testing::tickLog;
using testing::tickRecording;

// What running `text` with `engine` shows: the value or the report, then
// what was ticked.
std::string runWith(NodeRef (*engine)(NodeRef), const std::string& text) {
  compilePrelude();
  builtinTable();
  builtinStorage().emplace("tick", BuiltinEntry{1, tickRecording});
  tickLog().clear();
  RunOutcome compiled = compileProgram(text);
  if (!compiled.ok()) return "compile " + compiled.status + " " + compiled.message;
  RunOutcome linked = linkProgram();
  if (!linked.ok()) return "link " + linked.status + " " + linked.message;
  NodeRef argument = leaf("12345");
  NodeRef result = engine(apply(*findDefinition(""), std::move(argument)));
  std::string shown;
  if (result.isApp() && result.fun().isLeafNode() && result.fun().firstChar() == ']') {
    RunOutcome record = readFailureRecord(result.arg().text());
    shown = "record " + record.status + " " + record.message;
  } else {
    shown = "value " + termText(result);
  }
  if (shown.size() > 100000) shown.resize(100000);
  return shown + "\nticks " + tickLog();
}

// A gigabyte for a run: an address-space limit in an ordinary build.  The
// address sanitizer's shadow memory leaves no room for one (every run
// would fail to start, and the two engines would agree on nothing), so
// there the heap is weighed at each allocation instead, ending the run as
// exhausted memory does elsewhere.
#ifdef __SANITIZE_ADDRESS__
// The sanitizer runtime's own interface (g++ ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                                         void (*)(const volatile void*));
void abortBeyondAGigabyte(const volatile void*, size_t) {
  if (__sanitizer_get_current_allocated_bytes() > (size_t{1} << 30)) std::abort();
}
void limitMemory() { __sanitizer_install_malloc_and_free_hooks(abortBeyondAGigabyte, nullptr); }
#else
void limitMemory() {
  rlimit memory{1u << 30, 1u << 30};
  setrlimit(RLIMIT_AS, &memory);
}
#endif

// Runs in a child with limits; "timeout" when it did not end within
// `microseconds`.
std::string runIsolated(NodeRef (*engine)(NodeRef), const std::string& text, useconds_t microseconds) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return "no pipe";
  pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    limitMemory();
    itimerval limit{};
    limit.it_value.tv_sec = microseconds / 1000000;
    limit.it_value.tv_usec = microseconds % 1000000;
    setitimer(ITIMER_REAL, &limit, nullptr);
    // A run that ends by an exception (a text past the longest length, the
    // memory running out) ends here, as the interpreter's own runs end with
    // a message; it must not unwind into the test framework of the child.
    std::string out;
    try {
      out = runWith(engine, text);
    } catch (const std::exception& e) {
      out = std::string("exception ") + e.what();
    }
    size_t done = 0;
    while (done < out.size()) {
      ssize_t n = write(pipeEnds[1], out.data() + done, out.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    _exit(0);
  }
  close(pipeEnds[1]);
  std::string out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFSIGNALED(status))
    return WTERMSIG(status) == SIGALRM ? "timeout" : "signal " + std::to_string(WTERMSIG(status));
  return out;
}

// Runs the generator's programs for seeds 1 to `seeds` in both engines;
// returns how many could be compared.
int compareRandomPrograms(uint32_t seeds, bool bigIntegers, bool lambdaShapes = false, bool blocks = false,
                          bool storedNumbers = false, bool truthChains = false, bool reals = false) {
  int compared = 0, timeouts = 0;
  for (uint32_t seed = 1; seed <= seeds; seed++) {
    std::string text =
        testing::ProgramGenerator(seed, bigIntegers, lambdaShapes, blocks, storedNumbers, truthChains, reals)
            .program();
    // Most programs that loop are known in a short while; one that ended
    // in only one engine is given longer in both (a slow machine, a
    // sanitizer build) before the two are compared.
    std::string expected = runIsolated(evaluateBySubstitution, text, 300000);
    std::string actual = runIsolated(evaluate, text, 300000);
    if ((expected == "timeout") != (actual == "timeout")) {
      expected = runIsolated(evaluateBySubstitution, text, 20000000);
      actual = runIsolated(evaluate, text, 20000000);
    }
    if (expected == "timeout" && actual == "timeout") {
      timeouts++;
      continue;
    }
    compared++;
    EXPECT_EQ(actual, expected) << "seed " << seed << ", program:\n" << text;
  }
  std::printf("%d programs compared, %d out of time in both\n", compared, timeouts);
  return compared;
}

TEST(EngineDifferential, RandomProgramsRunAsBySubstitution) {
  EXPECT_GT(compareRandomPrograms(600, false), 450);
}

// The same with integers beyond a machine word among the atoms, which the
// engine holds in binary and the substituting engine's builtins as text.
TEST(EngineDifferential, RandomProgramsWithBigIntegersRunAsBySubstitution) {
  EXPECT_GT(compareRandomPrograms(200, true), 140);
}

// The same with lambdas nested, kept and applied as programs do: inner
// lambdas using outer letters three and four levels out, lambdas in lists
// and pairs, matches that leave parameters unused, partial applications.
TEST(EngineDifferential, RandomProgramsWithLambdaShapesRunAsBySubstitution) {
  EXPECT_GT(compareRandomPrograms(400, false, true), 300);
}

// Byte blocks and texts in loops, which the engine reads, changes and joins
// without the builtins' redexes, in place where the call holds them alone.
TEST(EngineDifferential, RandomProgramsWithBlocksAndTextsRunAsBySubstitution) {
  EXPECT_GT(compareRandomPrograms(300, false, false, true), 220);
}

// The same with numbers computed and kept in lists, words and beyond, read
// back as numbers, as text, as terms and by identity: the engine keeps a
// number leaf's machine word with it and reads that instead of the text.
TEST(EngineDifferential, RandomProgramsWithStoredNumbersRunAsBySubstitution) {
  EXPECT_GT(compareRandomPrograms(300, true, false, false, true), 200);
}

// Choices by `|`, `&` and `!`, which the engine reads one truth value after
// the other; values that are no truth value go on as the combinators would.
TEST(EngineDifferential, RandomProgramsWithTruthChainsRunAsBySubstitution) {
  EXPECT_GT(compareRandomPrograms(300, false, false, false, false, true), 220);
}

// The same with reals meeting every other kind in arithmetic and
// comparisons, which the engine holds as doubles and answers in trees
// where they stand, and the substituting engine's builtins compute on
// real leaves.
TEST(EngineDifferential, RandomProgramsWithRealsRunAsBySubstitution) {
  EXPECT_GT(compareRandomPrograms(300, false, false, false, false, false, true), 220);
}

// Reals among big integers, stored numbers and lambda shapes: reals held
// by closures, kept in lists and met by integers beyond a machine word.
TEST(EngineDifferential, RandomProgramsWithRealsAndLambdasRunAsBySubstitution) {
  EXPECT_GT(compareRandomPrograms(120, true, true, false, true, false, true), 80);
}

}  // namespace
}  // namespace quorl
