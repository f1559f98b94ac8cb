// The arithmetic builtins plus, dash, mult, over, cent and powa.
//
// Each one first tries two short integer leaves with machine arithmetic:
// that is the step recursive number code repeats most, and it needs neither
// the kind classifier nor digit strings.  Everything else goes through the
// kind tables: texts are joined, dropped and repeated, numbers of different
// kinds are promoted to a common kind (a real wins over everything, a binary
// number over an integer) and computed there.
#include "numbers/arith_builtins.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "builtins/args.hpp"
#include "builtins/language_values.hpp"
#include "numbers/integer.hpp"
#include "numbers/operands.hpp"
#include "numbers/real.hpp"
#include "numbers/wide.hpp"
#include "numbers/word_arith.hpp"

namespace quorl {

namespace {

enum class Op { plus, dash, mult, over, cent, powa };

bool isNumeric(char kind) { return kind == 'e' || kind == 'i' || kind == 'o'; }
bool isText(char kind) { return kind == 'a' || kind == 'u'; }
bool eitherVoid(const Operand& x, const Operand& y) { return x.kind == 'w' || y.kind == 'w'; }

// --- numbers ----------------------------------------------------------------

// The kind an operation computes in once its operands are promoted, or 0
// when the pair has no numeric result.
char workingKind(Op op, char x, char y) {
  if (!isNumeric(x) || !isNumeric(y)) return 0;
  switch (op) {
    case Op::over:
      // Only two integers divide exactly; every other pair meets as reals,
      // except two binary numbers, which do not divide at all.
      if (x == 'i' && y == 'i') return 'i';
      if (x == 'o' && y == 'o') return 0;
      return 'e';
    case Op::powa:
      if (x == 'e' || y == 'e') return 'e';
      return y == 'i' ? x : 0;  // the exponent of an exact power is an integer
    default:
      if (x == 'e' || y == 'e') return 'e';
      if (x == 'o' || y == 'o') return 'o';
      return 'i';
  }
}

NodeRef realArithmetic(Op op, double a, double b) {
  switch (op) {
    case Op::plus: return makeReal(a + b);
    case Op::dash: return makeReal(a - b);
    case Op::mult: return makeReal(a * b);
    case Op::over: return makeReal(a / b);
    case Op::cent: return makeReal(std::fmod(a, b));
    case Op::powa: return makeReal(std::pow(a, b));
  }
  return failureValue();
}

NodeRef leafOrFailure(const std::optional<std::string>& text) {
  return text ? leaf(*text) : failureValue();
}

NodeRef integerArithmetic(Op op, std::string_view a, std::string_view b) {
  switch (op) {
    case Op::plus: return leaf(integerSum(a, b));
    case Op::dash: return leaf(integerDifference(a, b));
    case Op::mult: return leaf(integerProduct(a, b));
    case Op::over: return leafOrFailure(integerQuotient(a, b));
    case Op::cent: return leafOrFailure(integerRemainder(a, b));
    case Op::powa: return leaf(integerPower(a, b));
  }
  return failureValue();
}

NodeRef binaryArithmetic(Op op, const DigitVector& a, const DigitVector& b) {
  switch (op) {
    case Op::plus: return digitVectorNode(binarySum(a, b));
    case Op::dash: return digitVectorNode(binaryDifference(a, b));
    case Op::mult: return digitVectorNode(binaryProduct(a, b));
    case Op::cent: {
      std::optional<DigitVector> r = binaryRemainder(a, b);
      return r ? digitVectorNode(*r) : failureValue();
    }
    default: return failureValue();
  }
}

NodeRef numericResult(Op op, const Operand& x, const Operand& y) {
  switch (workingKind(op, x.kind, y.kind)) {
    case 'e': {
      double a, b;
      if (!realOf(x, a) || !realOf(y, b)) return failureValue();
      return realArithmetic(op, a, b);
    }
    case 'i': {
      std::string sa, sb;
      std::string_view a = numberOperandText(x, sa), b = numberOperandText(y, sb);
      if (a.empty() || b.empty()) return failureValue();
      return integerArithmetic(op, a, b);
    }
    case 'o': {
      if (op == Op::powa) return binaryPower(x.value, y.value);
      DigitVector a, b;
      if (!binaryOf(x, a) || !binaryOf(y, b)) return failureValue();
      return binaryArithmetic(op, a, b);
    }
    default: return failureValue();
  }
}

// --- texts ------------------------------------------------------------------

// "(" + the base-64 digits of the payload length + ")".
std::string blockHeader(size_t length) {
  char digits[16];
  int count = 0;
  for (; length > 0; length /= 64) digits[count++] = kLengthDigits[length % 64];
  std::string header(1, '(');
  while (count > 0) header.push_back(digits[--count]);
  header.push_back(')');
  return header;
}

NodeRef blockOf(std::string_view a, std::string_view b = {}) {
  std::string text = blockHeader(a.size() + b.size());
  text.reserve(text.size() + a.size() + b.size());
  text.append(a).append(b);
  return leaf(text);
}

NodeRef constantOf(std::string_view a, std::string_view b = {}) {
  std::string text;
  text.reserve(a.size() + b.size() + 2);
  text.append(1, '[').append(a).append(b).append(1, ']');
  return leaf(text);
}

// An integer text's sign and magnitude, the magnitude held at the largest
// machine value when it is larger: every text is shorter than that.
uint64_t saturatedMagnitude(std::string_view integer, bool& negative) {
  negative = integer.size() > 1 && integer[0] == '0';
  if (integer == "0") return 0;
  uint64_t magnitude;
  if (!parseDecimalU64(negative ? integer.substr(1) : integer, magnitude)) return UINT64_MAX;
  return magnitude;
}

// dash of a text and an integer n: the first |n| bytes go when n >= 0, the
// last |n| when n < 0.
NodeRef dropped(const Operand& text, const Operand& count) {
  std::string st, sc;
  std::string_view bytes;
  std::string_view n = numberOperandText(count, sc);
  if (!joinText(text, st, bytes) || n.empty()) return failureValue();
  bool fromEnd;
  uint64_t drop = saturatedMagnitude(n, fromEnd);
  if (drop > bytes.size()) return failureValue();
  std::string_view rest = fromEnd ? bytes.substr(0, bytes.size() - drop) : bytes.substr(drop);
  if (text.kind == 'a') return blockOf(rest);
  // A cut through a nested group would leave unbalanced brackets.
  if (!bracketsBalance(rest)) return failureValue();
  return constantOf(rest);
}

// Writes `times` copies of `unit` after `prefix`, then `suffix`, doubling
// the copied stretch each round.
std::string repeatedText(std::string_view prefix, std::string_view unit, size_t times,
                         std::string_view suffix) {
  size_t total = unit.size() * times;
  std::string text;
  text.reserve(prefix.size() + total + suffix.size());
  text.append(prefix);
  if (total > 0) {
    text.resize(prefix.size() + total);
    char* start = text.data() + prefix.size();
    std::memcpy(start, unit.data(), unit.size());
    for (size_t filled = unit.size(); filled < total; filled *= 2)
      std::memcpy(start + filled, start, std::min(filled, total - filled));
  }
  text.append(suffix);
  return text;
}

// mult of a text and an integer n: the text n times over.
NodeRef repeated(const Operand& text, const Operand& count) {
  std::string st, sc;
  std::string_view unit;
  std::string_view n = numberOperandText(count, sc);
  if (!joinText(text, st, unit) || n.empty()) return failureValue();
  bool negative;
  uint64_t times = saturatedMagnitude(n, negative);
  if (negative) return failureValue();
  // A count that no machine integer holds is as bad an argument as a
  // negative one: taken modulo 2^64 it would repeat a wrong number of times.
  if (unit.empty()) times = 0;
  else if (times > uint64_t{INT64_MAX}) return failureValue();
  if (times > 0 && times > (SIZE_MAX / 2) / unit.size())
    throw std::length_error("a repeated text grows past the longest text");
  size_t length = unit.size() * times;
  if (text.kind == 'a') return leaf(repeatedText(blockHeader(length), unit, times, {}));
  return leaf(repeatedText("[", unit, times, "]"));
}

}  // namespace

// A byte block in either place makes a byte block; otherwise two texts, or
// a text and a number, make a constant.  A left text that only the call
// holds takes the right one in place (a loop building a text step by step
// then copies nothing it has built before).
NodeRef joinedTexts(NodeRef x, const TextPart& xs, const TextPart& ys, bool xAlone) {
  bool keepsItsKind = xs.kind == 'a' || (xs.kind == 'u' && ys.kind != 'a');
  if (keepsItsKind && xAlone && x.isLeafNode()) return appendToText(std::move(x), ys.text);
  if (xs.kind == 'a' || ys.kind == 'a') return blockOf(xs.text, ys.text);
  return constantOf(xs.text, ys.text);
}

NodeRef plusBuiltin(NodeRef redex) {
  QUORL_TRY_WORDS(WordOp::Plus, redex);
  Operand x = operandAt(redex, 1), y = operandAt(redex, 2);
  if (eitherVoid(x, y)) return failureValue();
  if (isText(x.kind) || isText(y.kind)) {
    std::string sx, sy;
    TextPart xs{x.kind, {}}, ys{y.kind, {}};
    if (!joinText(x, sx, xs.text) || !joinText(y, sy, ys.text)) return failureValue();
    bool alone = heldOnlyByCall(redex, 2, x.value);  // before the copy below adds a count
    return joinedTexts(x.value, xs, ys, alone);
  }
  return numericResult(Op::plus, x, y);
}

NodeRef dashBuiltin(NodeRef redex) {
  QUORL_TRY_WORDS(WordOp::Dash, redex);
  Operand x = operandAt(redex, 1), y = operandAt(redex, 2);
  if (eitherVoid(x, y)) return failureValue();
  if (isText(x.kind)) return y.kind == 'i' ? dropped(x, y) : failureValue();
  return numericResult(Op::dash, x, y);
}

NodeRef multBuiltin(NodeRef redex) {
  QUORL_TRY_WORDS(WordOp::Mult, redex);
  Operand x = operandAt(redex, 1), y = operandAt(redex, 2);
  if (eitherVoid(x, y)) return failureValue();
  if (x.kind == 'i' && isText(y.kind)) return repeated(y, x);
  if (y.kind == 'i' && isText(x.kind)) return repeated(x, y);
  return numericResult(Op::mult, x, y);
}

NodeRef overBuiltin(NodeRef redex) {
  QUORL_TRY_WORDS(WordOp::Over, redex);
  return numericResult(Op::over, operandAt(redex, 1), operandAt(redex, 2));
}

NodeRef centBuiltin(NodeRef redex) {
  QUORL_TRY_WORDS(WordOp::Cent, redex);
  return numericResult(Op::cent, operandAt(redex, 1), operandAt(redex, 2));
}

NodeRef powaBuiltin(NodeRef redex) {
  QUORL_TRY_WORDS(WordOp::Powa, redex);
  return numericResult(Op::powa, operandAt(redex, 1), operandAt(redex, 2));
}

}  // namespace quorl
