// Integer arithmetic on canonical texts.
//
// Two operands that fit in an int64_t are computed in 128-bit arithmetic
// and printed straight into the result, so the common case allocates
// nothing beyond the result text (and nothing at all when it is short).
// Everything else runs on decimal limbs.
#include "numbers/integer.hpp"

#include <algorithm>
#include <new>

#include "driver/check.hpp"
#include "numbers/limbs.hpp"
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

// A signed value on decimal limbs; zero is never negative.
struct BigInteger {
  bool negative;
  Limbs magnitude;
};

std::string_view magnitudeDigits(std::string_view text) {
  return text[0] == '0' ? text.substr(1) : text;
}

BigInteger parseBig(std::string_view text) {
  return {text.size() > 1 && text[0] == '0', decimalLimbs(magnitudeDigits(text))};
}

std::string textOfBig(bool negative, const Limbs& magnitude) {
  std::string text;
  if (magnitude.empty()) return "0";
  text.reserve(magnitude.size() * kDecimalLimbDigits + 1);
  if (negative) text.push_back('0');
  appendDecimalText(text, magnitude);
  return text;
}

std::string bigSum(BigInteger x, BigInteger y) {
  if (x.negative == y.negative)
    return textOfBig(x.negative, addLimbs<kDecimalBase>(x.magnitude, y.magnitude));
  int order = compareLimbs(x.magnitude, y.magnitude);
  if (order == 0) return "0";
  if (order < 0) return textOfBig(y.negative, subtractLimbs<kDecimalBase>(y.magnitude, x.magnitude));
  return textOfBig(x.negative, subtractLimbs<kDecimalBase>(x.magnitude, y.magnitude));
}

bool isZeroText(std::string_view text) { return text.size() == 1 && text[0] == '0'; }

// The last decimal digit of e decides its parity.
bool isOddText(std::string_view text) { return ((text.back() - '0') & 1) != 0; }

// Past this many result bits a power cannot be held in memory anyway.
constexpr double kPowerBitLimit = 1e12;

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
  return bigSum(parseBig(x), parseBig(y));
}

std::string integerDifference(std::string_view x, std::string_view y) {
  requireIntegerText(x);
  requireIntegerText(y);
  int64_t a, b;
  if (bothSmall(x, y, a, b)) return textOfWide(i128{a} - b);
  BigInteger negatedY = parseBig(y);
  if (!negatedY.magnitude.empty()) negatedY.negative = !negatedY.negative;
  return bigSum(parseBig(x), std::move(negatedY));
}

std::string integerProduct(std::string_view x, std::string_view y) {
  requireIntegerText(x);
  requireIntegerText(y);
  int64_t a, b;
  if (bothSmall(x, y, a, b)) return textOfWide(i128{a} * b);
  if (isZeroText(x) || isZeroText(y)) return "0";
  BigInteger bx = parseBig(x), by = parseBig(y);
  return textOfBig(bx.negative != by.negative, multiplyLimbs<kDecimalBase>(bx.magnitude, by.magnitude));
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
  BigInteger bx = parseBig(x), by = parseBig(y);
  Limbs q, r;
  divideLimbs<kDecimalBase>(bx.magnitude, by.magnitude, q, r);
  bool negative = bx.negative != by.negative;
  if (negative && !r.empty()) q = addLimbs<kDecimalBase>(q, Limbs{1});
  return textOfBig(negative, q);
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
  BigInteger bx = parseBig(x), by = parseBig(y);
  Limbs q, r;
  divideLimbs<kDecimalBase>(bx.magnitude, by.magnitude, q, r);
  if (bx.negative != by.negative && !r.empty()) r = subtractLimbs<kDecimalBase>(by.magnitude, r);
  return textOfBig(false, r);
}

std::string integerPower(std::string_view x, std::string_view e) {
  requireIntegerText(x);
  requireIntegerText(e);
  if (!integerTextIsNonNegative(e)) return "0";
  if (isZeroText(e)) return "1";
  bool negative = !integerTextIsNonNegative(x) && isOddText(e);
  std::string_view base = magnitudeDigits(x);
  if (isZeroText(x)) return "0";
  if (base == "1") return negative ? "01" : "1";
  uint64_t exponent;
  if (!parseDecimalU64(e, exponent)) throw std::bad_alloc();
  uint64_t small;
  if (parseDecimalU64(base, small)) {
    // Square and multiply in 128 bits while the value stays there.
    u128 result = 1, square = small;
    bool fits = true;
    for (uint64_t k = exponent; k != 0 && fits; k >>= 1) {
      if (k & 1) fits = !__builtin_mul_overflow(result, square, &result);
      if (fits && k > 1) fits = !__builtin_mul_overflow(square, square, &square);
    }
    if (fits && result <= static_cast<u128>(~u128{0} >> 1))
      return textOfWide(negative ? -static_cast<i128>(result) : static_cast<i128>(result));
  }
  // A base of n digits has at least max(1, 3.32 (n - 1)) bits.
  double baseBits = std::max(1.0, 3.32 * static_cast<double>(base.size() - 1));
  if (static_cast<double>(exponent) * baseBits > kPowerBitLimit) throw std::bad_alloc();
  return textOfBig(negative, powerLimbs<kDecimalBase>(decimalLimbs(base), exponent));
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
