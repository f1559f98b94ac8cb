// Runtime definitions: source text compiled while the program runs.
//
// The source is compiled into a table of its own and put through the link
// checks there; only source that passes them joins the global table, so a
// failed `road` leaves the running program as it was, and so does a failed
// `load` but for its last check, of unbound local variables.  Names of
// the running program are taken as defined, but never redefined: their
// definitions have been linked and annotated, and the engine caches what
// they are.
#include "compile/runtime_definition.hpp"

#include <optional>
#include <string>
#include <vector>

#include "builtins/args.hpp"
#include "compile/compile.hpp"
#include "compile/forms.hpp"
#include "compile/link.hpp"
#include "compile/rewrite.hpp"
#include "eval/failure_record.hpp"
#include "eval/kinds.hpp"
#include "front/brackets.hpp"
#include "front/chars.hpp"
#include "numbers/operands.hpp"
#include "term/tables.hpp"

namespace quorl {

namespace {

struct LocalProgram {
  DefinitionMap definitions;  // the main expression under ""
  NameSet nullary;
};

// Cuts the source into the local table.
RunOutcome readSource(std::string_view text, LocalProgram& local) {
  SourcePieces pieces = cutSource(text);
  // Source that only defines functions yields the unit result, as builtins
  // that return nothing do; the empty operand itself is no value.
  NodeRef main = std::move(*pieces.main);
  if (isLeafText(main.get(), "}")) main = sharedLeaf('I');
  local.definitions.emplace("", std::move(main));
  for (const DefinitionPiece& piece : pieces.definitions) {
    if (std::optional<RunOutcome> lower = refuseLowercaseKey(piece)) return std::move(*lower);
    // Builtin names are refused as names the program has already.
    if (piece.key == "\\" || piece.key == "{")
      return failure("built", "Built in function " + piece.key + " cannot be re-defined.",
                     piece.at, shortName(piece.key));
    local.definitions.insert_or_assign(piece.key, storedTerm(piece));
    if (piece.nullary) local.nullary.insert(piece.key);
    else local.nullary.erase(piece.key);
  }
  return RunOutcome();
}

// Builtins are among the global names, through their placeholders.
RunOutcome refuseRedefinitions(const DefinitionMap& definitions) {
  for (const auto& [name, term] : definitions) {
    if (name.empty() || findDefinition(name) == nullptr) continue;
    return failure("roads", "Attempt to redefine function " + name + " using the road function.",
                   shortName(name));
  }
  return RunOutcome();
}

// Definitions that nothing live reaches may still refer to names defined
// nowhere.  Like a program's own dead code they are dropped: annotating them
// would meet those names.  Global names used stand in as terms that refer to
// nothing, since they are linked already; so do free single letters, which
// no definition can supply: they are unbound variables, and the local check
// that follows must see them instead of having them dropped unreported.
void pruneBrokenLocals(DefinitionMap& definitions) {
  DefinitionMap scope;
  for (const auto& [name, term] : definitions)
    if (!name.empty()) scope.emplace(name, term);
  NodeRef standIn = leaf("0");
  for (const auto& [name, term] : definitions)
    for (const std::string& ref : globalRefs(term))
      if (definitions.count(ref) == 0 && (isLocalName(ref) || findDefinition(ref) != nullptr))
        scope.emplace(ref, standIn);
  pruneBrokenDefinitions(scope, DefinitionMap());
  for (auto it = definitions.begin(); it != definitions.end();) {
    if (!it->first.empty() && scope.count(it->first) == 0) it = definitions.erase(it);
    else ++it;
  }
}

// The free single letters of a term that cannot be annotated before its
// names are global: no global name is one lowercase letter, so each is a
// free reference.
std::vector<std::string> unboundLetters(const NodeRef& term) {
  std::vector<std::string> letters;
  for (const std::string& ref : globalRefs(term))
    if (isLocalName(ref)) letters.push_back(ref);
  return letters;
}

// The local-variable check.
RunOutcome checkUnboundLetters(const DefinitionMap& definitions) {
  for (const auto& [name, term] : definitions) {
    std::vector<std::string> letters = unboundLetters(term);
    if (letters.empty()) continue;
    std::string where = name.empty() ? "." : " in function " + name + ".";
    return failure("local", "Local variable " + letters.front() + " unbound" + where,
                   clipBalanced(name), letters.front());
  }
  return RunOutcome();
}

// `load` joins its definitions before it checks their local variables, so
// one with an unbound letter joins the program too.  The engine reduces
// closed terms only, so such a letter is bound to Z, the failure value,
// inside the leading lambdas: a call gives what an unbound variable
// stands for, no value, instead of reaching a redex with a free variable.
void bindUnboundLettersToFailure(DefinitionMap& definitions) {
  for (auto& [name, term] : definitions) {
    if (name.empty()) continue;
    std::vector<std::string> letters = unboundLetters(term);
    if (letters.empty()) continue;
    std::vector<NodeRef> parameters;
    NodeRef body = term;
    while (isLambdaForm(body.get())) {
      parameters.push_back(body.fun());
      body = body.arg();
    }
    for (const std::string& letter : letters)
      body = apply(apply(apply(leaf("{"), leaf(letter)), failureValue()), body);
    for (auto it = parameters.rbegin(); it != parameters.rend(); ++it) body = apply(*it, body);
    term = body;
  }
}

// The checks both builtins make, in order; the first failure ends them.
// Every definition joins the running program, reached from the main
// expression or not, so each is held to every check.  Only `road` limits
// the parameters to ten.
RunOutcome checkLocalProgram(LocalProgram& local, bool limitArity) {
  DefinitionMap& definitions = local.definitions;
  RunOutcome outcome = refuseRedefinitions(definitions);
  if (!outcome.ok()) return outcome;
  outcome = checkLiveness(definitions, &definitionTable(), "function ");
  if (!outcome.ok()) return outcome;
  outcome = placeBinders(definitions);
  if (!outcome.ok()) return outcome;
  if (limitArity) {
    outcome = checkArity(definitions);
    if (!outcome.ok()) return outcome;
  }
  outcome = checkFunkyKeys(definitions);
  if (!outcome.ok()) return outcome;
  // The dead definitions that use undefined names go first: they cannot
  // join, and the local check must not take their names for letters.
  pruneBrokenLocals(definitions);
  return outcome;
}

// Nullary definitions are computed afresh at every use, as when compiled
// with the program; so their keys join the set the engine reads.
void joinGlobalTable(const LocalProgram& local) {
  for (const auto& [name, term] : local.definitions) {
    if (name.empty()) continue;
    if (local.nullary.count(name) != 0) nullaryNames().insert(name);
    setDefinition(name, term);
  }
}

// The source text of an argument: a byte block's bytes, a constant's
// element text or an integer's compact text.  Other kinds have none.
std::optional<std::string> sourceText(const NodeRef& redex) {
  Operand argument{takeArgument(redex, 1, 1), 0};
  argument.kind = kindOf(argument.value);
  if (argument.kind != 'a' && argument.kind != 'i' && argument.kind != 'u') return std::nullopt;
  std::string storage;
  std::string_view text;
  if (!joinText(argument, storage, text)) return std::nullopt;
  return std::string(text);
}

}  // namespace

RunOutcome defineAtRunTime(std::string_view source, NodeRef& mainExpression, Definer definer) {
  RunOutcome outcome;
  int64_t position = 0;
  if (!checkBrackets(source, outcome, position)) {
    if (outcome.status == "match") outcome.way = "yes";
    return outcome;
  }
  LocalProgram local;
  outcome = readSource(source, local);
  if (!outcome.ok()) return outcome;
  // Source read at run time gets no backquote or pair-binder rewrite: a
  // backquote stays an undefined name, a two-name binder a funky one.
  outcome = checkLocalProgram(local, definer == Definer::road);
  if (!outcome.ok()) return outcome;
  // `road` joins nothing that fails the local check; `load` checks last,
  // after joining.
  outcome = checkUnboundLetters(local.definitions);
  if (!outcome.ok()) {
    if (definer == Definer::road) return outcome;
    bindUnboundLettersToFailure(local.definitions);
  }

  internDefinitions(local.definitions);
  joinGlobalTable(local);
  // Dropping annotates what it keeps, so the new names must be global first.
  dropInternedWork();
  annotateDefinitions(local.definitions);
  mainExpression = local.definitions.at("");
  return outcome;
}

NodeRef loadBuiltin(NodeRef redex) {
  std::optional<std::string> source = sourceText(redex);
  if (!source) return failureValue();
  NodeRef main = failureValue();
  if (!defineAtRunTime(*source, main, Definer::load).ok()) return failureValue();
  return apply(sharedLeaf('I'), std::move(main));
}

NodeRef roadBuiltin(NodeRef redex) {
  std::optional<std::string> source = sourceText(redex);
  if (!source) return failureValue();
  NodeRef main = failureValue();
  RunOutcome outcome = defineAtRunTime(*source, main, Definer::road);
  if (!outcome.ok()) return failureRecord(outcome);
  return apply(sharedLeaf('I'), std::move(main));
}

}  // namespace quorl
