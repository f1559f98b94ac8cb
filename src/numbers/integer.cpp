// Integer arithmetic on canonical texts.
//
// Two operands that fit in an int64_t are computed in 128-bit arithmetic
// and printed straight into the result, so the common case allocates
// nothing beyond the result text (and nothing at all when it is short).
// Everything else is read into GMP and the result printed back.
#include "numbers/integer.hpp"

#include "driver/check.hpp"
#include "numbers/big_integer.hpp"
#include "numbers/decimal_text.hpp"
#include "numbers/number.hpp"
#include "numbers/wide.hpp"

namespace quorl {

namespace {

void requireIntegerText(std::string_view text) { QUORL_CHECK(isIntegerText(text), 2974); }

std::string textOfWide(i128 v) {
  char buffer[kWideDigitRoom];
  char* end = buffer + sizeof buffer;
  u128 magnitude = v < 0 ? u128{0} - static_cast<u128>(v) : static_cast<u128>(v);
  char* p = writeDecimalBackwards(end, magnitude);
  if (v < 0) *--p = '0';
  return std::string(p, end);
}

bool bothSmall(std::string_view x, std::string_view y, int64_t& a, int64_t& b) {
  return smallIntegerValue(x, a) && smallIntegerValue(y, b);
}

// `op` on two texts through GMP; nothing for a division by zero.
std::optional<std::string> bigResult(WordOp op, std::string_view x, std::string_view y) {
  BigInteger a, b;
  bigFromText(x, a);
  bigFromText(y, b);
  if (answerBig(op, a, b, a) != WordAnswer::Integer) return std::nullopt;
  return textOfBig(a);
}

bool isZeroText(std::string_view text) { return text.size() == 1 && text[0] == '0'; }

// A text that fits a word, as its sign and magnitude (-2^63 included).
bool wordOperand(std::string_view text, bool& negative, uint64_t& magnitude) {
  int64_t v;
  if (!smallIntegerValue(text, v)) return false;
  negative = v < 0;
  magnitude = negative ? uint64_t{0} - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  return true;
}

// x + y, or x - y when `subtract`, when one is a long text and the other
// a word; false for every other pair.
bool sumInDecimal(std::string_view x, std::string_view y, bool subtract, std::string& out) {
  bool negative;
  uint64_t magnitude;
  if (isLongIntegerText(x) && wordOperand(y, negative, magnitude)) {
    out = longTextPlusWord(x, negative != subtract && magnitude != 0, magnitude);
    return true;
  }
  if (isLongIntegerText(y) && wordOperand(x, negative, magnitude)) {
    // x - y is -(y - x), and -y + x is the negation of y + (-x).
    out = longTextPlusWord(y, subtract ? !negative && magnitude != 0 : negative, magnitude);
    if (subtract) out = negateIntegerText(out);
    return true;
  }
  return false;
}

bool productInDecimal(std::string_view x, std::string_view y, std::string& out) {
  bool negative;
  uint64_t magnitude;
  for (int turn = 0; turn < 2; turn++, std::swap(x, y)) {
    if (isLongIntegerText(x) && wordOperand(y, negative, magnitude) && magnitude < kScaleLimit) {
      out = longTextTimesWord(x, negative, magnitude);
      return true;
    }
  }
  return false;
}

std::string_view magnitudeDigits(std::string_view text) {
  return text[0] == '0' ? text.substr(1) : text;
}

}  // namespace

bool isIntegerText(std::string_view text) {
  if (text.empty()) return false;
  if (text[0] == '0') return text.size() == 1 || text[1] != '0';
  return text[0] >= '1' && text[0] <= '9';
}

bool integerTextIsNonNegative(std::string_view text) { return text == "0" || text[0] != '0'; }

std::string negateIntegerText(std::string_view text) {
  requireIntegerText(text);
  if (isZeroText(text)) return "0";
  if (text[0] == '0') return std::string(text.substr(1));
  std::string negated;
  negated.reserve(text.size() + 1);
  negated.push_back('0');
  negated.append(text);
  return negated;
}

std::string integerSum(std::string_view x, std::string_view y) {
  requireIntegerText(x);
  requireIntegerText(y);
  int64_t a, b;
  if (bothSmall(x, y, a, b)) return textOfWide(i128{a} + b);
  std::string decimal;
  if (sumInDecimal(x, y, false, decimal)) return decimal;
  return *bigResult(WordOp::Plus, x, y);
}

std::string integerDifference(std::string_view x, std::string_view y) {
  requireIntegerText(x);
  requireIntegerText(y);
  int64_t a, b;
  if (bothSmall(x, y, a, b)) return textOfWide(i128{a} - b);
  std::string decimal;
  if (sumInDecimal(x, y, true, decimal)) return decimal;
  return *bigResult(WordOp::Dash, x, y);
}

std::string integerProduct(std::string_view x, std::string_view y) {
  requireIntegerText(x);
  requireIntegerText(y);
  int64_t a, b;
  if (bothSmall(x, y, a, b)) return textOfWide(i128{a} * b);
  if (isZeroText(x) || isZeroText(y)) return "0";
  std::string decimal;
  if (productInDecimal(x, y, decimal)) return decimal;
  return *bigResult(WordOp::Mult, x, y);
}

std::optional<std::string> integerQuotient(std::string_view x, std::string_view y) {
  requireIntegerText(x);
  requireIntegerText(y);
  if (isZeroText(y)) return std::nullopt;
  int64_t a, b;
  if (bothSmall(x, y, a, b)) {
    i128 q = i128{a} / b;
    if (i128{a} % b != 0 && ((a < 0) != (b < 0))) q -= 1;
    return textOfWide(q);
  }
  return bigResult(WordOp::Over, x, y);
}

std::optional<std::string> integerRemainder(std::string_view x, std::string_view y) {
  requireIntegerText(x);
  requireIntegerText(y);
  if (isZeroText(y)) return std::nullopt;
  int64_t a, b;
  if (bothSmall(x, y, a, b)) {
    u128 ma = a < 0 ? u128{0} - static_cast<u128>(i128{a}) : static_cast<u128>(a);
    u128 mb = b < 0 ? u128{0} - static_cast<u128>(i128{b}) : static_cast<u128>(b);
    u128 r = ma % mb;
    if ((a < 0) != (b < 0) && r != 0) r = mb - r;
    return textOfWide(static_cast<i128>(r));
  }
  return bigResult(WordOp::Cent, x, y);
}

std::string integerPower(std::string_view x, std::string_view e) {
  requireIntegerText(x);
  requireIntegerText(e);
  int64_t a, b;
  if (bothSmall(x, e, a, b)) {
    WordAnswer small = answerWords(WordOp::Powa, a, b);
    if (small.kind == WordAnswer::Integer) return textFromInt64(small.value);
  }
  return *bigResult(WordOp::Powa, x, e);
}

int integerCompare(std::string_view x, std::string_view y) {
  requireIntegerText(x);
  requireIntegerText(y);
  bool nx = !integerTextIsNonNegative(x), ny = !integerTextIsNonNegative(y);
  if (nx != ny) return nx ? -1 : 1;
  // Same sign: compare the magnitudes' digits, longer being larger.
  std::string_view mx = magnitudeDigits(x), my = magnitudeDigits(y);
  if (x == "0") mx = {};
  if (y == "0") my = {};
  int order = mx.size() != my.size() ? (mx.size() < my.size() ? -1 : 1) : mx.compare(my);
  order = order < 0 ? -1 : (order > 0 ? 1 : 0);
  return nx ? -order : order;
}

bool integerLess(std::string_view x, std::string_view y) { return integerCompare(x, y) < 0; }

bool integerAtLeast(std::string_view x, std::string_view y) { return integerCompare(x, y) >= 0; }

}  // namespace quorl
