// What every builtin handler needs from its redex: its arguments, the
// failure and truth values it answers with, and the texts that several
// families of builtins read out of their arguments.
#pragma once

#include <string>
#include <string_view>

#include "term/node.hpp"

namespace quorl {

// Argument `index` (1 to `count`) of a redex that applies a builtin to
// `count` arguments: the last argument is the redex's own argument part, the
// first the argument part of the innermost application.  Borrowed from the
// redex, so it lives as long as the redex does.
const Node* redexArgument(const Node* redex, int index, int count);
inline NodeRef takeArgument(const NodeRef& redex, int index, int count) {
  return NodeRef(const_cast<Node*>(redexArgument(redex.get(), index, count)));
}

// True when nothing but the call holds x, the first argument of a redex
// that applies a builtin to `count` arguments: the redex is held by the
// handler's handle alone, each cell of its spine by the cell above it, and
// x by the innermost cell plus one handle the handler took from it.  Every
// other holder (a definition, the intern set, a name-cache entry, another
// term sharing x) keeps a count, so no one else can see x change in place.
bool heldOnlyByCall(const NodeRef& redex, int count, const NodeRef& x);

// The failure value `Z` and the truth values `K` and `H`; shared leaves, so
// answering with them allocates nothing.
inline NodeRef failureValue() { return sharedLeaf('Z'); }
inline NodeRef truthValue(bool b) { return sharedLeaf(b ? 'K' : 'H'); }

// The quoted text a constant stands for.  A quoted-text leaf gives its own
// text; an application of constants (a b) is packed into one quoted text:
// the elements of a followed by b as one nested group, so its length is the
// sum of both lengths.
std::string packedConstant(const Node* constant);
// The element text of a constant: its quoted text without the outer
// brackets.  A leaf's text is returned without a copy; a packed application
// is kept in `storage`.
std::string_view constantText(const Node* constant, std::string& storage);
// The constant whose element text is `text`: the leaf "[" + text + "]".
NodeRef constantFromText(std::string_view text);

}  // namespace quorl
