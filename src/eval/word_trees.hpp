// Trees of number operations whose leaves are all machine integers,
// answered on the words as they stand.
//
// The trees of loops are mostly of this kind: `s % 6 = 0`, `97 + s % 26`,
// `(s * 7919 + 13) % 1000003`, letters holding words and numbers written
// in the body.  The quick way (number_trees.cpp) types a tree's operations
// for the kinds of its leaves and keeps each answer's kind; here each
// operation is the word arithmetic the builtins answer with, and nothing
// else is looked at.  Anything else met on the way (a leaf that is no
// word, an answer beyond the word, a failure) leaves the tree to the other
// ways, which take it from its leaves again: nothing was changed.
#pragma once

#include "eval/number_trees.hpp"

namespace quorl {

// What answering a tree on words came to.
enum class WordTree : int8_t { Left = -1, Word = 0, Truth = 1 };

// The answer of `tree` (NumberTree::onWords) for the letters' values: a
// word, or the truth of a comparison at its root (1 or 0), in `out`.
WordTree treeOnWords(const NumberTree& tree, const TreeLetters& letters, int64_t& out);

}  // namespace quorl
