// Real leaves and their conversions to and from integers and binary
// numbers.
#include "numbers/real.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "numbers/number_internal.hpp"

namespace quorl {

namespace {

constexpr uint64_t kOutOfRangeNaN = 0x7FF9000000000000ull;
constexpr uint64_t kMantissaMask = (uint64_t{1} << 52) - 1;

double doubleFromBits(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

uint64_t bitsOfDouble(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

void setDigit(DigitVector& v, int64_t weight) {
  setBit(v, weight >= 0 ? 2 * weight + 1 : -2 * weight, 1);
}

}  // namespace

NodeRef makeReal(double value) {
  char text[9];
  text[0] = ' ';
  std::memcpy(text + 1, &value, sizeof value);
  return leaf(std::string_view(text, sizeof text));
}

bool isRealLeaf(const Node* n) { return isLeaf(n) && leafChars(n)[0] == ' '; }

double realValue(const NodeRef& real) {
  QUORL_CHECK(isRealLeaf(real.get()), 9794);
  double value;
  std::memcpy(&value, leafChars(real.get()) + 1, sizeof value);
  return value;
}

std::string realTextOf(double value) {
  char buffer[99];
  int length = std::snprintf(buffer, sizeof buffer, "%e", value);
  return std::string(buffer, static_cast<size_t>(length));
}

std::string realText(const NodeRef& real) { return realTextOf(realValue(real)); }

NodeRef realConstant(const NodeRef& real) { return leaf("[" + realText(real) + "]"); }

double integerToReal(const NodeRef& integer) {
  const Node* n = integer.get();
  QUORL_CHECK(isNumber(n), 5137);
  // Both conversions round to nearest, so a word-sized value needs no text.
  int64_t small;
  if (isDigitLeaf(n) && smallIntegerValue(leafText(n), small)) return static_cast<double>(small);
  std::string text = isNonNegative(integer) ? std::string() : std::string("-");
  text += numberText(absoluteValue(integer));
  return std::strtod(text.c_str(), nullptr);
}

double digitVectorToReal(const DigitVector& v) {
  if (digitsAreZero(v)) return 0.0;
  uint64_t sign = digitSign(v) ? 0 : uint64_t{1} << 63;
  int64_t e = topWeight(v);
  if (e > 1023 || e < -1074) return doubleFromBits(kOutOfRangeNaN);
  uint64_t field = 0, mantissa = 0;
  if (e >= -1022) {
    field = static_cast<uint64_t>(e + 1023);
    for (int i = 0; i < 52; i++) mantissa |= static_cast<uint64_t>(digitAt(v, e - 52 + i)) << i;
  } else {
    for (int p = 0; p < 52; p++) mantissa |= static_cast<uint64_t>(digitAt(v, p - 1074)) << p;
  }
  return doubleFromBits(sign | (field << 52) | mantissa);
}

double binaryToReal(const NodeRef& binary) { return digitVectorToReal(digitVectorOf(binary)); }

DigitVector realToDigitVector(double value) {
  DigitVector v(1, '\x01');
  if (!std::isfinite(value) || value == 0.0) return v;
  uint64_t bits = bitsOfDouble(value);
  uint64_t field = (bits >> 52) & 0x7FF;
  uint64_t mantissa = bits & kMantissaMask;
  if (field == 0x7FF) internalFailure("why?");
  if (field != 0) {
    int64_t e = static_cast<int64_t>(field) - 1023;
    setDigit(v, e);
    for (int i = 0; i < 52; i++)
      if ((mantissa >> i) & 1) setDigit(v, e - 52 + i);
  } else {
    for (int p = 0; p < 52; p++)
      if ((mantissa >> p) & 1) setDigit(v, p - 1074);
  }
  setBit(v, 0, (bits >> 63) ? 0 : 1);
  return v;
}

NodeRef realToBinary(double value) { return digitVectorNode(realToDigitVector(value)); }

// --- the eight-byte structure ---------------------------------------------------

namespace {

// n = ((V left) right).
bool pairParts(const Node* n, const Node*& left, const Node*& right) {
  if (isLeaf(n)) return false;
  const Node* g = functionOf(n);
  if (isLeaf(g) || !isLeafNamed(functionOf(g), 'V')) return false;
  left = argumentOf(g);
  right = argumentOf(n);
  return true;
}

// The 2^depth leaves of a balanced tree of pairs, left to right.  The depth
// is at most 3, so the recursion is shallow.
bool treeLeaves(const Node* n, int depth, const Node** out) {
  if (depth == 0) {
    *out = n;
    return true;
  }
  const Node* left;
  const Node* right;
  return pairParts(n, left, right) && treeLeaves(left, depth - 1, out) &&
         treeLeaves(right, depth - 1, out + (1 << (depth - 1)));
}

bool nibbleValue(const Node* n, unsigned& out) {
  const Node* bits[4];
  if (!treeLeaves(n, 2, bits)) return false;
  out = 0;
  for (int i = 0; i < 4; i++) {
    if (isLeafNamed(bits[i], 'K'))
      out |= 1u << i;
    else if (!isLeafNamed(bits[i], 'H'))
      return false;
  }
  return true;
}

}  // namespace

bool eightByteStructure(const NodeRef& term, double& out) {
  const Node* bytes[8];
  if (!treeLeaves(term.get(), 3, bytes)) return false;
  unsigned char raw[8];
  for (int i = 0; i < 8; i++) {
    const Node* halves[2];
    unsigned low, high;
    if (!treeLeaves(bytes[i], 1, halves) || !nibbleValue(halves[0], low) || !nibbleValue(halves[1], high))
      return false;
    raw[i] = static_cast<unsigned char>(low | (high << 4));
  }
  std::memcpy(&out, raw, sizeof out);
  return true;
}

}  // namespace quorl
