// Readings shared by the language builtins.
#include "builtins/language_values.hpp"

#include <cstring>
#include <string>

#include "eval/kinds.hpp"
#include "numbers/number.hpp"
#include "numbers/real.hpp"

namespace quorl {

bool integerArgument(const NodeRef& value, int64_t& out) {
  return kindOf(value) == 'i' && tryNumberToInt64(value, out);
}

bool indexArgument(const NodeRef& value, int64_t& out) {
  if (kindOf(value) != 'i') return false;
  std::string storage;
  std::string_view text = numberTextView(value, storage);
  return !text.empty() && smallIntegerValue(text, out);
}

uint64_t realBits(const Node* real) {
  uint64_t bits;
  std::memcpy(&bits, leafChars(real) + 1, sizeof bits);
  return bits;
}

NodeRef realFromBits(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return makeReal(value);
}

bool pairParts(const Node* n, const Node*& left, const Node*& right) {
  if (!isApplication(n)) return false;
  const Node* g = functionOf(n);
  if (!isApplication(g) || !isSingleLeaf(functionOf(g), 'J')) return false;
  left = argumentOf(g);
  right = argumentOf(n);
  return true;
}

const Node* treePayload(const Node* value) {
  if (!isApplication(value)) return nullptr;
  const Node* shell = functionOf(value);
  if (!isApplication(shell) || !isSingleLeaf(functionOf(shell), 'V')) return nullptr;
  const Node* tag = argumentOf(shell);
  if (!isApplication(tag) || !isSingleLeaf(functionOf(tag), 'X') ||
      !isSingleLeaf(argumentOf(tag), 'J'))
    return nullptr;
  return argumentOf(value);
}

NodeRef makeTree(NodeRef payload) {
  NodeRef tag = apply(sharedLeaf('X'), sharedLeaf('J'));
  return apply(apply(sharedLeaf('V'), std::move(tag)), std::move(payload));
}

std::string oneByteConstant(unsigned char byte, bool escapeNewline) {
  if (byte == '[') return "[[q]]";
  if (byte == ']') return "[[r]]";
  if (byte == '\n' && escapeNewline) return "[[p]]";
  return std::string{'[', static_cast<char>(byte), ']'};
}

bool bracketsBalance(std::string_view text) {
  int64_t depth = 0;
  for (char c : text) {
    if (c == '[') depth++;
    else if (c == ']' && --depth < 0) return false;
  }
  return depth == 0;
}

bool truthArgument(const Node* value, int& bit) {
  if (isSingleLeaf(value, 'K')) bit = 1;
  else if (isSingleLeaf(value, 'H')) bit = 0;
  else return false;
  return true;
}

}  // namespace quorl
