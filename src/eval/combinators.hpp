// The Prelude's combinators contracted directly.
//
// While a combinator keeps the definition the Prelude gave it, contracting
// it builds exactly the term that substituting its arguments into its body
// would build (the same new cells, the same shared leaves of the body),
// without walking the body.  A program that redefines one gets the general
// path for it.
#pragma once

#include <string_view>

#include "term/node.hpp"

namespace quorl {

// The combinator's key when `name` is one contracted directly and its
// definition is still the Prelude's; 0 otherwise.
char directCombinator(std::string_view name, const Node* definition);

// Contracts the combinator `key` (as returned above) over its definition's
// body and its arguments in application order.
NodeRef contractCombinator(char key, const Node* definition, Node* const* args);

// False when contracting `key` never reads its argument at `index` (0 the
// first), which may then be passed as null: K drops its second argument,
// H, N and Z their first.
inline bool combinatorReads(char key, int index) {
  switch (key) {
    case 'K':
      return index != 1;
    case 'H': case 'N': case 'Z':
      return index != 0;
    default:
      return true;
  }
}

}  // namespace quorl
