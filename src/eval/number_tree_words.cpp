// Plain trees of number operations on machine integers laid out as
// steps (word_trees.hpp).
//
// A plain tree whose leaves are letters and integers written in the body
// (`(s * 7919 + 13) % 1000003`) is laid out once as steps, as trees on
// doubles are (number_tree_doubles.cpp): its letters' words are loaded
// first, and each operation is one step that leaves its answer in a running
// word, which the next step takes where it is; an integer written in the
// body is most often the step's own.  The last step gives the root its two
// operands, which the root answers as the builtins' word arithmetic does
// (a truth value, a failure).  A plain tree with no steps (a comparison
// below its root, or only two operations) is read straight from the code
// (word_trees.cpp).
#include "eval/number_tree_ways.hpp"
#include "eval/word_trees.hpp"
#include "numbers/word_arith.hpp"

namespace quorl {

namespace {

// The operands a step takes: two registers (with the running word set
// aside first, or not), the running word and a register or an integer of
// the step's own (`k`), or a register and such an integer.
enum Form : uint8_t {
  TwoLeaves, SetAside, RunningLeft, RunningRight, RunningK, KRunning, LeafK, KLeaf, kForms
};
// What a step does with its operands: the three operations answered in
// line, any other (`op`) as the word arithmetic answers it, or, at the
// root, hands them on.  A step's code is its kind times kForms plus its
// form.
enum Kind : uint8_t { Plus, Dash, Mult, Other, Root };

bool writtenWord(const NumberTree& tree, int8_t leaf) {
  return leaf >= 0 && tree.leafReads[leaf] == NumberTree::ReadWord;
}

}  // namespace

void planWords(NumberTree& tree) {
  // A tree of two operations is read from the code as quickly as the
  // steps are set going (`count % 2 = 0`: about 110 instructions either
  // way); from three on the steps are the quicker.
  if (tree.operationCount < 3) return;
  for (int i = 0; i < tree.leafCount; i++)
    if (tree.leafReads[i] != NumberTree::ReadLetter && tree.leafReads[i] != NumberTree::ReadWord) return;
  // As on doubles: the answers not taken yet form a stack whose top is the
  // running word, the one at place p set aside in register leafCount + p.
  int depth = 0;
  int last = tree.operationCount - 1;
  for (int i = 0; i <= last; i++) {
    const NumberTree::Operation& o = tree.operations[i];
    NumberTree::WordStep& step = tree.wordSteps[i];
    step = {0, static_cast<uint8_t>(o.left), static_cast<uint8_t>(o.right), 0, o.op, 0};
    bool kLeft = writtenWord(tree, o.left), kRight = writtenWord(tree, o.right);
    Form form;
    if (o.left != NumberTree::kComputed && o.right != NumberTree::kComputed) {
      if (depth == 0 && kRight && !kLeft) {
        form = LeafK;
      } else if (depth == 0 && kLeft && !kRight) {
        form = KLeaf;
      } else {
        form = depth == 0 ? TwoLeaves : SetAside;
        step.save = static_cast<uint8_t>(tree.leafCount + depth - 1);
        for (int8_t leaf : {o.left, o.right})
          if (writtenWord(tree, leaf)) tree.wordRegisters |= uint32_t{1} << leaf;
      }
      depth++;
    } else if (o.right != NumberTree::kComputed) {
      form = kRight ? RunningK : RunningLeft;
    } else if (o.left != NumberTree::kComputed) {
      form = kLeft ? KRunning : RunningRight;
    } else {
      form = RunningRight;
      step.a = static_cast<uint8_t>(tree.leafCount + depth - 2);
      depth--;
    }
    if (form == RunningK || form == LeafK) step.k = tree.leafNumbers[o.right];
    if (form == KRunning || form == KLeaf) step.k = tree.leafNumbers[o.left];
    Kind kind = i == last ? Root : o.op == WordOp::Plus ? Plus : o.op == WordOp::Dash ? Dash
                : o.op == WordOp::Mult ? Mult : Other;
    step.code = static_cast<uint8_t>(int{kind} * kForms + form);
  }
  tree.onWordSteps = true;
}

namespace {

// The integers the steps read from registers, and the words of the
// letters' leaves read through the view: false when a letter holds no word.
inline bool loadWords(const NumberTree& tree, const BoundView& view, int64_t* r) {
  for (uint32_t rest = tree.wordRegisters; rest != 0; rest &= rest - 1) {
    int i = __builtin_ctz(rest);
    r[i] = tree.leafNumbers[i];
  }
  return loadLetters(tree, view, view.values, r, [](Value v, int64_t& out) { return wordOf(v, out); });
}

inline bool operated(WordOp op, int64_t a, int64_t b, int64_t& out) {
  WordAnswer answer = answerWords(op, a, b);
  out = answer.value;
  return answer.kind == WordAnswer::Integer;
}

}  // namespace

// Each step jumps to the next from its own place (labels as values, which
// GCC and Clang take), so that the jumps are foretold from where they
// stand.  The eight forms of the kind `name`, `a` and `b` its operands:
#define QUORL_WORD_STEP(name, operation)     \
  name##TwoLeaves : {                        \
    int64_t a = r[s->a], b = r[s->b];        \
    operation;                               \
  }                                          \
  name##SetAside : {                         \
    r[s->save] = running;                    \
    int64_t a = r[s->a], b = r[s->b];        \
    operation;                               \
  }                                          \
  name##RunningLeft : {                      \
    int64_t a = running, b = r[s->b];        \
    operation;                               \
  }                                          \
  name##RunningRight : {                     \
    int64_t a = r[s->a], b = running;        \
    operation;                               \
  }                                          \
  name##RunningK : {                         \
    int64_t a = running, b = s->k;           \
    operation;                               \
  }                                          \
  name##KRunning : {                         \
    int64_t a = s->k, b = running;           \
    operation;                               \
  }                                          \
  name##LeafK : {                            \
    int64_t a = r[s->a], b = s->k;           \
    operation;                               \
  }                                          \
  name##KLeaf : {                            \
    int64_t a = s->k, b = r[s->b];           \
    operation;                               \
  }
