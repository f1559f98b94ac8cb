// Linking: rewrites, whole-program checks, sharing and annotation.
#pragma once

#include "driver/outcome.hpp"

namespace quorl {

RunOutcome linkProgram();

}  // namespace quorl
