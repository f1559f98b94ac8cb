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
//
// Several shapes of code are answered
// where they stand, each as the combinators and builtins involved would
// contract it: a comparison given two branches picks one; the list match
// `l n (h\t\c)` binds the parts of a pair; a pair given to a lambda of two
// parameters binds them; a linear combinator short of arguments computes its
// last part.  One step may go through several of these, reading the letters
// through a BoundView, so that the parts bound on the way need no bindings
// of their own.
#include "eval/engine.hpp"

#include <string>

#include "eval/closure_terms.hpp"
#include "eval/interrupt.hpp"
#include "eval/machine.hpp"
#include "eval/immediate.hpp"
#include "eval/number_trees.hpp"
#include "eval/real_values.hpp"
#include "eval/why.hpp"

namespace quorl {

namespace {

bool isSpine(const Part& p) { return p.kind == Part::Compiled && p.code->kind == CodeKind::Spine; }

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

// Bindings of `letters` (non-zero) for code seen through the view.
Bindings* viewBindings(uint32_t letters, const BoundView& view) {
  if ((letters & view.bound) == 0) return bindingsFor(letters, view.from);
  Bindings* b = newBindings(letters);
  Value* out = b->values();
  for (uint32_t rest = letters; rest != 0; rest &= rest - 1) {
    Value v = view.of(__builtin_ctz(rest));
    acquireValue(v);
    *out++ = v;
  }
  return b;
}

// The term of a part seen through the view, with a count for the caller.
Term viewTerm(const Part& op, const BoundView& view) {
  switch (op.kind) {
    case Part::Letter: {
      Value v = view.of(op.letter);
      acquireValue(v);
      return Term::of(v);
    }
    case Part::Shared:
      acquire(op.node);
      return Term::ofNode(op.node);
    default:
      return Term::ofCode(op.code, viewBindings(op.code->letters, view));
  }
}

// The value of a part known to be one, seen through the view.
inline Value viewValue(const Part& op, const BoundView& view) {
  if (op.kind == Part::Letter) {
    Value v = view.of(op.letter);
    acquireValue(v);
    return v;
  }
  if (op.kind == Part::Shared) {
    acquire(op.node);
    return Value::ofNode(op.node);
  }
  return toValue(viewTerm(op, view));
}

// The machine integer of a part seen through the view, if it has one.
inline bool viewWord(const Part& op, const BoundView& view, int64_t& out) {
  if (op.kind == Part::Letter) return wordOf(view.of(op.letter), out);
  out = op.word;
  return op.isWord;
}

// The letters `code` reads, as the view sees them.
inline void treeLetters(const Code* code, const BoundView& view, TreeLetters& out) {
  out.from = view.from;
  out.bound = view.bound & code->letters;
  for (uint32_t rest = out.bound; rest != 0; rest &= rest - 1) {
    int letter = __builtin_ctz(rest);
    out.values[letter] = view.values[letter];
  }
}

// The answer of a tree of number operations (code.hpp), if its leaves are
// numbers the engine computes with.  Two machine integers are the common
// case, and the quickest.
inline bool treeAnswerUnder(const Code* code, const BoundView& view, Value& out) {
  int64_t x, y;
  if (code->twoLeaves && viewWord(code->args[0], view, x) && viewWord(code->args[1], view, y) &&
      answerWordValues(code->builtin->wordOp, x, y, out))
    return true;
  TreeLetters letters;
  treeLetters(code, view, letters);
  return answerTree(code, letters, out);
}

// The answer of an operand that is a tree of number operations (code.hpp),
// if it has one.
inline bool treeUnder(const Part& op, const BoundView& view, Value& out) {
  if (op.kind == Part::Compiled) return treeAnswerUnder(op.code, view, out);
  TreeLetters none;
  none.from = nullptr;
  none.bound = 0;
  return answerTree(op.closedTree, none, out);
}

// The truth of a comparison choosing a branch (code.hpp), if its operands
// are numbers the engine compares.
inline bool comparisonUnder(const Code* code, const BoundView& view, bool& truth) {
  int64_t x, y;
  if (viewWord(code->args[0], view, x) && viewWord(code->args[1], view, y)) {
    truth = answerWords(code->builtin->wordOp, x, y).kind == WordAnswer::True;
    return true;
  }
  if (code->tree == nullptr) return false;
  TreeLetters letters;
  treeLetters(code, view, letters);
  return treeComparison(code, letters, truth);
}

}  // namespace

// Whether a term is a lambda of two parameters taken one after the other,
// as the match idiom passes: its code and bindings (borrowed).
bool pairLambdaOf(uintptr_t bits, Bindings* bindings, const Code*& code, Bindings*& from) {
  if (bindings != nullptr) {
    code = reinterpret_cast<const Code*>(bits);
    from = bindings;
  } else {
    Value v{bits};
    if (v.isClosure()) {
      code = v.closure()->code;
      from = v.closure()->bindings;
    } else if (v.isNode() && binderShape(v.node()) == 'u') {
      // A lambda of the program's text that mentions no letter from
      // outside, or the term of a closure.
      code = codeOfLambdaTerm(v.node(), from);
      if (code == nullptr) return false;
    } else {
      return false;
    }
  }
  return code->kind == CodeKind::Lambda && innerLambda(code) != nullptr;
}

// --- the loop -------------------------------------------------------------------------

// The loop takes every step inline: the steps are small and many, and a
// call per step would cost more than most steps do.  Only an evaluation
// that watches for interruptions (interrupt.hpp) tests for them on every
// step, and only an ordinary run is flattened: a second flattened copy of
// the loop was more than the compiler would inline, and cost the ordinary
// run a tenth of its instructions.
NodeRef Machine::run(Node* term) {
  if (whyWatching() || interruptsWatched()) [[unlikely]]
    return runWatched(term);
  return runPlainly(term);
}

[[gnu::flatten]] NodeRef Machine::runPlainly(Node* term) { return loop<false>(term); }

// A run for the prompt (interruptions) or for --why (its frames named).
NodeRef Machine::runWatched(Node* term) {
  if (whyWatching()) whyMachineStarts(&stack_);
  NodeRef value = interruptsWatched() ? loop<true>(term) : loop<false>(term);
  if (whyWatching()) whyMachineEnds();
  return value;
}

template <bool kWatched>
NodeRef Machine::loop(Node* term) {
  focus_ = Term::ofNode(term);
  for (;;) {
    if (evaluationInterrupted() || (kWatched && interruptRequested())) [[unlikely]] {
      releaseTerm(focus_);
      return sharedLeaf('Z');
    }
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

void Machine::returnValue() {
  Frame& top = stack_.top();
  switch (top.kind) {
    case FrameKind::Call: {
      Frame f = stack_.pop();
      BoundView view(f.bindings);  // takes over the frame's count
      stack_.pushHeld(toValue(focus_));
      collect(reinterpret_cast<const Code*>(f.bits), view, f.stage);
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
    case FrameKind::Lambda: {
      Frame f = stack_.pop();
      const Code* lambda = reinterpret_cast<const Code*>(f.bits)->computed;
      Bindings* b = newBindings(lambda->letters);
      b->values()[0] = toValue(focus_);
      focus_ = Term::of(Value::ofClosure(newClosure(lambda, b)));
      return;
    }
    case FrameKind::Held:
      break;
  }
  checkFailure(kCoreModule, 3258);
}

NodeRef evaluate(NodeRef term) {
  Machine machine;
  return machine.run(term.detach());
}

// --- code ---------------------------------------------------------------------------

void Machine::stepCode() {
  const Code* code = focus_.code();
  Bindings* b = focus_.bindings;
  switch (code->kind) {
    case CodeKind::Spine: {
      BoundView view(b);  // takes over the focus's count
      runSpine(code, view);
      return;
    }
    case CodeKind::Wing:
      stepWing(code, b);
      return;
    case CodeKind::Lambda: {
      // A lambda whose parameter does not occur, its body not known to be a
      // value: the body is computed first, as the term's is, and the
      // lambda of its value is the value.
      stack_.push(FrameKind::Lambda, reinterpret_cast<uintptr_t>(code), nullptr);
      BoundView view(b);  // takes over the focus's count
      runPart(code->body, view);
      return;
    }
  }
}

void Machine::runPart(const Part& part, BoundView& view) {
  if (isSpine(part)) runSpine(part.code, view);
  else focusUnder(part, view);
}

// Works on the spine `code` seen through the view; sets the focus.  Each
// round that goes on moves to a part inside the code, so the loop ends.
void Machine::runSpine(const Code* code, BoundView& view) {
  for (;;) {
    switch (code->head) {
      case HeadKind::Builtin:
        if (code->argCount > code->callArity && (code->selects || code->tree != nullptr)) {
          // (x < y) a b: the comparison picks a or b, as K or H would.
          bool truth;
          if (comparisonUnder(code, view, truth)) {
            const Part& chosen = code->args[truth ? 2 : 3];
            if (!isSpine(chosen)) return focusUnder(chosen, view);
            code = chosen.code;
            continue;
          }
          if (code->selects && (code->args[0].kind == Part::Compiled || code->args[1].kind == Part::Compiled)) {
            selectHere(code, view);
            if (code == nullptr) return;  // the focus is set
            continue;
          }
        } else if (code->tree != nullptr) {
          // A tree of number operations: answered here when its leaves are
          // numbers.
          Value answer;
          if (treeAnswerUnder(code, view, answer)) {
            focus_ = Term::of(answer);
            return;
          }
        }
        if (code->immediate) {
          focus_ = Term::of(answerHere(code, view, 0));
          return;
        }
        [[fallthrough]];
      case HeadKind::Strict:
        pushArguments(code, view, code->taken);
        collect(code, view, 0);
        return;
      case HeadKind::Combinator:
        if (code->chooses) {
          chooseByTruth(code, view);
          if (code == nullptr) return;  // the focus is set
          continue;
        }
        if (code->argCount >= code->callArity) {
          int arity = code->callArity;
          pushArguments(code, view, arity);
          Term args[kMaxSpine];
          for (int i = 0; i < arity; i++) args[i] = viewTerm(code->args[i], view);
          takeContracted(contractCombinatorTerms(code->combinator, code->definition->get(), args));
          return;
        }
        if (code->pairs && pairGiven(code, view)) {
          if (code == nullptr) return;  // the focus is set
          continue;
        }
        if (lastPartComputed(code, view)) {
          if (code == nullptr) return;  // the focus is set
          continue;
        }
        break;
      case HeadKind::Letter:
        if (code->matches && matchStep(code, view)) {
          if (code == nullptr) return;  // the focus is set
          continue;
        }
        if (code->picks && truthPicks(code, view)) {
          if (code == nullptr) return;  // the focus is set
          continue;
        }
        break;
      default:
        break;
    }
    pushArguments(code, view, 0);
    focus_ = viewTerm(code->headPart, view);
    return;
  }
}

namespace {

// 1 for the Prelude's K, 0 for its H, -1 for any other value.
int truthOf(Value v) {
  if (!v.isNode()) return -1;
  if (isSingle(v.node(), 'K')) return 1;
  return isSingle(v.node(), 'H') ? 0 : -1;
}

}  // namespace

// `(p | q) a b` or `(p & q) a b` (code.hpp): `|` p q is p K q and `&` p q
// is p q H, so a truth value K of p picks a for `|` and leaves the choice
// to q for `&`, and H the other way round; q, a value or a link itself,
// picks a or b.  A value that is no truth value is given what the
// combinators would give it, and the machine goes on from there.  `code`
// becomes the code to go on with, or null when the focus is set.
void Machine::chooseByTruth(const Code*& code, BoundView& view) {
  uint32_t later = code->letters;  // whatever follows may read any of them
  const Code* link = code;
  int chosen;
  for (;;) {
    Value p = operandHere(link->args[0], view, later);
    int truth = truthOf(p);
    if (truth < 0) {
      pushArguments(code, view, 2);
      Term parts[2] = {Term::of(p), viewTerm(link->args[1], view)};
      takeContracted(contractCombinatorTerms(link->combinator, link->definition->get(), parts));
      code = nullptr;
      return;
    }
    releaseValue(p);
    bool either = link->combinator == '|';
    if (truth == (either ? 1 : 0)) {
      chosen = either ? 2 : 3;
      break;
    }
    const Part& q = link->args[1];
    if (q.kind == Part::Compiled && q.code->links) {
      link = q.code;
      continue;
    }
    Value v = operandHere(q, view, later);
    truth = truthOf(v);
    if (truth < 0) {
      pushArguments(code, view, 2);
      focus_ = Term::of(v);
      code = nullptr;
      return;
    }
    releaseValue(v);
    chosen = truth == 1 ? 2 : 3;
    break;
  }
  pushArguments(code, view, 4);
  goOnWith(code->args[chosen], code, view);
}

// The focus becomes `part` seen through the view.
void Machine::focusUnder(const Part& part, const BoundView& view) {
  switch (part.kind) {
    case Part::Shared:
      acquire(part.node);
      focus_ = Term::ofNode(part.node);
      return;
    case Part::Letter: {
      Value v = view.of(part.letter);
      acquireValue(v);
      focus_ = Term::of(v);
      return;
    }
    case Part::Compiled:
      focus_ = Term::ofCode(part.code, viewBindings(part.code->letters, view));
      return;
  }
}

void Machine::pushArguments(const Code* code, const BoundView& view, int from) {
  for (int i = code->argCount - 1; i >= from; i--) stack_.pushArgument(viewTerm(code->args[i], view));
}

// The list match `l n (h\t\c)` (code.hpp) when l is K or a pair J x y, as
// K, J, V and the lambda would contract it: K n c is n; J x y n c is
// V x y c, which is c x y, the lambda taking both, values as the parts of
// a value are.  False (nothing done) for any other l.  Otherwise `code`
// becomes the code to go on with, or null when the focus is set.
//
// The pair match `p (x\y\c)` is answered the same way when p is a pair
// V x y: V x y c is c x y.
bool Machine::matchStep(const Code*& code, BoundView& view) {
  int letter = code->headPart.letter;
  Value v = view.of(letter);
  if (!v.isNode()) return false;
  Node* l = v.node();
  bool pair = code->argCount == 1;
  const Part* next;
  if (isLeaf(l)) {
    if (pair || !isSingle(l, 'K')) return false;
    next = &code->args[0];
  } else {
    Node* g = functionOf(l);
    if (!isApplication(g) || !isSingle(functionOf(g), pair ? 'V' : 'J') ||
        view.count + 2 > BoundView::kMaxBound)
      return false;
    const Code* outer = code->matchLambda;
    const Code* inner = outer->inner;
    // The parts are held by l.  When the bindings under the view hold l,
    // they outlive the view; when the view holds it itself, binding the
    // parts' letters may release it (`l (l\t\...)`), so they are held too.
    Value x = Value::ofNode(argumentOf(g)), y = Value::ofNode(argumentOf(l));
    bool own = (view.owned >> letter) & 1;
    if (own) {
      acquire(x.node());
      acquire(y.node());
    }
    view.bind(outer->letter, x, own);
    view.bind(inner->letter, y, own);
    next = &inner->body;
  }
  if (isSpine(*next)) {
    code = next->code;
  } else {
    focusUnder(*next, view);
    code = nullptr;
  }
  return true;
}

// A pair V x y or J x y (code.hpp) meets the arguments waiting for it:
// given a lambda of two parameters (after the empty case, for J, which it
// drops), its body is entered with x and y, as V, J and the lambda would
// contract it.  False (nothing done) when that is not the case.  Otherwise
// the view becomes the lambda's, and `code` the code to go on with, or
// null when the focus is set: the body is entered in the caller's loop, so
// that a chain of pairs handed back through a recursion's frames (each
// level's lambda building the next pair) takes no native stack.
bool Machine::pairGiven(const Code*& code, BoundView& view) {
  int needed = code->combinator == 'V' ? 1 : 2;
  if (stack_.pendingArguments(needed) != needed) return false;
  const Frame& lambda = stack_.below(needed - 1);
  const Code* outer;
  Bindings* from;
  if (!pairLambdaOf(lambda.bits, lambda.bindings, outer, from)) return false;
  Value x = viewValue(code->args[0], view);
  Value y = viewValue(code->args[1], view);
  view.release();
  if (needed == 2) FrameStack::releaseFrame(stack_.pop());  // the empty case
  Frame f = stack_.pop();
  if (from != nullptr) acquireBindings(from);
  FrameStack::releaseFrame(f);
  view.reset(from);
  view.bind(outer->letter, x, true);
  view.bind(outer->inner->letter, y, true);
  const Part& body = outer->inner->body;
  if (isSpine(body)) {
    code = body.code;
  } else {
    focusUnder(body, view);
    code = nullptr;
  }
  return true;
}

// The body of the two-parameter lambda `outer` entered with x and y
// (borrowed; held by the caller until the focus is set); `from` is the
// lambda's bindings (borrowed).
void Machine::enterPairBody(const Code* outer, Bindings* from, Value x, Value y) {
  if (from != nullptr) acquireBindings(from);
  BoundView view(from);
  view.bind(outer->letter, x, false);
  view.bind(outer->inner->letter, y, false);
  runPart(outer->inner->body, view);
}

// A linear combinator given fewer arguments than it takes, the last of them
// work still to do (J x (f y)): unless enough arguments wait for it, its
// parts are computed, that is the last one, while the rest, values, wait
// as a function.  False (nothing done) when that is not the case;
// otherwise `code` becomes the code to go on with, or null when the focus
// is set.
bool Machine::lastPartComputed(const Code*& code, BoundView& view) {
  int last = code->argCount - 1;
  if (code->args[last].valueState != 0) return false;
  for (int i = 0; i < last; i++)
    if (code->args[i].valueState != 1) return false;
  int missing = code->callArity - code->argCount;
  if (stack_.pendingArguments(missing) == missing) return false;
  Node* g = code->writtenHead;
  int first = 0;
  if (code->closedHead != nullptr) {
    g = code->closedHead;  // shared, as substitution shares it
    first = code->closedOperands;
  }
  acquire(g);
  ensureAnnotated(g);
  for (int i = first; i < last; i++) g = valueCell(g, nodeOf(viewValue(code->args[i], view)));
  stack_.pushFunction(Value::ofNode(g));
  const Part& part = code->args[last];
  if (isSpine(part)) {
    code = part.code;
  } else {
    focusUnder(part, view);
    code = nullptr;
  }
  return true;
}

void Machine::stepWing(const Code* code, Bindings* b) {
  BoundView view(b);  // takes over the focus's count
  runWing(code, view);
}

// The wing `code` seen through the view.  A bound value known at once (a
// value, a tree of numbers answered where it stands, or a call a builtin
// answers at once) is bound on top of the view and the body goes on
// through it, so that a run of local definitions (x{...} y{...} body)
// makes no bindings of its own; otherwise the bound value is computed
// first, its wing waiting in a frame.  (Out of the machine's loop: a view
// that binds values it owns is one the loop's other steps do better
// without.)
[[gnu::noinline]] void Machine::runWing(const Code* code, BoundView& view) {
  for (;;) {
    const Part& bound = code->bound;
    Value v;
    bool known = view.count < BoundView::kMaxBound;
    if (known) {
      uint32_t need = lettersOf(code->body) & ~(uint32_t{1} << code->letter);
      if (bound.valueState == 1) v = viewValue(bound, view);
      else if (bound.numbers && treeUnder(bound, view, v)) known = true;
      else if (answersHere(bound)) v = operandHere(bound, view, need);
      else known = false;
    }
    if (!known) break;
    view.bind(code->letter, v, true);
    const Part& body = code->body;
    if (body.kind == Part::Compiled && body.code->kind == CodeKind::Wing) {
      code = body.code;
      continue;
    }
    runPart(body, view);
    return;
  }
  uint32_t need = lettersOf(code->body) & ~(uint32_t{1} << code->letter);
  Bindings* kept = need == 0 ? nullptr : viewBindings(need, view);
  stack_.push(FrameKind::Wing, reinterpret_cast<uintptr_t>(code), kept);
  focus_ = viewTerm(code->bound, view);
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
// far are Held frames on top.  The view holds what the operands from
// `stage` on mention.
void Machine::collect(const Code* code, BoundView& view, int stage) {
  int taken = code->taken;
  Value args[kMaxSpine];  // args[i] for i from `stage`; those before are Held frames
  for (int i = stage; i < taken; i++) {
    const Part& op = code->args[i];
    if (op.valueState == 1) {
      args[i] = viewValue(op, view);
      continue;
    }
    if (op.numbers && treeUnder(op, view, args[i])) continue;
    if (op.kind == Part::Compiled && op.code->immediate) {
      args[i] = answerHere(op.code, view, code->restLetters[i]);
      continue;
    }
    // This one must be computed: what is collected waits on the stack.
    for (int j = stage; j < i; j++) stack_.pushHeld(args[j]);
    uint32_t rest = code->restLetters[i];
    Bindings* keep = rest == 0 ? nullptr : viewBindings(rest, view);
    stack_.push(FrameKind::Call, reinterpret_cast<uintptr_t>(code), keep, static_cast<uint8_t>(i + 1));
    focus_ = viewTerm(op, view);
    return;
  }
  // Nothing but the call holds what it is given now.
  view.release();
  for (int i = stage - 1; i >= 0; i--) args[i] = Value{stack_.pop().bits};
  perform(code, args);
}

// Performs a call whose operands are values (consumed).
void Machine::perform(const Code* code, Value* args) {
  int taken = code->taken;
  Node* head = code->headPart.node;
  if (code->argCount < code->callArity) {
    // A partial application whose arguments are values is a value.  It
    // shares the part of it that mentions no letter, as substitution does,
    // unless its head had to be computed (an operator's name).
    Node* n = head;
    int first = 0;
    if (code->closedHead != nullptr && code->writtenHead == head) {
      n = code->closedHead;
      first = code->closedOperands;
      for (int i = 0; i < first; i++) releaseValue(args[i]);
    }
    acquire(n);
    for (int i = first; i < taken; i++) n = ownedCell(n, nodeOf(args[i]));
    focus_ = Term::ofNode(n);
    return;
  }
  if (code->head == HeadKind::Builtin) {
    const BuiltinEntry& builtin = *code->builtin;
    Value answer;
    if (answerOnValues(builtin, args, answer, code)) {
      focus_ = Term::of(answer);
      return;
    }
    Node* redex = head;
    acquire(redex);
    for (int i = 0; i < taken; i++) {
      redex = adoptingCell(redex, nodeOf(args[i]));
      acquire(redex);
    }
    callBuiltin(builtin, redex, code);
    return;
  }
  const Callee* callee = code->callee;
  Node* definition = code->definition->get();
  if (callee == nullptr || callee->definition != definition) callee = code->callee = calleeOf(definition);
  enter(callee, args);
}

// Calls a builtin's handler with its redex (consumed).  `at`: the call's
// code, when there is one.
void Machine::callBuiltin(const BuiltinEntry& builtin, Node* redex, const Code* at) {
  NodeRef result = whyWatching() ? callWatched(builtin, redex, at) : builtin.handler(NodeRef::adopt(redex));
  Node* r = result.get();
  if (isApplication(r)) {
    const Node* g = functionOf(r);
    // A failure record (or a closure marker) ends the evaluation at once.
    if (isLeaf(g) && (leafChars(g)[0] == ']' || leafChars(g)[0] == ')')) stack_.clear();
  } else if (int64_t word; leafWordOf(r, word)) {
    // An integer answer goes on as a word, its leaf kept as its term: what
    // reads it as a number then does not parse it again (atoi's answer as
    // a loop's bound, say).
    Value v = newWord(word);
    v.word()->leaf = result.detach();
    focus_ = Term::of(v);
    return;
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

}  // namespace quorl
