// The process-wide tables.
#include "term/tables.hpp"

#include <vector>

namespace quorl {

namespace tables_detail {
// Read on every name-cache hit, so it is a plain variable the header reads.
constinit uint64_t generation = 0;
constinit uint64_t epoch = 0;
constinit uint64_t redefinitions = 0;
}  // namespace tables_detail

void clearInternSet();  // term/intern.cpp

DefinitionMap& definitionTable() {
  static DefinitionMap* table = new DefinitionMap();
  return *table;
}

NameSet& nullaryNames() {
  static NameSet* names = new NameSet();
  return *names;
}

DefinitionMap& preludeSnapshot() {
  static DefinitionMap* snapshot = new DefinitionMap();
  return *snapshot;
}

BuiltinMap& builtinStorage() {
  static BuiltinMap* rows = new BuiltinMap();
  return *rows;
}

const NodeRef* findDefinition(std::string_view name) {
  DefinitionMap& table = definitionTable();
  auto it = table.find(name);
  return it == table.end() ? nullptr : &it->second;
}

void setDefinition(std::string_view name, NodeRef term) {
  DefinitionMap& table = definitionTable();
  auto it = table.find(name);
  if (it == table.end()) {
    table.emplace(std::string(name), std::move(term));
  } else {
    it->second = std::move(term);
    tables_detail::redefinitions++;
  }
  noteDefinitionsChanged();
}

void rememberConstant(std::string_view name, NodeRef value) {
  DefinitionMap& table = definitionTable();
  auto it = table.find(name);
  if (it == table.end()) table.emplace(std::string(name), std::move(value));
  else it->second = std::move(value);
  noteDefinitionsChanged();
}

void eraseDefinition(std::string_view name) {
  DefinitionMap& table = definitionTable();
  auto it = table.find(name);
  if (it != table.end()) table.erase(it);
  tables_detail::redefinitions++;
  noteDefinitionsChanged();
}


void resetGlobalTables() {
  definitionTable().clear();
  nullaryNames().clear();
  builtinStorage().clear();
  preludeSnapshot().clear();
  // Interned and shared leaves carry annotations made against the old
  // definitions; they must not leak into the new ones.
  clearInternSet();
  forgetSharedLeaves();
  noteDefinitionsChanged();
  tables_detail::epoch++;
}

}  // namespace quorl
