// Terms: reference-counted application and leaf cells, and their handles.
//
// A Node is either an application cell (a function part applied to an
// argument part) or a leaf holding its text inline.  The 64-bit header packs
// the reference count with facts about the term that the reduction engine
// reads on every step:
//
//   bits  0-29  reference count
//   bits 30-55  extent: a cached byte length (digit and `[` leaves, constant
//               applications) or the set of free single-letter variables
//   bits 56-61  arity code: arity k stored as k + 52
//   bit  62     work flag: the term still contains work
//   bit  63     leaf flag
//
// Bits 56-62 together are the annotation state: 0 means "not annotated yet",
// 0x40 (work flag, arity code 0) means "constant".
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "driver/check.hpp"

namespace quorl {

struct Node {
  uint64_t header;
  // An application cell continues with two Node pointers (function part,
  // argument part); a leaf continues with its text and a NUL byte.
};

inline constexpr uint64_t kCountMask = (uint64_t{1} << 30) - 1;
inline constexpr int kExtentShift = 30;
inline constexpr uint64_t kExtentLimit = uint64_t{1} << 26;
inline constexpr uint64_t kExtentMask = (kExtentLimit - 1) << kExtentShift;
inline constexpr int kArityShift = 56;
inline constexpr uint64_t kArityMask = uint64_t{0x3F} << kArityShift;
inline constexpr uint64_t kWorkFlag = uint64_t{1} << 62;
inline constexpr uint64_t kLeafFlag = uint64_t{1} << 63;
inline constexpr uint64_t kAnnotationMask = uint64_t{0x7F} << kArityShift;
inline constexpr uint64_t kConstantState = uint64_t{0x40} << kArityShift;
inline constexpr int kArityBias = 52;
inline constexpr int kMaxArity = 11;
inline constexpr int kMinArity = -52;

// --- raw cell access ------------------------------------------------------

inline bool isLeaf(const Node* n) { return (n->header & kLeafFlag) != 0; }
inline bool isApplication(const Node* n) { return (n->header & kLeafFlag) == 0; }
inline Node* const* childSlots(const Node* n) {
  return reinterpret_cast<Node* const*>(n + 1);
}
inline Node* functionOf(const Node* n) { return childSlots(n)[0]; }
inline Node* argumentOf(const Node* n) { return childSlots(n)[1]; }
inline const char* leafChars(const Node* n) { return reinterpret_cast<const char*>(n + 1); }
inline char* leafCharsMutable(Node* n) { return reinterpret_cast<char*>(n + 1); }
inline unsigned char firstByte(const Node* n) {
  return isLeaf(n) ? static_cast<unsigned char>(leafChars(n)[0]) : 0;
}

inline uint32_t countOf(const Node* n) { return static_cast<uint32_t>(n->header & kCountMask); }
inline uint64_t extentOf(const Node* n) { return (n->header & kExtentMask) >> kExtentShift; }
// Leaves whose extent caches a length rather than a set of free letters:
// numbers and quoted texts (their text's length) and byte blocks (their
// payload's length, so that a loop's `look` and `cork` find the bytes
// without reading the length digits).  0 means "not cached".
inline bool extentIsLength(unsigned char first) {
  return (first >= '0' && first <= '9') || first == '[' || first == '(';
}
inline bool isAnnotated(const Node* n) { return (n->header & kAnnotationMask) != 0; }
inline bool isConstantAnnotated(const Node* n) {
  return (n->header & kAnnotationMask) == kConstantState;
}
inline bool hasWork(const Node* n) { return (n->header & kWorkFlag) != 0; }
// The stored arity of an annotated, non-constant node.
inline int storedArity(const Node* n) {
  return static_cast<int>((n->header & kArityMask) >> kArityShift) - kArityBias;
}

void setArity(Node* n, int k);       // checks 4663, 4664, 4669
void setExtent(Node* n, uint64_t v);  // check 4674

// --- reference counts -----------------------------------------------------

// Frees a cell whose count reached 0; an application cell's parts are
// released when its cell is reused (term/pool.hpp).
void freeNode(Node* n);
// Releases the parts of every dying cell now, so that the counts of what
// they held are exact: for a caller that asks whether a term is held only
// by itself.  False when there were none.
bool finishDyingCells();
// Whether the caller's count is the only one on n: a dead cell not taken
// apart yet is no holder.
inline bool heldOnce(const Node* n) {
  return countOf(n) == 1 || (finishDyingCells() && countOf(n) == 1);
}

// Lambda forms ((\ v) body) that a layer above keeps facts about (the
// engine: the code and bindings a term was built from).  While any is
// watched, freeing a lambda form calls `died` with it, before its cell is
// reused.  `died` must free nothing itself: it sets aside what is to be
// freed and sets `unsettled`, and `settle`, called when the freeing is
// over, frees it.
struct LambdaFormWatch {
  size_t watched = 0;
  void (*died)(Node*) = nullptr;
  void (*settle)() = nullptr;
  bool unsettled = false;
};
extern constinit LambdaFormWatch lambdaFormWatch;

inline void acquire(Node* n) {
  n->header++;
  if ((n->header & kCountMask) == 0) [[unlikely]]
    checkFailure(kCoreModule, 4574);
}

inline void release(Node* n) {
  uint64_t count = n->header & kCountMask;
  if (count == 0) [[unlikely]]
    checkFailure(kCoreModule, 4540);
  n->header--;
  if (count == 1) freeNode(n);
}

// --- construction (count 0; a NodeRef takes the first count) ----------------

Node* newLeaf(std::string_view text);
Node* newApplication(Node* function, Node* argument);  // acquires both

// --- leaf texts -----------------------------------------------------------

// Number leaves of up to kWordTextLength characters also carry, in the
// granule after their text, the integer the text denotes when it is a
// short one (at most 18 digits, so that the sum of two cannot overflow),
// and kNoWord when it is not (a binary number, more digits): the engine
// reads a number kept in a list or a tree back as a machine word without
// parsing its text.  The text stays the form every other reader sees.
inline constexpr size_t kWordTextLength = 20;  // "0" and the 19 digits of 2^63
inline constexpr int64_t kNoWord = INT64_MIN;  // 19 digits: never a short integer
inline bool carriesWord(unsigned char first, size_t length) {
  return static_cast<unsigned char>(first - '0') <= 9 && length - 1 < kWordTextLength;
}
// Where the word lies: the granule after the text and its NUL.
inline size_t wordOffset(size_t length) { return sizeof(Node) + ((length + 8) & ~size_t{7}); }
// The bytes of a leaf's cell: its header, its text and NUL, and a carried word.
inline size_t leafBytesFor(unsigned char first, size_t length) {
  return carriesWord(first, length) ? wordOffset(length) + sizeof(int64_t) : sizeof(Node) + length + 1;
}
// The integer of a number leaf whose text is a short integer.
inline bool leafWordOf(const Node* n, int64_t& out) {
  if (!isLeaf(n)) return false;
  size_t length = extentOf(n);  // a digit leaf's length (0 when it is very long)
  if (!carriesWord(static_cast<unsigned char>(leafChars(n)[0]), length)) return false;
  int64_t word;
  std::memcpy(&word, reinterpret_cast<const char*>(n) + wordOffset(length), sizeof word);
  out = word;
  return word != kNoWord;
}
// The word a number text of up to kWordTextLength characters carries.
int64_t wordOfNumberText(std::string_view text);

// The byte length of a leaf's text under the rules of its first byte.
size_t leafTextLength(const Node* n);
// For a `[` text: the length of the balanced group at its start.
size_t balancedTextLength(const char* text);

// Byte blocks: "(" + base-64 length digits + ")" + payload.
inline constexpr char kLengthDigits[] =
    "_abcdefghijklmnopqrustvwzxy0123456789ABCDEFGHIJKLMNOPQRUSTVWZXY~";
std::string byteBlockText(std::string_view payload);
size_t byteBlockPayloadLength(const Node* n);  // check 2254 on a non-block
size_t byteBlockHeaderLength(const Node* n);   // index of ')' plus one
// The bytes of a block's header: "(" + the length's base-64 digits + ")".
inline size_t blockHeaderFor(size_t payloadLength) {
  return 2 + static_cast<size_t>(std::bit_width(payloadLength) + 5) / 6;
}
// Writes the length digits of a header of `head` bytes (not its brackets).
inline void writeLengthDigits(char* header, size_t head, size_t length) {
  for (size_t i = head - 1; i-- > 1; length /= 64) header[i] = kLengthDigits[length % 64];
}
// A block whose leaf caches its payload's length is read without a call:
// a loop's `look` and `cork` read one at every step.
std::string_view decodedBlockPayload(const Node* n);  // check 2254 on a non-block
inline std::string_view byteBlockPayload(const Node* n) {
  if (isLeaf(n) && leafChars(n)[0] == '(') {
    if (uint64_t length = extentOf(n)) return {leafChars(n) + blockHeaderFor(length), length};
  }
  return decodedBlockPayload(n);
}

// --- annotation (term/annotate.cpp) -----------------------------------------

void annotate(Node* n);
// Annotates an application whose two parts are annotated already.
void annotateFromParts(Node* n);
// Arity after annotation; a constant counts as 1.
int arityOf(Node* n);
bool isValue(Node* n);
bool headIsLinear(Node* n);
// True for a head (a leaf, or a constant application) that the engine
// contracts without computing its arguments.
inline bool isLinearHeadLeaf(const Node* head) {
  if (isApplication(head)) return false;
  switch (leafChars(head)[0]) {
    case '&': case 'A': case 'B': case 'C': case 'D': case 'E': case 'F':
    case 'H': case 'I': case 'J': case 'K': case 'L': case 'N': case 'Q':
    case 'R': case 'T': case 'U': case 'V': case 'X': case 'Z': case '|':
      return true;
    default:
      return false;
  }
}
// 'u' for a lambda form ((\ v) b), 'i' for a wing form ((({ v) e) b), else 'o'.
char binderShape(const Node* n);
// The free-variable set (bit 0 = 'a') of an annotated term; 0 for constants
// and for digit and `[` leaves.
uint32_t freeVariables(Node* n);

// --- structural order -----------------------------------------------------

// -1, 0 or 1: leaves before applications, leaf texts bytewise over the
// shorter payload (shorter first on a tie), applications by function part,
// then by argument part.  Walks without recursion.
int compareTerms(const Node* a, const Node* b);

// --- handles --------------------------------------------------------------

// The owning handle.  A NodeRef always holds a Node, except after it has been
// moved from, when it may only be destroyed or assigned to.
class NodeRef {
 public:
  explicit NodeRef(Node* n) : node_(n) {
    if (n == nullptr) [[unlikely]]
      checkFailure(kCoreModule, 6983);
    acquire(n);
  }
  explicit NodeRef(const char* text);         // check 6989 on null
  explicit NodeRef(std::string_view text) : NodeRef(newLeaf(text)) {}
  explicit NodeRef(const std::string& text) : NodeRef(newLeaf(text)) {}

