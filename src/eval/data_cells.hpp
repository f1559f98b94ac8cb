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
[[gnu::always_inline]] inline Node* spareCellFor(const Code* code, const BoundView& view, int letter) {
  uint32_t bit = uint32_t{1} << letter;
  const Part& first = code->args[0];
  if ((view.owned & bit) == 0) return nullptr;
  Value v = view.values[letter];
  if (!v.isNode()) return nullptr;
  Node* cell = v.node();
  if (isLeaf(cell) || countOf(cell) != 1) return nullptr;
  Node* g = functionOf(cell);
  if (isLeaf(g) || countOf(g) != 1 || functionOf(g) != code->writtenHead) return nullptr;
  return view.of(first.letter).bits == reinterpret_cast<uintptr_t>(argumentOf(g)) ? cell : nullptr;
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

}  // namespace quorl
