// Arithmetic and comparison of machine integers.
#include "numbers/word_arith.hpp"

#include "numbers/operands.hpp"

namespace quorl {

namespace {

WordAnswer integer(int64_t v) { return {WordAnswer::Integer, v}; }
WordAnswer truth(bool b) { return {b ? WordAnswer::True : WordAnswer::False, 0}; }
constexpr WordAnswer kUnknown{WordAnswer::Unknown, 0};
constexpr WordAnswer kFailure{WordAnswer::Failure, 0};

uint64_t magnitude(int64_t v) { return v < 0 ? uint64_t{0} - static_cast<uint64_t>(v) : static_cast<uint64_t>(v); }

}  // namespace

WordAnswer answerWords(WordOp op, int64_t a, int64_t b) {
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
    default:
      return kUnknown;
  }
}

Node* answerLeaves(WordOp op, const Node* x, const Node* y) {
  int64_t a, b;
  if (!shortIntegerLeaf(x, a) || !shortIntegerLeaf(y, b)) return nullptr;
  WordAnswer answer = answerWords(op, a, b);
  switch (answer.kind) {
    case WordAnswer::Integer:
      return newIntegerLeaf(answer.value);
    case WordAnswer::True:
      return sharedLeaf('K').detach();
    case WordAnswer::False:
      return sharedLeaf('H').detach();
    case WordAnswer::Failure:
      return sharedLeaf('Z').detach();
    default:
      return nullptr;
  }
}

}  // namespace quorl
