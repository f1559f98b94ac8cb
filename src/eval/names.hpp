// Resolving global-name leaves to their builtin row or definition slot.
#pragma once

#include <cstddef>
#include <cstdint>

#include "term/tables.hpp"

namespace quorl {

struct NameResolution {
  const BuiltinEntry* builtin = nullptr;  // set for a builtin's name
  NodeRef* definition = nullptr;          // the DefinitionTable slot, if any
  bool nullary = false;                   // defined in the nullary form
  char combinator = 0;                    // a Prelude combinator contracted directly
};

// The name cache: a direct-mapped table from leaf Node to resolution.  Each
// entry holds a count on its leaf, so a cached address can never be reused
// by another leaf while the entry lives.  Entries are checked against the
// definition generation: any insertion, replacement or erasure of a
// definition (or a reset of the tables) makes them resolve again.
namespace names_detail {

inline constexpr size_t kCacheSlots = 4096;

struct CacheEntry {
  Node* leaf = nullptr;  // holds one count while set
  uint64_t generation = 0;
  NameResolution resolution;
};

// Constant-initialised, so a lookup pays for no guard; never torn down.
extern constinit CacheEntry cache[kCacheSlots];

inline size_t slotOf(const Node* n) {
  auto bits = reinterpret_cast<uintptr_t>(n);
  return static_cast<size_t>((bits >> 4) * 0x9E3779B97F4A7C15ull >> 52) & (kCacheSlots - 1);
}

const NameResolution& resolveAgain(Node* nameLeaf, CacheEntry& entry);

}  // namespace names_detail

// What a name leaf stands for.  A name used in a loop costs one ordered-map
// search per change of the definitions rather than one per call.  The
// reference is valid until the next call.
inline const NameResolution& resolveName(Node* nameLeaf) {
  names_detail::CacheEntry& entry = names_detail::cache[names_detail::slotOf(nameLeaf)];
  if (entry.leaf == nameLeaf && entry.generation == definitionGeneration()) [[likely]]
    return entry.resolution;
  return names_detail::resolveAgain(nameLeaf, entry);
}

}  // namespace quorl
