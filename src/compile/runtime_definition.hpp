// Runtime definitions: the builtins `load` and `road` compile source text
// while a program runs and add its definitions to the running program.
#pragma once

#include <string_view>

#include "driver/outcome.hpp"
#include "term/node.hpp"

namespace quorl {

enum class Definer { load, road };

// Compiles `source` as a program of its own (a main expression, then
// definitions), checks it against the running program and, when every
// check passes, adds its definitions to the global definition table and
// sets `mainExpression`.  A failed outcome leaves the global table as it
// was, with one exception: `load` checks for unbound local variables only
// after the definitions have joined (their unbound letters stand for Z).
// `road` also limits functions to ten parameters; `load` does not.
RunOutcome defineAtRunTime(std::string_view source, NodeRef& mainExpression, Definer definer);

// load source: (I main) on success, Z on any failure.
NodeRef loadBuiltin(NodeRef redex);
// road source: (I main) on success, otherwise a failure record that ends
// the run with the reason.
NodeRef roadBuiltin(NodeRef redex);

}  // namespace quorl
