// What the ways of answering a tree of number operations share
// (number_trees.cpp: the ways on doubles and quick; number_tree_general.cpp:
// the general way, which takes every number the engine computes with).
#pragma once

#include "eval/number_trees.hpp"

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

// The general way's answer of the tree, as a value with one count for the
// caller; false, with nothing held, when the machine must compute it.
bool answerTreeGenerally(const NumberTree& tree, const TreeLetters& view, Value& out);
// The general way's truth of a comparison tree; false when the machine
// must compute it.
bool compareTreeGenerally(const NumberTree& tree, const TreeLetters& view, bool& truth);

}  // namespace quorl
