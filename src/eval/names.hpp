// Resolving global-name leaves to their builtin row or definition slot.
#pragma once

#include "term/tables.hpp"

namespace quorl {

struct NameResolution {
  const BuiltinEntry* builtin = nullptr;  // set for a builtin's name
  NodeRef* definition = nullptr;          // the DefinitionTable slot, if any
  bool nullary = false;                   // defined in the nullary form
  char combinator = 0;                    // a Prelude combinator contracted directly
};

// What a name leaf stands for.  Answers come from a side cache keyed by the
// leaf Node, so a name used in a loop costs one ordered-map search per
// change of the definitions rather than one per call.  The reference is
// valid until the next call.
const NameResolution& resolveName(Node* nameLeaf);

}  // namespace quorl
