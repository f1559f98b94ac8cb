// The name cache: a direct-mapped table from leaf Node to resolution.
//
// Each entry holds a count on its leaf, so a cached address can never be
// reused by another leaf while the entry lives.  Entries are checked
// against the definition generation: any insertion, replacement or erasure
// of a definition (or a reset of the tables) makes them resolve again.
#include "eval/names.hpp"

#include <array>
#include <cstdint>

#include "builtins/table.hpp"
#include "eval/combinators.hpp"

namespace quorl {

namespace {

constexpr size_t kCacheSlots = 4096;

struct CacheEntry {
  Node* leaf = nullptr;  // holds one count while set
  uint64_t generation = 0;
  NameResolution resolution;
};

std::array<CacheEntry, kCacheSlots>& cache() {
  static auto* entries = new std::array<CacheEntry, kCacheSlots>();
  return *entries;
}

size_t slotOf(const Node* n) {
  auto bits = reinterpret_cast<uintptr_t>(n);
  return static_cast<size_t>((bits >> 4) * 0x9E3779B97F4A7C15ull >> 52) & (kCacheSlots - 1);
}

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

const NameResolution& resolveName(Node* nameLeaf) {
  CacheEntry& entry = cache()[slotOf(nameLeaf)];
  uint64_t generation = definitionGeneration();
  if (entry.leaf == nameLeaf && entry.generation == generation) return entry.resolution;
  if (entry.leaf != nameLeaf) {
    acquire(nameLeaf);
    if (entry.leaf != nullptr) release(entry.leaf);
    entry.leaf = nameLeaf;
  }
  entry.resolution = resolveAfresh(leafChars(nameLeaf));
  entry.generation = definitionGeneration();
  return entry.resolution;
}

}  // namespace quorl
