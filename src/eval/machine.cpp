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
// parameters binds them; a linear combinator short of arguments, none
// waiting for it, has its parts computed as a call's operands are and
// becomes the cell of their values (data_cells.hpp).  One step may go through several of these, reading the letters
// through a BoundView, so that the parts bound on the way need no bindings
// of their own.
//
// This file holds the loop, the values meeting the frames that wait for
// them, and the step that works on a spine of code, which hands each shape
// to the file that answers it: calls (machine_calls.hpp), matches and
// pairs (machine_matches.hpp), wings (machine_wings.cpp), builtin calls
// and truth values answered where they stand (machine_immediate.cpp).
#include "eval/engine.hpp"

#include "eval/immediate.hpp"
#include "eval/interrupt.hpp"
#include "eval/machine_calls.hpp"
#include "eval/machine_matches.hpp"
#include "eval/machine_view.hpp"
#include "eval/flatten.hpp"
#include "eval/why.hpp"

namespace quorl {

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

QUORL_FLATTEN NodeRef Machine::runPlainly(Node* term) { return loop<false>(term); }

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
      const Code* code = reinterpret_cast<const Code*>(f.bits);
      int stage = f.stage;
      BoundView view(f.bindings);  // takes over the frame's count
      if (stage & kOneKept) {
        // The one letter's value the frame held is the view's own now.
        stage &= ~kOneKept;
        uint32_t letter = code->restLetters[stage - 1];
        view.from = nullptr;
        view.values[__builtin_ctz(letter)] = Value{reinterpret_cast<uintptr_t>(f.bindings)};
        view.bindParameters(letter);
      } else if (f.bindings != nullptr && stage < code->taken && code->restLetters[stage] == 0 &&
                 f.bindings->count == 1) {
        // Bindings that only the frame held, for the last operands of its
        // call, which keep nothing for later: their values are the view's
        // own, which a tail call then takes without counts.
        Bindings* b = f.bindings;
        const Value* values = b->values();
        for (uint32_t rest = b->letters; rest != 0; rest &= rest - 1) view.values[__builtin_ctz(rest)] = *values++;
        view.from = nullptr;
        view.bindParameters(b->letters);
        freeBindings(b);
      }
      Value given = toValue(focus_);
      if (const Code* body = collect(code, view, stage, &given))
        runSpine(body, view);
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
    case FrameKind::Tree:
      treeCallReturned();
      return;
    case FrameKind::Fill: {
      Frame f = stack_.pop();
      *emptySlotOf(f) = nodeOf(toValue(focus_));
      focus_ = Term::ofNode(firstCellOf(f));
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
// round that goes on moves to a part inside the code, or into the body of
// a global function it calls, whose parameters the view then holds: a
// loop of calls runs here until a value is reached or a frame must wait.
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
        if (code->callTree != nullptr && callTreeTaken(*code->callTree, view)) {
          treeCallStarts(code, view);
          if (code == nullptr) return;  // the focus is set
          continue;
        }
        if (code->immediate) {
          focus_ = Term::of(answerHere(code, view, 0));
          return;
        }
        if (code->fedCount != 0) {
          Value answer;
          if (answerFed(code, view, 0, answer)) {
            focus_ = Term::of(answer);
            return;
          }
        }
        [[fallthrough]];
      case HeadKind::Strict:
        // A call given more operands than it takes leaves the rest waiting.
        if (code->argCount != code->taken) [[unlikely]]
          pushArguments(code, view, code->taken);
        code = collect(code, view, 0);
        if (code == nullptr) return;  // the focus is set
        continue;  // a called body, entered in the view
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
        if (onePartComputed(code, view)) {
          if (code == nullptr) return;  // the focus is set
          continue;
        }
        if (int missing = code->callArity - code->argCount;
            code->taken != 0 && stack_.pendingArguments(missing) < missing) {
          // Its parts computed as a call's operands are (J (make d) (make d)).
          if (code->data) {
            focus_ = Term::of(Value::ofNode(buildDataUnder(code, view, 0)));
            return;
          }
          code = collect(code, view, 0);
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
        if (callHere(code, view)) {
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

// A closed tree of numbers chosen by a match or a comparison (a search's
// `(0 - 1)` when the key is missing) is answered as an operand's is, not
// contracted as a term.  Out of the loop, which it would only make longer.
[[gnu::noinline]] void Machine::focusClosedTree(const Part& part) {
  Value answer;
  TreeLetters none;
  none.from = nullptr;
  none.bound = 0;
  if (answerTree(part.closedTree, none, answer)) {
    focus_ = Term::of(answer);
    return;
  }
  acquire(part.node);
  focus_ = Term::ofNode(part.node);
}

// The focus becomes `part` seen through the view.
void Machine::focusUnder(const Part& part, const BoundView& view) {
  switch (part.kind) {
    case Part::Shared:
      if (part.numbers) [[unlikely]]
        return focusClosedTree(part);
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
  for (int i = code->argCount - 1; i >= from; i--) {
    const Part& op = code->args[i];
    if (op.kind == Part::Compiled && op.code->spareLetter >= 0 && op.code->kind == CodeKind::Lambda) [[unlikely]] {
      // A lambda waiting with a list's element (partition's): its bindings
      // in the cell the match took apart.
      if (Bindings* b = spareBindings(op.code, code, view)) {
        stack_.pushArgument(Term::ofCode(op.code, b));
        continue;
      }
    }
    stack_.pushArgument(viewTerm(op, view));
  }
}

}  // namespace quorl