  NodeRef(const NodeRef& other) : node_(other.node_) {
    if (node_ == nullptr) [[unlikely]]
      checkFailure(kCoreModule, 7013);
    acquire(node_);
  }
  NodeRef(NodeRef&& other) noexcept : node_(std::exchange(other.node_, nullptr)) {}
  ~NodeRef() {
    if (node_ != nullptr) release(node_);
  }
  NodeRef& operator=(const NodeRef& other) {
    if (other.node_ == nullptr) [[unlikely]]
      checkFailure(kCoreModule, 7013);
    if (other.node_ == node_) return *this;
    acquire(other.node_);
    if (node_ != nullptr) release(node_);
    node_ = other.node_;
    return *this;
  }
  NodeRef& operator=(NodeRef&& other) noexcept {
    if (this != &other) {
      Node* old = node_;
      node_ = std::exchange(other.node_, nullptr);
      if (old != nullptr) release(old);
    }
    return *this;
  }

  // Takes over a count that the caller already holds (no acquire).
  static NodeRef adopt(Node* n) { return NodeRef(n, AdoptTag{}); }
  // Gives up the count without releasing it.
  Node* detach() { return std::exchange(node_, nullptr); }

  Node* get() const { return node_; }
  bool isApp() const { return isApplication(node_); }
  bool isLeafNode() const { return isLeaf(node_); }
  NodeRef fun() const;  // check 7070 on a leaf
  NodeRef arg() const;  // check 7071 on a leaf
  unsigned char firstChar() const { return firstByte(node_); }
  // The leaf's text (empty for an application); valid while the node lives.
  std::string_view text() const;
  // Payload length: 9 for a real, the decoded length of a byte block,
  // otherwise the text length; 0 for an application.
  size_t payloadLength() const;

