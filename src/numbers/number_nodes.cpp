// Number nodes: number leaves, the empty list K, and lists of J cells, and
// their conversions to texts, vectors and machine integers.
#include <charconv>

#include "numbers/number.hpp"
#include "numbers/number_internal.hpp"

namespace quorl {

// --- unfolding --------------------------------------------------------------

NodeRef headElement(std::string_view numberLeafText) {
  bool binary = numberLeafText.size() >= 2 && numberLeafText[0] == '0' && numberLeafText[1] == '0';
  return sharedLeaf(binary ? 'H' : 'K');
}

NodeRef tailText(std::string_view numberLeafText) {
  if (numberLeafText == "0" || numberLeafText == "00") return sharedLeaf('K');
  u128 small;
  if (smallVectorOfText(numberLeafText, small)) return leaf(textOfSmallVector(small >> 1));
  BitVector v = textToBits(numberLeafText);
  shiftDown(v);
  return leaf(bitsToText(v));
}

// --- lists ------------------------------------------------------------------

bool numberBits(const NodeRef& number, BitVector& out) {
  const Node* n = number.get();
  BitVector v;
  int64_t count = 0;
  const Node* head;
  const Node* rest;
  while (isListCell(n, head, rest)) {
    if (isLeafNamed(head, 'K'))
      setBit(v, count, 1);
    else if (!isLeafNamed(head, 'H'))
      return false;
    count++;
    n = rest;
  }
  if (isLeafNamed(n, 'K')) {
    setBit(v, count, 1);
  } else if (isDigitLeaf(n)) {
    BitVector tail = textToBits(leafText(n));
    if (count == 0) {
      out = std::move(tail);
      return true;
    }
    setBit(v, count, 1);
    v = appendBits(v, tail);
  } else {
    return false;
  }
  out = std::move(v);
  return true;
}

namespace {

// The shapes that numberText accepts at all: K, a digit leaf, or a list
// whose first element is K or H.
bool hasNumberShape(const Node* n) {
  if (isLeaf(n)) return isLeafNamed(n, 'K') || isDigitLeaf(n);
  const Node* head;
  const Node* rest;
  return isListCell(n, head, rest) && (isLeafNamed(head, 'K') || isLeafNamed(head, 'H'));
}

BitVector bitsOrFail(const NodeRef& number) {
  BitVector v;
  if (!numberBits(number, v)) checkFailure(kCoreModule, 780);
  return v;
}

}  // namespace

bool tryNumberText(const NodeRef& number, std::string& out) {
  const Node* n = number.get();
  if (!hasNumberShape(n)) return false;
  if (isLeaf(n)) {
    out.assign(leafText(n));
    return true;
  }
  BitVector v;
  if (!numberBits(number, v)) return false;
  out = bitsToText(v);
  return true;
}

std::string numberText(const NodeRef& number) {
  QUORL_CHECK(hasNumberShape(number.get()), 5417);
  std::string text;
  if (!tryNumberText(number, text)) checkFailure(kCoreModule, 780);
  return text;
}

std::string_view numberTextView(const NodeRef& number, std::string& storage) {
  const Node* n = number.get();
  if (isLeaf(n) && hasNumberShape(n)) return leafText(n);
  if (!tryNumberText(number, storage)) return {};
  return storage;
}

// --- number nodes -----------------------------------------------------------

bool isNumber(const Node* n) {
  if (isLeaf(n)) {
    if (isLeafNamed(n, 'K')) return true;
    const char* text = leafChars(n);
    return text[0] >= '0' && text[0] <= '9' && !(text[0] == '0' && text[1] == '0');
  }
  const Node* head;
  const Node* rest;
  return isListCell(n, head, rest) && isLeafNamed(head, 'K');
}

bool isNonNegative(const NodeRef& number) {
  const Node* n = number.get();
  if (isLeaf(n)) {
    const char* text = leafChars(n);
    return text[0] != '0' || text[1] == '\0';
  }
  // The canonical text begins with '0' unless the vector is zero ("0") or
  // an integer with its sign element set.
  BitVector v = bitsOrFail(number);
  if (bitAt(v, 0) == 0) return false;
  return bitAt(v, 1) == 1;
}

void requireNumber(const NodeRef& number) { QUORL_CHECK(isNumber(number.get()), 5137); }

void requireNonNegativeNumber(const NodeRef& number) {
  requireNumber(number);
  QUORL_CHECK(isNonNegative(number), 5239);
}

NodeRef absoluteValue(const NodeRef& integer) {
  const Node* n = integer.get();
  if (isLeaf(n)) {
    if (isLeafNamed(n, 'K')) return integer;
    std::string_view text = leafText(n);
    if (text == "0") return integer;
    if (text[0] == '0') return leaf(text.substr(1));
    if (text[0] >= '1' && text[0] <= '9') return integer;
    checkFailure(kCoreModule, 5065);
  }
  const Node* g = functionOf(n);
  QUORL_CHECK(!isLeaf(g), 5067);
  QUORL_CHECK(isLeafNamed(functionOf(g), 'J'), 5068);
  QUORL_CHECK(isLeafNamed(argumentOf(g), 'K'), 5071);
  BitVector v = bitsOrFail(integer);
  setBit(v, 1, 1);
  return leaf(bitsToText(v));
}

NodeRef negate(const NodeRef& integer) {
  const Node* n = integer.get();
  if (isLeaf(n)) {
    if (isLeafNamed(n, 'K')) return integer;
    std::string_view text = leafText(n);
    QUORL_CHECK(isDigitLeaf(n), 5137);
    if (text == "0") return integer;
    if (text[0] == '0') return leaf(text.substr(1));
    std::string negated;
    negated.reserve(text.size() + 1);
    negated.push_back('0');
    negated.append(text);
    return leaf(negated);
  }
  // J tag (J sign rest): exchange the sign cell, sharing everything else.
  const Node* tag;
  const Node* afterTag;
  const Node* sign;
  const Node* rest;
  if (isListCell(n, tag, afterTag) && isListCell(afterTag, sign, rest) &&
      (isLeafNamed(sign, 'K') || isLeafNamed(sign, 'H'))) {
    char flipped = isLeafNamed(sign, 'K') ? 'H' : 'K';
    NodeRef j = sharedLeaf('J');
    NodeRef signCell = apply(apply(j, sharedLeaf(flipped)), NodeRef(const_cast<Node*>(rest)));
    return apply(apply(j, NodeRef(const_cast<Node*>(tag))), std::move(signCell));
  }
  BitVector v = bitsOrFail(integer);
  if (endPosition(v) <= 1) return integer;  // no sign element: zero
  setBit(v, 1, bitAt(v, 1) ^ 1);
  return leaf(bitsToText(v));
}

bool isZero(const NodeRef& number) {
  const Node* n = number.get();
  return isLeafNamed(n, 'K') || isLeafNamed(n, '0');
}

int64_t listLength(const NodeRef& number) {
  const Node* n = number.get();
  int64_t count = 0;
  const Node* head;
  const Node* rest;
  while (isListCell(n, head, rest)) {
    count++;
    n = rest;
  }
  if (!isDigitLeaf(n)) return count;
  std::string_view text = leafText(n);
  u128 small;
  if (smallVectorOfText(text, small)) {
    uint64_t high = static_cast<uint64_t>(small >> 64);
    int top = high != 0 ? 127 - __builtin_clzll(high) : 63 - __builtin_clzll(static_cast<uint64_t>(small));
    return count + top;
  }
  return count + endPosition(textToBits(text));
}

NodeRef integerToBinary(const NodeRef& integer) {
  BitVector v = bitsOrFail(integer);
  QUORL_CHECK(bitAt(v, 0) == 1, 5137);
  shiftDown(v);  // T = [s, m0, ..., m(k-1)], end marker at k + 1
  int64_t end = endPosition(v);
  if (end == 0) return leaf("00");
  BitVector spread;
  spread.reserve(static_cast<size_t>(end / 4 + 1));
  setBit(spread, 2 * end, 1);
  if (bitAt(v, 0)) setBit(spread, 1, 1);
  for (int64_t i = 1; i < end; i++)
    if (bitAt(v, i)) setBit(spread, 2 * i, 1);
  return leaf(bitsToText(spread));
}

// --- machine integers -------------------------------------------------------

std::string textFromInt64(int64_t v) {
  char buffer[24];
  char* end = buffer + sizeof buffer;
  uint64_t magnitude = v < 0 ? uint64_t{0} - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
  char* p = writeDecimalBackwards(end, magnitude);
  if (v < 0) *--p = '0';
  return std::string(p, end);
}

NodeRef numberFromInt64(int64_t v) { return leaf(textFromInt64(v)); }

NodeRef numberFromUInt64(uint64_t v) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
  return leaf(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

uint64_t numberToUInt64(const NodeRef& number) {
  const Node* n = number.get();
  if (isDigitLeaf(n)) {
    u128 small;
    if (smallVectorOfText(leafText(n), small)) return static_cast<uint64_t>(small >> 2);
  }
  BitVector v = bitsOrFail(number);
  uint64_t value = 0;
  for (int i = 0; i < 64; i++) value |= static_cast<uint64_t>(bitAt(v, i + 2)) << i;
  return value;
}

int64_t numberToInt64(const NodeRef& number) {
  const Node* n = number.get();
  int64_t small;
  if (isDigitLeaf(n) && smallIntegerValue(leafText(n), small)) return small;
  bool negative = !isNonNegative(number);
  uint64_t magnitude = numberToUInt64(absoluteValue(number));
  return static_cast<int64_t>(negative ? uint64_t{0} - magnitude : magnitude);
}

bool tryNumberToInt64(const NodeRef& number, int64_t& out) {
  const Node* n = number.get();
  if (!isLeaf(n)) {
    BitVector v;
    if (!isNumber(n) || !numberBits(number, v)) return false;
  } else if (!isDigitLeaf(n) && !isLeafNamed(n, 'K')) {
    return false;
  }
  out = numberToInt64(number);
  return true;
}

bool smallIntegerValue(std::string_view text, int64_t& out) {
  if (text.empty()) return false;
  if (text[0] != '0') {
    uint64_t v;
    if (!parseDecimalU64(text, v) || v > uint64_t{INT64_MAX}) return false;
    out = static_cast<int64_t>(v);
    return true;
  }
  if (text.size() == 1) {
    out = 0;
    return true;
  }
  uint64_t magnitude;
  if (text[1] == '0' || !parseDecimalU64(text.substr(1), magnitude) ||
      magnitude > uint64_t{1} << 63)
    return false;
  out = static_cast<int64_t>(uint64_t{0} - magnitude);
  return true;
}

}  // namespace quorl
