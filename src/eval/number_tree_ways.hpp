// What the ways of answering a tree of number operations share
// (number_tree_doubles.cpp: the way on doubles; number_trees.cpp: the quick
// way; number_tree_general.cpp: the general way, which takes every number
// the engine computes with).
#pragma once

#include <bit>

#include "eval/machine.hpp"
#include "eval/number_trees.hpp"
#include "eval/real_values.hpp"

namespace quorl {

// The value of a leaf seen through the view, borrowed; false for a
// constant not computed yet (or being computed: its slot holds the marker).
inline bool leafValue(const Part& op, const TreeLetters& view, Value& out) {
  if (op.kind == Part::Letter) {
    out = view.of(op.letter);
    return true;
  }
  if (op.kind == Part::Compiled) {
    out = view.computed;
    return true;
  }
  if (op.constant == nullptr) {
    out = Value::ofNode(op.node);
    return true;
  }
  Node* d = op.constant->get();
  if (!isAnnotated(d) || !valueNode(d) || (isLeaf(d) && leafChars(d)[0] == ')')) return false;
  out = Value::ofNode(d);
  return true;
}

// A machine integer, a double or a truth value.
struct Quick {
  enum Kind : uint8_t { Word = 0, Real = 1, Truth = 2 };
  union {
    int64_t word;
    double real;
    bool truth;
  };
  Kind kind;
};

// What one way of answering a tree came to: the answer; a leaf it does not
// take, for a more general way; or a leaf that is no number at all (or a
// constant not computed yet), which leaves the tree to the machine.
enum class Outcome { Answered, Again, Hopeless };

inline Outcome notTaken(Value v) { return mayBeNumber(v) ? Outcome::Again : Outcome::Hopeless; }

// Leaf `i` of the tree for the quick ways: its eight bytes in `bits`, and
// whether they are a double (else a machine integer).  A constant's number,
// once the constant is computed, and a number written in the body are
// remembered as the tree's own: neither changes while the tree lives.
inline Outcome quickLeaf(const NumberTree& tree, int i, const TreeLetters& view, int64_t& bits, bool& real) {
  Value v;
  uint8_t read = tree.leafReads[i];
  if (read == NumberTree::ReadLetter) {
    v = view.of(tree.leafLetter[i]);
  } else if (read == NumberTree::ReadWord || read == NumberTree::ReadReal) {
    bits = tree.leafNumbers[i];
    real = read == NumberTree::ReadReal;
    return Outcome::Answered;
  } else if (read == NumberTree::ReadComputed) {
    v = view.computed;
  } else if (!leafValue(*tree.leaves[i], view, v)) {
    return Outcome::Hopeless;
  }
  if (v.isReal()) {
    bits = std::bit_cast<int64_t>(v.real()->value);
    real = true;
    return Outcome::Answered;
  }
  if (v.isWord()) {
    bits = v.word()->value;
    real = false;
    return Outcome::Answered;
  }
  if (!v.isNode()) return notTaken(v);
  double d;
  if (realLeafValue(v.node(), d)) {
    bits = std::bit_cast<int64_t>(d);
    real = true;
  } else if (leafWordOf(v.node(), bits)) {
    real = false;
  } else {
    return notTaken(v);
  }
  if (read == NumberTree::ReadConstant || read == NumberTree::ReadOther) {
    tree.leafReads[i] = real ? NumberTree::ReadReal : NumberTree::ReadWord;
    tree.leafNumbers[i] = bits;
    tree.knownLeaves |= uint32_t{1} << i;
    if (real) tree.knownReals |= uint32_t{1} << i;
  }
  return Outcome::Answered;
}

// The leaves known already into the tree's registers (NumberTree::registers).
inline void fillKnownLeaves(const NumberTree& tree) {
  if (tree.filledLeaves == tree.knownLeaves) [[likely]]
    return;
  for (uint32_t rest = tree.knownLeaves & ~tree.filledLeaves; rest != 0; rest &= rest - 1) {
    int i = __builtin_ctz(rest);
    tree.registers[i].word = tree.leafNumbers[i];
  }
  tree.filledLeaves = tree.knownLeaves;
}

// The letters' leaves of `tree` into the registers `r`, each value taken
// by `take(value, register)`: false at the first it does not take.
// `bound`: the values of the letters bound on top of the view, read where
// they stand when the tree reads no other (a called body's letters).
template <class View, class Number, class Take>
inline bool loadLetters(const NumberTree& tree, const View& view, const Value* bound, Number* r, Take take) {
  const NumberTree::LetterLoad* load = tree.letterLoads;
  const NumberTree::LetterLoad* end = load + tree.letterLoadCount;
  if ((tree.leafLetters & ~view.bound) == 0) {
    for (; load != end; load++)
      if (!take(bound[load->letter], r[load->leaf])) return false;
    return true;
  }
  for (; load != end; load++)
    if (!take(view.of(load->letter), r[load->leaf])) return false;
  return true;
}

// What a tree on doubles came to: its answer, a double or (for a
// comparison at its root) a truth value.  (Small enough to come back in
// registers.)
struct OnDoubles {
  double value;
  Outcome outcome;
  bool truth;
};

// A tree whose leaves are all reals (NumberTree::onDoubles), on doubles
// (number_tree_doubles.cpp).
OnDoubles evaluateOnDoubles(const NumberTree& tree, const TreeLetters& view);
// Lays out a tree's steps on doubles, once its leaves and operations are
// known.
void planDoubles(NumberTree& tree);

// The answer of a tree by the ways that only read its leaves (on doubles,
// on words, the quick way): Again when the general way must answer it
// (number_trees.cpp).
Outcome answerTreeQuickly(const NumberTree& tree, const TreeLetters& view, Quick& out);
// A quick answer as a value, with one count for the caller.
Value quickValue(const Quick& q);
// The Prelude's K or H for a truth, as a value with one count for the caller.
inline Value truthAsValue(bool truth) { return Value::ofNode(sharedLeaf(truth ? 'K' : 'H').detach()); }

// The general way's answer of the tree, as a value with one count for the
// caller; false, with nothing held, when the machine must compute it.
bool answerTreeGenerally(const NumberTree& tree, const TreeLetters& view, Value& out);
// The general way's truth of a comparison tree; false when the machine
// must compute it.
bool compareTreeGenerally(const NumberTree& tree, const TreeLetters& view, bool& truth);

}  // namespace quorl
