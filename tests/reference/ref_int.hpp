// Signed integers for checking the interpreter's arithmetic: the decimal
// limb algorithms of reference/limbs.hpp behind ordinary operators.  The
// interpreter computes with GMP; the tests compare it with this, which
// shares no code with GMP.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "reference/limbs.hpp"

namespace quorl::reference {

class RefInt {
 public:
  RefInt() = default;
  RefInt(long long v);  // NOLINT: implicit, so that 4 * x + 3 reads as written
  // A decimal with an optional "-": "-123".
  static RefInt ofDecimal(std::string_view decimal);
  // A compact integer text: "0123" is -123.
  static RefInt ofText(std::string_view text);
  // Little-endian bytes read as a natural number.
  static RefInt ofBytes(std::string_view bytes);
  static RefInt power(const RefInt& base, unsigned long exponent);
  static RefInt powerOfTwo(unsigned long exponent) { return power(2, exponent); }

  std::string decimal() const;  // "-123"
  std::string text() const;     // "0123"
  std::string bytes() const;    // of the magnitude; no high zero bytes
  int sign() const { return magnitude_.empty() ? 0 : (negative_ ? -1 : 1); }
  RefInt magnitude() const;
  // Bits of the magnitude.
  bool bit(unsigned long i) const;
  unsigned long bitLength() const;

  RefInt operator-() const;
  friend RefInt operator+(const RefInt& a, const RefInt& b);
  friend RefInt operator-(const RefInt& a, const RefInt& b) { return a + (-b); }
  friend RefInt operator*(const RefInt& a, const RefInt& b);
  friend RefInt operator<<(const RefInt& a, unsigned long bits) { return a * powerOfTwo(bits); }
  // Division truncating toward zero, and its remainder (of a's sign).
  friend RefInt operator/(const RefInt& a, const RefInt& b);
  friend RefInt operator%(const RefInt& a, const RefInt& b);
  // The floor of a / b.
  static RefInt floorQuotient(const RefInt& a, const RefInt& b);

  friend int compare(const RefInt& a, const RefInt& b);
  friend bool operator==(const RefInt& a, const RefInt& b) { return compare(a, b) == 0; }
  friend bool operator!=(const RefInt& a, const RefInt& b) { return compare(a, b) != 0; }
  friend bool operator<(const RefInt& a, const RefInt& b) { return compare(a, b) < 0; }
  friend bool operator<=(const RefInt& a, const RefInt& b) { return compare(a, b) <= 0; }
  friend bool operator>(const RefInt& a, const RefInt& b) { return compare(a, b) > 0; }
  friend bool operator>=(const RefInt& a, const RefInt& b) { return compare(a, b) >= 0; }

 private:
  RefInt(bool negative, Limbs magnitude);
  bool negative_ = false;  // never set for zero
  Limbs magnitude_;        // decimal limbs
};

inline std::ostream& operator<<(std::ostream& out, const RefInt& v) { return out << v.decimal(); }

// |a| mod |b|, taken from |b| when the signs differ: the language's %.
RefInt languageRemainder(const RefInt& a, const RefInt& b);

}  // namespace quorl::reference
