// Linking: the whole-program checks and the preparation of every definition
// for the reduction engine.
#include "compile/link.hpp"

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "compile/forms.hpp"
#include "compile/layouts.hpp"
#include "compile/rewrite.hpp"
#include "driver/check.hpp"
#include "front/chars.hpp"

namespace quorl {

// --- term queries ------------------------------------------------------------

std::optional<NodeRef> findFunkyForm(const NodeRef& term) {
  std::vector<const Node*> work{term.get()};
  auto malformed = [](const Node* n) { return std::optional<NodeRef>(NodeRef(const_cast<Node*>(n))); };
  while (!work.empty()) {
    const Node* n = work.back();
    work.pop_back();
    if (isLeaf(n)) continue;
    const Node* function = functionOf(n);
    if (isLeaf(function)) {
      work.push_back(argumentOf(n));
    } else if (isLambdaForm(n)) {
      if (!isFunctionName(nodeText(lambdaParameter(n)))) return malformed(n);
      work.push_back(lambdaBody(n));
    } else if (isWingForm(n)) {
      if (!isFunctionName(nodeText(wingBinder(n)))) return malformed(n);
      work.push_back(wingBody(n));
      work.push_back(wingValue(n));
    } else {
      work.push_back(argumentOf(n));
      // ((g y) x) with g a leaf: only y is looked at, then x.
      work.push_back(isLeaf(functionOf(function)) ? argumentOf(function) : function);
    }
  }
  return std::nullopt;
}

namespace {

// Hashing of texts that finds a std::string key by a string_view, so that
// looking up a leaf's text builds no string.
struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

}  // namespace

NameSet globalRefs(const NodeRef& term) {
  enum class Action { Visit, Bind, Unbind };
  struct Frame {
    Action action;
    const Node* node;  // Visit
    size_t key;        // Bind, Unbind: an index into keys
  };
  NameSet refs;
  std::vector<std::string> keys;  // the binders met, in walk order
  std::unordered_map<std::string, int, TextHash, std::equal_to<>> bound;  // keys bound around the walk
  std::vector<Frame> work;
  work.push_back({Action::Visit, term.get(), 0});
  auto binds = [&](std::string_view binder, const Node* body) {
    keys.push_back(binderKey(binder));
    work.push_back({Action::Unbind, nullptr, keys.size() - 1});
    work.push_back({Action::Visit, body, 0});
    work.push_back({Action::Bind, nullptr, keys.size() - 1});
  };
  while (!work.empty()) {
    Frame frame = work.back();
    work.pop_back();
    const Node* n = frame.node;
    if (frame.action == Action::Bind) {
      bound[keys[frame.key]]++;
    } else if (frame.action == Action::Unbind) {
      bound.find(keys[frame.key])->second--;
    } else if (isLeaf(n)) {
      std::string_view text = nodeText(n);
      if (!isKey(text) || text[0] == '{' || text[0] == '\\') continue;
      auto found = bound.find(text);
      if (found == bound.end() || found->second == 0) refs.emplace(text);
    } else if (isLambdaForm(n)) {
      binds(nodeText(lambdaParameter(n)), lambdaBody(n));
    } else if (isWingForm(n)) {
      binds(nodeText(wingBinder(n)), wingBody(n));
      work.push_back({Action::Visit, wingValue(n), 0});
    } else {
      work.push_back({Action::Visit, argumentOf(n), 0});
      work.push_back({Action::Visit, functionOf(n), 0});
    }
  }
  return refs;
}

uint32_t freeLocals(const NodeRef& term) { return freeVariables(term.get()); }

int leadingLambdaCount(const NodeRef& term) {
  const Node* n = term.get();
  int count = 0;
  while (count < kMaxArity && isLambdaForm(n)) {
    count++;
    n = lambdaBody(n);
  }
  return count;
}

// --- the steps ---------------------------------------------------------------

namespace {

void replaceEach(DefinitionMap& definitions, NodeRef (*rewrite)(const NodeRef&)) {
  for (auto& [name, term] : definitions) term = rewrite(term);
  noteDefinitionsChanged();
}

}  // namespace

void rewriteQuotesAndPairs(DefinitionMap& definitions) {
  replaceEach(definitions, quoteBackquotes);
  replaceEach(definitions, destructurePairs);
}

RunOutcome checkFunkyKeys(const DefinitionMap& definitions) {
  for (const auto& [name, term] : definitions) {
    std::optional<NodeRef> form = findFunkyForm(term);
    if (!form) continue;
    std::string text = termText(*form);
    if (name.empty())
      return failure("funky", "Funky key in expression " + text + ".", {}, clipBalanced(text));
    return failure("funky", "Funky key in expression " + text + " in function " + name + ".",
                   shortName(name), clipBalanced(text));
  }
  return RunOutcome();
}

RunOutcome checkLiveness(const DefinitionMap& definitions, const DefinitionMap* alsoDefined,
                         std::string_view undefinedWord) {
  std::map<std::string, std::string> pending{{"", "nowhere"}};  // name -> referrer
  NameSet visited;
  while (!pending.empty()) {
    auto first = pending.begin();
    std::string name = first->first, referrer = first->second;
    pending.erase(first);
    visited.insert(name);
    auto found = definitions.find(name);
    if (found == definitions.end()) {
      if (alsoDefined != nullptr && alsoDefined->count(name) != 0) continue;
      std::string from = referrer.empty() ? "TOP" : referrer;
      return failure("alive",
                     "Alive function " + from + " references undefined " +
                         std::string(undefinedWord) + name + ".",
                     shortName(from), shortName(name));
    }
    for (const std::string& ref : globalRefs(found->second))
      if (visited.count(ref) == 0) pending[ref] = name;
  }
  return RunOutcome();
}

void pruneBrokenDefinitions(DefinitionMap& definitions, const DefinitionMap& restore) {
  // Which definitions refer to something undefined: most programs have
  // none, and need no more than this.
  std::vector<std::pair<const std::string*, NameSet>> refsOf;
  refsOf.reserve(definitions.size());
  std::vector<std::string> broken;
  NameSet isBroken;
  for (const auto& [name, term] : definitions) {
    NameSet refs = globalRefs(term);
    bool refersToUndefined = false;
    for (const std::string& ref : refs) refersToUndefined = refersToUndefined || definitions.count(ref) == 0;
    if (refersToUndefined && isBroken.insert(name).second) broken.push_back(name);
    refsOf.emplace_back(&name, std::move(refs));
  }
  if (broken.empty()) {
    noteDefinitionsChanged();
    return;
  }
  // Whatever refers to a broken definition is broken too.
  std::map<std::string_view, std::vector<std::string_view>> referrers;
  for (const auto& [name, refs] : refsOf)
    for (const std::string& ref : refs) referrers[ref].push_back(*name);
  for (size_t i = 0; i < broken.size(); i++) {
    auto found = referrers.find(broken[i]);
    if (found == referrers.end()) continue;
    for (std::string_view name : found->second)
      if (isBroken.emplace(name).second) broken.emplace_back(name);
  }
  // The views above point into the definitions' names: nothing reads them
  // once the broken definitions are restored or erased below.
  for (const std::string& name : isBroken) {
    auto saved = restore.find(name);
    if (saved != restore.end()) definitions.find(name)->second = saved->second;
    else definitions.erase(name);
  }
  noteDefinitionsChanged();
}

RunOutcome placeBinders(DefinitionMap& definitions) {
  for (auto& [name, term] : definitions) {
    NameSet longNames = binderNamesLong(term);
    if (longNames.empty()) continue;
    debugLog("First " + name + ": " + termText(term) + "\n");
    NameSet letters = binderNamesLetter(term);
    if (longNames.size() + letters.size() > 26) {
      if (name.empty()) return failure("place", "Place error.");
      return failure("place", "Place error in function " + name + ".", shortName(name));
    }
    char letter = 'a';
    for (const std::string& longName : longNames) {
      while (letters.count(std::string(1, letter)) != 0) letter++;
      letters.insert(std::string(1, letter));
      term = renameKey(term, keyOf(longName), letter);
    }
  }
  noteDefinitionsChanged();
  return RunOutcome();
}

RunOutcome checkArity(const DefinitionMap& definitions) {
  for (const auto& [name, term] : definitions) {
    if (leadingLambdaCount(term) > 10)
      return failure("arity", "Arity of function " + name + " may not exceed ten.",
                     shortName(name));
  }
  return RunOutcome();
}

void internDefinitions(DefinitionMap& definitions) { replaceEach(definitions, intern); }

void dropInternedWork() { dropNonValuesFromInternSet(); }

RunOutcome checkLocals(const DefinitionMap& definitions) {
  for (const auto& [name, term] : definitions) {
    uint32_t free = freeLocals(term);
    if (free == 0) continue;
    char letter = 'a';
    while ((free & 1) == 0) {
      free >>= 1;
      letter++;
    }
    std::string variable(1, letter);
    std::string where = name.empty() ? "." : " in function " + name + ".";
    return failure("local", "Local variable " + variable + " unbound" + where,
                   clipBalanced(name), variable);
  }
  return RunOutcome();
}

void annotateDefinitions(const DefinitionMap& definitions) {
  for (const auto& [name, term] : definitions) annotate(term.get());
}

RunOutcome linkProgram() {
  DefinitionMap& definitions = definitionTable();
  setDefinition("_", leaf(recordLayoutText()));
  rewriteQuotesAndPairs(definitions);
  RunOutcome outcome = checkFunkyKeys(definitions);
  if (!outcome.ok()) return outcome;
  outcome = checkLiveness(definitions);
  if (!outcome.ok()) return outcome;
  pruneBrokenDefinitions(definitions, preludeSnapshot());
  preludeSnapshot().clear();
  outcome = placeBinders(definitions);
  if (!outcome.ok()) return outcome;
  outcome = checkArity(definitions);
  if (!outcome.ok()) return outcome;
  internDefinitions(definitions);
  dropInternedWork();
  outcome = checkLocals(definitions);
  if (!outcome.ok()) return outcome;
  annotateDefinitions(definitions);
  return outcome;
}

}  // namespace quorl
