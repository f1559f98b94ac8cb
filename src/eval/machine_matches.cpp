// Lambdas of two parameters, as the match idiom passes them, and their
// bodies entered with the parts of a pair (machine_matches.hpp has the
// matches the loop takes inline).
#include "eval/closure_terms.hpp"
#include "eval/machine.hpp"
#include "eval/machine_matches.hpp"
#include "eval/why.hpp"

namespace quorl {

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

// The body of the two-parameter lambda `outer` entered with x and y
// (borrowed; held by the caller until the focus is set); `from` is the
// lambda's bindings (borrowed).
void Machine::enterPairBody(const Code* outer, Bindings* from, Value x, Value y) {
  if (from != nullptr) acquireBindings(from);
  BoundView view(from);
  view.bindPair(outer->letter, x, outer->inner->letter, y, false);
  runPart(outer->inner->body, view);
}

// onePartComputed when the part with work is not the last
// (`V (insert(l, key, value)) r`): the cells after it are built at once
// too, on the cell whose argument it is.  Not while --why watches: its
// reports name the calls pending through the frames of the operands
// collected, which the part computed here would not have.  Out of the
// machine's loop, which meets it less often.
bool Machine::innerPartComputed(const Code*& code, BoundView& view) {
  if (whyWatching()) return false;
  int work = code->workPart, last = code->argCount - 1;
  Node* g = code->writtenHead;
  int first = 0;
  if (code->closedHead != nullptr) {
    if (code->closedOperands > work) return false;  // the part itself is closed
    g = code->closedHead;
    first = code->closedOperands;
  }
  ensureAnnotated(g);
  // Each cell takes one argument more and is a value; the last still takes one.
  if (!takesValuesOnly(g) || hasWork(g) || storedArity(g) - (last - first) < 2) return false;
  acquire(g);
  for (int i = first; i < work; i++) g = valueCell(g, nodeOf(viewValue(code->args[i], view)));
  Node* holder = valueCell(g, nullptr);
  Node* cell = holder;
  for (int i = work + 1; i <= last; i++) cell = valueCell(cell, nodeOf(viewValue(code->args[i], view)));
  awaitPart(cell, &argumentSlot(holder));
  goOnWith(code->args[work], code, view);
  return true;
}

}  // namespace quorl
