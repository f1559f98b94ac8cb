// The process-wide tables: definitions, nullary names, the Prelude snapshot,
// interned terms and the builtin rows.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "term/node.hpp"

namespace quorl {

// Name to term, ordered bytewise (shorter first on a common prefix).
using DefinitionMap = std::map<std::string, NodeRef, std::less<>>;
using NameSet = std::set<std::string, std::less<>>;

DefinitionMap& definitionTable();
NameSet& nullaryNames();
DefinitionMap& preludeSnapshot();

// The definition of a name, or null when the name has none.
const NodeRef* findDefinition(std::string_view name);
void setDefinition(std::string_view name, NodeRef term);
// Stores the value computed for a constant in its slot: the one change of
// a definition that running a program makes.
void rememberConstant(std::string_view name, NodeRef value);
void eraseDefinition(std::string_view name);

// Interning: equal terms (by compareTerms) share one Node.  The set is a
// hash table over structure, so interning a deep term stays linear.
NodeRef intern(const NodeRef& term);
bool isInterned(const Node* n);
size_t internedCount();
std::vector<NodeRef> internedTerms();
// Removes every interned term that is not a value.
void dropNonValuesFromInternSet();

// A builtin handler receives the redex (the builtin applied to exactly its
// arity of arguments) and returns the replacement term.
using BuiltinHandler = NodeRef (*)(NodeRef redex);
// The two-argument builtins that answer machine integers by machine
// arithmetic (numbers/word_arith.hpp), without building their redex; the
// engine answers them on its bigs and reals too (eval/real_values.hpp).
enum class WordOp : uint8_t { None, Plus, Dash, Mult, Over, Cent, Less, Gteq, Same, Diff, Powa };
// A builtin answered on its operands as the engine holds them (Value,
// eval/values.hpp), without a redex: true when it answers them, the
// operands then consumed and the answer in `out` with one count; false,
// with nothing touched, leaves the call to the handler.  Every answer is
// the one the handler gives for the same terms.
struct Value;
using ValueAnswer = bool (*)(Value* args, Value& out);
struct BuiltinEntry {
  uint8_t arity;
  BuiltinHandler handler;
  WordOp wordOp = WordOp::None;
  ValueAnswer onValues = nullptr;
};
using BuiltinMap = std::map<std::string, BuiltinEntry, std::less<>>;
// Raw storage of the builtin rows; builtins/table.hpp fills it on first use.
BuiltinMap& builtinStorage();

// Empties the definitions, nullary names, builtin rows and the snapshot.
void resetGlobalTables();

// Bumped whenever a definition is inserted, replaced or erased, so that
// caches keyed by name leaves can tell when they are stale.
namespace tables_detail {
extern constinit uint64_t generation;
}
inline uint64_t definitionGeneration() { return tables_detail::generation; }
// Bumped by every reset of the tables: what was compiled against the old
// ones must be made again.
namespace tables_detail {
extern constinit uint64_t epoch;
}
inline uint64_t tablesEpoch() { return tables_detail::epoch; }
// Bumped whenever a definition is replaced other than by remembering a
// constant's value: what was resolved from the old definitions is stale.
namespace tables_detail {
extern constinit uint64_t redefinitions;
}
inline uint64_t redefinitionCount() { return tables_detail::redefinitions; }
inline void noteDefinitionsChanged() { tables_detail::generation++; }

}  // namespace quorl
