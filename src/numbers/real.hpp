// Reals: IEEE doubles carried in a leaf of one blank and the eight bytes of
// the double in memory order, and their conversions to and from the exact
// number kinds.
#pragma once

#include <string>

#include "numbers/binary.hpp"
#include "term/node.hpp"

namespace quorl {

NodeRef makeReal(double value);
double realValue(const NodeRef& real);            // check 9794 on another leaf
bool isRealLeaf(const Node* n);
std::string realText(const NodeRef& real);         // "%e", e.g. "1.500000e+00"
std::string realTextOf(double value);
NodeRef realConstant(const NodeRef& real);         // the quoted text "[1.500000e+00]"

// The nearest double as strtod reads the decimal text; huge values become
// infinities.  Check 5137 when the node is not an integer.
double integerToReal(const NodeRef& integer);
// Truncating toward zero; the NaN 0x7FF9000000000000 out of range.  Check
// 3166 when the node is not a binary number.
double binaryToReal(const NodeRef& binary);
double digitVectorToReal(const DigitVector& v);
// The binary number exactly equal to a finite double; "00" for zeros,
// infinities and NaNs.
NodeRef realToBinary(double value);
DigitVector realToDigitVector(double value);

// Reads a double given as eight bytes of bits.  The accepted shape, with
// "V x y" the application ((V x) y) of the leaf V:
//   bit     the leaf K (1) or H (0)
//   nibble  V (V b0 b1) (V b2 b3)            b0 of weight 1
//   byte    V lo hi                          two nibbles, low first
//   double  V (V (V B0 B1) (V B2 B3)) (V (V B4 B5) (V B6 B7))
// with B0 the first byte in memory order.  Any other shape gives false.
bool eightByteStructure(const NodeRef& term, double& out);

}  // namespace quorl
