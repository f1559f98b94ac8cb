// The reduction machine's own state: its terms and its continuation.
//
// A machine term is a value, or a part of a body's code under the
// bindings of its letters: the term substitution would make, not made
// yet.  The continuation is a stack of frames on the heap, one per
// pending application, as the B/T continuation term would hold them:
//
//   Argument  a term waiting for the function value it will be given to
//   Function  a function value waiting for its argument's value
//   Call      a call whose head takes its arguments as values, collecting
//             them: the Held frames below it are the ones computed so far
//   Memo      a constant being computed, to be remembered in its slot
//   Wing      a wing's bound value being computed
#pragma once

#include <cstdint>
#include <vector>

#include "eval/code.hpp"
#include "eval/values.hpp"

namespace quorl {

// A value (bindings null), or code under bindings.  Owns one count on
// whichever it holds.
struct Term {
  uintptr_t bits;  // no initializers: arrays of terms cost nothing to make
  Bindings* bindings;

  static Term of(Value v) { return Term{v.bits, nullptr}; }
  static Term ofNode(Node* n) { return Term{reinterpret_cast<uintptr_t>(n), nullptr}; }
  static Term ofCode(const Code* c, Bindings* b) { return Term{reinterpret_cast<uintptr_t>(c), b}; }
  bool isCode() const { return bindings != nullptr; }
  Value value() const { return Value{bits}; }
  const Code* code() const { return reinterpret_cast<const Code*>(bits); }
};

inline void releaseTerm(Term t) {
  if (t.isCode()) releaseBindings(t.bindings);
  else releaseValue(t.value());
}

enum class FrameKind : uint8_t { Argument, Function, Held, Call, Memo, Wing };

struct Frame {
  uintptr_t bits;      // Argument: a term's bits; Function, Held: a value; Call, Wing:
                       // the code; Memo: the constant's name leaf
  Bindings* bindings;  // Argument: the term's bindings; Call, Wing: what they still need
  FrameKind kind;
  uint8_t stage;       // Call: the operand computed now
};

// The frames, on the heap: a program's depth of pending work is limited by
// memory alone.  Pushing and popping stay inline; only growing does not.
class FrameStack {
 public:
  FrameStack() { grow(); }
  FrameStack(const FrameStack&) = delete;
  FrameStack& operator=(const FrameStack&) = delete;
  ~FrameStack();

  bool empty() const { return top_ == base_; }
  size_t size() const { return static_cast<size_t>(top_ - base_); }
  Frame& top() { return top_[-1]; }
  Frame& below(size_t i) { return top_[-1 - static_cast<ptrdiff_t>(i)]; }

  void push(FrameKind kind, uintptr_t bits, Bindings* bindings, uint8_t stage = 0) {
    if (top_ == end_) [[unlikely]]
      grow();
    *top_++ = Frame{bits, bindings, kind, stage};
  }
  void pushArgument(Term t) { push(FrameKind::Argument, t.bits, t.bindings); }
  void pushFunction(Value v) { push(FrameKind::Function, v.bits, nullptr); }
  void pushHeld(Value v) { push(FrameKind::Held, v.bits, nullptr); }
  // Removes the top frame and hands over what it held.
  Frame pop() { return *--top_; }
  // The number of Argument frames on top, up to `limit`.
  int pendingArguments(int limit) const {
    int n = 0;
    size_t available = size();
    while (n < limit && static_cast<size_t>(n) < available && top_[-1 - n].kind == FrameKind::Argument)
      n++;
    return n;
  }
  // Drops every frame: the evaluation ends with the current term.
  void clear() {
    while (top_ != base_) releaseFrame(*--top_);
  }

  static void releaseFrame(const Frame& f) {
    switch (f.kind) {
      case FrameKind::Argument:
        releaseTerm(Term{f.bits, f.bindings});
        return;
      case FrameKind::Function:
      case FrameKind::Held:
        releaseValue(Value{f.bits});
        return;
      case FrameKind::Call:
      case FrameKind::Wing:
        if (f.bindings != nullptr) releaseBindings(f.bindings);
        return;
      case FrameKind::Memo:
        release(reinterpret_cast<Node*>(f.bits));
        return;
    }
  }

 private:
  void grow();

  Frame* base_ = nullptr;
  Frame* top_ = nullptr;
  Frame* end_ = nullptr;
};

// --- conversions between machine terms, values and Nodes ------------------------

// The term of code under bindings: what substitution would have built.
// Borrows both.
Node* buildTerm(const Code* code, const Bindings* b);
// A term as a value: a lambda's code becomes a Closure, other code its term.
// Consumes the term; `t` must be a value, or a term bound as one.
Value toValue(Term t);
// A term as a Node (held for the caller).  Consumes the term.
Node* toNode(Term t);
// Whether a term is a value, as far as that is known without computing it.
bool knownValue(Term t);

// The contraction of a Prelude combinator over machine terms, as the head
// and arguments of the resulting application (count 0: the head alone).
// Consumes the arguments.
struct Contracted {
  Term head;
  Term args[3];
  int count;
};
Contracted contractCombinatorTerms(char key, const Node* definition, Term* args);

}  // namespace quorl
