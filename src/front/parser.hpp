// The expression parser: normalised source text to a term.
#pragma once

#include <string_view>

#include "term/node.hpp"

namespace quorl {

NodeRef parseExpression(std::string_view text);

}  // namespace quorl
