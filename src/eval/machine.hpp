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
//   Lambda    the body of a lambda whose parameter does not occur being
//             computed, to become that lambda's value
//   Tree      the call inside a tree of number operations being computed,
//             the tree to be answered on its value
//   Fill      data cells built before the value of one of their parts (the
//             tail of `J x (append(rest, back))`, the subtree of
//             `V (insert(l, k, v)) r`): they wait for it with that part's
//             slot empty, and are the value once it is filled.  A list or a
//             tree built over several calls is one chain of such cells under
//             one frame, each in the slot the one before waits to fill
#pragma once

#include <cstdint>
#include <vector>

#include "eval/code.hpp"
#include "eval/names.hpp"
#include "eval/values.hpp"
#include "term/cells.hpp"

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

enum class FrameKind : uint8_t { Argument, Function, Held, Call, Memo, Wing, Lambda, Tree, Fill };

struct Frame {
  uintptr_t bits;      // Argument: a term's bits; Function, Held: a value; Call, Wing,
                       // Lambda: the code; Memo: the constant's name leaf; Fill: the
                       // outer cell of its chain
  Bindings* bindings;  // Argument: the term's bindings; Call, Wing: what they still need;
                       // Fill: the empty slot, the argument of the chain's last cell
  FrameKind kind;
  uint8_t stage;       // Call: the operand computed now, + kOneKept when `bindings`
                       // holds instead the value of the one letter the call still needs
};

constexpr uint8_t kOneKept = 0x80;

// The outer cell of a Fill frame, and the slot it waits to fill.
inline Node* firstCellOf(const Frame& f) { return reinterpret_cast<Node*>(f.bits); }
inline Node** emptySlotOf(const Frame& f) { return reinterpret_cast<Node**>(f.bindings); }

// A Fill frame dropped before its cells were filled (a failure or an
// interruption ends the run under it): the empty slot, an argument slot,
// gets the function part beside it, so that freeing the chain,
// iteratively as any list is freed, meets whole cells only.  Nothing else
// ever saw them.
inline void releaseUnfilled(const Frame& f) {
  Node** slot = emptySlotOf(f);
  Node* stand = slot[-1];
  acquire(stand);
  *slot = stand;
  release(firstCellOf(f));
}

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
    while (n < limit && top_ - n != base_ && top_[-1 - n].kind == FrameKind::Argument) n++;
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
        if (f.stage & kOneKept) {
          releaseValue(Value{reinterpret_cast<uintptr_t>(f.bindings)});
          return;
        }
        [[fallthrough]];
      case FrameKind::Wing:
      case FrameKind::Tree:
        if (f.bindings != nullptr) releaseBindings(f.bindings);
        return;
      case FrameKind::Memo:
        release(reinterpret_cast<Node*>(f.bits));
        return;
      case FrameKind::Lambda:
        return;
      case FrameKind::Fill:
        releaseUnfilled(f);
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
// Consumes the term; `t` must be a value, or a term bound as one.  Most
// terms handed on are values already: only code takes the call.
Value codeToValue(Term t);
inline Value toValue(Term t) { return t.isCode() ? codeToValue(t) : t.value(); }
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

// --- what the machine's parts share ------------------------------------------------

inline bool isSingle(const Node* n, char c) {
  return isLeaf(n) && leafChars(n)[0] == c && leafChars(n)[1] == '\0';
}

// 1 for the Prelude's K, 0 for its H, -1 for any other value.
inline int truthOf(Value v) {
  if (!v.isNode()) return -1;
  if (isSingle(v.node(), 'K')) return 1;
  return isSingle(v.node(), 'H') ? 0 : -1;
}

inline bool valueNode(const Node* n) {
  uint64_t h = n->header;
  if ((h & kAnnotationMask) == kConstantState) return true;
  return !(h & kWorkFlag) && storedArity(n) >= 1;
}

inline void ensureAnnotated(Node* n) {
  if (!isAnnotated(n)) annotate(n);
}

inline int storedArityOrOne(const Node* n) { return isConstantAnnotated(n) ? 1 : storedArity(n); }

// The head of a term: the leaf or constant reached through function parts.
inline Node* headOf(Node* n) {
  while (isApplication(n) && !isConstantAnnotated(n)) n = functionOf(n);
  return n;
}

inline uint32_t lettersOf(const Part& op) {
  switch (op.kind) {
    case Part::Letter:
      return uint32_t{1} << op.letter;
    case Part::Compiled:
      return op.code->letters;
    default:
      return 0;
  }
}

// The largest number of arguments a saturated spine can carry.
constexpr int kMaxSpine = kMaxArity + 1;

