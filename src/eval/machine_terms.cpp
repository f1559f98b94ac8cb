// Machine terms turned into values and Nodes, and the Prelude's linear
// combinators contracted over machine terms without building their redex.
#include "eval/machine.hpp"

#include "eval/substitute.hpp"
#include "term/cells.hpp"

#include <cstdlib>
#include <new>
#include <vector>

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

// The term of code that is no spine: a lambda that is a value becomes its
// closure's term, which the machine can still run as code
// (closure_terms.hpp); anything else is substituted.  With a count for the
// caller.
Node* formTerm(const Code* code, const Bindings* b) {
  if (code->kind == CodeKind::Lambda && code->valueState == 1) {
    Value closure = Value::ofClosure(newClosure(code, exactBindings(code->letters, const_cast<Bindings*>(b))));
    Node* n = termOf(closure);
    acquire(n);
    releaseValue(closure);
    return n;
  }
  Node* values[26];
  termsOfBindings(b, code->letters, values);
  return substituteLetters(code->term, code->letters, values).detach();
}

// A part's term when it is no spine, with a count for the caller.
Node* partTerm(const Part& p, const Bindings* b) {
  Node* n;
  switch (p.kind) {
    case Part::Letter:
      n = termOf(b->of(p.letter));
      break;
    case Part::Shared:
      n = p.node;
      break;
    default:
      return formTerm(p.code, b);
  }
  acquire(n);
  return n;
}

// A spine being built: the cells made so far, and the operand next.
struct OpenSpine {
  const Code* code;
  Node* node;  // owned
  int next;
  bool value;
};

inline OpenSpine openSpine(const Code* code, const Bindings* b) {
  OpenSpine s{code, nullptr, 0, false};
  if (code->closedHead != nullptr) {
    s.node = code->closedHead;
    s.next = code->closedOperands;
    acquire(s.node);
  } else if (code->head == HeadKind::Letter || code->writtenHead == nullptr) {
    s.node = partTerm(code->headPart, b);
  } else {
    s.node = code->writtenHead;
    acquire(s.node);
  }
  // A value's spine is a head that is no constant given values.
  s.value = code->valueState == 1 && code->head != HeadKind::Letter && isAnnotated(s.node) &&
            !isConstantAnnotated(s.node);
  return s;
}

}  // namespace

// What substitution would build: every cell of a spine is new (each
// mentions a letter), the part of it that mentions none is shared, and
// operands that are spines are built the same way, on a stack kept between
// calls, since code may nest as deeply as the program's text does.
Node* buildTerm(const Code* code, const Bindings* b) {
  if (code->kind != CodeKind::Spine) return formTerm(code, b);
  if (!code->nested) {
    // Most spines: no operand is a spine itself.
    OpenSpine s = openSpine(code, b);
    for (int i = s.next; i < code->argCount; i++) {
      Node* x = partTerm(code->args[i], b);
      s.node = s.value ? valueCell(s.node, x) : ownedCell(s.node, x);
    }
    return s.node;
  }
  static std::vector<OpenSpine> open;  // shared with any build this one starts
  size_t base = open.size();
  open.push_back(openSpine(code, b));
  for (;;) {
    OpenSpine& top = open.back();
    if (top.next == top.code->argCount) {
      Node* done = top.node;
      open.pop_back();
      if (open.size() == base) return done;
      OpenSpine& parent = open.back();
      parent.node = parent.value ? valueCell(parent.node, done) : ownedCell(parent.node, done);
      parent.next++;
      continue;
    }
    const Part& p = top.code->args[top.next];
    if (p.kind == Part::Compiled && p.code->kind == CodeKind::Spine) {
      open.push_back(openSpine(p.code, b));
      continue;
    }
    Node* x = partTerm(p, b);
    top.node = top.value ? valueCell(top.node, x) : ownedCell(top.node, x);
    top.next++;
  }
}

Value codeToValue(Term t) {
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
