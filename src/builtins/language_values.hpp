// Readings shared by the language builtins: index arguments, the bit
// pattern of a real, the payload of a runtime tree, one-byte quoted texts
// and bracket balance.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "term/node.hpp"

namespace quorl {

// The one-letter leaf `name`.
inline bool isSingleLeaf(const Node* n, char name) {
  return isLeaf(n) && leafChars(n)[0] == name && leafChars(n)[1] == '\0';
}

// An integer argument as a machine integer, wrapped to its low 64 bits
// (what a store of its low bits needs); false for any other kind and for a
// malformed list.
bool integerArgument(const NodeRef& value, int64_t& out);
// An index or a length: like integerArgument, but false when the integer
// does not fit, so that a huge index never wraps onto a valid position.
bool indexArgument(const NodeRef& value, int64_t& out);

// An index i < 0 counted from the end of n positions; false when it is
// still negative.
inline bool countFromEnd(int64_t& i, int64_t n) {
  if (i < 0) i += n;
  return i >= 0;
}

// The 64-bit pattern of a real, bit 0 least significant, and back.
uint64_t realBits(const Node* real);
NodeRef realFromBits(uint64_t bits);

// J l r: its two halves; false for any other shape.
bool pairParts(const Node* n, const Node*& left, const Node*& right);

// The payload t of a runtime tree V (X J) t, or null for any other shape.
const Node* treePayload(const Node* value);
// V (X J) t.
NodeRef makeTree(NodeRef payload);

// A byte as the one element of a quoted text: "[[q]]" for "[", "[[r]]" for
// "]", "[[p]]" for the newline when `escapeNewline` is set, otherwise the
// three bytes "[", the byte, "]".
std::string oneByteConstant(unsigned char byte, bool escapeNewline);

// True when no "]" closes a group that was not opened and every group
// opened is closed.
bool bracketsBalance(std::string_view text);

// The leaf "K" or "H" as a bit; false for any other term.
bool truthArgument(const Node* value, int& bit);

}  // namespace quorl