struct NodeSpine {
  Node* head;
  Node* args[kMaxSpine];  // in application order
  int count;
};

inline NodeSpine splitSpine(Node* e) {
  NodeSpine s;
  Node* reversed[kMaxSpine];
  int count = 0;
  Node* n = e;
  while (isApplication(n) && !isConstantAnnotated(n)) {
    QUORL_CHECK(count < kMaxSpine, 3258);
    reversed[count++] = argumentOf(n);
    n = functionOf(n);
  }
  s.head = n;
  s.count = count;
  for (int i = 0; i < count; i++) s.args[i] = reversed[count - 1 - i];
  return s;
}

// A value as a Node held for the caller; consumes the value.
inline Node* nodeOf(Value v) {
  if (v.isNode()) return v.node();
  Node* n = termOf(v);
  acquire(n);
  releaseValue(v);
  return n;
}

// The part that is a piece of code.
inline Part compiledPart(const Code* code) {
  Part p;
  p.kind = Part::Compiled;
  p.code = code;
  p.spine = code->kind == CodeKind::Spine;
  p.valueState = code->valueState;
  p.numbers = code->tree != nullptr && code->argCount == code->callArity;
  return p;
}


// --- a body's letters, seen through the letters bound on top of them ------------

// The bindings of a part of a body with letters bound on top of them, before
// any new bindings are made: a match inside a match binds the parts of both
// at once, and a comparison, a pair or a call reads its operands straight
// from here.  The view holds a count on its bindings and on the values it
// owns; release() drops them, after which the view is not read again.  It is
// released before a builtin is called, so that a builtin sees a value held
// by nothing but its call as substitution would have left it.  A value the
// view owns stays held until then even when its letter is bound again
// (x{J 1 K} x 0 (h\t\x{h} ...)): the parts a match bound are borrowed
// from it.
struct BoundView {
  static constexpr int kMaxBound = 8;
  Bindings* from;       // owned; may be null when nothing is read from it
  uint32_t bound = 0;   // letters bound on top
  uint32_t owned = 0;   // those whose values the view holds a count on
  int count = 0;        // how many bindings were made on top so far
  int shadowed = 0;     // owned values whose letters were bound again
  Value values[26];     // only the bound letters' entries are set
  Value hidden[kMaxBound];  // the values shadowed, still held

  explicit BoundView(Bindings* b) : from(b) {}
  BoundView(const BoundView&) = delete;
  BoundView& operator=(const BoundView&) = delete;
  ~BoundView() { release(); }

  Value of(int letter) const { return (bound >> letter) & 1 ? values[letter] : from->of(letter); }
  void bind(int letter, Value v, bool own) {
    uint32_t bit = uint32_t{1} << letter;
    if (owned & bit) hidden[shadowed++] = values[letter];
    values[letter] = v;
    bound |= bit;
    owned = own ? owned | bit : owned & ~bit;
    count++;
  }
  // The parts of a pair bound to a lambda's two letters, as bind() binds
  // one and then the other: a match binds two at every step of a loop, and
  // most often neither letter is bound yet.
  void bindPair(int first, Value x, int second, Value y, bool own) {
    uint32_t both = (uint32_t{1} << first) | (uint32_t{1} << second);
    if ((owned & both) != 0 || first == second) [[unlikely]] {
      bind(first, x, own);
      bind(second, y, own);
      return;
    }
    values[first] = x;
    values[second] = y;
    bound |= both;
    owned = own ? owned | both : owned;
    count += 2;
  }
  // A called body's parameters, their values set in `values`, bound on a
  // view that was reset to no bindings: they shadow nothing, and are not
  // counted among the bindings made on top.
  void bindParameters(uint32_t letters) {
    bound = letters;
    owned = letters;
  }
  // The values the view owns, its parameters most often, moved into
  // bindings of their own under it when it has none, for a frame or a
  // closure to share: what the view reads stays the same.
  void spill() {
    uint32_t moved = bound & owned;
    Bindings* b = newBindings(moved);
    Value* out = b->values();
    for (uint32_t rest = moved; rest != 0; rest &= rest - 1) *out++ = values[__builtin_ctz(rest)];
    from = b;
    bound &= ~moved;
    owned &= ~moved;
  }
  // After release(): the view of other bindings (owned), nothing bound.
  void reset(Bindings* b) {
    from = b;
    bound = 0;
    count = 0;
  }
  void release() {
    if (from != nullptr) releaseBindings(from);
    from = nullptr;
    // Most views own nothing: the loops are passed over in one test.
    if ((owned | static_cast<uint32_t>(shadowed)) == 0) return;
    for (uint32_t rest = owned; rest != 0; rest &= rest - 1) releaseValue(values[__builtin_ctz(rest)]);
    owned = 0;
    for (int i = 0; i < shadowed; i++) releaseValue(hidden[i]);
    shadowed = 0;
  }
};

