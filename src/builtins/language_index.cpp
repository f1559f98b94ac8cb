// Size, indexing, update and slicing.  Positions are bytes of a byte
// block, bits of a real or a number's bit list, bytes of a constant's
// element text.
#include <string>

#include "builtins/args.hpp"
#include "builtins/block_text.hpp"
#include "builtins/language.hpp"
#include "builtins/language_values.hpp"
#include "eval/kinds.hpp"
#include "numbers/number.hpp"

namespace quorl {

namespace {

constexpr int64_t kRealBits = 64;
constexpr int64_t kListBitCeiling = int64_t{1} << 26;

NodeRef byteOrFailure(int byte) { return byte < 0 ? failureValue() : numberFromInt64(byte); }

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
      return byteOrFailure(byteAt(byteBlockPayload(x.get()), i));
    case 'e':
      return lookRealBit(x, i);
    case 'i':
    case 'o':
      return lookListBit(x, i);
    case 'u': {
      std::string storage;
      return byteOrFailure(byteAt(constantText(x.get(), storage), i));
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
    case 'a': {
      int64_t value;
      if (!integerArgument(v, value)) return failureValue();
      bool alone = heldOnlyByCall(redex, 3, x);
      return corkedBlock(std::move(x), i, value, alone);
    }
    case 'e':
      if (!truthArgument(v.get(), bit)) return failureValue();
      return corkRealBit(x, i, bit);
    case 'i':
    case 'o':
      if (!truthArgument(v.get(), bit)) return failureValue();
      return corkListBit(x, i, bit);
    case 'u': {
      int64_t value;
      if (!x.isLeafNode() || !integerArgument(v, value)) return failureValue();
      return corkedText(x.get(), i, value);
    }
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
      return trimmedBlock(byteBlockPayload(x.get()), a, b);
    case 'u': {
      std::string storage;
      return trimmedText(constantText(x.get(), storage), a, b);
    }
    default:
      return failureValue();
  }
}

}  // namespace quorl
