// Rewrites applied to every definition before a program runs: quoting of
// backquoted operands, destructuring of two-name wing binders, and the
// renaming of long binder names to free letters.
#include "compile/rewrite.hpp"

#include <vector>

#include "compile/forms.hpp"
#include "driver/check.hpp"

namespace quorl {

NodeRef quoteBackquotes(const NodeRef& term) {
  if (!anyApplication(term, [](const Node* n) { return isLeafText(functionOf(n), "`"); })) return term;
  auto onApplication = [](const Node* original, NodeRef function, NodeRef argument) {
    if (!isLeafText(functionOf(original), "`"))
      return sameOrRebuilt(original, std::move(function), std::move(argument));
    // The quoted text is printed from the operand as written, before its
    // own backquotes were rewritten.
    std::string quoted = "[" + termText(NodeRef(argumentOf(original))) + "]";
    return apply3(leaf("V"), leaf(quoted), std::move(argument));
  };
  return rebuildTerm(term, unchangedLeaf, onApplication);
}

namespace {

// p q{W}B  becomes  q{W}(p{q K}(q{q H}B)).
NodeRef splitPairWing(const Node* p, const Node* q, NodeRef value, NodeRef body) {
  std::string secondKey = keyOf(nodeText(q));
  NodeRef second = apply4(leaf("{"), NodeRef(const_cast<Node*>(q)),
                          apply(leaf(secondKey), leaf("H")), std::move(body));
  NodeRef first = apply4(leaf("{"), NodeRef(const_cast<Node*>(p)),
                         apply(leaf(secondKey), leaf("K")), std::move(second));
  return apply4(leaf("{"), NodeRef(const_cast<Node*>(q)), std::move(value), std::move(first));
}

bool isNameLeaf(const Node* n) { return isLeaf(n) && isFunctionName(nodeText(n)); }

// A wing form whose binder is two names: p q{W}B.
bool bindsAPair(const Node* n) {
  if (!isWingForm(n)) return false;
  const Node* binder = wingBinder(n);
  return !isLeaf(binder) && isNameLeaf(functionOf(binder)) && isNameLeaf(argumentOf(binder));
}

}  // namespace

NodeRef destructurePairs(const NodeRef& term) {
  // Nothing changes unless some wing binds a pair (rewriting one never
  // makes another out of a cell that was none).
  if (!anyApplication(term, bindsAPair)) return term;
  auto onApplication = [](const Node* original, NodeRef function, NodeRef argument) {
    NodeRef rebuilt = sameOrRebuilt(original, std::move(function), std::move(argument));
    const Node* n = rebuilt.get();
    if (!bindsAPair(n)) return rebuilt;
    const Node* binder = wingBinder(n);
    return splitPairWing(functionOf(binder), argumentOf(binder),
                         NodeRef(const_cast<Node*>(wingValue(n))),
                         NodeRef(const_cast<Node*>(wingBody(n))));
  };
  return rebuildTerm(term, unchangedLeaf, onApplication);
}

namespace {

// Calls visit(binder text) for the binder of every lambda and wing form.
template <class Visit>
void forEachBinder(const NodeRef& term, Visit visit) {
  std::vector<const Node*> work{term.get()};
  while (!work.empty()) {
    const Node* n = work.back();
    work.pop_back();
    if (isLeaf(n)) continue;
    if (isLambdaForm(n)) visit(nodeText(lambdaParameter(n)));
    else if (isWingForm(n)) visit(nodeText(wingBinder(n)));
    work.push_back(argumentOf(n));
    work.push_back(functionOf(n));
  }
}

}  // namespace

NameSet binderNamesLong(const NodeRef& term) {
  NameSet names;
  // A binder that is no name at all is left to the malformed-form check.
  forEachBinder(term, [&](std::string_view text) {
    if (!isLocalName(text) && isFunctionName(text)) names.emplace(text);
  });
  return names;
}

NameSet binderNamesLetter(const NodeRef& term) {
  NameSet letters;
  forEachBinder(term, [&](std::string_view text) {
    if (isLocalName(text)) letters.emplace(text);
  });
  return letters;
}

NodeRef renameKey(const NodeRef& term, std::string_view key, char letter) {
  if (!isKey(key) || letter < 'a' || letter > 'z') internalFailure("renamekey");
  NodeRef replacement = leaf(std::string_view(&letter, 1));
  auto onLeaf = [&](const Node* n, bool isBinder) {
    std::string_view text = nodeText(n);
    bool renamed = isBinder ? binderKey(text) == key : text == key;
    return renamed ? replacement : NodeRef(const_cast<Node*>(n));
  };
  return rebuildTerm(term, onLeaf, sameOrRebuilt);
}

}  // namespace quorl
