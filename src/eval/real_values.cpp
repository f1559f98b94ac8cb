// Real operations on the engine's values: doubles, and integers met by
// doubles.
#include "eval/real_values.hpp"

#include <cmath>
#include <cstdlib>
#include <string>

#include "eval/number_trees.hpp"
#include "numbers/big_integer.hpp"

namespace quorl {

namespace {

// A real or an integer, as far as the engine reads it without the builtin.
struct RealOperand {
  enum Kind : uint8_t { Real, Integer, Other };
  Kind kind;
  double value;  // Real: the double; Integer: the nearest double, once asked for
  Value integer;
};

RealOperand classify(Value v) {
  RealOperand r;
  r.integer = v;
  if (doubleOf(v, r.value)) {
    r.kind = RealOperand::Real;
    return r;
  }
  int64_t small;
  r.kind = v.isBig() || wordOf(v, small) ? RealOperand::Integer : RealOperand::Other;
  return r;
}

// The double nearest to an integer (a Word, a Big or a short integer leaf),
// as the builtin makes it: strtod of the decimal text, which rounds to the
// nearest double (ties to even) as a machine integer's conversion does, and
// gives an infinity beyond the double range.
double nearestDouble(Value v) {
  int64_t small;
  if (wordOf(v, small)) return static_cast<double>(small);
  const BigInteger& big = v.big()->value;
  std::string text(mpz_sizeinbase(big.get(), 10) + 2, '\0');
  mpz_get_str(text.data(), 10, big.get());
  return std::strtod(text.c_str(), nullptr);
}

}  // namespace

double realRemainder(double a, double b) { return std::fmod(a, b); }
double realPower(double a, double b) { return std::pow(a, b); }

bool answerMixedRealValues(WordOp op, Value x, Value y, Value& out) {
  RealOperand a = classify(x), b = classify(y);
  if (a.kind == RealOperand::Other || b.kind == RealOperand::Other) return false;
  // One is a real, the other an integer: real comes before hint, and the
  // two kinds are never the same.
  bool realFirst = a.kind == RealOperand::Real;
  char truth;
  switch (op) {
    case WordOp::Less: truth = realFirst ? 'K' : 'H'; break;
    case WordOp::Gteq: truth = realFirst ? 'H' : 'K'; break;
    case WordOp::Same: truth = 'H'; break;
    case WordOp::Diff: truth = 'K'; break;
    case WordOp::None:
      return false;
    default:
      // Every arithmetic builtin computes a real with an integer in reals.
      if (a.kind == RealOperand::Integer) a.value = nearestDouble(x);
      else b.value = nearestDouble(y);
      out = realAnswer(op, a.value, b.value);
      return true;
  }
  out = Value::ofNode(sharedLeaf(truth).detach());
  return true;
}

bool answerRealValues(WordOp op, Value x, Value y, Value& out) {
  double a, b;
  if (!doubleOf(x, a)) {
    if (!doubleOf(y, b)) return false;
    return answerMixedRealValues(op, x, y, out);
  }
  if (!doubleOf(y, b)) return answerMixedRealValues(op, x, y, out);
  if (op == WordOp::Same || op == WordOp::Diff) {
    bool same = sameValue(x, y) || a == b;
    out = Value::ofNode(sharedLeaf(same == (op == WordOp::Same) ? 'K' : 'H').detach());
    return true;
  }
  if (op == WordOp::None) return false;
  out = realAnswer(op, a, b);
  return true;
}

bool answerBeyondWords(WordOp op, Value x, Value y, bool bothWords, Value& out) {
  // Both ways need two numbers: a join of texts (`text + init(b)`) is told
  // at once, before the builtin's own way on values answers it.
  if (!mayBeNumber(x) || !mayBeNumber(y)) return false;
  return answerRealValues(op, x, y, out) || answerWiderValues(op, x, y, bothWords, out);
}

bool answerRealConversion(Value x, Value& out) {
  double d;
  if (doubleOf(x, d)) {
    acquireValue(x);
    out = x;
    return true;
  }
  int64_t small;
  if (!x.isBig() && !wordOf(x, small)) return false;
  out = newReal(nearestDouble(x));
  return true;
}

}  // namespace quorl

namespace quorl {

bool realOnValues(Value* args, Value& out) {
  if (!answerRealConversion(args[0], out)) return false;
  releaseValue(args[0]);
  return true;
}

}  // namespace quorl
