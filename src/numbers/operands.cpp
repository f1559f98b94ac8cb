// Operands of the arithmetic and comparison builtins.
#include "numbers/operands.hpp"

#include "builtins/args.hpp"
#include "eval/kinds.hpp"
#include "numbers/number.hpp"
#include "numbers/real.hpp"
#include "numbers/wide.hpp"
#include "term/pool.hpp"

namespace quorl {

Operand operandAt(const NodeRef& redex, int index) {
  NodeRef value = takeArgument(redex, index, 2);
  char kind = kindOf(value);
  return {std::move(value), kind};
}

std::string_view numberOperandText(const Operand& x, std::string& storage) {
  return numberTextView(x.value, storage);
}

bool realOf(const Operand& x, double& out) {
  switch (x.kind) {
    case 'e':
      out = realValue(x.value);
      return true;
    case 'i': {
      std::string storage;
      // Checked first: the conversion insists on a well-formed list.
      if (numberOperandText(x, storage).empty()) return false;
      out = integerToReal(x.value);
      return true;
    }
    case 'o': {
      DigitVector digits;
      if (!tryDigitVector(x.value, digits)) return false;
      out = digitVectorToReal(digits);
      return true;
    }
    default:
      return false;
  }
}

bool binaryOf(const Operand& x, DigitVector& out) {
  if (x.kind == 'o') return tryDigitVector(x.value, out);
  if (x.kind != 'i') return false;
  std::string storage;
  if (numberOperandText(x, storage).empty()) return false;
  out = digitVectorOf(integerToBinary(x.value));
  return true;
}

bool joinText(const Operand& x, std::string& storage, std::string_view& out) {
  switch (x.kind) {
    case 'a':
      out = byteBlockPayload(x.value.get());
      return true;
    case 'u':
      out = constantText(x.value.get(), storage);
      return true;
    case 'e':
      storage = realText(x.value);
      out = storage;
      return true;
    case 'i':
    case 'o':
      out = numberTextView(x.value, storage);
      return !out.empty();
    default:
      return false;
  }
}

NodeRef integerLeaf(int64_t v) { return NodeRef::adopt(newIntegerLeaf(v)); }

Node* newIntegerLeaf(int64_t v) {
  uint64_t magnitude = v < 0 ? uint64_t{0} - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  size_t digits = decimalDigits(magnitude);
  size_t length = digits + (v < 0 ? 1 : 0);
  // The digits go straight into the new leaf, the sign "0" in front.
  auto* n = static_cast<Node*>(allocateCell(leafBytesFor('0', length)));
  // Annotated already: a number leaf takes one argument and holds no work.
  n->header = kLeafFlag | 1 | (static_cast<uint64_t>(length) << kExtentShift) |
              (uint64_t{1 + kArityBias} << kArityShift);
  char* text = leafCharsMutable(n);
  if (magnitude < 100000000) {
    // All eight digits at once, the leading zeros shifted out; the bytes
    // stored past the text lie within the cell (its word comes after).
    uint64_t ascii = eightAsciiDigits(magnitude) >> (8 * (8 - digits));
    std::memcpy(text + (v < 0), &ascii, sizeof ascii);
  } else {
    writeDecimalBackwards(text + length, magnitude);
  }
  text[length] = '\0';
  if (v < 0) text[0] = '0';
  // The word it carries: v itself, unless its text is too long to be a
  // short integer's.
  int64_t word = digits <= 18 ? v : kNoWord;
  std::memcpy(reinterpret_cast<char*>(n) + wordOffset(length), &word, sizeof word);
  return n;
}

}  // namespace quorl
