// What the reduction machine holds besides terms: the values of a body's
// letters, and lambdas kept as their code with those values.
//
// Substituting a called body builds a copy of every cell that mentions a
// parameter, only for the machine to take most of it apart again at once.
// The machine instead works on a body's code under its bindings (the
// values of the letters it mentions) and builds a term only where one is
// needed: a value stored into a term, handed to a builtin, remembered or
// returned.  Building it then gives exactly the term substitution would
// have given, since substitution is pure and every value is closed.
//
// A lambda value that nobody has needed as a term yet is a Closure; an
// integer computed by the machine is a Word when it fits a machine word and
// a Big, held in binary, when it does not; a real it computes is a Real, a
// double.  Their leaves are made only when something needs the leaf, so a
// loop of big products never prints and reads back the numbers it passes
// from step to step, and a loop over reals makes no leaf per operation.
// A value's term, once built, is kept, so that a value has one identity
// however often it is used (`raws` tells Nodes apart).
#pragma once

#include <cstddef>
#include <cstdint>

#include <new>
#include <utility>

#include "numbers/big_integer.hpp"
#include "term/node.hpp"
#include "term/pool.hpp"

namespace quorl {

struct Code;
struct Bindings;
struct Closure;
struct Word;
struct Big;
struct Real;

// A value: a Node, a Closure, a Word, a Big or a Real, told apart by the
// low three bits (every cell is aligned to the pool's 8-byte granule).  A
// Value held by the machine owns one count.
struct Value {
  uintptr_t bits;  // no initializer: arrays of values cost nothing to make

  static constexpr uintptr_t kTags = 7, kClosureTag = 1, kWordTag = 2, kBigTag = 3, kRealTag = 4;
  static Value ofNode(Node* n) { return Value{reinterpret_cast<uintptr_t>(n)}; }
  static Value ofClosure(Closure* c) { return Value{reinterpret_cast<uintptr_t>(c) | kClosureTag}; }
  static Value ofWord(Word* w) { return Value{reinterpret_cast<uintptr_t>(w) | kWordTag}; }
  static Value ofBig(Big* b) { return Value{reinterpret_cast<uintptr_t>(b) | kBigTag}; }
  static Value ofReal(Real* r) { return Value{reinterpret_cast<uintptr_t>(r) | kRealTag}; }
  bool isNode() const { return (bits & kTags) == 0; }
  bool isClosure() const { return (bits & kTags) == kClosureTag; }
  bool isWord() const { return (bits & kTags) == kWordTag; }
  bool isBig() const { return (bits & kTags) == kBigTag; }
  bool isReal() const { return (bits & kTags) == kRealTag; }
  Node* node() const { return reinterpret_cast<Node*>(bits); }
  Closure* closure() const { return reinterpret_cast<Closure*>(bits & ~kTags); }
  Word* word() const { return reinterpret_cast<Word*>(bits & ~kTags); }
  Big* big() const { return reinterpret_cast<Big*>(bits & ~kTags); }
  Real* real() const { return reinterpret_cast<Real*>(bits & ~kTags); }
};

// The values of a set of letters, in letter order.  Shared by count.
struct Bindings {
  uint32_t count;
  uint32_t letters;  // bit 0 = 'a'

