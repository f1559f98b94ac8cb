// The real operations the engine answers itself, on its own values: plus,
// dash, mult, over, cent, powa, less, gteq, same and diff given a real and
// a real or an integer, and the builtin `real` given a real or an integer.
// A real is a Real (a double the machine holds) or a real leaf; an integer
// a Word, a Big or a short integer leaf.
//
// The answers are the builtins' own, bit for bit: an integer meeting a
// real becomes the double nearest to it and the operation is done on
// doubles (IEEE, so NaNs, infinities and negative zero come out as the
// builtin's do); in comparisons the kinds alone order a real and an
// integer (a real comes first), and a real is never the same as an
// integer.  One value is always the same as itself, even a NaN, as one
// Node is to the builtin.  Every other pair (binary fractions, texts,
// byte blocks, lists of bits, functions) is left to the builtin, which
// then sees the real's leaf.
#pragma once

#include <cstring>

#include "eval/integer_values.hpp"
#include "eval/values.hpp"

namespace quorl {

// The double of a real leaf: a blank and the double's eight bytes.
inline bool realLeafValue(const Node* n, double& out) {
  if (!isLeaf(n) || leafChars(n)[0] != ' ') return false;
  std::memcpy(&out, leafChars(n) + 1, sizeof out);
  return true;
}

// The double a value holds, if it is a real.
inline bool doubleOf(Value v, double& out) {
  if (v.isReal()) {
    out = v.real()->value;
    return true;
  }
  return v.isNode() && realLeafValue(v.node(), out);
}

// The answer of `op` (not Same or Diff) for two doubles, as a value with
// one count for the caller.
inline Value realAnswer(WordOp op, double a, double b);

// The answer when one operand at least is a real and the other a real or
// an integer; false, leaving the call to the builtin, otherwise.
bool answerMixedRealValues(WordOp op, Value x, Value y, Value& out);

// Whether x and y are one value: one Node to the builtin.
inline bool sameValue(Value x, Value y) {
  if (x.bits == y.bits) return true;
  if (x.isReal() && y.isNode()) return x.real()->leaf == y.node();
  if (y.isReal() && x.isNode()) return y.real()->leaf == x.node();
  return false;
}

// The answer for two values (borrowed) when either is a real, as a value
// with one count for the caller; false when the builtin must answer.
bool answerRealValues(WordOp op, Value x, Value y, Value& out);

// The answer beyond two machine integers (`bothWords`: x and y are words
// whose answer does not fit one): reals, then integers in binary.
bool answerBeyondWords(WordOp op, Value x, Value y, bool bothWords, Value& out);

// The answer for two values (borrowed) of any kind the engine computes
// with, integers or reals, as a value with one count for the caller; false
// when the builtin must answer.  Two machine integers, the common case,
// are answered here.
inline bool answerNumberValues(WordOp op, Value x, Value y, Value& out) {
  int64_t a, b;
  bool words = wordOf(x, a) && wordOf(y, b);
  if (words && answerWordValues(op, a, b, out)) return true;
  return answerBeyondWords(op, x, y, words, out);
}

// The builtin `real` given x (borrowed): x itself for a real, the nearest
// double for an integer; false when the builtin must answer.
bool answerRealConversion(Value x, Value& out);

// The builtin `real` on the engine's values (the table's onValues column):
// the argument consumed when it answers.
bool realOnValues(Value* args, Value& out);
inline bool isRealConversion(const BuiltinEntry& builtin) { return builtin.onValues == realOnValues; }

// --- definitions ---------------------------------------------------------------

double realRemainder(double a, double b);  // fmod
double realPower(double a, double b);      // pow

// The arithmetic operation `op` (plus to powa) on two doubles.
inline double realArithmetic(WordOp op, double a, double b) {
  switch (op) {
    case WordOp::Plus: return a + b;
    case WordOp::Dash: return a - b;
    case WordOp::Mult: return a * b;
    case WordOp::Over: return a / b;
    case WordOp::Cent: return realRemainder(a, b);
    default: return realPower(a, b);
  }
}

inline Value realAnswer(WordOp op, double a, double b) {
  char truth;
  switch (op) {
    case WordOp::Less: truth = a < b ? 'K' : 'H'; break;
    case WordOp::Gteq: truth = a >= b ? 'K' : 'H'; break;
    case WordOp::Same: truth = a == b ? 'K' : 'H'; break;
    case WordOp::Diff: truth = a == b ? 'H' : 'K'; break;
    default: return newReal(realArithmetic(op, a, b));
  }
  return Value::ofNode(sharedLeaf(truth).detach());
}

}  // namespace quorl
