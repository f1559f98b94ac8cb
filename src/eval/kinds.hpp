// Value kinds: post (a), real (e), hint (i), numb (o), zits (u), void (w).
#pragma once

#include "term/node.hpp"

namespace quorl {

// The kind letter of a value, judged by its shape alone.
char kindOf(const NodeRef& value);

// The builtin `type`: the interned quoted text naming its argument's kind.
NodeRef typeBuiltin(NodeRef redex);

}  // namespace quorl
