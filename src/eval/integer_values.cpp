// Integer operations on the engine's values: words first, GMP beyond them.
#include "eval/integer_values.hpp"

#include "numbers/big_integer.hpp"
#include "numbers/operands.hpp"

namespace quorl {

namespace {

Value integerValue(BigInteger&& v) {
  int64_t small;
  if (bigToInt64(v, small)) return newWord(small);
  return newBig(std::move(v));
}

// A leaf of decimal digits, with a '0' in front for a negative number, read
// into `out`.  Only digits count: any other leaf goes to the builtin, which
// has its own reading of odd texts.
bool readIntegerLeaf(const Node* n, BigInteger& out) {
  if (!isLeaf(n)) return false;
  const char* text = leafChars(n);
  if (text[0] < '0' || text[0] > '9' || (text[0] == '0' && text[1] == '0')) return false;
  size_t length = leafTextLength(n);
  for (size_t i = 0; i < length; i++)
    if (text[i] < '0' || text[i] > '9') return false;
  return bigFromNumber(n, out);
}

// The integer a value holds: a Big's own, or the value read into `scratch`.
const BigInteger* integerOf(Value v, BigInteger& scratch) {
  if (v.isBig()) return &v.big()->value;
  int64_t small;
  if (wordOf(v, small)) {
    bigFromInt64(small, scratch);
    return &scratch;
  }
  if (v.isNode() && readIntegerLeaf(v.node(), scratch)) return &scratch;
  return nullptr;
}

// Whether a value may be an integer: a Word, a Big or a leaf that begins
// as a number does (read in full only when both operands pass).
bool mayBeInteger(Value v) {
  if (!v.isNode()) return !v.isClosure();
  const Node* n = v.node();
  if (!isLeaf(n)) return false;
  const char* text = leafChars(n);
  return text[0] >= '0' && text[0] <= '9' && !(text[0] == '0' && text[1] == '0');
}

bool isComparison(WordOp op) {
  return op == WordOp::Less || op == WordOp::Gteq || op == WordOp::Same || op == WordOp::Diff;
}

}  // namespace

bool answerWiderValues(WordOp op, Value x, Value y, bool bothWords, Value& out) {
  if (op == WordOp::None) return false;
  if (!bothWords && !x.isBig() && !y.isBig() && isComparison(op)) return false;
  if (!mayBeInteger(x) || !mayBeInteger(y)) return false;
  BigInteger scratchX, scratchY, result;
  const BigInteger* bx = integerOf(x, scratchX);
  if (bx == nullptr) return false;
  const BigInteger* by = integerOf(y, scratchY);
  if (by == nullptr) return false;
  WordAnswer::Kind kind = answerBig(op, *bx, *by, result);
  if (kind != WordAnswer::Integer) return truthOrFailure(kind, out);
  out = integerValue(std::move(result));
  return true;
}

}  // namespace quorl
