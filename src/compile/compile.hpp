// Program compilation: bracket check, cutting into definitions, parsing.
#pragma once

#include <string_view>

#include "driver/outcome.hpp"

namespace quorl {

RunOutcome compileProgram(std::string_view text);

}  // namespace quorl