  int arity() const { return arityOf(node_); }
  bool value() const { return isValue(node_); }
  bool linearHead() const { return headIsLinear(node_); }
  char shape() const { return binderShape(node_); }

  bool operator==(const NodeRef& other) const { return node_ == other.node_; }
  bool sameNode(const Node* other) const { return node_ == other; }

 private:
  struct AdoptTag {};
  NodeRef(Node* n, AdoptTag) : node_(n) {}
  Node* node_;
};

NodeRef leaf(std::string_view text);
NodeRef apply(NodeRef g, NodeRef x);
NodeRef apply3(NodeRef a, NodeRef b, NodeRef c);
NodeRef apply4(NodeRef a, NodeRef b, NodeRef c, NodeRef d);
NodeRef makeByteBlock(std::string_view payload);

// Appends `more` to a byte block's payload or to a quoted text's elements
// (before its closing bracket), for a caller that is the leaf's only
// holder: in the leaf's own cell while it has room, which no one else can
// then see; otherwise into a new leaf with room to grow to twice its
// length, so that a run of appends is linear.  `more` must not lie inside
// the leaf.  Other leaves are check failure 2254.
NodeRef appendToText(NodeRef text, std::string_view more);
inline int compare(const NodeRef& a, const NodeRef& b) { return compareTerms(a.get(), b.get()); }

// Shared leaves that never die: K, H, I, Z, B, T, V, J and friends.  Each
// call returns a new handle on the same Node.
NodeRef sharedLeaf(char name);
// Drops the shared leaves (their cached annotations belong to the old tables).
void forgetSharedLeaves();

}  // namespace quorl
