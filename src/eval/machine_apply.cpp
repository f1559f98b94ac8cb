// Values meeting the frames that wait for them: a value given to a
// pending argument, and a function value given its argument's value.
#include "eval/engine.hpp"

#include "eval/closure_terms.hpp"
#include "eval/data_cells.hpp"
#include "eval/real_values.hpp"
#include "eval/machine.hpp"
#include "eval/machine_calls.hpp"

namespace quorl {

namespace {

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

}  // namespace



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
  code = codeOfLambdaTerm(n, b);
  return code != nullptr;
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
  // Closures are lambdas, so v is a Node, or a Word or a Big, which is
  // applied as its leaf.
  if (!v.value().isNode()) v = focus_ = Term::ofNode(nodeOf(v.value()));
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

// The value g of a function frame is applied to the value in focus.  Most
// often g is a partial application of values, no lambda (J y waiting for
// its tail, as a list is built on a recursion's way back): given one more
// value, it is a value.  That case is kept apart from the others, so that
// it costs little more than the cell it makes.
void Machine::applyFunction(Value g) {
  // A cell in focus: nothing to make of it (a word's leaf) first.
  if (!focus_.isCode() && focus_.value().isNode() && takesValuesOnly(g.isNode() ? g.node() : nullptr)) {
    focus_ = Term::ofNode(valueCell(g.node(), focus_.value().node()));
    return;
  }
  applyOtherFunction(g);
}

// Out of line, so that the common case above saves no registers for it.
[[gnu::noinline]] void Machine::applyOtherFunction(Value g) {
  Value x = toValue(focus_);
  if (takesValuesOnly(g.isNode() ? g.node() : nullptr)) {  // the focus was code, or no cell
    focus_ = Term::ofNode(valueCell(g.node(), nodeOf(x)));
    return;
  }
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
        // An operator's closed first operand is part of g (7^k): numbers
        // are answered here as in a call; and a builtin of one argument that
        // the engine answers on its values (`real`) is g itself.
        Value answer;
        WordOp op = r.builtin->wordOp;
        if (op != WordOp::None && r.builtin->arity == 2 && isApplication(g) && functionOf(g) == head &&
            answerNumberValues(op, Value::ofNode(argumentOf(g)), x, answer)) {
          release(g);
          releaseValue(x);
          focus_ = Term::of(answer);
          return;
        }
        if (r.builtin->onValues != nullptr && r.builtin->arity == 1 && g == head && r.builtin->onValues(&x, answer)) {
          release(g);  // x is consumed
          focus_ = Term::of(answer);
          return;
        }
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
  enterPairBody(code, from, Value::ofNode(argumentOf(g)), Value::ofNode(argumentOf(n)));
  FrameStack::releaseFrame(f);
  release(n);
  return true;
}


}  // namespace quorl
