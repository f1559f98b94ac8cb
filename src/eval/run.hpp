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
// Whether a value is a failure record that a program raised (`road`
// failing, a cycle): its fields are the outcome the run reports.
bool isFailureRecord(const Node* r);
int64_t resultInteger(const NodeRef& number);

}  // namespace quorl
