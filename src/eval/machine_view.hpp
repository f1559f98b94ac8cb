// Parts of a body's code read through a BoundView (machine.hpp): the
// letters bound on top of the view's bindings, then the bindings.  Every
// step on code reads its operands so, whichever file answers the shape; the
// readers are inline because the machine's loop takes them inline.
#pragma once

#include "eval/data_cells.hpp"
#include "eval/integer_values.hpp"
#include "eval/machine.hpp"
#include "eval/number_trees.hpp"
#include "eval/word_trees.hpp"

namespace quorl {

inline bool isSpine(const Part& p) { return p.spine; }

// The machine goes on with `part`: its code when it is a spine (`code`),
// otherwise the part becomes the focus (`code` null).
inline void Machine::goOnWith(const Part& part, const Code*& code, const BoundView& view) {
  if (isSpine(part)) {
    code = part.code;
  } else {
    focusUnder(part, view);
    code = nullptr;
  }
}

// Bindings of `letters` (non-zero) for code seen through the view.  A view
// of a called body's parameters moves them into bindings when exactly the
// values it owns are needed, which every frame and closure after shares;
// when fewer are needed, or letters bound on top too, the bindings are a
// copy of those needed (the view is never a const object: only what it
// reads is kept constant).
inline Bindings* viewBindings(uint32_t letters, const BoundView& view) {
  if (view.from == nullptr && view.owned != 0 && (letters & view.bound) == (view.bound & view.owned))
    const_cast<BoundView&>(view).spill();
  if ((letters & view.bound) == 0) return bindingsFor(letters, view.from);
  Bindings* b = newBindings(letters);
  Value* out = b->values();
  for (uint32_t rest = letters; rest != 0; rest &= rest - 1) {
    Value v = view.of(__builtin_ctz(rest));
    acquireValue(v);
    *out++ = v;
  }
  return b;
}

// The term of a part seen through the view, with a count for the caller.
inline Term viewTerm(const Part& op, const BoundView& view) {
  switch (op.kind) {
    case Part::Letter: {
      Value v = view.of(op.letter);
      acquireValue(v);
      return Term::of(v);
    }
    case Part::Shared:
      acquire(op.node);
      return Term::ofNode(op.node);
    default:
      return Term::ofCode(op.code, viewBindings(op.code->letters, view));
  }
}

// The value of a part known to be one, seen through the view.  `later`:
// the letters read after it, by the operands of a call still to collect;
// all of them when that is not known.
inline Value viewValue(const Part& op, const BoundView& view, uint32_t later = ~uint32_t{0}) {
  if (op.kind == Part::Letter) {
    Value v = view.of(op.letter);
    acquireValue(v);
    return v;
  }
  if (op.kind == Part::Shared) {
    acquire(op.node);
    return Value::ofNode(op.node);
  }
  if (op.code->data) return Value::ofNode(buildDataUnder(op.code, view, later));
  return toValue(viewTerm(op, view));
}

// The machine integer of a part seen through the view, if it has one.
inline bool viewWord(const Part& op, const BoundView& view, int64_t& out) {
  if (op.kind == Part::Letter) return wordOf(view.of(op.letter), out);
  out = op.word;
  return op.isWord;
}

// The letters `code` reads, as the view sees them.
inline void treeLetters(const Code* code, const BoundView& view, TreeLetters& out) {
  out.from = view.from;
  out.bound = view.bound & code->letters;
  out.boundValues = view.values;
}

// The answer of a tree of number operations (code.hpp), if its leaves are
// numbers the engine computes with.  Two machine integers are the common
// case, and the quickest.
inline bool treeAnswerUnder(const Code* code, const BoundView& view, Value& out) {
  int64_t x, y;
  if (code->twoLeaves && viewWord(code->args[0], view, x) && viewWord(code->args[1], view, y) &&
      answerWordValues(code->builtin->wordOp, x, y, out))
    return true;
  if (!code->twoLeaves && code->plainFirst && plainAnswer(code, view, out)) return true;
  TreeLetters letters;
  treeLetters(code, view, letters);
  return answerTree(code, letters, out);
}

// The answer of an operand that is a tree of number operations (code.hpp),
// if it has one.
inline bool treeUnder(const Part& op, const BoundView& view, Value& out) {
  if (op.kind == Part::Compiled) return treeAnswerUnder(op.code, view, out);
  TreeLetters none;
  none.from = nullptr;
  none.bound = 0;
  return answerTree(op.closedTree, none, out);
}

// Whether a call tree is taken: not when it was left to the builtins
// before and a letter it reads holds no number now (a text joined around a
// call, `text + init(letter s)`), which the builtins' way then takes at
// once instead of after the call.
inline bool callTreeTaken(const NumberTree& tree, const BoundView& view) {
  if (!tree.missed) [[likely]]
    return true;
  for (uint32_t rest = tree.leafLetters; rest != 0; rest &= rest - 1)
    if (!mayBeNumber(view.of(__builtin_ctz(rest)))) return false;
  return true;
}

// The truth of a comparison choosing a branch (code.hpp), if its operands
// are numbers the engine compares.
inline bool comparisonUnder(const Code* code, const BoundView& view, bool& truth) {
  int64_t x, y;
  if (viewWord(code->args[0], view, x) && viewWord(code->args[1], view, y)) {
    truth = answerWords(code->builtin->wordOp, x, y).kind == WordAnswer::True;
    return true;
  }
  if (code->tree == nullptr) return false;
  if (code->plainFirst && plainTruth(code, view, truth)) return true;
  TreeLetters letters;
  treeLetters(code, view, letters);
  return treeComparison(code, letters, truth);
}

}  // namespace quorl
