// Program compilation: bracket check, cutting into definitions, parsing.
#pragma once

#include <string_view>

#include "driver/outcome.hpp"
#include "term/node.hpp"

namespace quorl {

// Checks the program text, predefines the builtins, and stores the main
// expression under "" and every definition under its key.
RunOutcome compileProgram(std::string_view text);

// What a builtin of the given arity is defined as before the program's own
// definitions: that many lambdas over a, b, c, ... around Z.
NodeRef builtinPlaceholder(int arity);

}  // namespace quorl
