// Byte blocks and quoted texts that grow in their own cells.
//
// A leaf's text lives in its cell.  Cells past the pool's largest class
// come from malloc and remember the size they were made with (pool.hpp),
// so a leaf can be made with room beyond its text; every reader still
// finds the text's end where it always does (the length digits of a byte
// block, the cached extent of a quoted text, the NUL after both), and the
// room is simply not part of the text.
#include "term/node.hpp"
#include "term/pool.hpp"

namespace quorl {

namespace {

// Texts longer than this have cells from malloc.
constexpr size_t kLongestPooledText =
    pool_detail::kPooledClasses * pool_detail::kGranule - sizeof(Node) - 1;

size_t leafCellBytes(size_t textLength) { return sizeof(Node) + textLength + 1; }

// The text bytes a leaf's cell can hold (its NUL not counted).
size_t textCapacity(const Node* n, size_t textLength) {
  return cellBytes(n, leafCellBytes(textLength)) - sizeof(Node) - 1;
}

// Where an append puts things: the old text is head + body (+ a closing
// bracket for a quoted text), the new one newHead + body + more (+ it).
struct Layout {
  bool block;
  size_t head, newHead, body, newLength;
};

Layout layoutOf(const Node* n, size_t more) {
  Layout l;
  l.block = leafChars(n)[0] == '(';
  if (l.block) {
    std::string_view payload = byteBlockPayload(n);
    l.head = static_cast<size_t>(payload.data() - leafChars(n));
    l.body = payload.size();
    l.newHead = blockHeaderFor(l.body + more);
    l.newLength = l.newHead + l.body + more;
  } else {
    l.head = l.newHead = 1;
    l.body = leafTextLength(n) - 2;
    l.newLength = l.body + more + 2;
  }
  return l;
}

// The length of the text an append starts from.
size_t oldLength(const Layout& l) { return l.head + l.body + (l.block ? 0 : 1); }

// Writes the appended text into `to`, reading the old text from `from`;
// the two may be one cell, whose body then moves only when its head grows.
void writeAppended(char* to, const char* from, const Layout& l, std::string_view more) {
  if (to != from || l.newHead != l.head) std::memmove(to + l.newHead, from + l.head, l.body);
  std::memcpy(to + l.newHead + l.body, more.data(), more.size());
  if (l.block) {
    to[0] = '(';
    writeLengthDigits(to, l.newHead, l.body + more.size());
    to[l.newHead - 1] = ')';
  } else {
    to[0] = '[';
    to[l.newLength - 1] = ']';
  }
  to[l.newLength] = '\0';
}

// The cached length of a quoted text (a block's: of its payload), or 0
// when it is too long to cache.
void setTextExtent(Node* n, const Layout& l) {
  size_t length = l.block ? l.newLength - l.newHead : l.newLength;
  setExtent(n, length < kExtentLimit ? length : 0);
}

// A block whose length is cached and whose header keeps its size grows in
// its own cell by its new bytes and its length digits, when the cell has
// the room: a loop joining a byte at a time.  False when it does not.
bool appendedInPlace(Node* n, std::string_view more) {
  uint64_t length = extentOf(n);
  if (length == 0 || leafChars(n)[0] != '(') return false;
  size_t grown = length + more.size();
  size_t head = blockHeaderFor(length);
  if (grown >= kExtentLimit || blockHeaderFor(grown) != head) return false;
  if (head + grown > textCapacity(n, head + length)) return false;
  char* chars = leafCharsMutable(n);
  if (more.size() == 1) chars[head + length] = more[0];
  else std::memcpy(chars + head + length, more.data(), more.size());
  chars[head + grown] = '\0';
  // A byte at a time, the length's last digit is most often the only one
  // that changes.
  if (more.size() == 1 && grown % 64 != 0) chars[head - 2] = kLengthDigits[grown % 64];
  else writeLengthDigits(chars, head, grown);
  n->header = (n->header & ~kExtentMask) | (grown << kExtentShift);
  return true;
}

}  // namespace

NodeRef appendToText(NodeRef text, std::string_view more) {
  Node* n = text.get();
  if (!isLeaf(n) || (leafChars(n)[0] != '(' && leafChars(n)[0] != '[')) checkFailure(kCoreModule, 2254);
  if (appendedInPlace(n, more)) return text;
  Layout l = layoutOf(n, more.size());
  if (l.newLength <= textCapacity(n, oldLength(l))) {
    writeAppended(leafCharsMutable(n), leafChars(n), l, more);
    setTextExtent(n, l);
    return text;
  }
  // Twice the room the text needs, once it is long enough to have a cell
  // of its own size: each copy then pays for as many appends as it moves.
  size_t capacity = l.newLength > kLongestPooledText ? 2 * l.newLength : l.newLength;
  auto* grown = static_cast<Node*>(allocateCell(leafCellBytes(capacity)));
  grown->header = kLeafFlag;
  writeAppended(leafCharsMutable(grown), leafChars(n), l, more);
  setTextExtent(grown, l);
  return NodeRef(grown);
}

}  // namespace quorl
