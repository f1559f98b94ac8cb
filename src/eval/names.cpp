// The name cache's misses: resolving a name leaf from the tables.
#include "eval/names.hpp"

#include <string_view>

#include "builtins/table.hpp"
#include "eval/combinators.hpp"

namespace quorl {

namespace names_detail {

constinit CacheEntry cache[kCacheSlots];

namespace {

NameResolution resolveAfresh(const char* name) {
  NameResolution r;
  r.builtin = findBuiltin(name);
  DefinitionMap& table = definitionTable();
  auto found = table.find(std::string_view(name));
  if (found != table.end()) {
    r.definition = &found->second;
    r.combinator = directCombinator(name, r.definition->get());
  }
  r.nullary = nullaryNames().count(std::string_view(name)) != 0;
  return r;
}

}  // namespace

const NameResolution& resolveAgain(Node* nameLeaf, CacheEntry& entry) {
  if (entry.leaf != nameLeaf) {
    acquire(nameLeaf);
    if (entry.leaf != nullptr) release(entry.leaf);
    entry.leaf = nameLeaf;
  }
  entry.resolution = resolveAfresh(leafChars(nameLeaf));
  entry.generation = definitionGeneration();
  return entry.resolution;
}

}  // namespace names_detail

}  // namespace quorl
