// Building application cells on the reduction engine's hot paths, without
// the handle traffic of apply().
#pragma once

#include "term/node.hpp"
#include "term/pool.hpp"

namespace quorl {

// A new application cell of g to x that takes over one count on each part
// the caller holds.  The cell has count 0 and is not annotated: annotation
// happens on demand, so a cell that is taken apart before anyone asks pays
// nothing for it.
inline Node* adoptingCell(Node* g, Node* x) {
  auto* n = static_cast<Node*>(allocateCell(kApplicationBytes));
  n->header = 0;
  auto** slots = reinterpret_cast<Node**>(n + 1);
  slots[0] = g;
  slots[1] = x;
  return n;
}

// The same, annotated at once when both parts are (as apply() does), and
// with the count of the returned pointer.
inline Node* ownedCell(Node* g, Node* x) {
  Node* n = adoptingCell(g, x);
  n->header = 1;
  if (isAnnotated(g) && isAnnotated(x)) annotateFromParts(n);
  return n;
}

// The argument slot of an application cell: the engine builds a list cell
// before its tail is known and fills the slot when the tail's value comes.
inline Node*& argumentSlot(Node* n) { return reinterpret_cast<Node**>(n + 1)[1]; }

// The header of a value cell on g (below), with a count of 1.
inline uint64_t valueCellHeader(const Node* g) {
  // An arity of 2 to 11 is stored only on an annotated node that is no
  // constant (a constant's arity bits are zero): one test checks all three.
  int arity = storedArity(g);
  if (static_cast<unsigned>(arity - 2) > static_cast<unsigned>(kMaxArity - 2)) [[unlikely]]
    checkFailure(kCoreModule, 4665);
  int left = arity == kMaxArity ? kMaxArity : arity - 1;  // an arity of 11 stays
  return 1 | (static_cast<uint64_t>(left + kArityBias) << kArityShift);
}

// The application of a value g (annotated, not a constant, taking at least
// two arguments) to a value x, annotated in one store: it is a value taking
// one argument fewer, closed like its parts.  With the count of the
// returned pointer.
inline Node* valueCell(Node* g, Node* x) {
  uint64_t header = valueCellHeader(g);
  Node* n = adoptingCell(g, x);
  n->header = header;
  return n;
}

}  // namespace quorl
