// Data cells built straight from the values a body holds (data_cells.hpp).
#include "eval/data_cells.hpp"

#include "term/cells.hpp"

namespace quorl {

namespace {

// An operand that is a letter or a shared part, with a count for the cell.
inline Node* flatOperand(const Part& p, const BoundView& view) {
  Node* x;
  if (p.kind == Part::Letter) {
    Value v = view.of(p.letter);
    x = v.isNode() ? v.node() : termOf(v);  // most parts are cells or leaves already
  } else {
    x = p.node;
  }
  acquire(x);
  return x;
}

// The headers of the common data cell's two cells (value cells, count 1),
// which depend on its head alone: worked out for the first cell built and
// kept in the code for the next, where they also say that its shape is the
// common one.  The first is returned.
[[gnu::noinline]] uint64_t knownHeaders(const Code* code, const Node* head) {
  Node inner{valueCellHeader(head)};  // what the cell on the head reads of it
  code->dataHeaders[1] = valueCellHeader(&inner);
  code->dataHeaders[0] = inner.header;
  return inner.header;
}

// The two cells of `code` (`J x front`) made of the spare cell `cell`
// (`J x rest`, spareCellFor) and its function part: only the argument
// changes.  The old argument stays held by the view, as the cell held it,
// for the letters the match bound may borrow from it; the view no longer
// holds the cell, whose count is the caller's.  Null when the view has no
// room for that.
Node* rebuiltInPlace(Node* cell, const Code* code, const BoundView& view) {
  if (!spareCellTaken(view, cell, code->spareLetter)) return nullptr;
  Node* y = flatOperand(code->args[1], view);
  auto** slots = reinterpret_cast<Node**>(cell + 1);
  slots[1] = y;
  Node* g = slots[0];
  g->header = code->dataHeaders[0];
  cell->header = code->dataHeaders[1];
  return cell;
}

// Any other data spine, built as buildTerm opens a spine: the part that
// mentions no letter is shared, as substitution shares it.  Out of line,
// so that the common cell above saves no registers for this loop.
[[gnu::noinline]] Node* buildDataSpine(const Code* code, const BoundView& view) {
  Node* n = code->writtenHead;
  int first = 0;
  if (code->closedHead != nullptr) {
    n = code->closedHead;
    first = code->closedOperands;
  }
  acquire(n);
  bool value = isAnnotated(n) && !isConstantAnnotated(n);
  for (int i = first; i < code->argCount; i++) {
    const Part& p = code->args[i];
    Node* x;
    if (p.kind == Part::Letter) {
      Value v = view.of(p.letter);
      x = v.isNode() ? v.node() : termOf(v);  // most parts are cells or leaves already
      acquire(x);
    } else if (p.kind == Part::Shared) {
      x = p.node;
      acquire(x);
    } else {
      x = buildDataUnder(p.code, view, ~uint32_t{0});  // nested at most kMaxDataDepth deep
    }
    n = value ? valueCell(n, x) : ownedCell(n, x);
  }
  return n;
}

[[gnu::always_inline]] inline Node* spareOrNull(const Code* code, const BoundView& view, int spare) {
  if (Node* cell = spareCellFor(code, view, spare)) return rebuiltInPlace(cell, code, view);
  return nullptr;
}

}  // namespace

Node* buildDataUnder(const Code* code, const BoundView& view, uint32_t later) {
  Node* head = code->writtenHead;
  // A pair or a list cell of two letters or shared parts on a head that is
  // a value (`J x front`, `V k v`), the commonest by far: its two cells at
  // once, without the loop.  Its headers, once known, say that it is one.
  uint64_t inner = code->dataHeaders[0];
  if (inner == 0) [[unlikely]] {
    if (code->dataDepth != 1 || code->argCount != 2 || code->closedHead != nullptr || !isAnnotated(head) ||
        isConstantAnnotated(head))
      return buildDataSpine(code, view);
    inner = knownHeaders(code, head);
  }
  int spare = code->spareLetter;
  if (spare >= 0 && ((later >> spare) & 1) == 0) [[unlikely]] {
    if (Node* built = spareOrNull(code, view, spare)) return built;
  }
  Node* x = flatOperand(code->args[0], view);
  Node* y = flatOperand(code->args[1], view);
  acquire(head);
  Node* g = adoptingCell(head, x);
  g->header = inner;
  Node* n = adoptingCell(g, y);
  n->header = code->dataHeaders[1];
  return n;
}

}  // namespace quorl
