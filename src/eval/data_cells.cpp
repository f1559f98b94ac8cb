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

}  // namespace

Node* buildDataUnder(const Code* code, const BoundView& view) {
  Node* head = code->writtenHead;
  // A pair or a list cell of two letters or shared parts on a head that is
  // a value (`J x front`, `V k v`), the commonest by far: its two cells at
  // once, without the loop.
  if (code->dataDepth == 1 && code->argCount == 2 && code->closedHead == nullptr && isAnnotated(head) &&
      !isConstantAnnotated(head)) {
    Node* x = flatOperand(code->args[0], view);
    Node* y = flatOperand(code->args[1], view);
    acquire(head);
    return valueCell(valueCell(head, x), y);
  }
  // As buildTerm opens a spine: the part that mentions no letter is shared,
  // as substitution shares it.
  Node* n = head;
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
      x = buildDataUnder(p.code, view);  // nested at most kMaxDataDepth deep
    }
    n = value ? valueCell(n, x) : ownedCell(n, x);
  }
  return n;
}

}  // namespace quorl
