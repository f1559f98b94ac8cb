// The shapes that linking looks for in a term, and a bottom-up rebuild.
//
// A lambda form is ((\ v) body); a wing form is ((({ v) value) body).  The
// binder v is a leaf whose text names a parameter; anything else in binder
// position is reported as a malformed ("funky") form.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "front/chars.hpp"
#include "term/node.hpp"

namespace quorl {

inline bool isLambdaForm(const Node* n) { return binderShape(n) == 'u'; }
inline bool isWingForm(const Node* n) { return binderShape(n) == 'i'; }

inline const Node* lambdaParameter(const Node* n) { return argumentOf(functionOf(n)); }
inline const Node* lambdaBody(const Node* n) { return argumentOf(n); }
inline const Node* wingBinder(const Node* n) { return argumentOf(functionOf(functionOf(n))); }
inline const Node* wingValue(const Node* n) { return argumentOf(functionOf(n)); }
inline const Node* wingBody(const Node* n) { return argumentOf(n); }

inline bool isLeafText(const Node* n, std::string_view text) {
  return isLeaf(n) && std::string_view(leafChars(n), leafTextLength(n)) == text;
}

// A leaf's text; the empty text for an application.
inline std::string_view nodeText(const Node* n) {
  if (!isLeaf(n)) return {};
  return {leafChars(n), leafTextLength(n)};
}

// The key a binder name stands for ("[+]" binds "+"); a text that is not a
// function name stays as it is.
inline std::string binderKey(std::string_view text) {
  return isFunctionName(text) ? keyOf(text) : std::string(text);
}

// True when an application's argument sits in binder position: the
// function part is the lambda or the wing marker itself.
inline bool bindsItsArgument(const Node* n) {
  return isLeafText(functionOf(n), "\\") || isLeafText(functionOf(n), "{");
}

// Whether `test` holds for any application cell of the term.  Walks
// without recursion, a cell held more than once only the first time.  A
// rewrite that finds nothing to rewrite (most definitions, the Prelude's
// all) returns the term itself without rebuilding it.
template <class Test>
bool anyApplication(const NodeRef& term, Test test) {
  std::vector<const Node*> work{term.get()};
  std::unordered_set<const Node*> seen;
  while (!work.empty()) {
    const Node* n = work.back();
    work.pop_back();
    if (isLeaf(n)) continue;
    if (countOf(n) > 1 && !seen.insert(n).second) continue;
    if (test(n)) return true;
    work.push_back(argumentOf(n));
    work.push_back(functionOf(n));
  }
  return false;
}

// Rebuilds a term bottom-up without recursion.  `onLeaf(leaf, isBinder)`
// gives each leaf's replacement; `onApplication(original, function,
// argument)` builds an application from its rebuilt parts.  Subterms that
// are shared inside the term are rebuilt once.
template <class LeafFn, class ApplicationFn>
NodeRef rebuildTerm(const NodeRef& term, LeafFn onLeaf, ApplicationFn onApplication) {
  struct Frame {
    const Node* node;
    bool binder;
    bool partsDone;
  };
  std::unordered_map<const Node*, NodeRef> shared;
  std::vector<Frame> work{{term.get(), false, false}};
  std::vector<NodeRef> results;
  while (!work.empty()) {
    Frame frame = work.back();
    work.pop_back();
    const Node* n = frame.node;
    if (isLeaf(n)) {
      results.push_back(onLeaf(n, frame.binder));
      continue;
    }
    // More than one parent holds it (the root's extra count is the caller's).
    bool isShared = countOf(n) > 1 && n != term.get();
    if (!frame.partsDone) {
      if (isShared) {
        auto found = shared.find(n);
        if (found != shared.end()) {
          results.push_back(found->second);
          continue;
        }
      }
      work.push_back({n, frame.binder, true});
      work.push_back({argumentOf(n), bindsItsArgument(n), false});
      work.push_back({functionOf(n), false, false});
      continue;
    }
    NodeRef argument = std::move(results.back());
    results.pop_back();
    NodeRef function = std::move(results.back());
    results.pop_back();
    NodeRef rebuilt = onApplication(n, std::move(function), std::move(argument));
    if (isShared) shared.emplace(n, rebuilt);
    results.push_back(std::move(rebuilt));
  }
  return std::move(results.back());
}

// The application rebuilt from its parts, or the original when neither
// part changed.
inline NodeRef sameOrRebuilt(const Node* original, NodeRef function, NodeRef argument) {
  if (function.get() == functionOf(original) && argument.get() == argumentOf(original))
    return NodeRef(const_cast<Node*>(original));
  return apply(std::move(function), std::move(argument));
}

inline NodeRef unchangedLeaf(const Node* n, bool) { return NodeRef(const_cast<Node*>(n)); }

}  // namespace quorl
