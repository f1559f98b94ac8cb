// Numbers as lists of bits, their compact decimal texts and the packed bit
// vector that bridges the two.
//
// A number is a list: the empty list is the leaf `K`, a pair is J h t, and
// every element is a bit, `K` (1) or `H` (0).  The first element is the kind
// tag: 1 for an integer, 0 for a binary number.
//
//   integer n:  [1] for zero, else [1, s, m0, m1, ...] with s = 1 for n > 0
//               and m0, m1, ... the binary digits of |n| from the least
//               significant up, without the leading 1 (the end of the list
//               stands for it).
//   binary:     [0] for zero, else [0, s, e2, e3, ...]: index 2j+2 holds the
//               digit of weight 2^j, index 2j+1 (j >= 1) that of 2^-j, and
//               the end of the list again stands for a 1 digit.
//
// The term graph normally holds a number as one leaf of compact text:
//   "0"                 integer zero
//   "123"               a positive integer
//   "0123"              the negative integer -123
//   "00" + z zeros      the list of 1 + z zero elements
//   "00" + z zeros + D  [0, z zeros, 1, then the bits of D below its top 1]
// Every text of decimal digits is the canonical text of exactly one list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "term/node.hpp"

namespace quorl {

// --- packed bit vectors -----------------------------------------------------

// Element i of a list is bit (i mod 8) of byte (i div 8).  Right after the
// last element sits one 1 bit, the end marker; nothing is set above it and
// the last byte is nonzero.  K is "\x01", [0] is "\x02", [1] is "\x03".
// Read as an unsigned number (byte 0 lowest) the vector of an integer n is
// 4|n| + 2s + 1 (s = 1 for n >= 0).
using BitVector = std::string;

int bitAt(const BitVector& v, int64_t i);        // raw read, 0 past the bytes
int elementAt(const BitVector& v, int64_t i);    // checks 463, 464
void setBit(BitVector& v, int64_t i, int b);     // grows as needed; check 852
int64_t endPosition(const BitVector& v);         // highest 1 bit; check 518
int64_t bitCapacity(const BitVector& v);
void trimBits(BitVector& v);                     // drops high zero bytes
bool bitsAreZero(const BitVector& v);
int64_t bitLength(const BitVector& v);           // highest 1 bit + 1, or 0
void shiftDown(BitVector& v);                    // divide by 2
void shiftUp(BitVector& v);                      // multiply by 2
// Long division by a small divisor (1 <= d < 2^32); returns the remainder.
uint64_t divideSmall(BitVector& v, uint64_t d);
int modTen(const BitVector& v);
void multiplySmall(BitVector& v, uint64_t m);
void addSmall(BitVector& v, uint64_t a);
void addBits(BitVector& v, const BitVector& w);
void incrementBits(BitVector& v);
// The elements of `list` (up to its end marker) followed by the whole of
// `rest`, whose end marker becomes the result's.
BitVector appendBits(const BitVector& list, const BitVector& rest);

// --- texts and vectors ------------------------------------------------------

BitVector textToBits(std::string_view text);      // check 9121 on ""
std::string bitsToText(const BitVector& vector);  // check 780 if not canonical

// Unfolding a number leaf: its first element (the shared leaf K or H) and the
// leaf of the rest of its list (the shared leaf K when nothing is left).
NodeRef headElement(std::string_view numberLeafText);
NodeRef tailText(std::string_view numberLeafText);

// --- number nodes -----------------------------------------------------------

// A number node is a number leaf, the leaf K, or a list of J cells.
// True for K, a digit leaf not beginning "00", and J K x for any x.
bool isNumber(const Node* n);
bool isNonNegative(const NodeRef& number);
// Guards for callers whose kind tests already rule these out: check 5137
// when the node is not a number, 5239 when it is negative.
void requireNumber(const NodeRef& number);
void requireNonNegativeNumber(const NodeRef& number);
// The canonical text of any number node.  The list walk is iterative.
// A malformed list (a head other than K or H, or a rest that is neither a
// J cell nor a number leaf nor K) is check failure 780; callers that cannot
// rule that out use tryNumberText.
std::string numberText(const NodeRef& number);
bool tryNumberText(const NodeRef& number, std::string& out);
// Like tryNumberText, but a number leaf's own text is returned without a
// copy; `storage` holds the text of a list.  Empty view on a malformed list.
std::string_view numberTextView(const NodeRef& number, std::string& storage);
// The list vector of a number node; false on a malformed list.
bool numberBits(const NodeRef& number, BitVector& out);

NodeRef absoluteValue(const NodeRef& integer);  // checks 5065, 5067, 5068, 5071
NodeRef negate(const NodeRef& integer);
bool isZero(const NodeRef& number);
int64_t listLength(const NodeRef& number);
// Integer to binary number of the same value; "0" gives "00".
NodeRef integerToBinary(const NodeRef& integer);

// --- machine integers -------------------------------------------------------

NodeRef numberFromInt64(int64_t v);
NodeRef numberFromUInt64(uint64_t v);
std::string textFromInt64(int64_t v);
// Bits 2 to 65 of the node's list vector; magnitudes of 2^64 and more wrap.
uint64_t numberToUInt64(const NodeRef& number);
int64_t numberToInt64(const NodeRef& number);
// numberToInt64, or false for a malformed list (see numberText).
bool tryNumberToInt64(const NodeRef& number, int64_t& out);
// The value of a canonical integer text when it fits in an int64_t.
bool smallIntegerValue(std::string_view text, int64_t& out);

}  // namespace quorl
