// Running the program on its argument vector and judging the result.
#pragma once

#include <cstdint>

#include "driver/outcome.hpp"
#include "term/node.hpp"

namespace quorl {

// Links the program, reduces its entry definition applied to the address of
// the argument vector, and judges the value: an integer is stored under ""
// and the outcome succeeds; a failure record raised by the program (a cycle
// among them) becomes its outcome; anything else is a "range" report.
RunOutcome run(char** argumentVector);
// Judges a value the way `run` does.
RunOutcome judgeResult(NodeRef result);
int64_t resultInteger(const NodeRef& number);

}  // namespace quorl
