// Calls headed by a letter whose value is a function the machine knows.
//
// `a(i, j)`, with `a` a global function passed as a value, a partial
// application of one, a closure or a lambda kept in a list or a pair, would
// otherwise push its operands as argument frames and apply the head to
// them one at a time as terms: a partial application cell for each
// operand but the last, the call's spine split again, the lambda's
// argument bound through new bindings each time.  When the operands the
// function takes are values as they stand or calls answered where they
// stand, they are computed here, left to right as the applications would
// compute them, and the function's code is entered with them at once.
// Any other head, or an operand that is work, goes the general way.
#include "eval/closure_terms.hpp"
#include "eval/immediate.hpp"
#include "eval/machine_calls.hpp"
#include "eval/machine_view.hpp"

namespace quorl {

namespace {

// A global function's name at the head of `g` that takes its arguments as
// values, as contractApplied() finds it: its definition, or null.
Node* strictDefinitionAt(Node* head) {
  if (!isLeaf(head) || isConstantAnnotated(head)) return nullptr;
  unsigned char first = static_cast<unsigned char>(leafChars(head)[0]);
  if (first < 'a' || first > 'z') return nullptr;
  const NameResolution& r = resolveName(head);
  if (r.builtin != nullptr || r.definition == nullptr || r.combinator != 0 || isLinearHeadLeaf(head))
    return nullptr;
  return r.definition->get();
}

// The letters the operands of `code` from `from` on mention.
uint32_t lettersFrom(const Code* code, int from) {
  uint32_t letters = 0;
  for (int i = from; i < code->argCount; i++) letters |= lettersOf(code->args[i]);
  return letters;
}

}  // namespace

// The first `count` operands of `code` as values, left to right (each an
// operand answered where it stands); `later`: what is read after them.
void Machine::operandsHere(const Code* code, BoundView& view, int count, uint32_t later, Value* out) {
  for (int i = 0; i < count; i++) {
    const Part& op = code->args[i];
    if (op.valueState == 1) {
      out[i] = viewValue(op, view);
      continue;
    }
    uint32_t after = later | lettersFrom(code, i + 1);
    if (op.numbers && treeUnder(op, view, out[i])) continue;
    out[i] = operandHere(op, view, after);
  }
}

// `f x y ...` with f a letter (code.hpp): when f's value is a global
// function, a partial application of one or a lambda, and the operands it
// takes are answered where they stand, its code is entered with them, the
// operands after them waiting for its value.  False (nothing done)
// otherwise; `code` becomes the code to go on with, or null when the focus
// is set.
bool Machine::callHere(const Code*& code, BoundView& view) {
  int count = code->argCount;
  Value f = view.of(code->headPart.letter);
  if (f.isClosure() || (f.isNode() && binderShape(f.node()) == 'u')) return lambdaHere(code, view, f);
  if (!f.isNode()) return false;
  Node* g = f.node();
  ensureAnnotated(g);
  int need = storedArityOrOne(g);
  if (need > count) return false;
  Node* head = headOf(g);
  Node* definition = strictDefinitionAt(head);
  if (definition == nullptr) return false;
  for (int i = 0; i < need; i++)
    if (!answersHere(code->args[i])) return false;
  const Callee* callee = code->callee;
  if (callee == nullptr || callee->definition != definition) callee = code->callee = calleeOf(definition);
  NodeSpine given = splitSpine(g);
  if (callee->arity != given.count + need) return false;
  pushArguments(code, view, need);
  Value args[kMaxSpine];
  for (int i = 0; i < given.count; i++) {
    acquire(given.args[i]);
    args[i] = Value::ofNode(given.args[i]);
  }
  // g is borrowed from the view, and its parts with it: they are held now.
  operandsHere(code, view, need, uint32_t{1} << code->headPart.letter, args + given.count);
  view.release();
  const Part& body = callee->body;
  if (body.kind != Part::Compiled || __builtin_popcount(callee->bodyLetters) > BoundView::kMaxBound) {
    enter(callee, args);
    code = nullptr;
    return true;
  }
  // The body goes on through the view, its parameters bound on top of no
  // bindings: a body answered where it stands (entry(i, j), a tree of
  // numbers) then makes none.
  for (unsigned unused = callee->unusedArguments; unused != 0; unused &= unused - 1)
    releaseValue(args[__builtin_ctz(unused)]);
  view.reset(nullptr);
  int k = 0;
  for (uint32_t rest = callee->bodyLetters; rest != 0; rest &= rest - 1)
    view.bind(__builtin_ctz(rest), args[callee->argumentOfBinding[k++]], true);
  goOnWith(body, code, view);
  return true;
}

// The lambda f (a closure or a lambda term, borrowed from the view) given
// the operands of `code`: as many as its lambdas take one after the other
// (each inner lambda a value) and as are answered where they stand are
// bound on top of its bindings, and its body goes on through the view, the
// other operands waiting for its value.
bool Machine::lambdaHere(const Code*& code, BoundView& view, Value f) {
  const Code* lambda;
  Bindings* from;
  if (f.isClosure()) {
    lambda = f.closure()->code;
    from = f.closure()->bindings;
  } else {
    lambda = codeOfLambdaTerm(f.node(), from);
    if (lambda == nullptr) return false;
  }
  if (lambda->kind != CodeKind::Lambda) return false;
  const Code* chain[BoundView::kMaxBound];
  int take = 0;
  chain[take++] = lambda;
  if (!answersHere(code->args[0])) return false;
  for (;;) {
    if (take == code->argCount || take == BoundView::kMaxBound || !answersHere(code->args[take])) break;
    const Code* inner = innerLambda(chain[take - 1]);
    if (inner == nullptr || inner->valueState != 1) break;
    chain[take++] = inner;
  }
  pushArguments(code, view, take);
  Value args[BoundView::kMaxBound];
  operandsHere(code, view, take, uint32_t{1} << code->headPart.letter, args);
  // The lambda's bindings outlive the view, which may hold f alone.
  if (from != nullptr) acquireBindings(from);
  view.release();
  view.reset(from);
  for (int i = 0; i < take; i++) view.bind(chain[i]->letter, args[i], true);
  goOnWith(chain[take - 1]->body, code, view);
  return true;
}

}  // namespace quorl
