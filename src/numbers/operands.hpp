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

// Eight decimal digits at a time, for long integer texts.
namespace words_detail {

inline uint64_t granule(const char* p) {
  uint64_t g;
  std::memcpy(&g, p, sizeof g);
  return g;
}

// The value of the eight digits of g, the first in its lowest byte.
inline uint64_t eightDigits(uint64_t g) {
  g -= 0x3030303030303030ull;
  g = (g * 10 + (g >> 8)) & 0x00FF00FF00FF00FFull;
  g = (g * 100 + (g >> 16)) & 0x0000FFFF0000FFFFull;
  return (g * 10000 + (g >> 32)) & 0xFFFFFFFFull;
}

}  // namespace words_detail

// Numbers that fit a machine word are handled without digit strings.  A
// short integer leaf has at most 18 digits, so sums and differences of two
// of them cannot overflow; it carries its value (term/node.hpp).
inline bool shortIntegerLeaf(const Node* n, int64_t& out) { return leafWordOf(n, out); }

// The number leaf of a machine integer, written without a heap text.
NodeRef integerLeaf(int64_t v);
// The same leaf as a Node with one count for the caller.
Node* newIntegerLeaf(int64_t v);

}  // namespace quorl
