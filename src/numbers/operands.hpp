// The operands of the arithmetic and comparison builtins: each argument
// classified by value kind, with the conversions the kind tables need.
//
// Kinds are the letters of kindOf: a post (byte block), e real, i hint
// (integer), o numb (binary number), u zits (constant), w void.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "numbers/binary.hpp"
#include "term/node.hpp"

namespace quorl {

struct Operand {
  NodeRef value;
  char kind;
};

// Argument `index` (1 or 2) of a two-argument redex, classified.
Operand operandAt(const NodeRef& redex, int index);

// The canonical text of a hint or numb operand, without a copy for a leaf.
// An empty view when the operand is a list that is not a finished list of
// bits (a program can build J K x with any x).
std::string_view numberOperandText(const Operand& x, std::string& storage);

// Numeric conversions; false when a list operand is malformed.
// A real from any numeric kind.
bool realOf(const Operand& x, double& out);
// A binary number from a numb or hint operand (an integer keeps its value).
bool binaryOf(const Operand& x, DigitVector& out);

// The text an operand contributes when it is joined to a text: a byte
// block's payload, a constant's element text, a number's compact text, a
// real printed with "%e".  False for void and for malformed lists.
bool joinText(const Operand& x, std::string& storage, std::string_view& out);

// Numbers that fit a machine word are handled without digit strings.  A
// short integer leaf has at most 18 digits, so sums and differences of two
// of them cannot overflow.
//
// The digits are read eight at a time.  A leaf's text area is a whole
// number of 8-byte granules (term/pool.hpp), so reading the granules that
// hold the text never leaves the cell.
namespace words_detail {

inline uint64_t granule(const char* p) {
  uint64_t g;
  std::memcpy(&g, p, sizeof g);
  return g;
}

// True when every byte of g is an ASCII digit.
inline bool allDigits(uint64_t g) {
  return (g & 0xF0F0F0F0F0F0F0F0ull) == 0x3030303030303030ull &&
         (((g & 0x0F0F0F0F0F0F0F0Full) + 0x0606060606060606ull) & 0xF0F0F0F0F0F0F0F0ull) == 0;
}

// The value of the eight digits of g, the first in its lowest byte.
inline uint64_t eightDigits(uint64_t g) {
  g -= 0x3030303030303030ull;
  g = (g * 10 + (g >> 8)) & 0x00FF00FF00FF00FFull;
  g = (g * 100 + (g >> 16)) & 0x0000FFFF0000FFFFull;
  return (g * 10000 + (g >> 32)) & 0xFFFFFFFFull;
}

// The value of the digits in bytes [from, to) of the granule g (to <= 8),
// or false when one of them is not a digit.
inline bool digitsOf(uint64_t g, int from, int to, uint64_t& out) {
  int count = to - from;
  // Keep the digits, moved to the top, with '0's below them.
  g >>= 8 * from;
  g <<= 8 * (8 - count);
  if (count < 8) g |= 0x3030303030303030ull >> (8 * count);
  if (!allDigits(g)) return false;
  out = eightDigits(g);
  return true;
}

}  // namespace words_detail

inline bool shortIntegerLeaf(const Node* n, int64_t& out) {
  using namespace words_detail;
  if (!isLeaf(n)) return false;
  const char* p = leafChars(n);
  unsigned char first = static_cast<unsigned char>(p[0]);
  if (first < '0' || first > '9') return false;
  int length = static_cast<int>(extentOf(n));  // digit leaves carry their length
  if (length == 0 || length > 19) return false;
  int from = 0;
  if (first == '0') {
    if (length == 1) {
      out = 0;
      return true;
    }
    if (p[1] == '0') return false;  // a binary number
    from = 1;
  }
  if (length - from > 18) return false;
  uint64_t value;
  if (length <= 8) {
    if (!digitsOf(granule(p), from, length, value)) return false;
  } else if (length <= 16) {
    uint64_t high, low;
    if (!digitsOf(granule(p), from, 8, high) || !digitsOf(granule(p + 8), 0, length - 8, low)) return false;
    static constexpr uint64_t kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    value = high * kPowers[length - 8] + low;
  } else {
    // 17 to 19 characters: rare enough to take one at a time.
    value = 0;
    for (int i = from; i < length; i++) {
      unsigned digit = static_cast<unsigned char>(p[i]) - unsigned{'0'};
      if (digit > 9) return false;
      value = value * 10 + digit;
    }
  }
  out = from ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
  return true;
}

// The number leaf of a machine integer, written without a heap text.
NodeRef integerLeaf(int64_t v);
// The same leaf as a Node with one count for the caller.
Node* newIntegerLeaf(int64_t v);

}  // namespace quorl
