// The machine's steps on terms held as Nodes: spines taken apart, redexes
// contracted by their heads, constants computed once and remembered.
#include <string>

#include "compile/rewrite.hpp"
#include "eval/closure_terms.hpp"
#include "eval/combinators.hpp"
#include "eval/failure_record.hpp"
#include "eval/machine.hpp"
#include "eval/machine_calls.hpp"
#include "eval/substitute.hpp"
#include "eval/unfold.hpp"
#include "eval/why.hpp"

namespace quorl {

namespace {

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

}  // namespace

NodeRef lambdaForm(Node* variable, Node* body) {
  return apply(apply(sharedLeaf('\\'), NodeRef(variable)), NodeRef(body));
}

namespace {

NodeRef cycleRecord(std::string_view name) {
  RunOutcome outcome;
  outcome.message = "Cycle detected on function " + std::string(name) + ".";
  outcome.status = "cycle";
  outcome.vip = clipBalanced(name);
  return failureRecord(outcome);
}


}  // namespace

void Machine::takeContracted(const Contracted& r) {
  for (int i = r.count - 1; i >= 0; i--) stack_.pushArgument(r.args[i]);
  focus_ = r.head;
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
    if (const Code* wing = closedWingCodeOf(n)) {
      stack_.push(FrameKind::Wing, reinterpret_cast<uintptr_t>(wing), nullptr);
      acquire(bound);
      focus_ = Term::ofNode(bound);
      release(n);
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
    Bindings* from;
    if (const Code* code = codeOfLambdaTerm(lambda, from)) {
      focusBody(code->body, from, code->letter, a);
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
    if (const Code* wing = closedWingCodeOf(n)) {
      if (!isValue(bound)) {
        stack_.push(FrameKind::Wing, reinterpret_cast<uintptr_t>(wing), nullptr);
        acquire(bound);
        focus_ = Term::ofNode(bound);
        return;
      }
      acquire(bound);
      focusBody(wing->body, nullptr, wing->letter, Value::ofNode(bound));
      return;
    }
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
      // Of two parameters with one letter the first takes the body's
      // occurrences; the later one is unused.
      if (!(letters & (uint32_t{1} << letter))) values[letter] = s.args[i];
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
    if (whyWatching()) [[unlikely]]
      whyCycleRaised(leafChars(head), focus_.value().node());
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


}  // namespace quorl
