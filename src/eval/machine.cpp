// The reduction engine: a machine whose state is a term e and a
// continuation k that receives e's value.
//
// The rules are those of the term machine: a non-linear head (builtins,
// global functions, lambdas, S, W, ...) gets its arguments as values,
// computed left to right; a linear head (K, I, B, V, ...) is contracted at
// once with whatever its arguments are, so K a b never computes b; a
// partial application with work takes the arguments waiting for it when its
// head is linear, and has its parts computed otherwise.
//
// What differs is how terms are held.  A called body is not substituted:
// the machine works on its code under the bindings of its parameters
// (values.hpp, code.hpp), and builds a term only where one is needed.
// Pushing a spine's arguments as frames and working on its head reaches the
// same states the term machine reaches from the whole spine, so the code of
// a spine is taken apart without building it.  A call whose head takes its
// arguments as values collects them straight from the operands, and a
// builtin gets the redex its calling contract asks for.
#include "eval/engine.hpp"

#include <string>

#include "builtins/table.hpp"
#include "compile/rewrite.hpp"
#include "eval/combinators.hpp"
#include "eval/failure_record.hpp"
#include "eval/machine.hpp"
#include "eval/names.hpp"
#include "eval/substitute.hpp"
#include "eval/unfold.hpp"
#include "numbers/word_arith.hpp"
#include "term/cells.hpp"
#include "term/tables.hpp"

