// Fuzz target: the front end and the link, on any bytes as a program.
//
// Bracket and comma check, normalisation, cutting, parsing, compilation,
// the link-time rewrites and checks, the term printer and the error box:
// everything a program meets before it runs.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compile/compile.hpp"
#include "compile/link.hpp"
#include "compile/rewrite.hpp"
#include "sandbox.hpp"
#include "term/tables.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorl;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  fuzz::withinLimits([&] {
    fuzz::freshTables();
    RunOutcome outcome = compileProgram(text);
    if (outcome.ok()) {
      outcome = linkProgram();
      for (const auto& [name, term] : definitionTable()) (void)clipBalanced(termText(term));
    }
    (void)errorDisplay(std::move(outcome));
  });
  return 0;
}
