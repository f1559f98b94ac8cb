// Substituting closed values for variables (the declaration of the
// one-variable form lives in engine.hpp).
#pragma once

#include <cstdint>

#include "eval/engine.hpp"

namespace quorl {

// Replaces every free occurrence of each letter in `letters` (bit 0 = 'a')
// by values[letter - 'a'], which must be closed.  Subterms that mention none
// of the letters are shared, never copied.
NodeRef substituteLetters(Node* term, uint32_t letters, Node* const* values);

// How many terms substitution has rebuilt in this process.  The engine
// substitutes only where a term is looked at or a shape has no code, so
// tests read it to see that a program ran as compiled code.
uint64_t substitutionsMade();

// The free-variable set as annotation cached it in the header.
inline uint32_t cachedVariables(Node* n) {
  uint64_t h = n->header;
  if (!(h & kAnnotationMask)) [[unlikely]]
    return freeVariables(n);
  if ((h & kAnnotationMask) == kConstantState) return 0;
  if ((h & kLeafFlag) && extentIsLength(static_cast<unsigned char>(leafChars(n)[0]))) return 0;
  return static_cast<uint32_t>((h & kExtentMask) >> kExtentShift);
}

// The same as substituteLetters, answered inline when the term mentions
// none of the letters or is one of the variables (the arguments of most
// calls).
inline NodeRef substituteInline(Node* term, uint32_t letters, Node* const* values) {
  uint32_t active = letters & cachedVariables(term);
  if (active == 0) return NodeRef(term);
  if (isLeaf(term)) return NodeRef(values[static_cast<unsigned char>(leafChars(term)[0]) - 'a']);
  return substituteLetters(term, letters, values);
}

}  // namespace quorl
