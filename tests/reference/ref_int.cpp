// Signed reference integers on decimal limbs.
#include "reference/ref_int.hpp"

#include <cstdlib>
#include <utility>

namespace quorl::reference {

RefInt::RefInt(bool negative, Limbs magnitude) : negative_(negative), magnitude_(std::move(magnitude)) {
  normaliseLimbs(magnitude_);
  if (magnitude_.empty()) negative_ = false;
}

RefInt::RefInt(long long v) {
  unsigned long long m = v < 0 ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  for (; m != 0; m /= kDecimalBase) magnitude_.push_back(static_cast<uint32_t>(m % kDecimalBase));
  negative_ = v < 0;
}

RefInt RefInt::ofDecimal(std::string_view decimal) {
  bool negative = !decimal.empty() && decimal[0] == '-';
  return RefInt(negative, decimalLimbs(negative ? decimal.substr(1) : decimal));
}

RefInt RefInt::ofText(std::string_view text) {
  bool negative = text.size() > 1 && text[0] == '0';
  return RefInt(negative, decimalLimbs(negative ? text.substr(1) : text));
}

RefInt RefInt::ofBytes(std::string_view bytes) { return RefInt(false, binaryToDecimal(limbsFromBytes(bytes))); }

RefInt RefInt::power(const RefInt& base, unsigned long exponent) {
  bool negative = base.negative_ && (exponent & 1);
  return RefInt(negative, powerLimbs<kDecimalBase>(base.magnitude_, exponent));
}

std::string RefInt::decimal() const { return (negative_ ? "-" : "") + decimalText(magnitude_); }

std::string RefInt::text() const { return (negative_ ? "0" : "") + decimalText(magnitude_); }

std::string RefInt::bytes() const { return bytesFromLimbs(decimalToBinary(magnitude_)); }

RefInt RefInt::magnitude() const { return RefInt(false, magnitude_); }

bool RefInt::bit(unsigned long i) const { return limbsBit(decimalToBinary(magnitude_), i); }

unsigned long RefInt::bitLength() const { return limbsBitLength(decimalToBinary(magnitude_)); }

RefInt RefInt::operator-() const { return RefInt(!negative_, magnitude_); }

RefInt operator+(const RefInt& a, const RefInt& b) {
  if (a.negative_ == b.negative_) return RefInt(a.negative_, addLimbs<kDecimalBase>(a.magnitude_, b.magnitude_));
  if (compareLimbs(a.magnitude_, b.magnitude_) < 0)
    return RefInt(b.negative_, subtractLimbs<kDecimalBase>(b.magnitude_, a.magnitude_));
  return RefInt(a.negative_, subtractLimbs<kDecimalBase>(a.magnitude_, b.magnitude_));
}

RefInt operator*(const RefInt& a, const RefInt& b) {
  return RefInt(a.negative_ != b.negative_, multiplyLimbs<kDecimalBase>(a.magnitude_, b.magnitude_));
}

RefInt operator/(const RefInt& a, const RefInt& b) {
  if (b.magnitude_.empty()) std::abort();
  Limbs q, r;
  divideLimbs<kDecimalBase>(a.magnitude_, b.magnitude_, q, r);
  return RefInt(a.negative_ != b.negative_, std::move(q));
}

RefInt operator%(const RefInt& a, const RefInt& b) {
  if (b.magnitude_.empty()) std::abort();
  Limbs q, r;
  divideLimbs<kDecimalBase>(a.magnitude_, b.magnitude_, q, r);
  return RefInt(a.negative_, std::move(r));
}

RefInt RefInt::floorQuotient(const RefInt& a, const RefInt& b) {
  RefInt q = a / b;
  if ((a % b).sign() != 0 && a.negative_ != b.negative_) q = q - 1;
  return q;
}

int compare(const RefInt& a, const RefInt& b) {
  if (a.negative_ != b.negative_) return a.negative_ ? -1 : 1;
  int order = compareLimbs(a.magnitude_, b.magnitude_);
  return a.negative_ ? -order : order;
}

RefInt languageRemainder(const RefInt& a, const RefInt& b) {
  RefInt r = a.magnitude() % b.magnitude();
  if ((a.sign() < 0) != (b.sign() < 0) && r.sign() != 0) r = b.magnitude() - r;
  return r;
}

}  // namespace quorl::reference
