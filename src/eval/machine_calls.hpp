// Calls whose head takes its arguments as values: a global function or a
// builtin, and a combinator short of arguments with none waiting for it,
// whose parts are computed as operands are and which then is their cell.  The operands are collected straight from the code through the
// view, each computed where it stands when it can be (a value, a tree of
// numbers, an immediate builtin call) and otherwise under a Call frame that
// waits for it; a builtin gets the redex its calling contract asks for only
// when the engine has no answer of its own, and a global function's body
// is entered under the bindings of its parameters.
//
// Inline, for the machine's loop (machine.cpp) takes a call's steps inline:
// out of it, a call of fib cost a twentieth more instructions.
#pragma once

#include "eval/immediate.hpp"
#include "eval/interrupt.hpp"
#include "eval/machine_matches.hpp"
#include "eval/machine_view.hpp"
#include "eval/pure_shapes.hpp"
#include "eval/why.hpp"

namespace quorl {

// The compiled parameters and body of the global function that heads the
// spine `code`, looked up again only when its definition changed.
inline const Callee* calleeAt(const Code* code) {
  const Callee* callee = code->callee;
  Node* definition = code->definition->get();
  if (callee == nullptr || callee->definition != definition) [[unlikely]]
    callee = code->callee = calleeOf(definition);
  return callee;
}

// The value of a letter for a call's operand, with a count for the call.  A
// value the view owns (a called body's parameter) that no operand after
// this one reads goes to the call with the view's count, which the view
// would drop once the call has its operands: no count taken and dropped.
inline bool letterMoved(const Part& op, BoundView& view, Value& out) {
  if (((view.owned >> op.letter) & op.lastRead) == 0) return false;
  out = view.values[op.letter];
  view.owned &= ~(uint32_t{1} << op.letter);
  return true;
}

// The answer of `n - 1` or `j + step` (Part::steps) in n's or j's box, when the view owns it,
// nothing else holds it and it has no term yet: nothing can tell it from a
// new box, and the view would have dropped it once the call has its
// operands.  False, with nothing done, otherwise.
inline bool steppedInPlace(const Part& op, BoundView& view, Value& out) {
  if (((view.owned >> op.letter) & op.steps) == 0) return false;
  const Code* c = op.code;
  uint32_t bit = uint32_t{1} << op.letter;
  Value v = view.values[op.letter];
  int64_t y;
  if (!v.isWord() || v.word()->count != 1 || v.word()->leaf != nullptr || !viewWord(c->args[1], view, y)) return false;
  WordAnswer answer = answerWords(c->builtin->wordOp, v.word()->value, y);
  if (answer.kind != WordAnswer::Integer) return false;
  v.word()->value = answer.value;
  view.owned &= ~bit;
  out = v;
  return true;
}

// The value of `letter` (a bit), which a view of no bindings holds, kept
// by a Call frame itself.  A value the view owns goes to the frame with the
// view's count: the view goes on reading it while the frame holds it, and
// no count is taken for the frame and dropped by the view.
inline uintptr_t keptLetter(uint32_t letter, BoundView& view) {
  uint32_t owned = view.owned & letter;
  view.owned &= ~letter;
  Value v = view.values[__builtin_ctz(letter)];
  if (owned == 0) acquireValue(v);
  return v.bits;
}

// Collects the operands of a call from `stage` on; the values collected so
// far are Held frames on top, but for the last of them when `given` is
// not null: the value of the operand just computed, which stays here
// unless another operand must be computed after it (most often the call
// then takes it at once, without the frame pushed and popped).  The view
// holds what the operands from `stage` on mention.
//
// A global function whose body is a spine is entered in the view itself:
// the spine is returned, to go on with at once, its parameters bound on top
// of no bindings (enterHere).  Otherwise, or when the call is answered
// without its body (a first choice that picks a parameter), the focus is
// set and null returned.
inline const Code* Machine::collect(const Code* code, BoundView& view, int stage, const Value* given) {
  Value args[kMaxSpine];  // args[i] for i from `here`; those before are Held frames
  int here = stage;
  if (given != nullptr) args[--here] = *given;
  for (int i = stage; i < code->taken; i++) {
    const Part& op = code->args[i];
    if (op.valueState == 1) {
      if (!letterMoved(op, view, args[i])) args[i] = viewValue(op, view, code->restLetters[i]);
      continue;
    }
    if (op.numbers && (steppedInPlace(op, view, args[i]) || treeUnder(op, view, args[i]))) continue;
    if (op.kind == Part::Compiled && op.code->immediate) {
      args[i] = answerHere(op.code, view, code->restLetters[i]);
      continue;
    }
    if (op.kind == Part::Compiled && op.code->firstHere && computedFirst(op, view, code->restLetters[i], args[i]))
      continue;
    // This one must be computed: what is collected waits on the stack.
    for (int j = here; j < i; j++) stack_.pushHeld(args[j]);
    // What the call still needs after this operand: bindings kept by the
    // frame, or the one letter's value held by the frame itself when the
    // view has no bindings (fib(n - 1) + fib(n - 2) keeps n), which then
    // makes and frees none.
    uint32_t rest = code->restLetters[i];
    uintptr_t keep = 0;
    uint8_t stage = static_cast<uint8_t>(i + 1);
    if (rest != 0) {
      if (view.from == nullptr && (rest & (rest - 1)) == 0) {
        keep = keptLetter(rest, view);
        stage |= kOneKept;
      } else {
        keep = reinterpret_cast<uintptr_t>(viewBindings(rest, view));
      }
    }
    stack_.push(FrameKind::Call, reinterpret_cast<uintptr_t>(code), reinterpret_cast<Bindings*>(keep), stage);
    if (op.kind != Part::Compiled || op.code->kind != CodeKind::Spine || op.code->head != HeadKind::Strict) {
      // At once, under the view, without bindings of its own: a spine run
      // inside this one, on the native stack.
      ++spineNesting_;
      runPart(op, view);
      --spineNesting_;
      return nullptr;
    }
    // A call of a global function (tak(tak(...), ...)): its operands are
    // collected through the same view at once, in this loop rather than by
    // a step on its spine, however deeply calls nest.  The view is the
    // operand's now: the frame keeps what the call after it still needs.
    code = op.code;
    pushArguments(code, view, code->taken);
    here = 0;
    i = -1;
  }
  // Nothing but the call holds what it is given now.
  if (code->saturated) {
    const Callee* callee = calleeAt(code);
    // An interruption asked for is looked at by the machine's loop, which
    // a body entered here does not go back to; and a spine run inside
    // another's (an operand computed at once) enters no body past a few
    // levels, or a recursion through such operands would nest native
    // frames as deep as the program recurses.
    if (callee->spineBody && spineNesting_ <= kEnteredNesting && !evaluationInterrupted() &&
        !interruptRequested()) {
      view.release();
      for (int i = here - 1; i >= 0; i--) args[i] = Value{stack_.pop().bits};
      return enterHere(callee, args, view);
    }
  }
  // A global function's call, the last thing its caller's bindings were
  // kept for, takes them over for its own (emptied first, as they would
  // have been freed).
  Bindings* spare = nullptr;
  if (code->head == HeadKind::Strict && view.from != nullptr && view.from->count == 1) {
    spare = view.from;
    view.from = nullptr;
  }
  view.release();
  for (int i = here - 1; i >= 0; i--) args[i] = Value{stack_.pop().bits};
  perform(code, args, spare);
  return nullptr;
}

// The bindings after the fourth, out of the machine's loop.
[[gnu::noinline]] inline void bindLaterArguments(const Callee* callee, const Value* args, Value* values) {
  for (int k = 4; k < callee->bindingCount; k++) values[callee->letterOfBinding[k]] = args[callee->argumentOfBinding[k]];
}

// The values of `callee`'s parameters set by letter from its arguments,
// `values` a view's, whose entries for letters not bound are not read:
// two to four are copied as four (Callee::bindingCount).  As a loop, whose
// indexes are bytes that every store may alias, binding cost about nine
// instructions a parameter.
inline void bindArguments(const Callee* callee, const Value* args, Value* values) {
  const uint8_t* letter = callee->letterOfBinding;
  const uint8_t* argument = callee->argumentOfBinding;
  int n = callee->bindingCount;
  values[letter[0]] = args[argument[0]];
  if (n <= 1) return;
  values[letter[1]] = args[argument[1]];
  values[letter[2]] = args[argument[2]];
  values[letter[3]] = args[argument[3]];
  if (n > 4) [[unlikely]]
    bindLaterArguments(callee, args, values);
}

// The part a body's first choice picks (Callee::FirstChoice) for these
// arguments: 2 or 3, the comparison's third or fourth operand; 0 when
// an operand compared is no machine integer, and the body takes it.
inline int firstChoice(const Callee::FirstChoice& choice, const Value* args) {
  int64_t x = choice.written[0], y = choice.written[1];
  if (choice.compared[0] >= 0 && !wordOf(args[choice.compared[0]], x)) return 0;
  if (choice.compared[1] >= 0 && !wordOf(args[choice.compared[1]], y)) return 0;
  bool truth = (choice.equal ? x == y : x < y) != choice.negate;
  return truth ? 2 : 3;
}

// Drops the arguments of a call whose answer is found without its body,
// but the one that is the answer (-1: none).
inline void releaseArgumentsBut(const Callee* callee, const Value* args, int kept) {
  unsigned all = (1u << callee->arity) - 1;
  if (kept >= 0) all &= ~(1u << kept);
  for (; all != 0; all &= all - 1) releaseValue(args[__builtin_ctz(all)]);
}

// The answer of a call whose body's first step picks `part`, an argument
// (`chosen`) or a value written in the body (Callee::kChosenNode): the
// other arguments are dropped.
inline Term answerPicked(const Callee* callee, const Value* args, int chosen, const Part& part) {
  if (chosen >= 0) {
    releaseArgumentsBut(callee, args, chosen);
    return Term::of(args[chosen]);
  }
  releaseArgumentsBut(callee, args, -1);
  acquire(part.node);
  return Term::ofNode(part.node);
}

// Enters the body of `callee`, a spine, with its arguments (consumed,
// values) in the view, which was released: the parameters' values are
// owned by the view, with no bindings under them, and the spine is
// returned.  Bindings are made only if a frame or a closure needs some of
// the parameters (viewBindings); a body that reads them all before it
// calls anything makes none.
//
// A body that begins with a choice on its parameters (`(n < 2) n (...)`)
// has it taken here, on the arguments as they are, as its first step
// would take it: a parameter or a value chosen is the call's answer at
// once (the focus is set and null returned), with no bindings, view or
// step of the loop for it; a spine chosen is where the body is entered.
//
// A body, or the spine chosen so, that begins with a list or pair match on
// a parameter (Callee::FirstMatch) has that match taken here too.
inline const Code* Machine::enterHere(const Callee* callee, Value* args, BoundView& view) {
  const Code* body = callee->body.code;
  if (const Callee::FirstChoice& choice = callee->choice; choice.code != nullptr) {
    if (int picked = firstChoice(choice, args)) {
      int chosen = choice.chosen[picked - 2];
      if (chosen >= 0) {
        releaseArgumentsBut(callee, args, chosen);
        focus_ = Term::of(args[chosen]);
        return nullptr;
      }
      const Part& part = choice.code->args[picked];
      if (chosen == Callee::kChosenNode) {
        releaseArgumentsBut(callee, args, -1);
        acquire(part.node);
        focus_ = Term::ofNode(part.node);
        return nullptr;
      }
      if (chosen == Callee::kChosenSpine) body = part.code;
      else if (chosen == Callee::kChosenMatch) return matchOnEntry(callee, callee->match[picked - 1], args, view);
    }
  } else if (callee->match[0].code != nullptr) {
    return matchOnEntry(callee, callee->match[0], args, view);
  }
  bindEntered(callee, args, view);
  return body;
}

// The parameters of a body entered in the view: its arguments (consumed)
// bound on a view of no bindings, which owns them.
inline void Machine::bindEntered(const Callee* callee, Value* args, BoundView& view) {
  for (unsigned unused = callee->unusedArguments; unused != 0; unused &= unused - 1)
    releaseValue(args[__builtin_ctz(unused)]);
  view.reset(nullptr);
  bindArguments(callee, args, view.values);
  view.bindParameters(callee->bodyLetters);
}

// The match a called body begins with, taken on its argument as it is, as
// the body's first step would take it (Machine::matchStep): a list K gives
// the empty case, at once the call's answer when that is a parameter or a
// value written in the body (the focus is set and null returned); a pair
// binds its parts on top of the parameters, borrowed from the argument the
// view owns, and the lambda's body is where the call goes on.  Anything
// else enters the match's spine, whose step then takes it.
inline const Code* Machine::matchOnEntry(const Callee* callee, const Callee::FirstMatch& match, Value* args,
                                         BoundView& view) {
  const Code* code = match.code;
  Value v = args[match.matched];
  if (v.isNode()) {
    Node* l = v.node();
    bool pair = code->argCount == 1;
    if (!isLeaf(l)) {
      Node* g = functionOf(l);
      if (isApplication(g) && isLetterLeaf(functionOf(g), pair ? 'V' : 'J')) {
        Value x = Value::ofNode(argumentOf(g)), y = Value::ofNode(argumentOf(l));
        __builtin_prefetch(x.node());
        __builtin_prefetch(y.node());
        bindEntered(callee, args, view);
        const Code* outer = code->matchLambda;
        view.bindPair(outer->letter, x, outer->inner->letter, y, false);
        goOnWith(outer->inner->body, code, view);
        return code;
      }
    } else if (!pair && match.empty != Callee::kChosenBody && isLetterLeaf(l, 'K')) {
      const Part& empty = code->args[0];
      if (match.empty >= Callee::kChosenNode) {
        focus_ = answerPicked(callee, args, match.empty, empty);
        return nullptr;
      }
      bindEntered(callee, args, view);
      return empty.code;
    }
  }
  bindEntered(callee, args, view);
  return code;
}

// Performs a call whose operands are values (consumed).
inline void Machine::perform(const Code* code, Value* args, Bindings* spare) {
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
    bool value = isAnnotated(n) && !isConstantAnnotated(n) && !hasWork(n);  // as buildTerm builds it
    for (int i = first; i < taken; i++) n = value ? valueCell(n, nodeOf(args[i])) : ownedCell(n, nodeOf(args[i]));
    focus_ = Term::ofNode(n);
    return;
  }
  if (code->head == HeadKind::Builtin) {
    const BuiltinEntry& builtin = *code->builtin;
    Value answer;
    // The sum of two calls' values (fib(n - 1) + fib(n - 2)) without a call.
    if (answerInWordBox(builtin.wordOp, args, answer) || answerOnValues(builtin, args, answer, code)) {
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
  enter(calleeAt(code), args, spare);
}

// A body entered with bindings of its own (`b`, held by the focus) that
// begins with a choice on its parameters goes on with the part chosen when
// that is code: a spine under the same bindings, a wing or a lambda under
// those of its letters, as the body's first step gives them
// (Machine::focusUnder).  The arguments are borrowed from the bindings.
inline void Machine::focusFirstChoice(const Callee::FirstChoice& choice, const Value* args, Bindings* b) {
  int picked = firstChoice(choice, args);
  if (picked == 0) return;
  const Part& part = choice.code->args[picked];
  if (part.kind != Part::Compiled) return;
  if (part.code->kind == CodeKind::Spine) {
    focus_ = Term::ofCode(part.code, b);
    return;
  }
  focus_ = Term::ofCode(part.code, bindingsFor(part.code->letters, b));
  releaseBindings(b);
}

// Enters a global function's body with its arguments (consumed, values).
// `spare`: bindings nothing else holds any more (consumed), or null.
inline void Machine::enter(const Callee* callee, Value* args, Bindings* spare) {
  if (spare != nullptr) {
    emptyBindings(spare);
    if (callee->body.kind != Part::Compiled || bindingsBytes(spare->letters) != bindingsBytes(callee->bodyLetters)) {
      freeBindings(spare);
      spare = nullptr;
    }
  }
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
      Bindings* b = spare != nullptr ? reusedBindings(spare, callee->bodyLetters) : newBindings(callee->bodyLetters);
      Value* out = b->values();
      int n = __builtin_popcount(callee->bodyLetters);
      for (int k = 0; k < n; k++) out[k] = args[callee->argumentOfBinding[k]];
      focus_ = Term::ofCode(body.code, b);
      if (callee->choice.code != nullptr) [[unlikely]]
        focusFirstChoice(callee->choice, args, b);
      return;
    }
  }
}

}  // namespace quorl
