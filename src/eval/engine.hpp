// The reduction engine.
#pragma once

#include "term/node.hpp"

namespace quorl {

// Reduces a closed term to a value.
NodeRef evaluate(NodeRef term);
// The same, by substituting every called body in full: the engine's
// earlier form, kept for a while to compare the two.
NodeRef evaluateBySubstitution(NodeRef term);
// Replaces the free occurrences of a single-letter variable by a closed value.
NodeRef substitute(const NodeRef& term, const NodeRef& value, char letter);

}  // namespace quorl
