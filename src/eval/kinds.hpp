// Value kinds: post (a), real (e), hint (i), numb (o), zits (u), void (w).
#pragma once

#include "term/node.hpp"

namespace quorl {

char kindOf(const NodeRef& value);

}  // namespace quorl
