// Wings, the local definitions x{v} body: a bound value known at once is
// bound on top of the view, so that a run of definitions makes no bindings
// of its own; one that must be computed waits in a Wing frame, and the body
// is focused under the frame's bindings and the value once it comes.
#include "eval/immediate.hpp"
#include "eval/machine_view.hpp"

namespace quorl {

namespace {

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

}  // namespace

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

}  // namespace quorl