// --- the machine ---------------------------------------------------------------------

class Machine {
 public:
  NodeRef run(Node* term);

 private:
  NodeRef runPlainly(Node* term);
  NodeRef runWatched(Node* term);
  template <bool kWatched>
  inline NodeRef loop(Node* term);

  // Values meeting their frames (machine.cpp, machine_apply.cpp).
  void returnValue();
  void applyToArgument();
  void applyFunction(Value g);
  void applyOtherFunction(Value g);
  void applyNodeTo(Node* g, Value x);
  void contractApplied(Node* g, Value x);
  bool applyPair(Node* n, char key);

  // Code (machine.cpp).
  void stepCode();
  void runSpine(const Code* code, BoundView& view);
  void runPart(const Part& part, BoundView& view);
  void focusUnder(const Part& part, const BoundView& view);
  void focusClosedTree(const Part& part);
  void pushArguments(const Code* code, const BoundView& view, int from);
  // Matches and pairs (machine_matches.cpp).
  bool matchStep(const Code*& code, BoundView& view);
  bool pairGiven(const Code*& code, BoundView& view);
  bool onePartComputed(const Code*& code, BoundView& view);
  bool innerPartComputed(const Code*& code, BoundView& view);
  void awaitPart(Node* cell, Node** slot);
  void enterPairBody(const Code* outer, Bindings* from, Value x, Value y);
  // Shapes answered where they stand (machine_immediate.cpp).
  void selectHere(const Code*& code, BoundView& view);
  bool truthPicks(const Code*& code, BoundView& view);
  void chooseByTruth(const Code*& code, BoundView& view);
  void goOnWith(const Part& part, const Code*& code, const BoundView& view);
  // Calls headed by a letter (machine_letter_calls.cpp).
  bool callHere(const Code*& code, BoundView& view);
  bool lambdaHere(const Code*& code, BoundView& view, Value f);
  void operandsHere(const Code* code, BoundView& view, int count, uint32_t later, Value* out);
  // Trees of number operations around a call (machine_number_calls.cpp).
  void treeCallStarts(const Code*& code, BoundView& view);
  bool calledTreeHere(const Code*& code, const BoundView& view);
  void treeCallReturned();
  // Calls (machine_calls.cpp).
  const Code* collect(const Code* code, BoundView& view, int stage, const Value* given = nullptr);
  const Code* enterHere(const Callee* callee, Value* args, BoundView& view);
  void bindEntered(const Callee* callee, Value* args, BoundView& view);
  const Code* matchOnEntry(const Callee* callee, const Callee::FirstMatch& match, Value* args, BoundView& view);
  void focusFirstChoice(const Callee::FirstChoice& choice, const Value* args, Bindings* b);
  void perform(const Code* code, Value* args, Bindings* spare = nullptr);
  void callBuiltin(const BuiltinEntry& builtin, Node* redex, const Code* at = nullptr);
  void enter(const Callee* callee, Value* args, Bindings* spare = nullptr);
  // Wings (machine_wings.cpp).
  void stepWing(const Code* code, Bindings* b);
  void runWing(const Code* code, BoundView& view);
  void focusBody(const Part& body, Bindings* from, int letter, Value x);

  // Terms (machine_nodes.cpp).
  void stepNode(Node* n);
  void computePart(Node* n);
  void contractNode(Node* n);
  void contractConstant(Node* head, const NameResolution& r);
  void contractLinearWithPending(Node* n, int arity);
  void storeMemo();
  void takeContracted(const Contracted& r);

  FrameStack stack_;
  Term focus_;
  // How many runs of a spine are nested on the native stack: an operand
  // computed at once (collect) runs its spine inside its caller's.  A body
  // is entered in place only up to kEnteredNesting, so that a program's
  // recursion, however deep, never deepens the native stack with it.
  int spineNesting_ = 0;
};

constexpr int kEnteredNesting = 8;

// Whether a term is a lambda of two parameters taken one after the other,
// as the match idiom passes: its code and bindings (borrowed)
// (machine_matches.cpp).
bool pairLambdaOf(uintptr_t bits, Bindings* bindings, const Code*& code, Bindings*& from);

// A lambda form's term for a function frame of a wing (machine_nodes.cpp).
NodeRef lambdaForm(Node* variable, Node* body);

}  // namespace quorl
