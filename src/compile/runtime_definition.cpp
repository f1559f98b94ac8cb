// Runtime definitions: source text compiled while the program runs.
//
// The source is compiled into a table of its own and put through the link
// checks there; only source that passes them all joins the global table, so
// a failed `load` or `road` leaves the running program as it was.  Names of
// the running program are taken as defined, but never redefined: their
// definitions have been linked and annotated, and the engine caches what
// they are.
#include "compile/runtime_definition.hpp"

#include <optional>
#include <string>

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
  if (isLeafText(pieces.main.get(), "}")) pieces.main = sharedLeaf('I');
  local.definitions.emplace("", std::move(pieces.main));
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

// The local-variable check on terms that cannot be annotated before their
// names are global.  A free single letter is a free reference, since no
// global name is one lowercase letter.
RunOutcome checkUnboundLetters(const DefinitionMap& definitions) {
  for (const auto& [name, term] : definitions) {
    for (const std::string& ref : globalRefs(term)) {
      if (!isLocalName(ref)) continue;
      std::string where = name.empty() ? "." : " in function " + name + ".";
      return failure("local", "Local variable " + ref + " unbound" + where, clipBalanced(name),
                     ref);
    }
  }
  return RunOutcome();
}

// The checks, in order; the first failure ends them.  Every definition
// joins the running program, reached from the main expression or not, so
// each is held to every check; only the local check needs the dead ones
// that use undefined names out of the way first.
RunOutcome checkLocalProgram(LocalProgram& local) {
  DefinitionMap& definitions = local.definitions;
  RunOutcome outcome = refuseRedefinitions(definitions);
  if (!outcome.ok()) return outcome;
  outcome = checkLiveness(definitions, &definitionTable(), "function ");
  if (!outcome.ok()) return outcome;
  outcome = placeBinders(definitions);
  if (!outcome.ok()) return outcome;
  outcome = checkArity(definitions);
  if (!outcome.ok()) return outcome;
  outcome = checkFunkyKeys(definitions);
  if (!outcome.ok()) return outcome;
  pruneBrokenLocals(definitions);
  return checkUnboundLetters(definitions);
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

RunOutcome defineAtRunTime(std::string_view source, NodeRef& mainExpression) {
  RunOutcome outcome;
  int64_t position = 0;
  if (!checkBrackets(source, outcome, position)) {
    if (outcome.status == "match") outcome.way = "yes";
    return outcome;
  }
  LocalProgram local;
  outcome = readSource(source, local);
  if (!outcome.ok()) return outcome;
  // The same rewrites as a program's own definitions get at link time.
  rewriteQuotesAndPairs(local.definitions);
  outcome = checkLocalProgram(local);
  if (!outcome.ok()) return outcome;

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
  if (!defineAtRunTime(*source, main).ok()) return failureValue();
  return apply(sharedLeaf('I'), std::move(main));
}

NodeRef roadBuiltin(NodeRef redex) {
  std::optional<std::string> source = sourceText(redex);
  if (!source) return failureValue();
  NodeRef main = failureValue();
  RunOutcome outcome = defineAtRunTime(*source, main);
  if (!outcome.ok()) return failureRecord(outcome);
  return apply(sharedLeaf('I'), std::move(main));
}

}  // namespace quorl
