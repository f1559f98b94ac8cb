// Substituting closed values for variables (the declaration of the
// one-variable form lives in engine.hpp).
#pragma once

#include <cstdint>

#include "eval/engine.hpp"

namespace quorl {

// Replaces every free occurrence of each letter in `letters` (bit 0 = 'a')
// by values[letter - 'a'], which must be closed.  Subterms that mention none
// of the letters are shared, never copied.
NodeRef substituteLetters(Node* term, uint32_t letters, Node* const* values);

}  // namespace quorl