#define QUORL_NEXT_STEP goto* labels[(++s)->code]
#define QUORL_FORMS(name)                                                                                \
  &&name##TwoLeaves, &&name##SetAside, &&name##RunningLeft, &&name##RunningRight, &&name##RunningK, \
      &&name##KRunning, &&name##LeafK, &&name##KLeaf

bool wordRootOperands(const NumberTree& tree, const BoundView& view, int64_t& x, int64_t& y) {
  // In the order of the codes: the kind times kForms plus the form.
  static void* const labels[] = {QUORL_FORMS(plus), QUORL_FORMS(dash), QUORL_FORMS(mult), QUORL_FORMS(other),
                                 QUORL_FORMS(root)};
  static_assert(sizeof labels / sizeof labels[0] == (Root + 1) * kForms);
  int64_t r[NumberTree::kMaxLeaves + NumberTree::kMaxOperations];
  if (!loadWords(tree, view, r)) return false;
  int64_t running = 0;
  const NumberTree::WordStep* s = tree.wordSteps;
  goto* labels[s->code];
  QUORL_WORD_STEP(plus, if (__builtin_add_overflow(a, b, &running)) return false; QUORL_NEXT_STEP)
  QUORL_WORD_STEP(dash, if (__builtin_sub_overflow(a, b, &running)) return false; QUORL_NEXT_STEP)
  QUORL_WORD_STEP(mult, if (__builtin_mul_overflow(a, b, &running)) return false; QUORL_NEXT_STEP)
  QUORL_WORD_STEP(other, if (!operated(s->op, a, b, running)) return false; QUORL_NEXT_STEP)
  QUORL_WORD_STEP(root, x = a; y = b; return true)
}

#undef QUORL_WORD_STEP
#undef QUORL_NEXT_STEP
#undef QUORL_FORMS

}  // namespace quorl
