// Linking: rewrites, whole-program checks, sharing and annotation.
//
// linkProgram runs the steps below, in this order, over the global
// definition table.  The steps take the table they work on, so that source
// compiled while a program runs can be checked in a table of its own before
// it joins the global one.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "driver/outcome.hpp"
#include "term/node.hpp"
#include "term/tables.hpp"

namespace quorl {

RunOutcome linkProgram();

// --- the steps ---------------------------------------------------------------

// Backquotes, then two-name wing binders, in every definition.
void rewriteQuotesAndPairs(DefinitionMap& definitions);
// Every binder must be a function name ("funky").
RunOutcome checkFunkyKeys(const DefinitionMap& definitions);
// Every name reachable from the main expression "" must be defined
// ("alive").  Names defined in `alsoDefined` count as defined but are not
// followed; `undefinedWord` goes before the undefined name in the message.
RunOutcome checkLiveness(const DefinitionMap& definitions,
                         const DefinitionMap* alsoDefined = nullptr,
                         std::string_view undefinedWord = {});
// Definitions that refer, directly or through others, to an undefined name
// go back to their `restore` entry, or are erased when it has none.
void pruneBrokenDefinitions(DefinitionMap& definitions, const DefinitionMap& restore);
// At most 26 binders per definition ("place"); long binder names become
// free letters.  Logs each definition that had long names, before renaming.
RunOutcome placeBinders(DefinitionMap& definitions);
// At most ten leading lambdas per definition ("arity").
RunOutcome checkArity(const DefinitionMap& definitions);
// Replaces every definition by its interned form.
void internDefinitions(DefinitionMap& definitions);
// Drops the interned terms that are not values.  Annotates them, so every
// name they use must be in the global table by then.
void dropInternedWork();
// No definition may have a free local variable ("local").
RunOutcome checkLocals(const DefinitionMap& definitions);
void annotateDefinitions(const DefinitionMap& definitions);

// --- term queries ------------------------------------------------------------

// The first malformed binder form, in a left-to-right walk; none when the
// term is well formed.
std::optional<NodeRef> findFunkyForm(const NodeRef& term);
// The global names a term refers to: every free key, single letters and the
// empty operand "}" included.
NameSet globalRefs(const NodeRef& term);
// The free single-letter variables of an annotated term, bit 0 for 'a'.
uint32_t freeLocals(const NodeRef& term);
// The lambdas a definition starts with, counted up to 11.
int leadingLambdaCount(const NodeRef& term);

}  // namespace quorl
