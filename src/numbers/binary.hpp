// Exact signed binary fractions of unbounded length in both directions.
//
// A DigitVector is the bit vector of a binary number's list with the kind
// tag removed.  Bit 0 is the sign (1 for a non-negative value); the digit of
// weight 2^k (k >= 0) is bit 2k + 1 and the digit of weight 2^-j (j >= 1) is
// bit 2j.  The highest set bit is the list's end marker and a digit at once
// (not always the most significant one: 1 + 2^-5 ends at its 2^-5 digit),
// so zero is the single byte 0x01.  Values are unique: equal values have
// equal vectors.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "numbers/number.hpp"
#include "term/node.hpp"

namespace quorl {

using DigitVector = std::string;

// A leaf beginning "00", or a list J H rest.
bool isBinaryNumber(const Node* n);
// The DigitVector of a binary number: check 3166 when it is not one, check
// 780 when its list is malformed.
DigitVector digitVectorOf(const NodeRef& binary);
// The same, but false (and nothing changed) instead of either check.
bool tryDigitVector(const NodeRef& binary, DigitVector& out);
std::string digitVectorText(const DigitVector& v);  // "00" for zero
NodeRef digitVectorNode(const DigitVector& v);

bool digitsAreZero(const DigitVector& v);
int digitSign(const DigitVector& v);                 // bit 0
int digitAt(const DigitVector& v, int64_t weight);   // 0 beyond the bytes
// The weight of the top digit; internal failure "rakerank" without digits.
int64_t topWeight(const DigitVector& v);
DigitVector withSign(int sign, const DigitVector& magnitude);
DigitVector negateDigits(const DigitVector& v);

DigitVector binarySum(const DigitVector& a, const DigitVector& b);
DigitVector binaryDifference(const DigitVector& a, const DigitVector& b);
DigitVector binaryProduct(const DigitVector& a, const DigitVector& b);
// |a| less the largest whole multiple of |b| that fits, made non-negative
// as for integers; nothing when b is zero.
std::optional<DigitVector> binaryRemainder(const DigitVector& a, const DigitVector& b);
bool binaryLess(const DigitVector& a, const DigitVector& b);
int binaryCompare(const DigitVector& a, const DigitVector& b);  // -1, 0, 1

// base^exponent for a binary base and an integer exponent, or the leaf Z
// when the power is refused (a negative exponent of a base other than the
// leaf "004", an exponent of 61 or more list elements for "004", a base that
// is not a finished list).
NodeRef binaryPower(const NodeRef& base, const NodeRef& exponent);

}  // namespace quorl
