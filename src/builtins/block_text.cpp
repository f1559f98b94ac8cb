// Answers on byte blocks and quoted texts, shared by the builtins' handlers
// and the engine.
#include "builtins/block_text.hpp"

#include <string>

#include "builtins/args.hpp"
#include "builtins/language_values.hpp"
#include "eval/constant_parts.hpp"

namespace quorl {

namespace {

// The slice [a, b) of n positions, or false when it does not lie inside.
bool sliceBounds(int64_t& a, int64_t& b, int64_t n) {
  if (!countFromEnd(a, n) || !countFromEnd(b, n)) return false;
  return b >= a && a <= n && b <= n;
}

// Position i of n, counted from the end when negative; false when there is
// no such position.
bool positionOf(int64_t& i, int64_t n) { return countFromEnd(i, n) && i < n; }

}  // namespace

int byteAt(std::string_view bytes, int64_t i) {
  if (!positionOf(i, static_cast<int64_t>(bytes.size()))) return -1;
  return static_cast<unsigned char>(bytes[static_cast<size_t>(i)]);
}

bool corkedInPlace(Node* block, int64_t i, int64_t value) {
  std::string_view bytes = byteBlockPayload(block);
  if (!positionOf(i, static_cast<int64_t>(bytes.size()))) return false;
  leafCharsMutable(block)[static_cast<size_t>(bytes.data() - leafChars(block)) + static_cast<size_t>(i)] =
      static_cast<char>(value & 0xFF);
  return true;
}

NodeRef corkedBlock(NodeRef block, int64_t i, int64_t value, bool alone) {
  if (alone) return corkedInPlace(block.get(), i, value) ? block : failureValue();
  std::string_view bytes = byteBlockPayload(block.get());
  if (!positionOf(i, static_cast<int64_t>(bytes.size()))) return failureValue();
  std::string payload(bytes);
  payload[static_cast<size_t>(i)] = static_cast<char>(value & 0xFF);
  return makeByteBlock(payload);
}

NodeRef corkedText(const Node* text, int64_t i, int64_t value) {
  char byte = static_cast<char>(value & 0xFF);
  std::string quoted(leafChars(text), leafTextLength(text));
  if (!positionOf(i, static_cast<int64_t>(quoted.size()) - 2)) return failureValue();
  char& slot = quoted[static_cast<size_t>(i) + 1];
  if (byte == '[' || byte == ']' || slot == '[' || slot == ']') return failureValue();
  slot = byte;
  return leaf(quoted);
}

NodeRef trimmedBlock(std::string_view bytes, int64_t a, int64_t b) {
  if (a == b) return makeByteBlock("");
  if (!sliceBounds(a, b, static_cast<int64_t>(bytes.size()))) return failureValue();
  return makeByteBlock(bytes.substr(static_cast<size_t>(a), static_cast<size_t>(b - a)));
}

NodeRef trimmedText(std::string_view text, int64_t a, int64_t b) {
  if (a == b) return constantFromText("");
  if (!sliceBounds(a, b, static_cast<int64_t>(text.size()))) return failureValue();
  std::string_view slice = text.substr(static_cast<size_t>(a), static_cast<size_t>(b - a));
  if (!bracketsBalance(slice)) return failureValue();
  return constantFromText(slice);
}

NodeRef blockHead(std::string_view payload) {
  if (payload.empty()) return failureValue();
  return leaf(oneByteConstant(static_cast<unsigned char>(payload[0]), true));
}

NodeRef blockTail(std::string_view payload) {
  if (payload.empty()) return failureValue();
  return makeByteBlock(payload.substr(1));
}

NodeRef constantPart(const NodeRef& constant, bool rightPart) {
  if (isEmptyConstant(constant.get())) return failureValue();
  return rightPart ? constantRight(constant) : constantLeft(constant);
}

}  // namespace quorl
