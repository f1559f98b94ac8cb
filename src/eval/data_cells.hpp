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

#include <cstring>
#include <new>

#include "eval/machine.hpp"
#include "term/pool.hpp"

namespace quorl {

// Whether g (null: no cell) is a partial application of values, no lambda,
// that takes two arguments or more: given one, it is a value, its
// valueCell, whatever that one is.
inline bool takesValuesOnly(const Node* g) {
  return g != nullptr && isAnnotated(g) && !isConstantAnnotated(g) && storedArity(g) >= 2;
}

// The term of the data spine `code` seen through the view, with a count
// for the caller: the very cells buildTerm would make under the view's
// bindings.
// `later`: the letters read after it (a call's operands still to collect),
// whose values must stay as they are.
Node* buildDataUnder(const Code* code, const BoundView& view, uint32_t later);

// The cell a match took apart that the cell of `code` (its written head
// given a letter first) may be built on: the value of `letter`, which
// nothing reads any more (Code::spareLetter), when the view alone holds it
// and its function part, held by it alone, is that head applied to the
// first letter's value.  Nothing else can see either cell, so the cell
// built shares that part or takes the whole cell's place unseen.  Null
// otherwise.
// The application cell `letter` holds when `owned` (the view's own letters,
// less any still to be read) has it, the view alone holds the cell and the
// cell alone holds its function part, also an application; null otherwise.
// One test each for a leaf and a count other than 1.
[[gnu::always_inline]] inline Node* soleMatchedCell(const BoundView& view, uint32_t owned, int letter) {
  if ((owned >> letter & 1) == 0) return nullptr;
  Value v = view.values[letter];
  if (!v.isNode()) return nullptr;
  Node* cell = v.node();
  if ((cell->header & (kLeafFlag | kCountMask)) != 1) return nullptr;
  return (functionOf(cell)->header & (kLeafFlag | kCountMask)) == 1 ? cell : nullptr;
}

[[gnu::always_inline]] inline Node* spareCellFor(const Code* code, const BoundView& view, int letter) {
  Node* cell = soleMatchedCell(view, view.owned, letter);
  if (cell == nullptr) return nullptr;
  Node* g = functionOf(cell);
  if (functionOf(g) != code->writtenHead) return nullptr;
  return view.of(code->args[0].letter).bits == reinterpret_cast<uintptr_t>(argumentOf(g)) ? cell : nullptr;
}

// The view gives up the spare cell (spareCellFor) of `letter`, whose parts
// the caller takes over, but keeps its argument held, as the cell held it,
// for the letters the match bound may borrow from it; the view's count on
// the cell goes to the caller.  False (nothing done) when the view has no
// room for that.
inline bool spareCellTaken(const BoundView& constView, Node* cell, int letter) {
  auto& view = const_cast<BoundView&>(constView);  // never a const object
  if (view.count >= BoundView::kMaxBound) return false;
  view.hidden[view.shadowed++] = Value::ofNode(argumentOf(cell));
  view.count++;
  view.owned &= ~(uint32_t{1} << letter);
  return true;
}

// The bindings of `lambda` (two letters, Code::spareLetter) made in the
// cell a match took apart, when the spine `at` that pushes the lambda to
// wait does not read that cell's letter, the view alone holds the cell and
// the cell alone holds its function part, whose argument is one of the
// lambda's values: that part's count on it goes to the bindings, the rest
// of the cell is dropped, and its argument stays held by the view for the
// letters the match bound.  With a count for the caller; null otherwise.
[[gnu::always_inline]] inline Bindings* spareBindings(const Code* lambda, const Code* at, const BoundView& view) {
  int letter = lambda->spareLetter;
  Node* cell = soleMatchedCell(view, view.owned & ~at->letters, letter);
  // A lambda form's cell is never taken apart here while the watch looks
  // for one dying.
  if (cell == nullptr || lambdaFormWatch.watched != 0) return nullptr;
  Node* g = functionOf(cell);
  uint32_t letters = lambda->letters;
  Value a = view.of(__builtin_ctz(letters)), b = view.of(__builtin_ctz(letters & (letters - 1)));
  uintptr_t part = reinterpret_cast<uintptr_t>(argumentOf(g));
  if ((a.bits != part && b.bits != part) || !spareCellTaken(view, cell, letter)) return nullptr;
  // g's count on its argument is the bindings' now; its own cell goes.
  acquireValue(a.bits == part ? b : a);
  release(functionOf(g));
  releaseCell(g, kApplicationBytes);
  // The cell's bytes are written as bindings' whole: stores the compiler
  // cannot move ahead of the cell's reads as a Node above.
  static_assert(sizeof(Bindings) + 2 * sizeof(Value) == kApplicationBytes);
  Bindings header{1, letters};
  Value values[2] = {a, b};
  auto* bytes = reinterpret_cast<char*>(cell);
  std::memcpy(bytes, &header, sizeof header);
  std::memcpy(bytes + sizeof header, values, sizeof values);
  return std::launder(reinterpret_cast<Bindings*>(bytes));
}

}  // namespace quorl
