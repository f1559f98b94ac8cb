// The language's own builtins that take values apart, index, update and
// compare them, convert between value kinds, and move bytes to and from
// native memory.  Each receives its redex and returns the replacement term.
#pragma once

#include "term/node.hpp"

namespace quorl {

// Identity and comparison.
NodeRef rawsBuiltin(NodeRef redex);
NodeRef leakBuiltin(NodeRef redex);
NodeRef cmprBuiltin(NodeRef redex);
NodeRef ternBuiltin(NodeRef redex);
NodeRef lispBuiltin(NodeRef redex);

// Parts of constants and trees; head and tail ($ and ~).
NodeRef leafBuiltin(NodeRef redex);
NodeRef leftBuiltin(NodeRef redex);
NodeRef rghtBuiltin(NodeRef redex);
NodeRef buckBuiltin(NodeRef redex);
NodeRef waveBuiltin(NodeRef redex);

// Size, indexing, update and slicing.
NodeRef rankBuiltin(NodeRef redex);
NodeRef lookBuiltin(NodeRef redex);
NodeRef corkBuiltin(NodeRef redex);
NodeRef trimBuiltin(NodeRef redex);

// Conversions between kinds.
NodeRef initBuiltin(NodeRef redex);
NodeRef zitsBuiltin(NodeRef redex);
NodeRef capeBuiltin(NodeRef redex);
NodeRef lotsBuiltin(NodeRef redex);
NodeRef litsBuiltin(NodeRef redex);

// Native memory.
NodeRef postBuiltin(NodeRef redex);
NodeRef copyBuiltin(NodeRef redex);
NodeRef refhBuiltin(NodeRef redex);
NodeRef refiBuiltin(NodeRef redex);
NodeRef refjBuiltin(NodeRef redex);
NodeRef refkBuiltin(NodeRef redex);
NodeRef reflBuiltin(NodeRef redex);
NodeRef refmBuiltin(NodeRef redex);
NodeRef refnBuiltin(NodeRef redex);
NodeRef refoBuiltin(NodeRef redex);

}  // namespace quorl
