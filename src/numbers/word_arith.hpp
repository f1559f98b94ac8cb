// Arithmetic and comparison of two short integer leaves with machine
// arithmetic: the step recursive number code repeats most.  Each answers
// what its builtin's kind tables would, or null when an operand is not a
// short integer leaf (or the result would not fit), leaving the case to
// the builtin itself.  A result is a new Node with one count for the caller.
#pragma once

#include "term/node.hpp"

namespace quorl {

Node* plusWords(const Node* x, const Node* y);
Node* dashWords(const Node* x, const Node* y);
Node* multWords(const Node* x, const Node* y);
Node* overWords(const Node* x, const Node* y);
Node* centWords(const Node* x, const Node* y);
Node* lessWords(const Node* x, const Node* y);
Node* gteqWords(const Node* x, const Node* y);
Node* sameWords(const Node* x, const Node* y);
Node* diffWords(const Node* x, const Node* y);

// In a builtin's handler: returns the word-sized answer of `fast` for the
// redex's two arguments, if there is one.
#define QUORL_TRY_WORDS(fast, redex)                                                         \
  if (Node* words = fast(argumentOf(functionOf((redex).get())), argumentOf((redex).get()))) \
  return NodeRef::adopt(words)

}  // namespace quorl
