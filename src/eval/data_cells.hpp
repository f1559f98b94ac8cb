// Data cells built straight from the values a body holds.
//
// A pair or a list cell given values (`J x front`, `V key value`,
// `J (V k v) (V K K)`) is a value whose term is the cells substitution
// would build: the head, or the part of the spine that mentions no letter,
// applied to the terms of its operands.  Building them through bindings
// of their own (buildTerm) costs an allocation, a count on every value and
// their release, for cells the machine makes at every step of a loop over
// lists; the spines marked `data` (code.hpp) are built here instead,
// reading their letters through the view they are met under.
#pragma once

#include "eval/machine.hpp"

namespace quorl {

// The term of the data spine `code` seen through the view, with a count
// for the caller: the very cells buildTerm would make under the view's
// bindings.
Node* buildDataUnder(const Code* code, const BoundView& view);

}  // namespace quorl
