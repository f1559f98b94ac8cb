// Fuzz target: a whole run of any bytes as a program, within a budget of
// reduction steps and memory so that a program that would loop or grow
// forever ends the input instead.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compile/compile.hpp"
#include "eval/run.hpp"
#include "sandbox.hpp"
#include "term/tables.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorl;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  static char* noArguments[] = {nullptr};
  fuzz::withinLimits([&] {
    fuzz::freshTables();
    RunOutcome outcome = compileProgram(text);
    if (outcome.ok()) {
      fuzz::armStepBudget();
      outcome = run(noArguments);
    }
    if (outcome.ok()) (void)resultInteger(*findDefinition(""));
    else (void)errorDisplay(std::move(outcome));
  });
  return 0;
}
