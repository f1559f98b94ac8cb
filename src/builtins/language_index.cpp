// Size, indexing, update and slicing.  Positions are bytes of a byte
// block, bits of a real or a number's bit list, bytes of a constant's
// element text.
#include <string>

#include "builtins/args.hpp"
#include "builtins/language.hpp"
#include "builtins/language_values.hpp"
#include "eval/kinds.hpp"
#include "numbers/number.hpp"

namespace quorl {

namespace {

constexpr int64_t kRealBits = 64;
constexpr int64_t kListBitCeiling = int64_t{1} << 26;

NodeRef lookByte(std::string_view bytes, int64_t i) {
  if (!countFromEnd(i, static_cast<int64_t>(bytes.size())) ||
      i >= static_cast<int64_t>(bytes.size()))
    return failureValue();
  return numberFromInt64(static_cast<unsigned char>(bytes[static_cast<size_t>(i)]));
}

NodeRef lookRealBit(const NodeRef& x, int64_t i) {
  if (!countFromEnd(i, kRealBits) || i > kRealBits) return failureValue();
  if (i == kRealBits) return truthValue(false);
  return truthValue(((realBits(x.get()) >> i) & 1) != 0);
}

// The vector is read raw: the end marker and the zeros above it are
// elements too, so there is no upper bound.
NodeRef lookListBit(const NodeRef& x, int64_t i) {
  BitVector bits;
  if (!numberBits(x, bits) || !countFromEnd(i, endPosition(bits))) return failureValue();
  return truthValue(bitAt(bits, i) == 1);
}

// The slice [a, b) of n positions, or false when it does not lie inside.
bool sliceBounds(int64_t& a, int64_t& b, int64_t n) {
  if (!countFromEnd(a, n) || !countFromEnd(b, n)) return false;
  return b >= a && a <= n && b <= n;
}

NodeRef corkByte(const NodeRef& redex, NodeRef x, int64_t i, const NodeRef& v) {
  int64_t value;
  if (!integerArgument(v, value)) return failureValue();
  int64_t n = static_cast<int64_t>(byteBlockPayloadLength(x.get()));
  if (!countFromEnd(i, n) || i >= n) return failureValue();
  char byte = static_cast<char>(value & 0xFF);
  if (heldOnlyByCall(redex, 3, x)) {
    leafCharsMutable(x.get())[byteBlockHeaderLength(x.get()) + static_cast<size_t>(i)] = byte;
    return x;
  }
  std::string payload(byteBlockPayload(x.get()));
  payload[static_cast<size_t>(i)] = byte;
  return makeByteBlock(payload);
}

NodeRef corkRealBit(const NodeRef& x, int64_t i, int bit) {
  if (!countFromEnd(i, kRealBits) || i >= kRealBits) return failureValue();
  uint64_t mask = uint64_t{1} << i;
  uint64_t bits = realBits(x.get());
  return realFromBits(bit ? bits | mask : bits & ~mask);
}

NodeRef corkListBit(const NodeRef& x, int64_t i, int bit) {
  BitVector bits;
  if (!numberBits(x, bits) || !countFromEnd(i, endPosition(bits))) return failureValue();
  // Clearing a bit above the vector changes nothing; setting one far above
  // it would build a number of tens of millions of digits (or ask for more
  // memory than there is), so the index has a ceiling.
  if (i >= bitCapacity(bits)) {
    if (bit == 0) return leaf(bitsToText(bits));
    if (i >= kListBitCeiling) return failureValue();
  }
  setBit(bits, i, bit);
  trimBits(bits);
  if (bitsAreZero(bits)) return failureValue();
  // Clearing the end marker of a one-element list leaves the empty list,
  // which has no compact text: it is the leaf K.
  if (bits == BitVector(1, '\x01')) return sharedLeaf('K');
  return leaf(bitsToText(bits));
}

NodeRef corkTextByte(const NodeRef& x, int64_t i, const NodeRef& v) {
  int64_t value;
  if (!x.isLeafNode() || !integerArgument(v, value)) return failureValue();
  char byte = static_cast<char>(value & 0xFF);
  std::string text(x.text());
  int64_t n = static_cast<int64_t>(text.size()) - 2;
  if (!countFromEnd(i, n) || i >= n) return failureValue();
  char& slot = text[static_cast<size_t>(i) + 1];
  if (byte == '[' || byte == ']' || slot == '[' || slot == ']') return failureValue();
  slot = byte;
  return leaf(text);
}

NodeRef trimBytes(std::string_view bytes, int64_t a, int64_t b) {
  if (a == b) return makeByteBlock("");
  if (!sliceBounds(a, b, static_cast<int64_t>(bytes.size()))) return failureValue();
  return makeByteBlock(bytes.substr(static_cast<size_t>(a), static_cast<size_t>(b - a)));
}

NodeRef trimText(std::string_view text, int64_t a, int64_t b) {
  if (a == b) return constantFromText("");
  if (!sliceBounds(a, b, static_cast<int64_t>(text.size()))) return failureValue();
  std::string_view slice = text.substr(static_cast<size_t>(a), static_cast<size_t>(b - a));
  if (!bracketsBalance(slice)) return failureValue();
  return constantFromText(slice);
}

}  // namespace

NodeRef rankBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 1);
  switch (kindOf(x)) {
    case 'a':
      return numberFromUInt64(byteBlockPayloadLength(x.get()));
    case 'e':
      return numberFromInt64(8);
    case 'i':
    case 'o': {
      std::string storage;
      std::string_view text = numberTextView(x, storage);
      if (text.empty()) return failureValue();
      return numberFromUInt64(text.size());
    }
    case 'u': {
      std::string storage;
      return numberFromUInt64(constantText(x.get(), storage).size());
    }
    default:
      return failureValue();
  }
}

NodeRef lookBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 2);
  int64_t i;
  if (!indexArgument(takeArgument(redex, 2, 2), i)) return failureValue();
  switch (kindOf(x)) {
    case 'a':
      return lookByte(byteBlockPayload(x.get()), i);
    case 'e':
      return lookRealBit(x, i);
    case 'i':
    case 'o':
      return lookListBit(x, i);
    case 'u': {
      std::string storage;
      return lookByte(constantText(x.get(), storage), i);
    }
    default:
      return failureValue();
  }
}

NodeRef corkBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 3);
  NodeRef v = takeArgument(redex, 3, 3);
  int64_t i;
  if (!indexArgument(takeArgument(redex, 2, 3), i)) return failureValue();
  int bit = 0;
  switch (kindOf(x)) {
    case 'a':
      return corkByte(redex, std::move(x), i, v);
    case 'e':
      if (!truthArgument(v.get(), bit)) return failureValue();
      return corkRealBit(x, i, bit);
    case 'i':
    case 'o':
      if (!truthArgument(v.get(), bit)) return failureValue();
      return corkListBit(x, i, bit);
    case 'u':
      return corkTextByte(x, i, v);
    default:
      return failureValue();
  }
}

NodeRef trimBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 3);
  int64_t a;
  int64_t b;
  if (!indexArgument(takeArgument(redex, 2, 3), a) ||
      !indexArgument(takeArgument(redex, 3, 3), b))
    return failureValue();
  switch (kindOf(x)) {
    case 'a':
      return trimBytes(byteBlockPayload(x.get()), a, b);
    case 'u': {
      std::string storage;
      return trimText(constantText(x.get(), storage), a, b);
    }
    default:
      return failureValue();
  }
}

}  // namespace quorl
