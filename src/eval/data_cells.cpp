// Data cells built straight from the values a body holds (data_cells.hpp).
#include "eval/data_cells.hpp"

#include "term/cells.hpp"

namespace quorl {

Node* buildDataUnder(const Code* code, const BoundView& view) {
  // As buildTerm opens a spine: the part that mentions no letter is shared,
  // as substitution shares it.
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
      x = buildDataUnder(p.code, view);  // nested at most kMaxDataDepth deep
    }
    n = value ? valueCell(n, x) : ownedCell(n, x);
  }
  return n;
}

}  // namespace quorl
