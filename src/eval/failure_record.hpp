// Failure records: a run failure carried as a value, App(Leaf("]"), Leaf(t))
// with t = "['" + one group "[\"" + field + "]" per outcome field + "]".
// The reduction engine ends the evaluation as soon as a builtin returns one,
// and the run turns its fields back into a RunOutcome.
#pragma once

#include <string_view>

#include "driver/outcome.hpp"
#include "term/node.hpp"

namespace quorl {

NodeRef failureRecord(const RunOutcome& outcome);
// The fields of a record text, in the order message, status, vip, tip,
// way.  A text that ends before all five groups gives the fields found so
// far; a record that never names a status still reads as a failure.
RunOutcome readFailureRecord(std::string_view text);

}  // namespace quorl
