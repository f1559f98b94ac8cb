// Trees of number operations answered where they stand.
//
// `zr*zr - zi*zi + cr` is three calls of builtins, each of which the
// machine would start, collect the operands of, answer and return from,
// one frame at a time.  When a part of a body is such a tree over values as
// they stand (code.hpp: immediate), and its leaves are numbers the engine
// computes with, the tree is answered at once: machine integers and
// doubles in between operations stay unboxed, and only the tree's answer
// becomes a value.  Every operation gives what its builtin gives for the
// same operands (integer_values.hpp, real_values.hpp); where one of them
// is the builtin's to answer (a text, a function, a failure met on the
// way) the whole tree is left to the machine, which computes it one call
// at a time: the operations are pure, so nothing shows that it was begun.
#pragma once

#include "eval/code.hpp"
#include "eval/values.hpp"

namespace quorl {

// The values of the letters a tree reads: those bound on top of a body's
// bindings, copied, and the bindings below.  (A copy, not the machine's
// view itself, which then stays the machine's own to keep in registers.)
struct TreeLetters {
  const Bindings* from;  // null when the tree reads no letter from it
  uint32_t bound;        // the letters whose values are in `boundValues`
  // Indexed by letter: the values of a view's letters, read where they
  // stand (a called body's parameters are all bound), or `values`.
  const Value* boundValues;
  Value values[26];
  Value computed;  // a call tree's computed operand (code.hpp), borrowed

  Value of(int letter) const { return (bound >> letter) & 1 ? boundValues[letter] : from->of(letter); }
};

// Whether a value may be a number the engine computes with.
inline bool mayBeNumber(Value v) {
  if (!v.isNode()) return !v.isClosure();
  const Node* n = v.node();
  if (!isLeaf(n)) return false;
  char first = leafChars(n)[0];
  return first == ' ' || (first >= '0' && first <= '9');
}

// The answer of the immediate tree `code` (code.hpp), as a value with one
// count for the caller; false when the machine must compute it call by
// call.
bool answerTree(const Code* code, const TreeLetters& letters, Value& out);
// The same for any tree, a call tree (code.hpp) among them.
bool answerTree(const NumberTree& tree, const TreeLetters& letters, Value& out);

// The truth of the comparison `code` (a spine that selects) of its first
// two operands; false when the machine must compute it.
bool treeComparison(const Code* code, const TreeLetters& letters, bool& truth);

}  // namespace quorl
