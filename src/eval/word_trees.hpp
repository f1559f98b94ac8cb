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

struct BoundView;

// Plain trees (Code::plainWords; tried first when Code::plainFirst)
// answered on the words as they stand, each leaf a letter's word or an
// integer written in the body: by their steps (NumberTree::onWordSteps),
// or read and computed straight from the code.  Trees whose numbers are
// all words so are most of a loop's (`(s * 7919 + 13) % 1000003`, `s % 6 =
// 0`); read so, they need no copy of the letters.
// Each is false when a leaf is no word or an operation below the root has
// no word for its answer (a failure, an answer beyond the word), which the
// ways below then take from the leaves again: nothing was changed.  Out of
// the machine's loop, which they would only make longer.
//
// The machine integer of the plain tree `op` (a compiled operand).
[[gnu::noinline]] bool plainWord(const Part& op, const BoundView& view, int64_t& out);
// The answer of the plain tree `code`: a word, a truth value or a failure,
// as answerWordValues gives it.
[[gnu::noinline]] bool plainAnswer(const Code* code, const BoundView& view, Value& out);
// The truth of the plain comparison `code`.
[[gnu::noinline]] bool plainTruth(const Code* code, const BoundView& view, bool& truth);

// Lays out the steps on words of a tree that may be answered on words
// (NumberTree::onWordSteps), once its leaves and operations are known.
void planWords(NumberTree& tree);
// The operands of the root of a tree with steps, computed on the words:
// false when a leaf is no word, or an operation below the root has no word
// for its answer (number_tree_words.cpp).
bool wordRootOperands(const NumberTree& tree, const BoundView& view, int64_t& x, int64_t& y);

// What answering a tree on words came to.
enum class WordTree : int8_t { Left = -1, Word = 0, Truth = 1 };

// The answer of `tree` (NumberTree::onWords) for the letters' values: a
// word, or the truth of a comparison at its root (1 or 0), in `out`.
WordTree treeOnWords(const NumberTree& tree, const TreeLetters& letters, int64_t& out);

}  // namespace quorl
