// Node cells: construction, freeing, leaf texts, byte blocks and the
// structural order.
#include "term/node.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <unordered_set>
#include <utility>
#include <vector>

#include "term/pool.hpp"

namespace quorl {

namespace {

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// Value of each base-64 length digit, or -1.
const std::array<int, 256>& lengthDigitValues() {
  static const std::array<int, 256> values = [] {
    std::array<int, 256> v;
    v.fill(-1);
    for (int i = 0; i < 64; i++) v[static_cast<unsigned char>(kLengthDigits[i])] = i;
    return v;
  }();
  return values;
}

void requireByteBlock(const Node* n) {
  if (!isLeaf(n) || leafChars(n)[0] != '(') [[unlikely]]
    checkFailure(kCoreModule, 2254);
}

// The payload length a new block's leaf caches in its extent: only when its
// header is well formed and says exactly the bytes that follow it (else 0,
// and the readers decode the header as they always did).
uint64_t blockLengthToCache(std::string_view text) {
  const auto& values = lengthDigitValues();
  size_t length = 0, i = 1;
  for (; i < text.size() && text[i] != ')'; i++) {
    int digit = values[static_cast<unsigned char>(text[i])];
    if (digit < 0 || i > 8) return 0;
    length = length * 64 + static_cast<size_t>(digit);
  }
  if (i >= text.size() || length >= kExtentLimit) return 0;
  if (text.size() - i - 1 != length || blockHeaderFor(length) != i + 1) return 0;
  return length;
}

}  // namespace

// --- header fields ----------------------------------------------------------

void setArity(Node* n, int k) {
  if (k > kMaxArity) checkFailure(kCoreModule, 4663);
  if (k < kMinArity) checkFailure(kCoreModule, 4664);
  uint64_t code = static_cast<uint64_t>(k + kArityBias);
  if (code >= 64) checkFailure(kCoreModule, 4669);
  n->header = (n->header & ~kArityMask) | (code << kArityShift);
}

void setExtent(Node* n, uint64_t v) {
  if (v >= kExtentLimit) checkFailure(kCoreModule, 4674);
  n->header = (n->header & ~kExtentMask) | (v << kExtentShift);
}

// --- freeing ----------------------------------------------------------------

// A leaf is freed at once, and so is an application cell with its function
// part; any other application cell that dies with them goes on the pool's
// list of dying cells with its parts still held, and its parts are
// released when its cell is reused (term/pool.hpp).  Nothing recurses and
// nothing is walked at once, however long or deep the structure that died.
namespace {

static_assert(kApplicationBytes == sizeof(Node) + 2 * sizeof(Node*));

using pool_detail::FreeCell;
using pool_detail::thePool;

inline size_t leafBytes(const Node* n) {
  // Numbers, the commonest dying leaves, carry their length.
  unsigned char first = static_cast<unsigned char>(leafChars(n)[0]);
  if (isDigit(first))
    if (uint64_t extent = extentOf(n)) return leafBytesFor(first, extent);
  return sizeof(Node) + leafTextLength(n) + 1;
}

// The cell's header becomes the link: its count is zero and nothing reads
// it again.
inline void addDying(Node* n) {
  // Its parts are read when the cell is reused, soon: their lines are
  // fetched now.
  __builtin_prefetch(functionOf(n), 1);
  __builtin_prefetch(argumentOf(n), 1);
  auto* cell = reinterpret_cast<FreeCell*>(n);
  cell->next = thePool.dying;
  thePool.dying = cell;
}

// Drops one count of n; true when that was its last.
inline bool droppedLast(Node* n) {
  uint64_t count = n->header & kCountMask;
  if (count == 0) [[unlikely]]
    checkFailure(kCoreModule, 4540);
  n->header--;
  return count == 1;
}

// Drops the count a dying parent held on one of its parts.
inline void dropPart(Node* part) {
  if (!droppedLast(part)) return;
  if (isLeaf(part)) releaseCell(part, leafBytes(part));
  else addDying(part);
}

inline bool isLambdaForm(const Node* g) {
  if (!isApplication(g)) return false;
  const Node* marker = functionOf(g);
  return isLeaf(marker) && leafChars(marker)[0] == '\\' && leafChars(marker)[1] == '\0';
}

}  // namespace

constinit LambdaFormWatch lambdaFormWatch;

namespace {

// Drops the count a cell being taken apart held on its function part: a
// function part that dies with it (the `J x` of a list cell, the `V k` of a
// pair) is taken apart at once too, its own parts going to the dying list
// if they die, so that the work stays two cells deep whatever died.
inline void dropFunctionPart(Node* f) {
  if (!droppedLast(f)) return;
  if (isLeaf(f)) {
    releaseCell(f, leafBytes(f));
    return;
  }
  dropPart(argumentOf(f));
  dropPart(functionOf(f));
  releaseCell(f, kApplicationBytes);
}

}  // namespace

// An application cell whose count reached zero is taken apart at once, with
// its function part when that dies too, and their cells go back to the free
// list, to be reused next: a cell that dies in a loop over a list (the cell
// a match took apart) then costs no trip through the dying list.  Its
// argument part, which may be a list's whole tail, goes to the dying list
// when it dies, so that dropping a long structure still costs one step.
void freeNode(Node* n) {
  if (isLeaf(n)) {
    releaseCell(n, leafBytes(n));
    return;
  }
  if (lambdaFormWatch.watched != 0) [[unlikely]] {
    addDying(n);  // the watch sees a lambda form die as its cell is reused
    return;
  }
  dropPart(argumentOf(n));
  dropFunctionPart(functionOf(n));
  releaseCell(n, kApplicationBytes);
}

namespace {

// A dying cell reused while lambda forms are watched: a watched lambda form
// is seen dead before its cell is reused, and what the watch sets aside is
// freed once its parts are dropped.
[[gnu::noinline]] void* reuseWatchedCell(Node* n) {
  if (isLambdaForm(functionOf(n))) lambdaFormWatch.died(n);
  dropPart(argumentOf(n));
  dropPart(functionOf(n));
  if (lambdaFormWatch.unsettled) {
    lambdaFormWatch.unsettled = false;
    lambdaFormWatch.settle();
  }
  return n;
}

}  // namespace

void* reuseDyingCell() {
  FreeCell* cell = thePool.dying;
  FreeCell* next = cell->next;
  thePool.dying = next;
  // The next dying cell is taken apart at the next allocation: its line is
  // fetched while this one's parts are dropped and the new cell is filled.
  __builtin_prefetch(next, 1);
  auto* n = reinterpret_cast<Node*>(cell);
  // Only the watch's died() sets `unsettled`, so nothing is left to settle
  // when nothing is watched.
  if (lambdaFormWatch.watched != 0) [[unlikely]]
    return reuseWatchedCell(n);
  // The function part, in a list the pair cell that holds the element, is
  // taken apart at once when it dies with the cell, as freeNode takes it:
  // the element's leaf is freed with its cell, not once the whole spine is
  // gone, and the pair cell goes to the free list without a trip through
  // the dying list.
  dropPart(argumentOf(n));
  dropFunctionPart(functionOf(n));
  return cell;
}

bool finishDyingCells() {
  if (thePool.dying == nullptr) return false;
  while (thePool.dying != nullptr) releaseCell(reuseDyingCell(), kApplicationBytes);
  return true;
}

// --- construction -------------------------------------------------------------

Node* newLeaf(std::string_view text) {
  unsigned char first = text.empty() ? 0 : static_cast<unsigned char>(text[0]);
  auto* n = static_cast<Node*>(allocateCell(leafBytesFor(first, text.size())));
  n->header = kLeafFlag;
  char* chars = leafCharsMutable(n);
  if (!text.empty()) std::memcpy(chars, text.data(), text.size());
  chars[text.size()] = '\0';
  if ((isDigit(first) || first == '[') && text.size() < kExtentLimit)
    n->header |= static_cast<uint64_t>(text.size()) << kExtentShift;
  if (first == '(') n->header |= blockLengthToCache(text) << kExtentShift;
  if (carriesWord(first, text.size())) {
    int64_t word = wordOfNumberText(text);
    std::memcpy(reinterpret_cast<char*>(n) + wordOffset(text.size()), &word, sizeof word);
  }
  return n;
}

// "0", a digit 1-9 and up to 17 more, or "0" and such digits (negative);
// anything else (a binary number "00...", a longer text, a stray
// character) is no short integer.
int64_t wordOfNumberText(std::string_view text) {
  size_t from = text.size() > 1 && text[0] == '0' ? 1 : 0;
  size_t digits = text.size() - from;
  if (digits == 0 || digits > 18 || (from == 1 && text[1] == '0')) return kNoWord;
  int64_t value = 0;
  for (size_t i = from; i < text.size(); i++) {
    unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
    if (digit > 9) return kNoWord;
    value = value * 10 + digit;
  }
  return from ? -value : value;
}

Node* newApplication(Node* function, Node* argument) {
  auto* n = static_cast<Node*>(allocateCell(kApplicationBytes));
  n->header = 0;
  auto** slots = reinterpret_cast<Node**>(n + 1);
  slots[0] = function;
  slots[1] = argument;
  acquire(function);
  acquire(argument);
  return n;
}

// --- leaf texts -------------------------------------------------------------

size_t balancedTextLength(const char* text) {
  size_t depth = 0;
  size_t i = 0;
  do {
    if (text[i] == '[') depth++;
    else if (text[i] == ']') depth--;
    i++;
  } while (depth > 0);
  return i;
}

size_t leafTextLength(const Node* n) {
  const char* chars = leafChars(n);
  unsigned char first = static_cast<unsigned char>(chars[0]);
  if (isDigit(first)) {
    if (uint64_t extent = extentOf(n)) return extent;
    size_t measured = std::strlen(chars);
    if (measured < kExtentLimit) checkFailure(kCoreModule, 7122);
    return measured;
  }
  if (first == '[') {
    if (uint64_t extent = extentOf(n)) return extent;
    size_t measured = balancedTextLength(chars);
    if (measured < kExtentLimit) checkFailure(kCoreModule, 7131);
    return measured;
  }
  if (first == '(') {
    std::string_view payload = byteBlockPayload(n);
    return static_cast<size_t>(payload.data() - chars) + payload.size();
  }
  if (first == ' ') return 9;
  return std::strlen(chars);
}

// --- byte blocks ------------------------------------------------------------

std::string byteBlockText(std::string_view payload) {
  char digits[16];
  int count = 0;
  for (size_t length = payload.size(); length > 0; length /= 64)
    digits[count++] = kLengthDigits[length % 64];
  std::string text;
  text.reserve(payload.size() + count + 2);
  text.push_back('(');
  while (count > 0) text.push_back(digits[--count]);
  text.push_back(')');
  text.append(payload);
  return text;
}

size_t byteBlockHeaderLength(const Node* n) {
  requireByteBlock(n);
  if (uint64_t length = extentOf(n)) return blockHeaderFor(length);
  const char* chars = leafChars(n);
  size_t i = 1;
  while (chars[i] != ')') i++;
  return i + 1;
}

size_t byteBlockPayloadLength(const Node* n) {
  requireByteBlock(n);
  if (uint64_t length = extentOf(n)) return length;
  const auto& values = lengthDigitValues();
  const char* chars = leafChars(n);
  size_t length = 0;
  for (size_t i = 1; chars[i] != ')'; i++) {
    int digit = values[static_cast<unsigned char>(chars[i])];
    if (digit < 0) checkFailure(kCoreModule, 2261);
    length = length * 64 + static_cast<size_t>(digit);
  }
  return length;
}

// One pass over the length digits: loops over a block read it on every step.
std::string_view decodedBlockPayload(const Node* n) {
  requireByteBlock(n);
  if (uint64_t length = extentOf(n)) return {leafChars(n) + blockHeaderFor(length), length};
  const auto& values = lengthDigitValues();
  const char* chars = leafChars(n);
  size_t length = 0;
  size_t i = 1;
  for (; chars[i] != ')'; i++) {
    int digit = values[static_cast<unsigned char>(chars[i])];
    if (digit < 0) checkFailure(kCoreModule, 2261);
    length = length * 64 + static_cast<size_t>(digit);
  }
  return {chars + i + 1, length};
}

// --- structural order ---------------------------------------------------------

namespace {

// Leaves compare over their whole texts.  (A byte block's text holds its
// length, so comparing only as many bytes as the shorter payload would make
// distinct blocks of one length equal, and interning would merge them.)
int compareLeaves(const Node* a, const Node* b) {
  size_t la = leafTextLength(a), lb = leafTextLength(b);
  int c = std::memcmp(leafChars(a), leafChars(b), std::min(la, lb));
  if (c != 0) return c < 0 ? -1 : 1;
  if (la == lb) return 0;
  return la < lb ? -1 : 1;
}

}  // namespace

// Two terms can share subterms within themselves so much that, read as
// trees, they are exponentially larger than their graphs.  A pair of
// subterms that has been compared once need not be compared again: the
// walk goes left to right, depth first, so by the time a pair comes up a
// second time its first comparison has finished without a difference.  A
// pair can come up again only through a subterm with more than one
// holder, so only such pairs are remembered.
struct NodePairHash {
  size_t operator()(const std::pair<const Node*, const Node*>& p) const {
    return std::hash<const Node*>()(p.first) * 31 + std::hash<const Node*>()(p.second);
  }
};

int compareTerms(const Node* a, const Node* b) {
  if (a == b) return 0;
  if (isLeaf(a) && isLeaf(b)) return compareLeaves(a, b);
  std::vector<std::pair<const Node*, const Node*>> work;
  std::unordered_set<std::pair<const Node*, const Node*>, NodePairHash> compared;
  work.emplace_back(a, b);
  while (!work.empty()) {
    auto [x, y] = work.back();
    work.pop_back();
    if (x == y) continue;
    bool xLeaf = isLeaf(x), yLeaf = isLeaf(y);
    if (xLeaf != yLeaf) return xLeaf ? -1 : 1;
    if (xLeaf) {
      if (int c = compareLeaves(x, y)) return c;
      continue;
    }
    if ((countOf(x) > 1 || countOf(y) > 1) && !compared.emplace(x, y).second) continue;
    work.emplace_back(argumentOf(x), argumentOf(y));
    work.emplace_back(functionOf(x), functionOf(y));
  }
  return 0;
}

// --- handles --------------------------------------------------------------

NodeRef::NodeRef(const char* text) : node_(nullptr) {
  if (text == nullptr) checkFailure(kCoreModule, 6989);
  node_ = newLeaf(text);
  acquire(node_);
}

NodeRef NodeRef::fun() const {
  if (isLeaf(node_)) checkFailure(kCoreModule, 7070);
  return NodeRef(functionOf(node_));
}

NodeRef NodeRef::arg() const {
  if (isLeaf(node_)) checkFailure(kCoreModule, 7071);
  return NodeRef(argumentOf(node_));
}

std::string_view NodeRef::text() const {
  if (isApplication(node_)) return {};
  return {leafChars(node_), leafTextLength(node_)};
}

size_t NodeRef::payloadLength() const {
  if (isApplication(node_)) return 0;
  if (leafChars(node_)[0] == '(') return byteBlockPayloadLength(node_);
  return leafTextLength(node_);
}

NodeRef leaf(std::string_view text) { return NodeRef(newLeaf(text)); }

NodeRef apply(NodeRef g, NodeRef x) {
  // The new cell takes over both counts instead of acquiring again.
  auto* n = static_cast<Node*>(allocateCell(kApplicationBytes));
  n->header = 0;
  auto** slots = reinterpret_cast<Node**>(n + 1);
  slots[0] = g.detach();
  slots[1] = x.detach();
  if (slots[0] == nullptr || slots[1] == nullptr) checkFailure(kCoreModule, 6983);
  // A cell built from annotated parts is annotated at once, in one step; the
  // result is what annotating it later would give, since it depends on the
  // parts alone.
  if (isAnnotated(slots[0]) && isAnnotated(slots[1])) annotateFromParts(n);
  return NodeRef(n);
}

NodeRef apply3(NodeRef a, NodeRef b, NodeRef c) {
  return apply(apply(std::move(a), std::move(b)), std::move(c));
}

NodeRef apply4(NodeRef a, NodeRef b, NodeRef c, NodeRef d) {
  return apply(apply3(std::move(a), std::move(b), std::move(c)), std::move(d));
}

// Written straight into its cell: a loop that makes a block of one byte for
// each step (`text + init(b)`) pays for no text put together first.
NodeRef makeByteBlock(std::string_view payload) {
  size_t length = payload.size();
  size_t head = blockHeaderFor(length);
  auto* n = static_cast<Node*>(allocateCell(leafBytesFor('(', head + length)));
  n->header = kLeafFlag;
  if (length < kExtentLimit) n->header |= static_cast<uint64_t>(length) << kExtentShift;
  char* chars = leafCharsMutable(n);
  chars[0] = '(';
  writeLengthDigits(chars, head, length);
  chars[head - 1] = ')';
  if (length == 1) chars[head] = payload[0];
  else if (length != 0) std::memcpy(chars + head, payload.data(), length);
  chars[head + length] = '\0';
  return NodeRef(n);
}

namespace {
std::array<Node*, 256>& sharedLeafSlots() {
  static std::array<Node*, 256> slots{};
  return slots;
}
}  // namespace

NodeRef sharedLeaf(char name) {
  Node*& slot = sharedLeafSlots()[static_cast<unsigned char>(name)];
  if (slot == nullptr) {
    slot = newLeaf(std::string_view(&name, 1));
    acquire(slot);  // the slot's own count keeps it alive
  }
  return NodeRef(slot);
}

// Shared leaves cache their annotation, which depends on the definitions;
// a fresh set of tables gets fresh leaves.
void forgetSharedLeaves() {
  for (Node*& slot : sharedLeafSlots()) {
    if (slot != nullptr) release(slot);
    slot = nullptr;
  }
}

}  // namespace quorl