namespace quorl {

namespace {

// --- small facts ---------------------------------------------------------------

bool isSingle(const Node* n, char c) {
  return isLeaf(n) && leafChars(n)[0] == c && leafChars(n)[1] == '\0';
}

bool valueNode(const Node* n) {
  uint64_t h = n->header;
  if ((h & kAnnotationMask) == kConstantState) return true;
  return !(h & kWorkFlag) && storedArity(n) >= 1;
}

inline void ensureAnnotated(Node* n) {
  if (!isAnnotated(n)) annotate(n);
}

int storedArityOrOne(const Node* n) { return isConstantAnnotated(n) ? 1 : storedArity(n); }

// The head of a term: the leaf or constant reached through function parts.
Node* headOf(Node* n) {
  while (isApplication(n) && !isConstantAnnotated(n)) n = functionOf(n);
  return n;
}

uint32_t lettersOf(const Part& op) {
  switch (op.kind) {
    case Part::Letter:
      return uint32_t{1} << op.letter;
    case Part::Compiled:
      return op.code->letters;
    default:
      return 0;
  }
}

// The marker a constant definition holds while its value is being
// computed.  Only its identity matters: no value is ever this Node.
constinit Node* theBlackHole = nullptr;

bool isBlackHole(const Node* n) { return n == theBlackHole; }

Node* blackHole() {
  if (theBlackHole == nullptr) {
    theBlackHole = newLeaf(")");
    acquire(theBlackHole);  // never freed
  }
  return theBlackHole;
}

NodeRef lambdaForm(Node* variable, Node* body) {
  return apply(apply(sharedLeaf('\\'), NodeRef(variable)), NodeRef(body));
}

NodeRef cycleRecord(std::string_view name) {
  RunOutcome outcome;
  outcome.message = "Cycle detected on function " + std::string(name) + ".";
  outcome.status = "cycle";
  outcome.vip = clipBalanced(name);
  return failureRecord(outcome);
}

// The largest number of arguments a saturated spine can carry.
constexpr int kMaxSpine = kMaxArity + 1;

struct NodeSpine {
  Node* head;
  Node* args[kMaxSpine];  // in application order
  int count;
};

NodeSpine splitSpine(Node* e) {
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
Node* nodeOf(Value v) {
  if (v.isNode()) return v.node();
  Node* n = termOf(v);
  acquire(n);
  releaseValue(v);
  return n;
}

// The machine integer of an operand under bindings, if it has one.
inline bool partWord(const Part& op, Bindings* b, int64_t& out) {
  if (op.kind == Part::Letter) return wordOf(b->of(op.letter), out);
  out = op.word;
  return op.isWord;
}

// A word operation's answer as a value, if it has one.
bool answerValue(WordOp op, int64_t x, int64_t y, Value& out) {
  WordAnswer answer = answerWords(op, x, y);
  switch (answer.kind) {
    case WordAnswer::Integer:
      out = newWord(answer.value);
      return true;
    case WordAnswer::True:
      out = Value::ofNode(sharedLeaf('K').detach());
      return true;
    case WordAnswer::False:
      out = Value::ofNode(sharedLeaf('H').detach());
      return true;
    case WordAnswer::Failure:
      out = Value::ofNode(sharedLeaf('Z').detach());
      return true;
    default:
      return false;
  }
}

// Bindings of `letters`: `letter` bound to x (consumed), the others taken
// from `from` (borrowed; null when it has none of them).  Null when no
// letter is needed.
Bindings* extend(uint32_t letters, Bindings* from, int letter, Value x) {
  uint32_t bit = uint32_t{1} << letter;
  if (!(letters & bit)) {
    releaseValue(x);
    return letters == 0 ? nullptr : bindingsFor(letters, from);
  }
  Bindings* b = newBindings(letters);
  Value* out = b->values();
  for (uint32_t rest = letters; rest != 0; rest &= rest - 1) {
    int l = __builtin_ctz(rest);
    if (l == letter) {
      *out++ = x;
    } else {
      Value v = from->of(l);
      acquireValue(v);
      *out++ = v;
    }
  }
  return b;
}

// The term of an operand under bindings (borrowed).
Term partTerm(const Part& op, Bindings* b) {
  switch (op.kind) {
    case Part::Letter: {
      Value v = b->of(op.letter);
      acquireValue(v);
      return Term::of(v);
    }
    case Part::Shared:
      acquire(op.node);
      return Term::ofNode(op.node);
    default:
      return Term::ofCode(op.code, bindingsFor(op.code->letters, b));
  }
}

// The answer of an immediate builtin operand (code.hpp) under bindings
// (borrowed), if its operands are machine integers and it has one.
inline bool immediateResult(const Code* code, Bindings* b, Value& out) {
  int64_t x, y;
  return partWord(code->args[0], b, x) && partWord(code->args[1], b, y) &&
         answerValue(code->builtin->wordOp, x, y, out);
}

// The answer of K or H, the Prelude's, given the two arguments waiting:
// K a b is a, H a b is I b, that is b.  The other argument is never built.
bool selectsPending(const Node* leaf, int& kept) {
  const char* text = leafChars(leaf);
  if ((text[0] != 'K' && text[0] != 'H') || text[1] != '\0') return false;
  const NameResolution& r = resolveName(const_cast<Node*>(leaf));
  if (r.combinator == 'K') {
    kept = 0;
    return true;
  }
  if (r.combinator != 'H') return false;
  Node* answer = argumentOf(r.definition->get());  // ((\ a) I)
  if (!isLeaf(answer) || leafChars(answer)[0] != 'I' || leafChars(answer)[1] != '\0') return false;
  if (resolveName(answer).combinator != 'I') return false;
  kept = 1;
  return true;
}

// The value of a part known to be one, under bindings (borrowed).
inline Value partValue(const Part& op, Bindings* b) {
  if (op.kind == Part::Letter) {
    Value v = b->of(op.letter);
    acquireValue(v);
    return v;
  }
  if (op.kind == Part::Shared) {
    acquire(op.node);
    return Value::ofNode(op.node);
  }
  return toValue(partTerm(op, b));
}

struct BoundView;

// The part that is a piece of code.
Part compiledPart(const Code* code) {
  Part p;
  p.kind = Part::Compiled;
  p.code = code;
  p.valueState = code->valueState;
  return p;
}

// --- the machine -------------------------------------------------------------------

class Machine {
 public:
  NodeRef run(Node* term);

 private:
  void stepCode();
  void stepSpine(const Code* code, Bindings* b);
  void stepWing(const Code* code, Bindings* b);
  void stepNode(Node* n);
  void computePart(Node* n);
  void contractNode(Node* n);
  void contractConstant(Node* head, const NameResolution& r);
  void returnValue();
  void applyToArgument();
  void applyFunction(Value g);
  void applyNodeTo(Node* g, Value x);
  void contractApplied(Node* g, Value x);
  void contractLinearWithPending(Node* n, int arity);
  void collect(const Code* code, Bindings* b, int stage);
  void perform(const Code* code, Value* args);
  void callBuiltin(const BuiltinEntry& builtin, Node* redex);
  void enter(const Callee* callee, Value* args);
  void focusBody(const Part& body, Bindings* from, int letter, Value x);
  bool matchList(const Code* code, Bindings* b);
  bool lastPartComputed(const Code* code, Bindings* b);
  void focusPairBody(const Code* outer, Bindings* from, Value x, Value y);
  void focusUnder(const Part& body, const BoundView& view);
  bool matchUnder(const Code* code, BoundView& view);
  bool bindPair(const Code* outer, BoundView& view, Value x, Value y, const Code*& next);
  bool applyPair(Node* n, char key);
  bool pairGiven(const Code* code, Bindings* b);
  void storeMemo();
  void takeContracted(const Contracted& r);
  void pushArguments(const Code* code, Bindings* b, int from);

  FrameStack stack_;
  Term focus_;
};

NodeRef Machine::run(Node* term) {
  focus_ = Term::ofNode(term);
  for (;;) {
    if (focus_.isCode()) {
      const Code* code = focus_.code();
      if (code->kind != CodeKind::Lambda || code->valueState != 1) {
        stepCode();
        continue;
      }
    } else if (focus_.value().isNode()) {
      Node* n = focus_.value().node();
      ensureAnnotated(n);
      if (!valueNode(n)) {
        stepNode(n);
        continue;
      }
    }
    // The focus is a value.
    if (stack_.empty()) return NodeRef::adopt(toNode(focus_));
    returnValue();
  }
}

void Machine::pushArguments(const Code* code, Bindings* b, int from) {
  for (int i = code->argCount - 1; i >= from; i--) stack_.pushArgument(partTerm(code->args[i], b));
}

void Machine::takeContracted(const Contracted& r) {
  for (int i = r.count - 1; i >= 0; i--) stack_.pushArgument(r.args[i]);
  focus_ = r.head;
}

// --- code -----------------------------------------------------------------------

void Machine::stepCode() {
  const Code* code = focus_.code();
  Bindings* b = focus_.bindings;
  switch (code->kind) {
    case CodeKind::Spine:
      stepSpine(code, b);
      return;
    case CodeKind::Wing:
      stepWing(code, b);
      return;
    case CodeKind::Lambda:
      // Not known to be a value: its body is computed, as the term's is.
      focus_ = Term::ofNode(buildTerm(code, b));
      releaseBindings(b);
      return;
  }
}

void Machine::stepSpine(const Code* code, Bindings* b) {
  switch (code->head) {
    case HeadKind::Builtin:
      if (code->selects) {
        // (x < y) a b: the comparison picks a or b, as K or H would.
        int64_t x, y;
        if (partWord(code->args[0], b, x) && partWord(code->args[1], b, y)) {
          WordAnswer answer = answerWords(code->builtin->wordOp, x, y);
          focus_ = partTerm(code->args[answer.kind == WordAnswer::True ? 2 : 3], b);
          releaseBindings(b);
          return;
        }
      }
      [[fallthrough]];
    case HeadKind::Strict: {
      pushArguments(code, b, code->taken);
      collect(code, b, 0);
      return;
    }
    case HeadKind::Combinator:
      if (code->argCount >= code->callArity) {
        int arity = code->callArity;
        pushArguments(code, b, arity);
        Term args[kMaxSpine];
        for (int i = 0; i < arity; i++) args[i] = partTerm(code->args[i], b);
        releaseBindings(b);
        takeContracted(contractCombinatorTerms(code->combinator, code->definition->get(), args));
        return;
      }
      if (code->pairs && pairGiven(code, b)) return;
      if (lastPartComputed(code, b)) return;
      break;
    case HeadKind::Letter:
      if (code->matches && matchList(code, b)) return;
      break;
    default:
      break;
  }
  pushArguments(code, b, 0);
  focus_ = partTerm(code->headPart, b);
  releaseBindings(b);
}

void Machine::stepWing(const Code* code, Bindings* b) {
  uint32_t need = lettersOf(code->body) & ~(uint32_t{1} << code->letter);
  Bindings* kept = need == 0 ? nullptr : bindingsFor(need, b);
  if (code->bound.valueState == 1) {
    Value v = toValue(partTerm(code->bound, b));
    releaseBindings(b);
    focusBody(code->body, kept, code->letter, v);
    if (kept != nullptr) releaseBindings(kept);
    return;
  }
  stack_.push(FrameKind::Wing, reinterpret_cast<uintptr_t>(code), kept);
  focus_ = partTerm(code->bound, b);
  releaseBindings(b);
}

// Bindings seen with letters bound on top of them, before any new bindings
// are made: a match inside a match binds the parts of both at once.  The
// values are borrowed.
struct BoundView {
  static constexpr int kMaxLetters = 8;
  Bindings* from;
  int count = 0;       // letters bound on top so far
  uint32_t bound = 0;  // which letters they are
  Value values[26];    // only those letters' entries are set

  explicit BoundView(Bindings* b) : from(b) {}
  Value of(int letter) const {
    return (bound >> letter) & 1 ? values[letter] : from->of(letter);
  }
  void bind(int letter, Value v) {
    values[letter] = v;
    bound |= uint32_t{1} << letter;
    count++;
  }
};

// The focus becomes `body` seen through the view.
void Machine::focusUnder(const Part& body, const BoundView& view) {
  switch (body.kind) {
    case Part::Shared:
      acquire(body.node);
      focus_ = Term::ofNode(body.node);
      return;
    case Part::Letter: {
      Value v = view.of(body.letter);
      acquireValue(v);
      focus_ = Term::of(v);
      return;
    }
    case Part::Compiled: {
      uint32_t letters = body.code->letters;
      if (view.count == 0) {
        focus_ = Term::ofCode(body.code, bindingsFor(letters, view.from));
        return;
      }
      Bindings* bound = newBindings(letters);
      Value* out = bound->values();
      for (uint32_t rest = letters; rest != 0; rest &= rest - 1) {
        Value v = view.of(__builtin_ctz(rest));
        acquireValue(v);
        *out++ = v;
      }
      focus_ = Term::ofCode(body.code, bound);
      return;
    }
  }
}

// The list match `l n (h\t\c)` (code.hpp) seen through the view, when l is
// K or a pair J x y, as K, J, V and the lambda would contract it: K n c is
// n; J x y n c is V x y c, which is c x y, the lambda taking both, values as
// the parts of a value are.  A match in c is taken at once the same way.
// False when the first l is neither.
bool Machine::matchUnder(const Code* code, BoundView& view) {
  for (bool first = true;; first = false) {
    Value v = view.of(code->headPart.letter);
    Node* l = v.isNode() ? v.node() : nullptr;
    if (l != nullptr && isLeaf(l) && isSingle(l, 'K')) {
      focusUnder(code->args[0], view);
      return true;
    }
    if (l == nullptr || !isApplication(l) || !isApplication(functionOf(l)) ||
        !isSingle(functionOf(functionOf(l)), 'J')) {
      if (first) return false;
      // Not a list after all: the match is entered as code.
      focusUnder(compiledPart(code), view);
      return true;
    }
    if (!bindPair(code->args[1].code, view, Value::ofNode(argumentOf(functionOf(l))),
                  Value::ofNode(argumentOf(l)), code))
      return true;
  }
}

// Binds the parameters of the two-parameter lambda `outer` to x and y in
// the view and enters its body; true, with `next` set, when the body is a
// list match to take at once instead.
bool Machine::bindPair(const Code* outer, BoundView& view, Value x, Value y, const Code*& next) {
  const Code* inner = outer->body.code;
  view.bind(outer->letter, x);
  view.bind(inner->letter, y);
  const Part& body = inner->body;
  if (body.kind == Part::Compiled && body.code->matches && view.count + 2 <= BoundView::kMaxLetters) {
    next = body.code;
    return true;
  }
  focusUnder(body, view);
  return false;
}

// The list match when l is K or a pair; consumes b when it answers.
bool Machine::matchList(const Code* code, Bindings* b) {
  BoundView view(b);
  if (!matchUnder(code, view)) return false;
  releaseBindings(b);
  return true;
}

// The focus becomes the body of the two-parameter lambda `outer` (its
// bindings `from`, borrowed) with its parameters bound to x and y
// (borrowed).
void Machine::focusPairBody(const Code* outer, Bindings* from, Value x, Value y) {
  BoundView view(from);
  const Code* next;
  if (!bindPair(outer, view, x, y, next)) return;  // entered
  if (!matchUnder(next, view)) focusUnder(compiledPart(next), view);
}

// Whether a term is a lambda of two parameters taken one after the other,
// as the match idiom passes: its code and bindings (borrowed).
bool pairLambdaOf(uintptr_t bits, Bindings* bindings, const Code*& code, Bindings*& from) {
  if (bindings != nullptr) {
    code = reinterpret_cast<const Code*>(bits);
    from = bindings;
  } else {
    Value v{bits};
    if (!v.isClosure()) return false;
    code = v.closure()->code;
    from = v.closure()->bindings;
  }
  if (code->kind != CodeKind::Lambda || code->valueState != 1) return false;
  const Part& inner = code->body;
  return inner.kind == Part::Compiled && inner.code->kind == CodeKind::Lambda && inner.valueState == 1;
}

// The pair code (code.hpp) meets the arguments waiting for it, as
// applyPair below.  Consumes b when it answers.
bool Machine::pairGiven(const Code* code, Bindings* b) {
  int needed = code->combinator == 'V' ? 1 : 2;
  if (stack_.pendingArguments(needed) != needed) return false;
  const Frame& lambda = stack_.below(needed - 1);
  const Code* outer;
  Bindings* from;
  if (!pairLambdaOf(lambda.bits, lambda.bindings, outer, from)) return false;
  if (needed == 2) FrameStack::releaseFrame(stack_.pop());  // the empty case
  Frame f = stack_.pop();
  Value x = partValue(code->args[0], b);
  Value y = partValue(code->args[1], b);
  focusPairBody(outer, from, x, y);
  releaseValue(x);
  releaseValue(y);
  FrameStack::releaseFrame(f);
  releaseBindings(b);
  return true;
}

// The pair n (V x y or J x y, held by the focus) meets the arguments
// waiting for it: given a lambda of two parameters (after the empty case
// for J, which it drops), its body is entered with x and y, as V, J and
// the lambda would contract it.  False when that is not the case.
bool Machine::applyPair(Node* n, char key) {
  int needed = key == 'V' ? 1 : 2;
  if (stack_.pendingArguments(needed) != needed) return false;
  const Frame& lambda = stack_.below(needed - 1);
  const Code* code;
  Bindings* from;
  if (!pairLambdaOf(lambda.bits, lambda.bindings, code, from)) return false;
  Node* g = functionOf(n);
  const NameResolution& r = resolveName(functionOf(g));
  if (r.combinator != key) return false;
  if (key == 'J') {
    Node* v = functionOf(functionOf(argumentOf(argumentOf(argumentOf(r.definition->get())))));
    if (!isLeaf(v) || resolveName(v).combinator != 'V') return false;
    FrameStack::releaseFrame(stack_.pop());  // the empty case
  }
  Frame f = stack_.pop();
  focusPairBody(code, from, Value::ofNode(argumentOf(g)), Value::ofNode(argumentOf(n)));
  FrameStack::releaseFrame(f);
  release(n);
  return true;
}

// A linear combinator given fewer arguments than it takes, the last of them
// work still to do (J x (f y)): unless enough arguments wait for it, its
// parts are computed, that is the last one, while the rest, values, wait
// as a function.  False when the spine is not of that shape.  Consumes b
// when it answers.
bool Machine::lastPartComputed(const Code* code, Bindings* b) {
  int last = code->argCount - 1;
  if (code->args[last].valueState != 0) return false;
  for (int i = 0; i < last; i++)
    if (code->args[i].valueState != 1) return false;
  int missing = code->callArity - code->argCount;
  if (stack_.pendingArguments(missing) == missing) return false;
  Node* g = code->writtenHead;
  acquire(g);
  ensureAnnotated(g);
  for (int i = 0; i < last; i++) g = valueCell(g, nodeOf(partValue(code->args[i], b)));
  stack_.pushFunction(Value::ofNode(g));
  focus_ = partTerm(code->args[last], b);
  releaseBindings(b);
  return true;
}

// The focus becomes `body` under `from` with `letter` bound to x.
void Machine::focusBody(const Part& body, Bindings* from, int letter, Value x) {
  switch (body.kind) {
    case Part::Shared:
      releaseValue(x);
      acquire(body.node);
      focus_ = Term::ofNode(body.node);
      return;
    case Part::Letter:
      if (body.letter == letter) {
        focus_ = Term::of(x);
      } else {
        Value v = from->of(body.letter);
        acquireValue(v);
        releaseValue(x);
        focus_ = Term::of(v);
      }
      return;
    case Part::Compiled:
      focus_ = Term::ofCode(body.code, extend(body.code->letters, from, letter, x));
      return;
  }
}

// --- calls that take their arguments as values ---------------------------------------

// Collects the operands of a call from `stage` on; the values collected so
// far are Held frames on top.  `b` (consumed, may be null) holds what the
// operands from `stage` on mention.
void Machine::collect(const Code* code, Bindings* b, int stage) {
  int taken = code->taken;
  Value args[kMaxSpine];  // args[i] for i from `stage`; those before are Held frames
  for (int i = stage; i < taken; i++) {
    const Part& op = code->args[i];
    if (op.valueState == 1) {
      args[i] = partValue(op, b);
      continue;
    }
    if (op.kind == Part::Compiled && op.code->immediate && immediateResult(op.code, b, args[i])) continue;
    // This one must be computed: what is collected waits on the stack.
    for (int j = stage; j < i; j++) stack_.pushHeld(args[j]);
    uint32_t rest = code->restLetters[i];
    Bindings* keep = rest == 0 ? nullptr : bindingsFor(rest, b);
    stack_.push(FrameKind::Call, reinterpret_cast<uintptr_t>(code), keep, static_cast<uint8_t>(i + 1));
    focus_ = partTerm(op, b);
    if (b != nullptr) releaseBindings(b);
    return;
  }
  if (b != nullptr) releaseBindings(b);
  for (int i = stage - 1; i >= 0; i--) args[i] = Value{stack_.pop().bits};
  perform(code, args);
}

// Performs a call whose operands are values (consumed).
void Machine::perform(const Code* code, Value* args) {
  int taken = code->taken;
  Node* head = code->headPart.node;
  if (code->argCount < code->callArity) {
    // A partial application whose arguments are values is a value.
    Node* n = head;
    acquire(n);
    for (int i = 0; i < taken; i++) n = ownedCell(n, nodeOf(args[i]));
    focus_ = Term::ofNode(n);
    return;
  }
  if (code->head == HeadKind::Builtin) {
    const BuiltinEntry& builtin = *code->builtin;
    int64_t x, y;
    Value answer;
    if (builtin.wordOp != WordOp::None && wordOf(args[0], x) && wordOf(args[1], y) &&
        answerValue(builtin.wordOp, x, y, answer)) {
      releaseValue(args[0]);
      releaseValue(args[1]);
      focus_ = Term::of(answer);
      return;
    }
    Node* redex = head;
    acquire(redex);
    for (int i = 0; i < taken; i++) {
      redex = adoptingCell(redex, nodeOf(args[i]));
      acquire(redex);
    }
    callBuiltin(builtin, redex);
    return;
  }
  const Callee* callee = code->callee;
  Node* definition = code->definition->get();
  if (callee == nullptr || callee->definition != definition) callee = code->callee = calleeOf(definition);
  enter(callee, args);
}

// Calls a builtin's handler with its redex (consumed).
void Machine::callBuiltin(const BuiltinEntry& builtin, Node* redex) {
  NodeRef result = builtin.handler(NodeRef::adopt(redex));
  Node* r = result.get();
  if (isApplication(r)) {
    const Node* g = functionOf(r);
    // A failure record (or a closure marker) ends the evaluation at once.
    if (isLeaf(g) && (leafChars(g)[0] == ']' || leafChars(g)[0] == ')')) stack_.clear();
  }
  focus_ = Term::ofNode(result.detach());
}

// Enters a global function's body with its arguments (consumed, values).
void Machine::enter(const Callee* callee, Value* args) {
  for (unsigned unused = callee->unusedArguments; unused != 0; unused &= unused - 1)
    releaseValue(args[__builtin_ctz(unused)]);
  const Part& body = callee->body;
  switch (body.kind) {
    case Part::Shared:
      acquire(body.node);
      focus_ = Term::ofNode(body.node);
      return;
    case Part::Letter:
      focus_ = Term::of(args[callee->argumentOfBinding[0]]);
      return;
    case Part::Compiled: {
      Bindings* b = newBindings(callee->bodyLetters);
      Value* out = b->values();
      int n = __builtin_popcount(callee->bodyLetters);
      for (int k = 0; k < n; k++) out[k] = args[callee->argumentOfBinding[k]];
      focus_ = Term::ofCode(body.code, b);
      return;
    }
  }
}

// --- values meeting their frames ----------------------------------------------------

// The code and bindings (borrowed) of a lambda value, if it is one the
// machine applies without building it.
bool lambdaOf(Term v, const Code*& code, Bindings*& b) {
  if (v.isCode()) {
    code = v.code();
    b = v.bindings;
    return true;
  }
  Value value = v.value();
  if (value.isClosure()) {
    code = value.closure()->code;
    b = value.closure()->bindings;
    return true;
  }
  if (!value.isNode()) return false;
  Node* n = value.node();
  if (binderShape(n) != 'u') return false;
  code = lambdaCodeOf(n);
  b = nullptr;
  return code != nullptr;
}

void Machine::returnValue() {
  Frame& top = stack_.top();
  switch (top.kind) {
    case FrameKind::Call: {
      Frame f = stack_.pop();
      stack_.pushHeld(toValue(focus_));
      focus_ = Term{};
      collect(reinterpret_cast<const Code*>(f.bits), f.bindings, f.stage);
      return;
    }
    case FrameKind::Argument:
      applyToArgument();
      return;
    case FrameKind::Function: {
      Frame f = stack_.pop();
      applyFunction(Value{f.bits});
      return;
    }
    case FrameKind::Memo:
      storeMemo();
      return;
    case FrameKind::Wing: {
      Frame f = stack_.pop();
      const Code* code = reinterpret_cast<const Code*>(f.bits);
      Value v = toValue(focus_);
      focusBody(code->body, f.bindings, code->letter, v);
      if (f.bindings != nullptr) releaseBindings(f.bindings);
      return;
    }
    case FrameKind::Held:
      break;
  }
  checkFailure(kCoreModule, 3258);
}

// The focus, a value, meets an argument frame.
void Machine::applyToArgument() {
  Term v = focus_;
  const Code* lambda;
  Bindings* lb;
  if (lambdaOf(v, lambda, lb)) {
    Frame& top = stack_.top();
    Term x{top.bits, top.bindings};
    if (!knownValue(x)) {
      // A lambda computes its argument first.
      top.kind = FrameKind::Function;
      top.bits = toValue(v).bits;
      top.bindings = nullptr;
      focus_ = x;
      return;
    }
    stack_.pop();
    focusBody(lambda->body, lb, lambda->letter, toValue(x));
    releaseTerm(v);
    return;
  }
  // Closures are lambdas, so v is a Node, or a Word, which is applied as
  // its leaf.
  if (v.value().isWord()) v = focus_ = Term::ofNode(nodeOf(v.value()));
  Node* n = v.value().node();
  if (isApplication(n) && isApplication(functionOf(n))) {
    const Node* head = functionOf(functionOf(n));
    if ((isSingle(head, 'V') || isSingle(head, 'J')) && applyPair(n, leafChars(head)[0])) return;
  }
  int kept;
  if (isLeaf(n) && stack_.pendingArguments(2) == 2 && selectsPending(n, kept)) {
    Frame first = stack_.pop();
    Frame second = stack_.pop();
    releaseTerm(Term{kept == 0 ? second.bits : first.bits, kept == 0 ? second.bindings : first.bindings});
    focus_ = kept == 0 ? Term{first.bits, first.bindings} : Term{second.bits, second.bindings};
    release(n);
    return;
  }
  Node* head = headOf(n);
  int arity = storedArityOrOne(n);
  if (isLinearHeadLeaf(head) && stack_.pendingArguments(arity) == arity) {
    contractLinearWithPending(n, arity);
    return;
  }
  Frame& top = stack_.top();
  Term x{top.bits, top.bindings};
  if (!knownValue(x)) {
    // (v x) with work: a head that is not linear computes its argument,
    // and so does a linear one that is not given all it takes.
    top.kind = FrameKind::Function;
    top.bits = v.bits;
    top.bindings = nullptr;
    focus_ = x;
    return;
  }
  stack_.pop();
  applyNodeTo(n, toValue(x));
}

// The value g of a function frame is applied to the value in focus.
void Machine::applyFunction(Value g) {
  Value x = toValue(focus_);
  const Code* lambda;
  Bindings* lb;
  if (lambdaOf(Term::of(g), lambda, lb)) {
    focusBody(lambda->body, lb, lambda->letter, x);
    releaseValue(g);
    return;
  }
  applyNodeTo(nodeOf(g), x);
}

// g (held) applied to the value x (consumed).
void Machine::applyNodeTo(Node* g, Value x) {
  ensureAnnotated(g);  // a frame may hold a cell built without its facts
  if (storedArityOrOne(g) == 1) {
    contractApplied(g, x);
    return;
  }
  // A partial application of values is a value.
  focus_ = Term::ofNode(valueCell(g, nodeOf(x)));
}

// (g x) is saturated: g a value taking one more argument, x a value.
void Machine::contractApplied(Node* g, Value x) {
  Node* head = headOf(g);
  if (isLeaf(head) && !isConstantAnnotated(head)) {
    unsigned char first = static_cast<unsigned char>(leafChars(head)[0]);
    bool named = !((first >= '0' && first <= '9') || first == '(' || first == ' ' || first == ')' ||
                   first == ']' || first == '[' || first == '\\' || first == '{' || first == 0);
    if (named) {
      const NameResolution& r = resolveName(head);
      if (r.builtin != nullptr) {
        Node* redex = adoptingCell(g, nodeOf(x));
        acquire(redex);
        callBuiltin(*r.builtin, redex);
        return;
      }
      if (r.definition != nullptr && !isLinearHeadLeaf(head) && r.combinator == 0) {
        NodeSpine s = splitSpine(g);
        Value args[kMaxSpine];
        for (int i = 0; i < s.count; i++) {
          acquire(s.args[i]);
          args[i] = Value::ofNode(s.args[i]);
        }
        args[s.count] = x;
        Node* definition = r.definition->get();
        release(g);
        enter(calleeOf(definition), args);
        return;
      }
    }
  }
  // Any other head: the redex is built and contracted as a term.
  focus_ = Term::ofNode(ownedCell(g, nodeOf(x)));
}

// n (held by the focus), a partial application of a linear head lacking
// `arity` arguments, takes the arguments waiting on top.
void Machine::contractLinearWithPending(Node* n, int arity) {
  for (;;) {
    NodeSpine s = splitSpine(n);
    const NameResolution& r = resolveName(s.head);
    if (r.combinator == 0 || s.count + arity >= kMaxSpine) break;
    Term args[kMaxSpine];
    for (int i = 0; i < s.count; i++) {
      acquire(s.args[i]);
      args[i] = Term::ofNode(s.args[i]);
    }
    for (int i = 0; i < arity; i++) {
      Frame f = stack_.pop();
      args[s.count + i] = Term{f.bits, f.bindings};
    }
    char key = r.combinator;
    Node* definition = r.definition->get();
    release(n);
    takeContracted(contractCombinatorTerms(key, definition, args));
    // When the answer's head is a linear combinator given all it takes
    // (J a b c gives V a b, which takes the next one), go on at once.
    if (focus_.isCode() || !focus_.value().isNode()) return;
    n = focus_.value().node();
    if (!isLeaf(n) || !isLinearHeadLeaf(n)) return;
    ensureAnnotated(n);
    arity = storedArity(n);
    if (arity < 1 || stack_.pendingArguments(arity) != arity) return;
  }
  // Contracted by its definition: the whole redex is built.
  Node* e = n;
  for (int i = 0; i < arity; i++) {
    Frame f = stack_.pop();
    e = ownedCell(e, toNode(Term{f.bits, f.bindings}));
  }
  focus_ = Term::ofNode(e);
}

// --- terms --------------------------------------------------------------------------

// One step on a Node that is not a value (held by the focus).
void Machine::stepNode(Node* n) {
  int arity = storedArity(n);
  if (arity < 0) {
    // More arguments than the head takes: the function part first, down
    // to the part that takes no more than it has.
    Node* m = n;
    do {
      Node* x = argumentOf(m);
      acquire(x);
      stack_.pushArgument(Term::ofNode(x));
      m = functionOf(m);
    } while (isApplication(m) && !isConstantAnnotated(m) && storedArity(m) < 0);
    acquire(m);
    release(n);
    focus_ = Term::ofNode(m);
    return;
  }
  if (arity == 0) {
    if (hasWork(n) && !headIsLinear(n)) computePart(n);
    else contractNode(n);
    return;
  }
  // A partial application that still holds work.  A linear head takes the
  // arguments waiting for it unevaluated; otherwise its parts are computed.
  if (headIsLinear(n) && stack_.pendingArguments(arity) == arity) {
    contractLinearWithPending(n, arity);
    return;
  }
  Node* g = functionOf(n);
  Node* x = argumentOf(n);
  acquire(g);
  acquire(x);
  if (isValue(g)) {
    stack_.pushFunction(Value::ofNode(g));
    focus_ = Term::ofNode(x);
  } else {
    stack_.pushArgument(Term::ofNode(x));
    focus_ = Term::ofNode(g);
  }
  release(n);
}

// n (held) is saturated, has work and a head that is not linear: the part
// holding the work is computed first.
void Machine::computePart(Node* n) {
  Node* g = functionOf(n);
  if (binderShape(n) == 'i') {
    // A wing whose bound value is still to be computed: compute it, then
    // give it to the lambda form of the same binder.
    Node* bound = argumentOf(g);
    if (isValue(bound)) {
      contractNode(n);
      return;
    }
    stack_.pushFunction(Value::ofNode(lambdaForm(argumentOf(functionOf(g)), argumentOf(n)).detach()));
    acquire(bound);
    focus_ = Term::ofNode(bound);
    release(n);
    return;
  }
  if (!isConstantAnnotated(g) && hasWork(g)) {
    acquire(argumentOf(n));
    stack_.pushArgument(Term::ofNode(argumentOf(n)));
    acquire(g);
    focus_ = Term::ofNode(g);
  } else {
    acquire(g);
    stack_.pushFunction(Value::ofNode(g));
    acquire(argumentOf(n));
    focus_ = Term::ofNode(argumentOf(n));
  }
  release(n);
}

// Contracts the saturated redex n (held by the focus).
void Machine::contractNode(Node* n) {
  NodeSpine s = splitSpine(n);
  Node* head = s.head;
  NodeRef redex = NodeRef::adopt(n);  // keeps the spine's parts alive
  if (isConstantAnnotated(head)) {
    QUORL_CHECK(s.count == 1, 3258);
    focus_ = Term::ofNode(unfoldConstant(NodeRef(head), NodeRef(s.args[0])).detach());
    return;
  }
  QUORL_CHECK(isLeaf(head), 3258);
  const char* text = leafChars(head);
  switch (text[0]) {
    case '0': case '1': case '2': case '3': case '4':
    case '5': case '6': case '7': case '8': case '9':
      focus_ = Term::ofNode(unfoldNumber(head).detach());
      return;
    case '(':
      focus_ = Term::ofNode(unfoldByteBlock(head).detach());
      return;
    case ' ':
      focus_ = Term::ofNode(unfoldReal(head, NodeRef(s.args[0])).detach());
      return;
    case ']':
      focus_ = Term::ofNode(leaf("]" + std::string(NodeRef(s.args[0]).text())).detach());
      stack_.clear();
      return;
    case ')': {
      // (")name" v): v is the value of the constant `name`.
      Node* value = s.args[0];
      QUORL_CHECK(valueNode(value), 3304);
      std::string_view name = text + 1;
      QUORL_CHECK(findDefinition(name) != nullptr, 3303);
      QUORL_CHECK(nullaryNames().count(name) == 0, 3309);
      NodeRef stored = binderShape(value) == 'u'
                           ? apply(apply(sharedLeaf('B'), sharedLeaf('I')), NodeRef(value))
                           : NodeRef(value);
      rememberConstant(name, stored);
      focus_ = Term::ofNode(stored.detach());
      return;
    }
    default:
      break;
  }
  if (isSingle(head, '\\') && s.count == 3) {
    // ((\ v) body) a
    Node* lambda = functionOf(n);
    acquire(s.args[2]);
    Value a = Value::ofNode(s.args[2]);
    if (const Code* code = lambdaCodeOf(lambda)) {
      focusBody(code->body, nullptr, code->letter, a);
      return;
    }
    focus_ = Term::ofNode(
        substitute(NodeRef(s.args[1]), NodeRef::adopt(a.node()), leafChars(s.args[0])[0]).detach());
    return;
  }
  if (isSingle(head, '{') && s.count == 3) {
    // ((({ v) bound) body)
    Node* variable = s.args[0];
    Node* bound = s.args[1];
    Node* body = s.args[2];
    if (!isValue(bound)) {
      stack_.pushFunction(Value::ofNode(lambdaForm(variable, body).detach()));
      acquire(bound);
      focus_ = Term::ofNode(bound);
      return;
    }
    focus_ = Term::ofNode(substitute(NodeRef(body), NodeRef(bound), leafChars(variable)[0]).detach());
    return;
  }
  const NameResolution& r = resolveName(head);
  if (r.builtin != nullptr) {
    QUORL_CHECK(s.count == r.builtin->arity, 3258);
    callBuiltin(*r.builtin, redex.detach());
    return;
  }
  QUORL_CHECK(r.definition != nullptr, 8163);
  if (s.count == 0) {
    contractConstant(head, r);
    return;
  }
  Node* definition = r.definition->get();
  if (r.combinator != 0) {
    if (isLinearHeadLeaf(head)) {
      Term args[kMaxSpine];
      for (int i = 0; i < s.count; i++) {
        acquire(s.args[i]);
        args[i] = Term::ofNode(s.args[i]);
      }
      takeContracted(contractCombinatorTerms(r.combinator, definition, args));
    } else {
      focus_ = Term::ofNode(contractCombinator(r.combinator, definition, s.args).detach());
    }
    return;
  }
  if (isLinearHeadLeaf(head)) {
    // A linear function of the program's own: its arguments may be work
    // still to do, so they are substituted as they are.
    Node* body = definition;
    Node* values[26];
    uint32_t letters = 0;
    for (int i = 0; i < s.count; i++) {
      QUORL_CHECK(binderShape(body) == 'u', 3340);
      int letter = leafChars(argumentOf(functionOf(body)))[0] - 'a';
      values[letter] = s.args[i];
      letters |= uint32_t{1} << letter;
      body = argumentOf(body);
    }
    focus_ = Term::ofNode(substituteLetters(body, letters, values).detach());
    return;
  }
  Value args[kMaxSpine];
  for (int i = 0; i < s.count; i++) {
    acquire(s.args[i]);
    args[i] = Value::ofNode(s.args[i]);
  }
  enter(calleeOf(definition), args);
}

// A name defined without parameters: computed once, then remembered in
// the definition table.
void Machine::contractConstant(Node* head, const NameResolution& r) {
  NodeRef* slot = r.definition;
  Node* body = slot->get();
  if (isBlackHole(body)) {
    focus_ = Term::ofNode(cycleRecord(leafChars(head)).detach());
    stack_.clear();
    return;
  }
  ensureAnnotated(body);
  if (r.nullary || valueNode(body)) {
    acquire(body);
    focus_ = Term::ofNode(body);
    return;
  }
  acquire(body);
  *slot = NodeRef(blackHole());
  noteDefinitionsChanged();
  acquire(head);
  stack_.push(FrameKind::Memo, reinterpret_cast<uintptr_t>(head), nullptr);
  focus_ = Term::ofNode(body);
}

// The value in focus is the constant of the Memo frame on top.
void Machine::storeMemo() {
  Frame f = stack_.pop();
  NodeRef name = NodeRef::adopt(reinterpret_cast<Node*>(f.bits));
  NodeRef value = NodeRef::adopt(toNode(focus_));
  std::string_view key = leafChars(name.get());
  QUORL_CHECK(findDefinition(key) != nullptr, 3303);
  QUORL_CHECK(nullaryNames().count(key) == 0, 3309);
  // A lambda stored as it is would read as a function of one more
  // parameter; ((B I) v) is the same function with none.
  NodeRef stored = binderShape(value.get()) == 'u'
                       ? apply(apply(sharedLeaf('B'), sharedLeaf('I')), std::move(value))
                       : std::move(value);
  rememberConstant(key, stored);
  focus_ = Term::ofNode(stored.detach());
}

}  // namespace

NodeRef evaluate(NodeRef term) {
  Machine machine;
  return machine.run(term.detach());
}

}  // namespace quorl
