// Arithmetic and comparison of integers that fit a machine word: the step
// recursive number code repeats most.  Each operation answers what its
// builtin's kind tables would for two integers, or says that it cannot
// (the exact result does not fit), leaving the case to the builtin itself.
#pragma once

#include <cstdint>

#include "term/node.hpp"
#include "term/tables.hpp"

namespace quorl {

struct WordAnswer {
  enum Kind : uint8_t { Integer, True, False, Failure, Unknown };
  Kind kind;
  int64_t value;  // Integer
};

WordAnswer answerWords(WordOp op, int64_t a, int64_t b);

// The answer for two short integer leaves as a Node with one count for
// the caller, or null when either is no short integer or the answer does
// not fit.
Node* answerLeaves(WordOp op, const Node* x, const Node* y);

// In a builtin's handler: returns the word-sized answer of `op` for the
// redex's two arguments, if there is one.
#define QUORL_TRY_WORDS(op, redex)                                                             \
  if (Node* words = answerLeaves(op, argumentOf(functionOf((redex).get())), argumentOf((redex).get()))) \
  return NodeRef::adopt(words)

}  // namespace quorl
