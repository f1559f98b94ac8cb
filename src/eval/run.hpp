// Running the program on its argument vector and judging the result.
#pragma once

#include <cstdint>

#include "driver/outcome.hpp"
#include "term/node.hpp"

namespace quorl {

RunOutcome run(char** argumentVector);
int64_t resultInteger(const NodeRef& number);

}  // namespace quorl
