// The continuation of the reference engine: a stack of frames held on the
// heap, one per pending application.  An argument frame (T x) waits for a
// function value to apply to x; a function frame g waits for an argument
// value to give to g.  An argument frame may hold its argument still
// unsubstituted (a Deferred record: the body part and the values of its
// letters), built the first time the frame is looked at.
#pragma once

#include <cstdint>
#include <vector>

#include "eval/substitute.hpp"
#include "term/cells.hpp"
#include "term/node.hpp"
#include "term/tables.hpp"

namespace quorl::reference {

// apply(), with its cell built inline: the machine applies on every step.
inline NodeRef applyInline(NodeRef g, NodeRef x) {
  return NodeRef::adopt(ownedCell(g.detach(), x.detach()));
}

// --- the continuation ---------------------------------------------------------

class Continuation {
 public:
  Continuation() = default;
  Continuation(const Continuation&) = delete;
  Continuation& operator=(const Continuation&) = delete;
  ~Continuation() { clear(); }

  bool empty() const { return frames_.empty(); }

  // (T x): the function part is being computed; it will be applied to x.
  void pushArgument(Node* x) { push(x, kArgumentTag); }
  // (T x) where x is `part` with the letters replaced by their values;
  // `part` mentions at least one of the letters.
  void pushDeferredArgument(Node* part, uint32_t letters, Node* const* values) {
    frames_.push_back(reinterpret_cast<uintptr_t>(Deferred::make(part, letters, values)) |
                      kArgumentTag | kDeferredTag);
  }
  void pushArgument(NodeRef x) {
    frames_.push_back(reinterpret_cast<uintptr_t>(x.detach()) | kArgumentTag);
  }
  // g: the argument is being computed; g will be applied to it.
  void pushFunction(Node* g) { push(g, 0); }
  void pushFunction(NodeRef g) { frames_.push_back(reinterpret_cast<uintptr_t>(g.detach())); }

  bool topIsArgument() const { return frames_.back() & kArgumentTag; }
  Node* top() { return nodeAt(frames_.size() - 1); }

  // Turns the top argument frame (T x) into the function frame g.
  void replaceTopByFunction(NodeRef g) {
    discard(frames_.back());
    frames_.back() = reinterpret_cast<uintptr_t>(g.detach());
  }

  // Hands the value to the top frame: (value x) or (g value).
  NodeRef popApply(NodeRef value) {
    bool argument = topIsArgument();
    NodeRef held = pop();
    if (argument) return applyInline(std::move(value), std::move(held));
    return applyInline(std::move(held), std::move(value));
  }

  // Removes the top frame and hands over its count.
  NodeRef pop() {
    Node* n = top();
    frames_.pop_back();
    return NodeRef::adopt(n);
  }

  // Removes the top frame, whose term nobody needs.
  void drop() {
    discard(frames_.back());
    frames_.pop_back();
  }

  // An unsubstituted argument: the part of the body, then the values of
  // the letters it mentions, in letter order.  It holds a count on each.
  struct Deferred {
    Node* part;
    uint32_t letters;
    uint32_t count;

    Node** values() { return reinterpret_cast<Node**>(this + 1); }
    static size_t bytes(uint32_t count) { return sizeof(Deferred) + count * sizeof(Node*); }

    static Deferred* make(Node* part, uint32_t letters, Node* const* all) {
      letters &= cachedVariables(part);
      uint32_t count = 0;
      for (uint32_t rest = letters; rest != 0; rest &= rest - 1) count++;
      auto* d = static_cast<Deferred*>(allocateCell(bytes(count)));
      acquire(part);
      d->part = part;
      d->letters = letters;
      d->count = count;
      Node** values = d->values();
      for (uint32_t rest = letters; rest != 0; rest &= rest - 1) {
        Node* value = all[__builtin_ctz(rest)];
        acquire(value);
        *values++ = value;
      }
      return d;
    }

    // Puts each value at its letter's index of `all`.
    void spread(Node** all) {
      Node** values = this->values();
      for (uint32_t rest = letters; rest != 0; rest &= rest - 1) all[__builtin_ctz(rest)] = *values++;
    }

