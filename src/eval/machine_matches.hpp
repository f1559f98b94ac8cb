// Data met by the code that takes it apart, answered where it stands as
// the combinators and lambdas involved would contract it: the list match
// `l n (h\t\c)` and the pair match `p (x\y\c)` bind the parts of a pair;
// a pair given to a lambda of two parameters binds them; a linear
// combinator short of arguments, its last part work still to do, computes
// that part while the rest waits as a function.
//
// Inline, for the machine's loop (machine.cpp) takes these steps inline.
#pragma once

#include <bit>
#include <cstring>

#include "eval/machine_view.hpp"

namespace quorl {

// Whether n is the leaf of the one letter c: its text's two bytes, the
// letter and the NUL, are read as one (a match checks one at every step).
// An application cell has its function part there, which is no such pair of
// bytes as a leaf's flag tells.
inline bool isLetterLeaf(const Node* n, char c) {
  if constexpr (std::endian::native != std::endian::little) return isSingle(n, c);
  uint16_t text;
  std::memcpy(&text, leafChars(n), sizeof text);
  return isLeaf(n) && text == static_cast<unsigned char>(c);
}

// The list match `l n (h\t\c)` (code.hpp) when l is K or a pair J x y, as
// K, J, V and the lambda would contract it: K n c is n; J x y n c is
// V x y c, which is c x y, the lambda taking both, values as the parts of
// a value are.  False (nothing done) for any other l.  Otherwise `code`
// becomes the code to go on with, or null when the focus is set.
//
// The pair match `p (x\y\c)` is answered the same way when p is a pair
// V x y: V x y c is c x y.
inline bool Machine::matchStep(const Code*& code, BoundView& view) {
  int letter = code->headPart.letter;
  Value v = view.of(letter);
  if (!v.isNode()) return false;
  Node* l = v.node();
  bool pair = code->argCount == 1;
  const Part* next;
  if (isLeaf(l)) {
    if (pair || !isSingle(l, 'K')) return false;
    next = &code->args[0];
  } else {
    Node* g = functionOf(l);
    if (!isApplication(g) || !isLetterLeaf(functionOf(g), pair ? 'V' : 'J') ||
        view.count + 2 > BoundView::kMaxBound)
      return false;
    const Code* outer = code->matchLambda;
    const Code* inner = outer->inner;
    // The parts are held by l, and borrowed from it: the bindings under the
    // view or the view itself hold l until the view is released, even when
    // a part's letter is l's own (`l (l\t\...)`: a value the view owns
    // stays held when its letter is bound again).
    Value x = Value::ofNode(argumentOf(g)), y = Value::ofNode(argumentOf(l));
    // A loop over a list reads the element and matches the tail next: their
    // lines are fetched while the body gets there.
    __builtin_prefetch(x.node());
    __builtin_prefetch(y.node());
    view.bindPair(outer->letter, x, inner->letter, y, false);
    next = &inner->body;
  }
  goOnWith(*next, code, view);
  return true;
}

// A pair V x y or J x y (code.hpp) meets the arguments waiting for it:
// given a lambda of two parameters (after the empty case, for J, which it
// drops), its body is entered with x and y, as V, J and the lambda would
// contract it.  False (nothing done) when that is not the case.  Otherwise
// the view becomes the lambda's, and `code` the code to go on with, or
// null when the focus is set: the body is entered in the caller's loop, so
// that a chain of pairs handed back through a recursion's frames (each
// level's lambda building the next pair) takes no native stack.
inline bool Machine::pairGiven(const Code*& code, BoundView& view) {
  int needed = code->combinator == 'V' ? 1 : 2;
  if (stack_.pendingArguments(needed) != needed) return false;
  const Frame& lambda = stack_.below(needed - 1);
  const Code* outer;
  Bindings* from;
  if (lambda.bindings != nullptr) {
    // Most often the lambda's code under bindings, as a frame holds it.
    outer = reinterpret_cast<const Code*>(lambda.bits);
    from = lambda.bindings;
    if (outer->kind != CodeKind::Lambda || innerLambda(outer) == nullptr) return false;
  } else if (!pairLambdaOf(lambda.bits, lambda.bindings, outer, from)) {
    return false;
  }
  Value x = viewValue(code->args[0], view);
  Value y = viewValue(code->args[1], view);
  view.release();
  if (needed == 2) {
    Frame empty = stack_.pop();  // the empty case, an argument frame
    releaseTerm(Term{empty.bits, empty.bindings});
  }
  // The lambda's code holds its bindings (`from`) in the frame, whose count
  // passes to the view; a closure or a lambda's term lends them.
  Frame f = stack_.pop();
  if (f.bindings == nullptr) {
    if (from != nullptr) acquireBindings(from);
    releaseValue(Value{f.bits});
  }
  view.reset(from);
  view.bindPair(outer->letter, x, outer->inner->letter, y, true);
  const Part& body = outer->inner->body;
  goOnWith(body, code, view);
  return true;
}

// A linear combinator given fewer arguments than it takes, one of them
// work still to do and the others values (J x (f y), V (f y) r): unless
// enough arguments wait for it, its parts are computed, that is that one,
// while the rest, values, wait.  Given its value they are a value, the
// cells on them: those are built now, its slot empty, and wait for it
// (awaitPart).  False (nothing done) when that is not the case; otherwise
// `code` becomes the code to go on with, or null when the focus is set.
inline bool Machine::onePartComputed(const Code*& code, BoundView& view) {
  int work = code->workPart;
  if (work < 0) return false;
  int last = code->argCount - 1;
  int missing = code->callArity - code->argCount;
  if (stack_.pendingArguments(missing) == missing) return false;
  if (work != last) [[unlikely]]
    return innerPartComputed(code, view);
  Node* g = code->writtenHead;
  int first = 0;
  if (code->spareLetter >= 0) [[unlikely]] {
    // `J y (insert(...))` in the body of the match that took `J y rest`
    // apart: that very cell, on its `J y`, waits for its new tail.
    Node* cell = spareCellFor(code, view, code->spareLetter);
    if (cell != nullptr && spareCellTaken(view, cell, code->spareLetter)) {
      g = functionOf(cell);  // the cell's count on it stays
      ensureAnnotated(g);
      if (takesValuesOnly(g)) {
        cell->header = valueCellHeader(g);
        awaitPart(cell, &argumentSlot(cell));
      } else {
        releaseCell(cell, kApplicationBytes);
        stack_.pushFunction(Value::ofNode(g));
      }
      goOnWith(code->args[last], code, view);
      return true;
    }
  }
  if (code->closedHead != nullptr) {
    g = code->closedHead;  // shared, as substitution shares it
    first = code->closedOperands;
  }
  acquire(g);
  ensureAnnotated(g);
  for (int i = first; i < last; i++) g = valueCell(g, nodeOf(viewValue(code->args[i], view)));
  if (takesValuesOnly(g)) [[likely]] {
    Node* cell = valueCell(g, nullptr);
    awaitPart(cell, &argumentSlot(cell));
  } else {
    stack_.pushFunction(Value::ofNode(g));
  }
  const Part& part = code->args[last];
  goOnWith(part, code, view);
  return true;
}

// `cell` (count 1, for the frame), whose `slot` is empty, waits for the
// value the machine computes next to fill it: under a Fill frame of its
// own or, when a Fill frame already waits for that value (a list built
// over several calls, the `J x (append(rest, back))` of append's body
// again), in the slot that frame waits to fill, the frame then waiting to
// fill `slot`.  No frame is pushed and none popped for each cell: the list
// is given to what waits for it in one step once its last tail comes.
// Nothing can see a cell before it is filled: the chain's cells are
// reached through the frame alone.
inline void Machine::awaitPart(Node* cell, Node** slot) {
  *slot = nullptr;
  if (!stack_.empty() && stack_.top().kind == FrameKind::Fill) {
    Frame& top = stack_.top();
    *emptySlotOf(top) = cell;
    top.bindings = reinterpret_cast<Bindings*>(slot);
    return;
  }
  stack_.push(FrameKind::Fill, reinterpret_cast<uintptr_t>(cell), reinterpret_cast<Bindings*>(slot));
}

}  // namespace quorl
