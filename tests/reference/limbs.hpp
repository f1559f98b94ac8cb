// The tests' reference for big integers, independent of GMP: unsigned
// naturals as vectors of 32-bit limbs, least significant limb first, with
// schoolbook and Karatsuba products and long division, in one of two bases: 10^9 (decimal limbs, which print and parse in
// linear time) or 2^32 (binary limbs, which map byte for byte onto bit
// vectors).  A normalised vector has no high zero limbs; zero is empty.
//
// The arithmetic is shared by both bases through a template parameter so
// that the division by the base compiles to a multiplication or a shift.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorl::reference {

using Limbs = std::vector<uint32_t>;

inline constexpr uint64_t kDecimalBase = 1000000000;     // 9 digits a limb
inline constexpr uint64_t kBinaryBase = uint64_t{1} << 32;
inline constexpr int kDecimalLimbDigits = 9;

void normaliseLimbs(Limbs& a);
// -1, 0 or 1; both normalised, same base.
int compareLimbs(const Limbs& a, const Limbs& b);

template <uint64_t Base> Limbs addLimbs(const Limbs& a, const Limbs& b);
// a - b; requires b <= a.
template <uint64_t Base> Limbs subtractLimbs(const Limbs& a, const Limbs& b);
template <uint64_t Base> Limbs multiplyLimbs(const Limbs& a, const Limbs& b);
// a = a * m + add, for m <= 2^32 and add < 2^32.
template <uint64_t Base> void multiplyAddSmall(Limbs& a, uint64_t m, uint64_t add);
// a = a / d, returning a % d; 1 <= d < 2^32.
template <uint64_t Base> uint32_t divideLimbsSmall(Limbs& a, uint32_t d);
// Long division: quotient and remainder of a by a nonzero b.
template <uint64_t Base> void divideLimbs(const Limbs& a, const Limbs& b, Limbs& quotient,
                                          Limbs& remainder);
template <uint64_t Base> Limbs powerLimbs(Limbs base, uint64_t exponent);

// Decimal limbs from a text of digits (leading zeros allowed) and back (no
// leading zeros; "0" for zero).
Limbs decimalLimbs(std::string_view digits);
std::string decimalText(const Limbs& a);
void appendDecimalText(std::string& out, const Limbs& a);

// Radix conversion by divide and conquer, in about M(n) log n time.
Limbs decimalToBinary(const Limbs& decimal);
Limbs binaryToDecimal(const Limbs& binary);

// Binary limbs from little-endian bytes and back (no high zero bytes).
Limbs limbsFromBytes(std::string_view bytes);
std::string bytesFromLimbs(const Limbs& a);
uint64_t limbsBitLength(const Limbs& a);
inline bool limbsBit(const Limbs& a, uint64_t i) {
  return i / 32 < a.size() && ((a[i / 32] >> (i % 32)) & 1) != 0;
}

}  // namespace quorl::reference