    NodeRef build() {
      Node* all[26];
      spread(all);
      return substituteLetters(part, letters, all);
    }

    void destroy() {
      release(part);
      Node** values = this->values();
      for (uint32_t i = 0; i < count; i++) release(values[i]);
      releaseCell(this, bytes(count));
    }
  };

  // Removes the top frame, which holds an unsubstituted argument, and
  // hands over its record.
  Deferred* popDeferred() {
    auto* d = reinterpret_cast<Deferred*>(frames_.back() & ~kTags);
    frames_.pop_back();
    return d;
  }

  // True when the i-th frame from the top holds an unsubstituted argument
  // that lacks no argument.  Its head is no variable (a variable's spine
  // never has an arity below 1), so substitution keeps that arity and it
  // is no value, unless a constant applied to variables becomes a constant;
  // computing that takes one step that hands it back unchanged, so the
  // callers may treat it as no value.
  bool holdsNonValueBelowTop(int i) const {
    uintptr_t frame = frames_[frames_.size() - 1 - i];
    if (!(frame & kDeferredTag)) return false;
    const Node* part = reinterpret_cast<const Deferred*>(frame & ~kTags)->part;
    return !isConstantAnnotated(part) && storedArity(part) <= 0;
  }

  // True when the i-th frame from the top (0 the top one) holds its
  // argument still unsubstituted.
  bool isDeferredBelowTop(int i) const {
    return frames_[frames_.size() - 1 - i] & kDeferredTag;
  }

  // True when the top n frames all wait with arguments.
  bool hasPendingArguments(int n) const {
    if (frames_.size() < static_cast<size_t>(n)) return false;
    for (size_t i = frames_.size() - n; i < frames_.size(); i++)
      if (!(frames_[i] & kArgumentTag)) return false;
    return true;
  }

  // The redex of e applied to the n arguments waiting on top (the nearest
  // first), for a builtin's handler: its cells are not annotated.
  NodeRef popRedex(NodeRef e, int n) {
    Node* cell = e.detach();
    for (int i = 0; i < n; i++) {
      cell = adoptingCell(cell, pop().detach());
      acquire(cell);  // held by the next cell, or by the result
    }
    return NodeRef::adopt(cell);
  }

  // Applies e to the n arguments waiting on top (the nearest first).
  NodeRef applyPending(NodeRef e, int n) {
    for (int i = 0; i < n; i++) e = popApply(std::move(e));
    return e;
  }

  // The argument of the i-th frame from the top (0 the top one).
  Node* argumentBelowTop(int i) { return nodeAt(frames_.size() - 1 - i); }

  // Drops every pending frame: the evaluation ends with the current term.
  void clear() {
    for (uintptr_t frame : frames_) discard(frame);
    frames_.clear();
  }

 private:
  static constexpr uintptr_t kArgumentTag = 1;
  static constexpr uintptr_t kDeferredTag = 2;
  static constexpr uintptr_t kTags = kArgumentTag | kDeferredTag;

  // The term of frame i, substituted first if it is deferred.
  Node* nodeAt(size_t i) {
    uintptr_t frame = frames_[i];
    if (frame & kDeferredTag) [[unlikely]] {
      auto* d = reinterpret_cast<Deferred*>(frame & ~kTags);
      Node* built = d->build().detach();
      d->destroy();
      frames_[i] = reinterpret_cast<uintptr_t>(built) | kArgumentTag;
      return built;
    }
    return reinterpret_cast<Node*>(frame & ~kTags);
  }

  static void discard(uintptr_t frame) {
    if (frame & kDeferredTag) reinterpret_cast<Deferred*>(frame & ~kTags)->destroy();
    else release(reinterpret_cast<Node*>(frame & ~kTags));
  }

  void push(Node* n, uintptr_t tag) {
    acquire(n);
    frames_.push_back(reinterpret_cast<uintptr_t>(n) | tag);
  }

  std::vector<uintptr_t> frames_;  // owning Node pointers, low bit tags (T x)
};

}  // namespace quorl::reference
