// Trees of number operations on machine integers (word_trees.hpp).  A
// plain tree of three operations or more is read by its steps
// (number_tree_words.cpp), any other straight from the code, part by part.
#include "eval/word_trees.hpp"

#include "eval/machine_view.hpp"
#include "numbers/word_arith.hpp"

namespace quorl {

// --- straight from the code ----------------------------------------------------------

namespace {

bool treeWord(const Code* c, const BoundView& view, int64_t& out);

inline bool operandWord(const Part& op, const BoundView& view, int64_t& out) {
  return op.kind != Part::Compiled ? viewWord(op, view, out) : treeWord(op.code, view, out);
}

// Recursive, as deep as the tree, which has at most kMaxOperations.
bool treeWord(const Code* c, const BoundView& view, int64_t& out) {
  int64_t x, y;
  if (!operandWord(c->args[0], view, x) || !operandWord(c->args[1], view, y)) return false;
  WordAnswer answer = answerWords(c->builtin->wordOp, x, y);
  out = answer.value;
  return answer.kind == WordAnswer::Integer;
}

// The readers of a tree with no steps, each on its own so that the
// compiler takes the first level of a nested tree inline as it would with
// no steps to look for.
[[gnu::noinline]] bool answerFromCode(const Code* code, const BoundView& view, Value& out) {
  int64_t x, y;
  return operandWord(code->args[0], view, x) && operandWord(code->args[1], view, y) &&
         answerWordValues(code->builtin->wordOp, x, y, out);
}

[[gnu::noinline]] bool truthFromCode(const Code* code, const BoundView& view, bool& truth) {
  int64_t x, y;
  if (!operandWord(code->args[0], view, x) || !operandWord(code->args[1], view, y)) return false;
  truth = answerWords(code->builtin->wordOp, x, y).kind == WordAnswer::True;
  return true;
}

}  // namespace

bool plainWord(const Part& op, const BoundView& view, int64_t& out) {
  const Code* code = op.code;
  int64_t x, y;
  if (!code->tree->onWordSteps) return treeWord(code, view, out);
  if (!wordRootOperands(*code->tree, view, x, y)) return false;
  WordAnswer answer = answerWords(code->builtin->wordOp, x, y);
  out = answer.value;
  return answer.kind == WordAnswer::Integer;
}

bool plainAnswer(const Code* code, const BoundView& view, Value& out) {
  int64_t x, y;
  if (!code->tree->onWordSteps) return answerFromCode(code, view, out);
  return wordRootOperands(*code->tree, view, x, y) && answerWordValues(code->builtin->wordOp, x, y, out);
}

bool plainTruth(const Code* code, const BoundView& view, bool& truth) {
  int64_t x, y;
  if (!code->tree->onWordSteps) return truthFromCode(code, view, truth);
  if (!wordRootOperands(*code->tree, view, x, y)) return false;
  truth = answerWords(code->builtin->wordOp, x, y).kind == WordAnswer::True;
  return true;
}

// --- through a register file --------------------------------------------------------

WordTree treeOnWords(const NumberTree& tree, const TreeLetters& letters, int64_t& out) {
  int64_t r[NumberTree::kMaxLeaves + NumberTree::kMaxOperations];
  int base = tree.leafCount;
  // The numbers as written or constants computed, then the letters over
  // the rest (a leaf known to be a real is read as no word there).
  for (int i = 0; i < base; i++) r[i] = tree.leafNumbers[i];
  uint32_t rest = ~(tree.knownLeaves & ~tree.knownReals) & ((uint32_t{1} << base) - 1);
  for (; rest != 0; rest &= rest - 1) {
    int i = __builtin_ctz(rest);
    if (tree.leafReads[i] != NumberTree::ReadLetter || !wordOf(letters.of(tree.leafLetter[i]), r[i]))
      return WordTree::Left;
  }
  int last = tree.operationCount - 1;
  for (int i = 0;; i++) {
    WordAnswer answer = answerWords(tree.operations[i].op, r[tree.leftRegister[i]], r[tree.rightRegister[i]]);
    if (answer.kind == WordAnswer::Integer) {
      if (i == last) {
        out = answer.value;
        return WordTree::Word;
      }
      r[base + i] = answer.value;
      continue;
    }
    // Only the root is a comparison (onWords).
    if (answer.kind != WordAnswer::True && answer.kind != WordAnswer::False) return WordTree::Left;
    out = answer.kind == WordAnswer::True;
    return WordTree::Truth;
  }
}

}  // namespace quorl
