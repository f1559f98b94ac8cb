// The engine's earlier form, which substitutes every called body in full:
// kept as the reference the engine is compared with.  It follows the rules
// of reduction step by step on terms, with none of the engine's own forms
// of values.
#pragma once

#include "term/node.hpp"

namespace quorl {

NodeRef evaluateBySubstitution(NodeRef term);

}  // namespace quorl
