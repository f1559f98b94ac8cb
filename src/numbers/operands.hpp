// The operands of the arithmetic and comparison builtins: each argument
// classified by value kind, with the conversions the kind tables need.
//
// Kinds are the letters of kindOf: a post (byte block), e real, i hint
// (integer), o numb (binary number), u zits (constant), w void.
#pragma once

#include <cstdint>
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
inline bool shortIntegerLeaf(const Node* n, int64_t& out) {
  if (!isLeaf(n)) return false;
  const char* p = leafChars(n);
  bool negative = false;
  if (p[0] == '0') {
    if (p[1] == '\0') {
      out = 0;
      return true;
    }
    if (p[1] == '0') return false;  // a binary number
    negative = true;
    p++;
  } else if (p[0] < '1' || p[0] > '9') {
    return false;
  }
  int64_t value = 0;
  int digits = 0;
  for (; *p != '\0'; p++) {
    unsigned digit = static_cast<unsigned>(*p - '0');
    if (digit > 9 || ++digits > 18) return false;
    value = value * 10 + digit;
  }
  out = negative ? -value : value;
  return true;
}

// The number leaf of a machine integer, written without a heap text.
NodeRef integerLeaf(int64_t v);
// The same leaf as a Node with one count for the caller.
Node* newIntegerLeaf(int64_t v);

}  // namespace quorl
