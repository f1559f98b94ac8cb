// Bindings and closures: counts, iterative freeing, and their terms.
#include "eval/values.hpp"

#include <vector>

#include "eval/closure_terms.hpp"
#include "eval/code.hpp"
#include "eval/substitute.hpp"
#include "numbers/operands.hpp"
#include "numbers/real.hpp"

namespace quorl {

namespace {

// Closures can hold bindings that hold closures, as deep as a program
// nests them (a continuation built step by step), so freeing and building
// terms walk with explicit stacks.  Made on first need, never torn down.
constinit std::vector<Bindings*>* dyingBindings = nullptr;

void freeBindingsCell(Bindings* b) { releaseCell(b, bindingsBytes(b->letters)); }

// Drops one count of each value from the `first` on.  A closure that dies
// hands over its bindings when they die too: they are pushed on the list,
// made on first need, and true is returned.
inline bool dropValues(Bindings* b, int first = 0) {
  Value* values = b->values();
  int n = __builtin_popcount(b->letters);
  bool more = false;
  for (int i = first; i < n; i++) {
    Value v = values[i];
    if (!v.isClosure()) {
      releaseValue(v);  // a Node, a Word, a Big or a Real, which hold no bindings
      continue;
    }
    Closure* c = v.closure();
    if (--c->count != 0) continue;
    if (c->term != nullptr) release(c->term);
    if (--c->bindings->count == 0) {
      if (dyingBindings == nullptr) dyingBindings = new std::vector<Bindings*>();
      dyingBindings->push_back(c->bindings);
      more = true;
    }
    releaseCell(c, sizeof(Closure));
  }
  return more;
}

}  // namespace

void destroyBindings(Bindings* b, int first) {
  // Most bindings hold no closure that dies with them, and need no list.
  bool more = dropValues(b, first);
  freeBindingsCell(b);
  if (!more) return;
  // Nothing freed here calls back into this walk, so the list is not
  // shared with another.
  std::vector<Bindings*>& dying = *dyingBindings;
  while (!dying.empty()) {
    Bindings* next = dying.back();
    dying.pop_back();
    dropValues(next);
    freeBindingsCell(next);
  }
}

void destroyClosure(Closure* c) {
  if (c->term != nullptr) release(c->term);
  Bindings* b = c->bindings;
  releaseCell(c, sizeof(Closure));
  releaseBindings(b);
}

void destroyWord(Word* w) {
  if (w->leaf != nullptr) release(w->leaf);
  releaseCell(w, sizeof(Word));
}

void destroyBig(Big* b) {
  if (b->leaf != nullptr) release(b->leaf);
  b->value.~BigInteger();
  releaseCell(b, sizeof(Big));
}

void destroyReal(Real* r) {
  if (r->leaf != nullptr) release(r->leaf);
  releaseCell(r, sizeof(Real));
}

void destroyBox(Value v) {
  if (v.isClosure()) destroyClosure(v.closure());
  else if (v.isWord()) destroyWord(v.word());
  else if (v.isReal()) destroyReal(v.real());
  else destroyBig(v.big());
}

Bindings* exactBindings(uint32_t letters, Bindings* from) {
  if (from->letters == letters) {
    acquireBindings(from);
    return from;
  }
  Bindings* b = newBindings(letters);
  Value* out = b->values();
  for (uint32_t rest = letters; rest != 0; rest &= rest - 1) {
    Value v = from->of(__builtin_ctz(rest));
    acquireValue(v);
    *out++ = v;
  }
  return b;
}

namespace {

// Byte blocks and quoted texts: a builtin may change them in place.
bool growsInPlace(char first) { return first == '(' || first == '['; }

}  // namespace

Bindings* keptOrCopiedBindings(uint32_t letters, Bindings* from) {
  for (uint32_t extra = from->letters & ~letters; extra != 0; extra &= extra - 1) {
    Value v = from->of(__builtin_ctz(extra));
    if (v.isNode() && isLeaf(v.node()) && growsInPlace(leafChars(v.node())[0]))
      return exactBindings(letters, from);
  }
  acquireBindings(from);
  return from;
}

Closure* newClosure(const Code* lambda, Bindings* bindings) {
  auto* c = static_cast<Closure*>(allocateCell(sizeof(Closure)));
  c->count = 1;
  c->code = lambda;
  c->bindings = bindings;
  c->term = nullptr;
  return c;
}

namespace {

// Builds the term of every closure reachable from `root` through bindings
// that has none yet, innermost first.
void buildClosureTerms(Closure* root) {
  std::vector<Closure*> work{root};
  while (!work.empty()) {
    Closure* c = work.back();
    if (c->term != nullptr) {
      work.pop_back();
      continue;
    }
    bool ready = true;
    const Bindings* b = c->bindings;
    int n = __builtin_popcount(b->letters);
    for (int i = 0; i < n; i++) {
      Value v = b->values()[i];
      if (v.isClosure() && v.closure()->term == nullptr) {
        work.push_back(v.closure());
        ready = false;
      }
    }
    if (!ready) continue;
    work.pop_back();
    Node* values[26];
    termsOfBindings(b, c->code->letters, values);
    c->term = substituteLetters(c->code->term, c->code->letters, values).detach();
    rememberClosureTerm(c->term, c->code, c->bindings);
  }
}

}  // namespace

Node* termOf(Value v) {
  if (v.isNode()) return v.node();
  if (v.isWord()) {
    Word* w = v.word();
    if (w->leaf == nullptr) w->leaf = newIntegerLeaf(w->value);
    return w->leaf;
  }
  if (v.isBig()) {
    Big* b = v.big();
    if (b->leaf == nullptr) b->leaf = numberFromBig(b->value).detach();
    return b->leaf;
  }
  if (v.isReal()) {
    Real* r = v.real();
    if (r->leaf == nullptr) r->leaf = makeReal(r->value).detach();
    return r->leaf;
  }
  Closure* c = v.closure();
  if (c->term == nullptr) buildClosureTerms(c);
  return c->term;
}

void termsOfBindings(const Bindings* b, uint32_t letters, Node** out) {
  for (uint32_t rest = letters; rest != 0; rest &= rest - 1) {
    int letter = __builtin_ctz(rest);
    out[letter] = termOf(b->of(letter));
  }
}

}  // namespace quorl
