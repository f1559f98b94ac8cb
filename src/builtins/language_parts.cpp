// Taking values apart: the parts of constants and runtime trees, and the
// head and tail operators $ (`buck`) and ~ (`wave`).
#include <string>

#include "builtins/args.hpp"
#include "builtins/block_text.hpp"
#include "builtins/language.hpp"
#include "builtins/language_values.hpp"
#include "eval/constant_parts.hpp"
#include "eval/kinds.hpp"
#include "numbers/binary.hpp"
#include "numbers/number.hpp"

namespace quorl {

namespace {

constexpr uint64_t kRealSignBit = uint64_t{1} << 63;

// A subtree of a runtime tree: the half of a non-empty tree's payload.
NodeRef subtree(const NodeRef& value, bool rightHalf) {
  const Node* payload = treePayload(value.get());
  const Node* l;
  const Node* r;
  if (payload == nullptr || !pairParts(payload, l, r)) return failureValue();
  return makeTree(NodeRef(const_cast<Node*>(rightHalf ? r : l)));
}

NodeRef part(NodeRef redex, bool rightPart) {
  NodeRef x = takeArgument(redex, 1, 1);
  if (kindOf(x) == 'u') return constantPart(x, rightPart);
  return subtree(x, rightPart);
}

// The sign of an integer: a leaf's text begins "0" only when negative (or
// zero, "0" alone); a list carries it as its second element.
NodeRef integerSign(const NodeRef& x) {
  if (x.isLeafNode()) {
    std::string_view text = x.text();
    return truthValue(!(text[0] == '0' && text.size() > 1));
  }
  BitVector bits;
  if (!numberBits(x, bits)) return failureValue();
  return truthValue(bitAt(bits, 1) == 1);
}

NodeRef binaryHead(const NodeRef& x) {
  BitVector bits;
  if (!numberBits(x, bits)) return failureValue();
  int64_t elements = endPosition(bits);
  if (elements == 2) return truthValue(true);
  if (elements < 2) return truthValue(false);
  return truthValue(bitAt(bits, 2) == 1);
}

NodeRef integerNegated(const NodeRef& x) {
  std::string storage;
  std::string_view text = numberTextView(x, storage);
  if (text.empty()) return failureValue();
  return negate(x.isLeafNode() ? x : leaf(text));
}

NodeRef binaryNegated(const NodeRef& x) {
  DigitVector digits;
  if (!tryDigitVector(x, digits)) return failureValue();
  return digitVectorNode(negateDigits(digits));
}

}  // namespace

NodeRef leafBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 1);
  if (kindOf(x) == 'u') return truthValue(isEmptyConstant(x.get()));
  const Node* payload = treePayload(x.get());
  if (payload == nullptr) return failureValue();
  return truthValue(isSingleLeaf(payload, 'K'));
}

NodeRef leftBuiltin(NodeRef redex) { return part(std::move(redex), false); }
NodeRef rghtBuiltin(NodeRef redex) { return part(std::move(redex), true); }

NodeRef buckBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 1);
  switch (kindOf(x)) {
    case 'a':
      return blockHead(byteBlockPayload(x.get()));
    case 'e':
      return truthValue((realBits(x.get()) & kRealSignBit) == 0);
    case 'i':
      return integerSign(x);
    case 'o':
      return binaryHead(x);
    case 'u':
      return constantPart(x, false);
    default:
      return failureValue();
  }
}

NodeRef waveBuiltin(NodeRef redex) {
  NodeRef x = takeArgument(redex, 1, 1);
  switch (kindOf(x)) {
    case 'a':
      return blockTail(byteBlockPayload(x.get()));
    case 'e':
      return realFromBits(realBits(x.get()) ^ kRealSignBit);
    case 'i':
      return integerNegated(x);
    case 'o':
      return binaryNegated(x);
    case 'u':
      return constantPart(x, true);
    default:
      return failureValue();
  }
}

}  // namespace quorl
