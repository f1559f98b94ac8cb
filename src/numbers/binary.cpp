// Binary number arithmetic.
//
// The digits of a DigitVector are interleaved outward from the binary
// point, which suits lists but not arithmetic.  Each operation therefore
// unpacks its operands into fixed point (a GMP magnitude and a count of
// fraction digits), computes there, and packs the result.  Since a value
// has exactly one DigitVector, the results are those of digit-by-digit
// arithmetic on the interleaved form.
#include "numbers/binary.hpp"

#include <algorithm>
#include <new>

#include "numbers/big_integer.hpp"
#include "numbers/integer.hpp"
#include "numbers/number_internal.hpp"

namespace quorl {

namespace {

// value = (sign ? 1 : -1) * magnitude / 2^fraction.  Normalised: zero has
// sign 1 and fraction 0; otherwise fraction is 0 or the magnitude is odd.
struct Fixed {
  int sign = 1;
  uint64_t fraction = 0;
  BigInteger magnitude;
};

// Past this many digits a binary number cannot be held in memory anyway.
constexpr double kDigitLimit = 1e12;

void requireHoldable(double digits) {
  if (digits > kDigitLimit) throw std::bad_alloc();
}

// The weight of the digit at bit b (b >= 1) of a DigitVector.
int64_t weightOfBit(int64_t b) { return (b & 1) ? (b - 1) / 2 : -(b / 2); }

void normaliseFixed(Fixed& f) {
  mpz_ptr m = f.magnitude.get();
  if (mpz_sgn(m) == 0) {
    f.sign = 1;
    f.fraction = 0;
    return;
  }
  uint64_t zeros = std::min<uint64_t>(mpz_scan1(m, 0), f.fraction);
  if (zeros > 0) {
    mpz_tdiv_q_2exp(m, m, zeros);
    f.fraction -= zeros;
  }
}

Fixed unpack(const DigitVector& v) {
  Fixed f;
  f.sign = bitAt(v, 0);
  int64_t bits = bitLength(v);
  // The lowest fraction weight present sets the scale.
  for (int64_t b = 2; b < bits; b += 2)
    if (bitAt(v, b)) f.fraction = static_cast<uint64_t>(b / 2);
  int64_t fraction = static_cast<int64_t>(f.fraction);
  // Highest position first, so that the magnitude is allocated once.
  for (int64_t b = bits - 1; b >= 1; b--)
    if (bitAt(v, b)) mpz_setbit(f.magnitude.get(), static_cast<mp_bitcnt_t>(weightOfBit(b) + fraction));
  if (mpz_sgn(f.magnitude.get()) == 0) f.sign = 1;
  return f;
}

DigitVector pack(Fixed f) {
  normaliseFixed(f);
  mpz_srcptr m = f.magnitude.get();
  if (mpz_sgn(m) == 0) return DigitVector(1, '\x01');
  uint64_t top = mpz_sizeinbase(m, 2) - 1;
  int64_t topWeightValue = static_cast<int64_t>(top) - static_cast<int64_t>(f.fraction);
  uint64_t highest = std::max<uint64_t>(topWeightValue >= 0 ? 2 * static_cast<uint64_t>(topWeightValue) + 1 : 0,
                                        2 * f.fraction);
  requireHoldable(static_cast<double>(highest));
  DigitVector v(highest / 8 + 1, '\0');
  v[0] = static_cast<char>(f.sign);
  for (uint64_t p = mpz_scan1(m, 0); p <= top; p = mpz_scan1(m, p + 1)) {
    int64_t weight = static_cast<int64_t>(p) - static_cast<int64_t>(f.fraction);
    uint64_t b = weight >= 0 ? 2 * static_cast<uint64_t>(weight) + 1 : 2 * static_cast<uint64_t>(-weight);
    v[b / 8] = static_cast<char>(static_cast<unsigned char>(v[b / 8]) | (1u << (b % 8)));
  }
  return v;
}

// Both magnitudes brought to the larger fraction count.
uint64_t align(const Fixed& a, const Fixed& b, BigInteger& ma, BigInteger& mb) {
  uint64_t fraction = std::max(a.fraction, b.fraction);
  requireHoldableBits(static_cast<double>(fraction));
  mpz_mul_2exp(ma.get(), a.magnitude.get(), fraction - a.fraction);
  mpz_mul_2exp(mb.get(), b.magnitude.get(), fraction - b.fraction);
  return fraction;
}

Fixed fixedSum(const Fixed& a, const Fixed& b) {
  Fixed r;
  BigInteger ma, mb;
  r.fraction = align(a, b, ma, mb);
  if (a.sign == b.sign) {
    r.sign = a.sign;
    mpz_add(r.magnitude.get(), ma.get(), mb.get());
  } else if (mpz_cmp(ma.get(), mb.get()) < 0) {
    r.sign = b.sign;
    mpz_sub(r.magnitude.get(), mb.get(), ma.get());
  } else {
    r.sign = a.sign;
    mpz_sub(r.magnitude.get(), ma.get(), mb.get());
  }
  return r;
}

Fixed fixedProduct(const Fixed& a, const Fixed& b) {
  Fixed r;
  requireHoldableBits(static_cast<double>(mpz_sizeinbase(a.magnitude.get(), 2)) +
                      static_cast<double>(mpz_sizeinbase(b.magnitude.get(), 2)));
  mpz_mul(r.magnitude.get(), a.magnitude.get(), b.magnitude.get());
  r.fraction = a.fraction + b.fraction;
  r.sign = a.sign == b.sign ? 1 : 0;
  return r;
}

}  // namespace

// --- DigitVector basics -------------------------------------------------------

bool digitsAreZero(const DigitVector& v) { return bitLength(v) == 1; }

int digitSign(const DigitVector& v) { return bitAt(v, 0); }

int digitAt(const DigitVector& v, int64_t weight) {
  int64_t limit = bitCapacity(v);
  if (weight >= 0) return weight < limit ? bitAt(v, 2 * weight + 1) : 0;
  return -weight < limit ? bitAt(v, -2 * weight) : 0;
}

int64_t topWeight(const DigitVector& v) {
  // The highest integer digit if there is one, else the fraction digit
  // nearest the point.
  int64_t bits = bitLength(v);
  for (int64_t b = (bits - 1) | 1; b >= 1; b -= 2)
    if (bitAt(v, b)) return (b - 1) / 2;
  for (int64_t b = 2; b < bits; b += 2)
    if (bitAt(v, b)) return -(b / 2);
  internalFailure("rakerank");
}

DigitVector withSign(int sign, const DigitVector& magnitude) {
  DigitVector v = magnitude;
  trimBits(v);
  if (bitLength(v) <= 1) return DigitVector(1, '\x01');
  setBit(v, 0, sign);
  return v;
}

DigitVector negateDigits(const DigitVector& v) {
  if (digitsAreZero(v)) return v;
  return withSign(digitSign(v) ^ 1, v);
}

// --- arithmetic -----------------------------------------------------------

DigitVector binarySum(const DigitVector& a, const DigitVector& b) {
  return pack(fixedSum(unpack(a), unpack(b)));
}

DigitVector binaryDifference(const DigitVector& a, const DigitVector& b) {
  return binarySum(a, negateDigits(b));
}

DigitVector binaryProduct(const DigitVector& a, const DigitVector& b) {
  return pack(fixedProduct(unpack(a), unpack(b)));
}

std::optional<DigitVector> binaryRemainder(const DigitVector& a, const DigitVector& b) {
  if (digitsAreZero(b)) return std::nullopt;
  Fixed fa = unpack(a), fb = unpack(b);
  Fixed r;
  BigInteger ma, mb;
  r.fraction = align(fa, fb, ma, mb);
  mpz_ptr rest = r.magnitude.get();
  mpz_tdiv_r(rest, ma.get(), mb.get());
  if (fa.sign != fb.sign && mpz_sgn(rest) != 0) mpz_sub(rest, mb.get(), rest);
  return pack(std::move(r));
}

int binaryCompare(const DigitVector& a, const DigitVector& b) {
  Fixed fa = unpack(a), fb = unpack(b);
  if (fa.sign != fb.sign) return fa.sign ? 1 : -1;
  BigInteger ma, mb;
  align(fa, fb, ma, mb);
  int order = mpz_cmp(ma.get(), mb.get());
  order = order < 0 ? -1 : (order > 0 ? 1 : 0);
  return fa.sign ? order : -order;
}

bool binaryLess(const DigitVector& a, const DigitVector& b) { return binaryCompare(a, b) < 0; }

// --- nodes ------------------------------------------------------------------

bool isBinaryNumber(const Node* n) {
  if (isLeaf(n)) return leafChars(n)[0] == '0' && leafChars(n)[1] == '0';
  const Node* head;
  const Node* rest;
  return isListCell(n, head, rest) && isLeafNamed(head, 'H');
}

bool tryDigitVector(const NodeRef& binary, DigitVector& out) {
  if (!isBinaryNumber(binary.get())) return false;
  BitVector v;
  if (!numberBits(binary, v)) return false;
  shiftDown(v);
  out = std::move(v);
  return true;
}

DigitVector digitVectorOf(const NodeRef& binary) {
  QUORL_CHECK(isBinaryNumber(binary.get()), 3166);
  DigitVector v;
  if (!tryDigitVector(binary, v)) checkFailure(kCoreModule, 780);
  return v;
}

std::string digitVectorText(const DigitVector& v) {
  BitVector list = v;
  trimBits(list);
  shiftUp(list);
  return bitsToText(list);
}

NodeRef digitVectorNode(const DigitVector& v) { return leaf(digitVectorText(v)); }

// --- powers -----------------------------------------------------------------

namespace {

// A list of J cells with K or H heads that ends in a number leaf or K.
bool isFinishedList(const Node* n) {
  const Node* head;
  const Node* rest;
  while (isListCell(n, head, rest)) {
    if (!isLeafNamed(head, 'K') && !isLeafNamed(head, 'H')) return false;
    n = rest;
  }
  return isDigitLeaf(n) || isLeafNamed(n, 'K');
}

NodeRef powerOfTwo(const NodeRef& exponent) {
  if (listLength(exponent) >= 61) return sharedLeaf('Z');
  int64_t n;
  if (!tryNumberToInt64(exponent, n)) return sharedLeaf('Z');
  uint64_t bit = n >= 0 ? 2 * static_cast<uint64_t>(n) + 1 : 2 * (uint64_t{0} - static_cast<uint64_t>(n));
  requireHoldable(static_cast<double>(bit));
  DigitVector v;
  setBit(v, 0, 1);
  setBit(v, static_cast<int64_t>(bit), 1);
  return digitVectorNode(v);
}

}  // namespace

NodeRef binaryPower(const NodeRef& base, const NodeRef& exponent) {
  const Node* b = base.get();
  if (isLeaf(b) && leafText(b) == "004") return powerOfTwo(exponent);
  DigitVector digits;
  std::string exponentText;
  if (!isFinishedList(b) || !tryDigitVector(base, digits) || !tryNumberText(exponent, exponentText) ||
      !isIntegerText(exponentText))
    return sharedLeaf('Z');
  if (!integerTextIsNonNegative(exponentText)) return sharedLeaf('Z');
  if (exponentText == "0") return leaf("001");
  Fixed f = unpack(digits);
  bool odd = ((exponentText.back() - '0') & 1) != 0;
  int sign = (f.sign == 0 && odd) ? 0 : 1;
  mpz_srcptr m = f.magnitude.get();
  if (mpz_sgn(m) == 0) return leaf("00");
  if (f.fraction == 0 && mpz_cmp_ui(m, 1) == 0) return digitVectorNode(withSign(sign, DigitVector(1, '\x03')));
  uint64_t n;
  if (!parseDecimalU64(exponentText, n)) throw std::bad_alloc();
  double bits = static_cast<double>(n) * static_cast<double>(mpz_sizeinbase(m, 2) + f.fraction);
  requireHoldable(bits);
  requireHoldableBits(bits);
  Fixed r;
  r.sign = sign;
  r.fraction = f.fraction * n;
  mpz_pow_ui(r.magnitude.get(), m, n);
  return digitVectorNode(pack(std::move(r)));
}

}  // namespace quorl
