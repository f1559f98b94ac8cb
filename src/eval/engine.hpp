// The reduction engine.
#pragma once

#include "term/node.hpp"

namespace quorl {

// Reduces a closed term to a value.
NodeRef evaluate(NodeRef term);
// Replaces the free occurrences of a single-letter variable by a closed value.
NodeRef substitute(const NodeRef& term, const NodeRef& value, char letter);

}  // namespace quorl
