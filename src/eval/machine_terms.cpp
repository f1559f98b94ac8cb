// Machine terms turned into values and Nodes, and the Prelude's linear
// combinators contracted over machine terms without building their redex.
#include "eval/machine.hpp"

#include "eval/substitute.hpp"
#include "term/cells.hpp"

#include <cstdlib>
#include <new>

namespace quorl {

void FrameStack::grow() {
  size_t count = size();
  size_t capacity = base_ == nullptr ? 1024 : 2 * static_cast<size_t>(end_ - base_);
  auto* frames = static_cast<Frame*>(std::realloc(base_, capacity * sizeof(Frame)));
  if (frames == nullptr) throw std::bad_alloc();
  base_ = frames;
  top_ = frames + count;
  end_ = frames + capacity;
}

FrameStack::~FrameStack() {
  clear();
  std::free(base_);
}

namespace {

// A letter or shared part's term, with a count for the caller.
Node* plainTerm(const Part& p, const Bindings* b) {
  Node* n = p.kind == Part::Letter ? termOf(b->of(p.letter)) : p.node;
  acquire(n);
  return n;
}

}  // namespace

Node* buildTerm(const Code* code, const Bindings* b) {
  if (code->flat) {
    // What substitution would rebuild: every cell of the spine.
    Node* n = code->head == HeadKind::Letter ? plainTerm(code->headPart, b) : code->writtenHead;
    int first = 0;
    if (code->closedHead != nullptr) {
      n = code->closedHead;
      first = code->closedOperands;
    }
    if (code->head != HeadKind::Letter) acquire(n);
    // A value's spine is a head that is no constant given values.
    bool value = code->valueState == 1 && code->head != HeadKind::Letter && isAnnotated(n) &&
                 !isConstantAnnotated(n);
    for (int i = first; i < code->argCount; i++) {
      Node* x = plainTerm(code->args[i], b);
      n = value ? valueCell(n, x) : ownedCell(n, x);
    }
    return n;
  }
  Node* values[26];
  termsOfBindings(b, code->letters, values);
  return substituteLetters(code->term, code->letters, values).detach();
}

Value toValue(Term t) {
  if (!t.isCode()) return t.value();
  const Code* code = t.code();
  if (code->kind == CodeKind::Lambda && code->valueState == 1) {
    Closure* c = newClosure(code, exactBindings(code->letters, t.bindings));
    releaseBindings(t.bindings);
    return Value::ofClosure(c);
  }
  Node* n = buildTerm(code, t.bindings);
  releaseBindings(t.bindings);
  return Value::ofNode(n);
}

Node* toNode(Term t) {
  if (t.isCode()) {
    Node* n = buildTerm(t.code(), t.bindings);
    releaseBindings(t.bindings);
    return n;
  }
  Value v = t.value();
  if (v.isNode()) return v.node();
  Node* n = termOf(v);
  acquire(n);
  releaseValue(v);
  return n;
}

bool knownValue(Term t) {
  if (t.isCode()) return t.code()->valueState == 1;
  Value v = t.value();
  if (!v.isNode()) return true;  // closures are lambdas, words numbers
  Node* n = v.node();
  if (!isAnnotated(n)) annotate(n);
  return isValue(n);
}

namespace {

const Node* bodyOf(const Node* definition, int parameters) {
  for (int i = 0; i < parameters; i++) definition = argumentOf(definition);
  return definition;
}

// A leaf of a combinator's body, as the term substitution would share.
Term shared(const Node* n) {
  Node* m = const_cast<Node*>(n);
  acquire(m);
  return Term::ofNode(m);
}

// The application of two machine terms, as a Node.
Term applied(Term g, Term x) { return Term::ofNode(ownedCell(toNode(g), toNode(x))); }

Contracted spine(Term head) { return Contracted{head, {}, 0}; }
Contracted spine(Term head, Term a) { return Contracted{head, {a}, 1}; }
Contracted spine(Term head, Term a, Term b) { return Contracted{head, {a, b}, 2}; }

}  // namespace

Contracted contractCombinatorTerms(char key, const Node* definition, Term* a) {
  auto body = [definition](int parameters) { return bodyOf(definition, parameters); };
  switch (key) {
    case 'I':  // I a = a
      return spine(a[0]);
    case 'K':  // K a b = a
      releaseTerm(a[1]);
      return spine(a[0]);
    case 'H':  // H a = I
    case 'N':  // N a = K
    case 'Z':  // Z a = Z
      releaseTerm(a[0]);
      return spine(shared(body(1)));
    case 'T':  // T a b = b a
      return spine(a[1], a[0]);
    case 'V':  // V a b c = c a b
      return spine(a[2], a[0], a[1]);
    case 'J':  // J a b c = V a b
      releaseTerm(a[2]);
      return spine(shared(functionOf(functionOf(body(3)))), a[0], a[1]);
    case 'F':  // F a b = V b a
      return spine(shared(functionOf(functionOf(body(2)))), a[1], a[0]);
    case 'B':  // B a b c = a (b c)
      return spine(a[0], applied(a[1], a[2]));
    case 'C':  // C a b c = a c b
      return spine(a[0], a[2], a[1]);
    case 'D':  // D a b c d = a b (c d)
      return spine(a[0], a[1], applied(a[2], a[3]));
    case '&':  // & q r = q r H
      return spine(a[0], a[1], shared(argumentOf(body(2))));
    case '|':  // | q r = q K r
      return spine(a[0], shared(argumentOf(functionOf(body(2)))), a[1]);
    default:
      checkFailure(kCoreModule, 3340);
  }
}

}  // namespace quorl
