// The process-wide tables.
#include "term/tables.hpp"

#include <vector>

namespace quorl {

namespace {
uint64_t generation = 0;
}

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

InternSet& internSet() {
  static InternSet* set = new InternSet();
  return *set;
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
  if (it == table.end()) table.emplace(std::string(name), std::move(term));
  else it->second = std::move(term);
  noteDefinitionsChanged();
}

void eraseDefinition(std::string_view name) {
  DefinitionMap& table = definitionTable();
  auto it = table.find(name);
  if (it != table.end()) table.erase(it);
  noteDefinitionsChanged();
}

uint64_t definitionGeneration() { return generation; }
void noteDefinitionsChanged() { generation++; }

// Interning walks the term bottom-up with an explicit stack: an equal term
// already in the set is returned as it is; otherwise the parts are interned
// first and the term (or a rebuilt one over the interned parts) is added.
NodeRef intern(const NodeRef& term) {
  InternSet& set = internSet();
  struct Frame {
    Node* node;
    bool partsDone;
  };
  std::vector<Frame> work;
  std::vector<NodeRef> results;
  work.push_back({term.get(), false});
  while (!work.empty()) {
    Frame frame = work.back();
    work.pop_back();
    NodeRef current(frame.node);
    if (!frame.partsDone) {
      auto found = set.find(current);
      if (found != set.end()) {
        results.push_back(*found);
        continue;
      }
      if (isLeaf(frame.node)) {
        set.insert(current);
        results.push_back(std::move(current));
        continue;
      }
      work.push_back({frame.node, true});
      work.push_back({argumentOf(frame.node), false});
      work.push_back({functionOf(frame.node), false});
      continue;
    }
    NodeRef argument = std::move(results.back());
    results.pop_back();
    NodeRef function = std::move(results.back());
    results.pop_back();
    NodeRef interned = (function.get() == functionOf(frame.node) &&
                        argument.get() == argumentOf(frame.node))
                           ? std::move(current)
                           : apply(std::move(function), std::move(argument));
    set.insert(interned);
    results.push_back(std::move(interned));
  }
  return std::move(results.back());
}

void resetGlobalTables() {
  definitionTable().clear();
  nullaryNames().clear();
  builtinStorage().clear();
  preludeSnapshot().clear();
  // Interned and shared leaves carry annotations made against the old
  // definitions; they must not leak into the new ones.
  internSet().clear();
  forgetSharedLeaves();
  noteDefinitionsChanged();
}

}  // namespace quorl
