// Bracket pairing and comma placement checks on raw source text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "driver/outcome.hpp"

namespace quorl {

bool checkBrackets(std::string_view text, RunOutcome& outcome, int64_t& position);
std::string positionCode(int64_t offset);

}  // namespace quorl
