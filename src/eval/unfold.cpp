// Data applied as functions.
#include "eval/unfold.hpp"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "eval/constant_parts.hpp"
#include "numbers/number.hpp"

namespace quorl {

namespace {

NodeRef pairOf(NodeRef left, NodeRef right) {
  return apply(apply(sharedLeaf('V'), std::move(left)), std::move(right));
}

NodeRef jPair(NodeRef left, NodeRef right) {
  return apply(apply(sharedLeaf('J'), std::move(left)), std::move(right));
}

// The bits lo..hi-1 of a real's pattern as a complete binary tree of
// V pairs; a single bit is K (1) or H (0).
NodeRef realBitTree(uint64_t pattern, int lo, int hi) {
  if (hi - lo == 1) return sharedLeaf(((pattern >> lo) & 1) ? 'K' : 'H');
  int mid = (lo + hi) / 2;
  return pairOf(realBitTree(pattern, lo, mid), realBitTree(pattern, mid, hi));
}

}  // namespace

NodeRef unfoldNumber(const Node* numberLeaf) {
  std::string_view text(leafChars(numberLeaf), leafTextLength(numberLeaf));
  return pairOf(headElement(text), tailText(text));
}

NodeRef unfoldConstant(const NodeRef& constant, const NodeRef& x) {
  if (isEmptyConstant(constant.get())) {
    return apply(apply(x, apply(sharedLeaf('X'), sharedLeaf('J'))), sharedLeaf('K'));
  }
  if (x.isLeafNode() && x.firstChar() == 'G')
    return pairOf(constantLeft(constant), constantRight(constant));
  return apply(apply(x, apply(sharedLeaf('X'), sharedLeaf('J'))), constantList(constant));
}

NodeRef unfoldByteBlock(const Node* block) {
  std::string_view payload = byteBlockPayload(block);
  size_t n = payload.size();
  if (n == 0) return sharedLeaf('Z');
  if (n >= 2) {
    size_t m = 1;
    while (m * 2 < n) m *= 2;  // the largest power of two below n
    return pairOf(makeByteBlock(payload.substr(0, m)), makeByteBlock(payload.substr(m)));
  }
  auto byte = static_cast<unsigned char>(payload[0]);
  auto bit = [byte](int i) { return sharedLeaf(((byte >> i) & 1) ? 'I' : 'H'); };
  return pairOf(jPair(jPair(bit(0), bit(1)), jPair(bit(2), bit(3))),
                jPair(jPair(bit(4), bit(5)), jPair(bit(6), bit(7))));
}

NodeRef unfoldReal(const Node* real, const NodeRef& x) {
  uint64_t pattern;
  std::memcpy(&pattern, leafChars(real) + 1, sizeof pattern);
  return apply(apply(x, realBitTree(pattern, 0, 32)), realBitTree(pattern, 32, 64));
}

}  // namespace quorl