  Value* values() { return reinterpret_cast<Value*>(this + 1); }
  const Value* values() const { return reinterpret_cast<const Value*>(this + 1); }
  // The value of a letter the bindings hold (0 = 'a').
  Value of(int letter) const {
    return values()[__builtin_popcount(letters & ((uint32_t{1} << letter) - 1))];
  }
};

// A lambda form's code with the values of its free letters.
struct Closure {
  uint32_t count;
  const Code* code;    // a lambda form
  Bindings* bindings;  // exactly the letters the lambda mentions
  Node* term;          // the lambda as a term, once built (holds a count)
};

// An integer of the language held as a machine word (its leaf, once made,
// holds the same number).
struct Word {
  uint32_t count;
  int64_t value;
  Node* leaf;  // held, once made
};

// An integer of the language beyond a machine word, held in binary (a
// value that fits a word is always a Word).  Its leaf, once made, holds
// its decimal text; both live only as long as the value is used.
struct Big {
  uint32_t count;
  Node* leaf;  // held, once made
  BigInteger value;
};

// A real of the language held as a double (its leaf, once made, holds the
// same eight bytes).
struct Real {
  uint32_t count;
  double value;
  Node* leaf;  // held, once made
};

// --- counts -----------------------------------------------------------------

// Frees bindings whose count went to zero, their values from the
// `first` on dropped (those before it were dropped already): a closure
// among them may hold bindings in turn, freed iteratively.
void destroyBindings(Bindings* b, int first = 0);
void destroyClosure(Closure* c);
void destroyWord(Word* w);
void destroyBig(Big* b);
void destroyReal(Real* r);

inline void acquireBindings(Bindings* b) { b->count++; }

// Every value that is not a Node is a box that begins with its count.
inline uint32_t& boxCount(Value v) { return *reinterpret_cast<uint32_t*>(v.bits & ~Value::kTags); }

// Frees a Closure or a Big whose count went to zero.
void destroyBox(Value v);

// Words and Reals, the boxes loops make and drop at every step, are freed
// alike: the leaf they hold, if any, and the cell.
static_assert(sizeof(Word) == sizeof(Real) && offsetof(Word, leaf) == offsetof(Real, leaf));
inline void destroyNumberBox(Value v) {
  auto* w = reinterpret_cast<Word*>(v.bits & ~Value::kTags);
  if (w->leaf != nullptr) release(w->leaf);
  releaseCell(w, sizeof(Word));
}

inline void acquireValue(Value v) {
  if (v.isNode()) acquire(v.node());
  else boxCount(v)++;
}
inline void releaseValue(Value v) {
  if (v.isNode()) {
    release(v.node());
  } else if (--boxCount(v) == 0) {
    if (v.isWord() || v.isReal()) destroyNumberBox(v);
    else destroyBox(v);
  }
}

// Most bindings that die hold no closure (a call's numbers and cells):
// their values are dropped here, without a call.
inline void releaseBindings(Bindings* b) {
  if (--b->count != 0) return;
  Value* values = b->values();
  int n = __builtin_popcount(b->letters);
  for (int i = 0; i < n; i++) {
    if (values[i].isClosure()) [[unlikely]]
      return destroyBindings(b, i);
    releaseValue(values[i]);
  }
  releaseCell(b, sizeof(Bindings) + n * sizeof(Value));
}

// --- construction -------------------------------------------------------------

inline size_t bindingsBytes(uint32_t letters) {
  return sizeof(Bindings) + __builtin_popcount(letters) * sizeof(Value);
}

// New bindings of `letters` with count 1; the caller fills every value.
inline Bindings* newBindings(uint32_t letters) {
  auto* b = static_cast<Bindings*>(allocateCell(bindingsBytes(letters)));
  b->count = 1;
  b->letters = letters;
  return b;
}

// A call that takes over its caller's bindings, when nothing else holds
// them, saves freeing them and making its own: they are emptied (each
// value dropped, as freeing them would), then either made the call's
// (same size) or freed.
inline void emptyBindings(Bindings* b) {
  Value* values = b->values();
  for (int i = 0, n = __builtin_popcount(b->letters); i < n; i++) releaseValue(values[i]);
}
inline void freeBindings(Bindings* b) { releaseCell(b, bindingsBytes(b->letters)); }
inline Bindings* reusedBindings(Bindings* b, uint32_t letters) {
  b->count = 1;
  b->letters = letters;
  return b;
}

// Bindings of at least `letters` (borrowed from `from`, which holds them
// all), with a count for the caller: `from` itself when the letters it
// holds besides are harmless to keep a little longer, else a copy of just
// those needed.  A byte block or a quoted text is never kept by a frame
// that does not need it: a builtin changes one in place when only its call
// holds it, as it would had it been substituted (cork, or a join, in a
// loop).
Bindings* keptOrCopiedBindings(uint32_t letters, Bindings* from);
inline Bindings* bindingsFor(uint32_t letters, Bindings* from) {
  // Most often they hold nothing besides: a call's frame keeping its
  // caller's letters for the operands after it.
  if ((from->letters & ~letters) == 0) {
    acquireBindings(from);
    return from;
  }
  return keptOrCopiedBindings(letters, from);
}
// The same, always exactly `letters`: for closures, which may live long.
Bindings* exactBindings(uint32_t letters, Bindings* from);

Closure* newClosure(const Code* lambda, Bindings* bindings);  // takes the count on bindings

inline Value newWord(int64_t value) {
  auto* w = static_cast<Word*>(allocateCell(sizeof(Word)));
  w->count = 1;
  w->value = value;
  w->leaf = nullptr;
  return Value::ofWord(w);
}

inline Value newReal(double value) {
  auto* r = static_cast<Real*>(allocateCell(sizeof(Real)));
  r->count = 1;
  r->value = value;
  r->leaf = nullptr;
  return Value::ofReal(r);
}

// A Big holding `value` (moved from).
inline Value newBig(BigInteger&& value) {
  auto* b = static_cast<Big*>(allocateCell(sizeof(Big)));
  b->count = 1;
  b->leaf = nullptr;
  new (&b->value) BigInteger(std::move(value));
  return Value::ofBig(b);
}

// The machine integer a value holds, if it is a Word or a short integer
// leaf (term/node.hpp).
inline bool wordOf(Value v, int64_t& out) {
  if (v.isWord()) {
    out = v.word()->value;
    return true;
  }
  return v.isNode() && leafWordOf(v.node(), out);
}

// --- terms --------------------------------------------------------------------

// The term of a value, built on first need (a Node is its own term, a
// Word's or a Big's is its number leaf, a Real's its real leaf).  The result is borrowed from the value.
Node* termOf(Value v);

// The values of `letters` as Nodes, indexed by letter, for substitution;
// closures among them get their terms.  Borrowed from the bindings.
void termsOfBindings(const Bindings* b, uint32_t letters, Node** out);

}  // namespace quorl
