// Helpers shared by the number sources and not meant for other subsystems.
#pragma once

#include <string>
#include <string_view>

#include "numbers/big_integer.hpp"
#include "numbers/number.hpp"
#include "numbers/wide.hpp"
#include "term/node.hpp"

namespace quorl {

// A leaf whose whole text is the one character c.
inline bool isLeafNamed(const Node* n, char c) {
  return isLeaf(n) && leafChars(n)[0] == c && leafChars(n)[1] == '\0';
}
inline bool isDigitLeaf(const Node* n) {
  return isLeaf(n) && leafChars(n)[0] >= '0' && leafChars(n)[0] <= '9';
}
// A list cell ((J head) rest); on success sets head and rest.
inline bool isListCell(const Node* n, const Node*& head, const Node*& rest) {
  if (isLeaf(n)) return false;
  const Node* g = functionOf(n);
  if (isLeaf(g) || !isLeafNamed(functionOf(g), 'J')) return false;
  head = argumentOf(g);
  rest = argumentOf(n);
  return true;
}
inline std::string_view leafText(const Node* n) { return {leafChars(n), leafTextLength(n)}; }

// Vectors of at most 128 bits as machine values.
bool smallVectorValue(const BitVector& v, u128& out);
BitVector smallVector(u128 value);
// The vector of a compact text when it fits in 128 bits.
bool smallVectorOfText(std::string_view text, u128& out);
std::string textOfSmallVector(u128 v);

// Bytes read as an unsigned number, byte 0 lowest, and back (no high zero
// bytes; zero gives no bytes at all).
void bigFromBytes(std::string_view bytes, BigInteger& out);
std::string bytesOfBig(const BigInteger& v);

}  // namespace quorl
