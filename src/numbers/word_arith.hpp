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

namespace word_detail {

inline WordAnswer integer(int64_t v) { return {WordAnswer::Integer, v}; }
inline WordAnswer truth(bool b) { return {b ? WordAnswer::True : WordAnswer::False, 0}; }
constexpr WordAnswer kUnknown{WordAnswer::Unknown, 0};
constexpr WordAnswer kFailure{WordAnswer::Failure, 0};

inline uint64_t magnitude(int64_t v) { return v < 0 ? uint64_t{0} - static_cast<uint64_t>(v) : static_cast<uint64_t>(v); }

// base^e by squaring while it fits; 0 for every negative e, 1 for e = 0.
inline WordAnswer power(int64_t base, int64_t e) {
  if (e < 0) return integer(0);
  if (base == 1 || e == 0) return integer(1);
  if (base == 0) return integer(0);
  if (base == -1) return integer((e & 1) ? -1 : 1);
  // |base| >= 2, so an exponent of 63 or more never fits.
  if (e >= 63) return kUnknown;
  int64_t result = 1, square = base;
  for (int64_t k = e; k != 0; k >>= 1) {
    if ((k & 1) && __builtin_mul_overflow(result, square, &result)) return kUnknown;
    if (k > 1 && __builtin_mul_overflow(square, square, &square)) return kUnknown;
  }
  return integer(result);
}

}  // namespace word_detail

inline WordAnswer answerWords(WordOp op, int64_t a, int64_t b) {
  using namespace word_detail;
  int64_t r;
  switch (op) {
    case WordOp::Plus:
      return __builtin_add_overflow(a, b, &r) ? kUnknown : integer(r);
    case WordOp::Dash:
      return __builtin_sub_overflow(a, b, &r) ? kUnknown : integer(r);
    case WordOp::Mult:
      return __builtin_mul_overflow(a, b, &r) ? kUnknown : integer(r);
    case WordOp::Over: {
      // Floor division; a zero divisor fails.
      if (b == 0) return kFailure;
      if (a == INT64_MIN && b == -1) return kUnknown;
      int64_t q = a / b;
      if (a % b != 0 && (a < 0) != (b < 0)) q--;
      return integer(q);
    }
    case WordOp::Cent: {
      // The remainder of the magnitudes, turned non-negative when the
      // signs differ: -7 % 2 and 7 % -2 are both 1.
      if (b == 0) return kFailure;
      uint64_t m = magnitude(b);
      uint64_t rest = magnitude(a) % m;
      if ((a < 0) != (b < 0) && rest != 0) rest = m - rest;
      return integer(static_cast<int64_t>(rest));
    }
    case WordOp::Less:
      return truth(a < b);
    case WordOp::Gteq:
      return truth(a >= b);
    case WordOp::Same:  // canonical texts are equal exactly when the values are
      return truth(a == b);
    case WordOp::Diff:
      return truth(a != b);
    case WordOp::Powa:
      return power(a, b);
    default:
      return kUnknown;
  }
}


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
