// Trees of number operations: how they are compiled, and how they are
// answered, machine integers and doubles unboxed between operations.
//
// A tree is answered a few times over at most.  Leaves that are all
// machine integers are taken on words (word_trees.hpp), all reals on
// doubles; the quick way takes machine integers and doubles mixed, with no
// counts, identities or failures to keep track of; when one of them meets
// anything else it gives up, and the general way (number_tree_general.cpp)
// takes the tree again from its leaves, with the engine's number answers
// for what lies beyond the word and the double.  Reading the leaves and
// computing on them changes nothing, so starting over shows nowhere.
#include "eval/number_trees.hpp"

#include <bit>
#include <utility>

#include "eval/machine.hpp"
#include "eval/number_tree_ways.hpp"
#include "eval/real_values.hpp"
#include "eval/why.hpp"
#include "eval/word_trees.hpp"
#include "numbers/operands.hpp"

namespace quorl {

// --- compiling ----------------------------------------------------------------

namespace {

bool sameLeaf(const Part& a, const Part& b) {
  if (a.kind != b.kind) return false;
  return a.kind == Part::Letter ? a.letter == b.letter : a.node == b.node;
}

// A tree being emitted.  With `calls`, an operand that is no number
// operation is the call computed first: `path` is the way down to where
// the emitter stands, and `ok` goes false when the call is not the first
// thing computed.
struct Emitter {
  NumberTree& tree;
  bool calls;
  bool ok = true;
  int depth = 0;
  uint8_t path[NumberTree::kMaxOperations] = {};
};

void emitOperations(Emitter& e, const Code& code);

// The computed operand `op`, the `index`th of its spine.
int8_t callLeaf(Emitter& e, const Part& op, int index) {
  NumberTree& tree = e.tree;
  bool first = tree.computedLeaf == NumberTree::kNone && tree.operationCount == 0;
  for (int i = 0; i < tree.leafCount; i++) first = first && tree.leaves[i]->constant == nullptr;
  e.ok = e.ok && first;
  for (int i = 0; i < e.depth; i++) tree.path[i] = e.path[i];
  tree.path[e.depth] = static_cast<uint8_t>(index);
  tree.pathLength = static_cast<uint8_t>(e.depth + 1);
  tree.computedLeaf = static_cast<int8_t>(tree.leafCount);
  tree.leaves[tree.leafCount] = &op;
  return static_cast<int8_t>(tree.leafCount++);
}

// The operand's place: a leaf's index, or kComputed once its operations are
// emitted.
int8_t operandOf(Emitter& e, const Part& op, int index) {
  NumberTree& tree = e.tree;
  const Code* below = op.kind == Part::Compiled ? op.code : op.closedTree;
  if (below != nullptr && (!e.calls || op.kind != Part::Compiled || numberSpine(*below))) {
    e.path[e.depth++] = static_cast<uint8_t>(index);
    emitOperations(e, *below);
    e.depth--;
    return NumberTree::kComputed;
  }
  if (op.kind == Part::Compiled) return callLeaf(e, op, index);
  for (int i = 0; i < tree.leafCount; i++)
    if (sameLeaf(*tree.leaves[i], op)) return static_cast<int8_t>(i);
  tree.leaves[tree.leafCount] = &op;
  return static_cast<int8_t>(tree.leafCount++);
}

// As deep as the tree, which code.cpp keeps small.
void emitOperations(Emitter& e, const Code& code) {
  WordOp op = code.builtin->wordOp;
  NumberTree::Operation operation{op, operandOf(e, code.args[0], 0), NumberTree::kNone};
  if (op != NumberTree::kConversion) operation.right = operandOf(e, code.args[1], 1);
  e.tree.operations[e.tree.operationCount++] = operation;
}

NumberTree* emitTree(const Code& code, bool calls) {
  auto* tree = new NumberTree();
  Emitter e{*tree, calls};
  emitOperations(e, code);
  if (!e.ok || (calls && tree->computedLeaf == NumberTree::kNone)) {
    delete tree;
    return nullptr;
  }
  for (int i = 0; i < tree->leafCount; i++) {
    const Part& leaf = *tree->leaves[i];
    NumberTree::LeafRead read = NumberTree::ReadOther;
    if (leaf.kind == Part::Letter) {
      read = NumberTree::ReadLetter;
      tree->leafLetter[i] = leaf.letter;
    } else if (leaf.kind == Part::Compiled) {
      read = NumberTree::ReadComputed;
    } else if (leaf.isWord) {
      read = NumberTree::ReadWord;
      tree->leafNumbers[i] = leaf.word;
      tree->knownLeaves |= uint32_t{1} << i;
    } else if (leaf.constant != nullptr) {
      read = NumberTree::ReadConstant;
    }
    tree->leafReads[i] = read;
  }
  // A tree with an integer among its leaves as written is never all reals.
  tree->onDoubles = true;
  tree->onWords = true;
  for (int i = 0; i < tree->leafCount; i++)
    if (tree->leafReads[i] == NumberTree::ReadWord) tree->onDoubles = false;
  int last = tree->operationCount - 1;
  for (int i = 0; i <= last; i++) {
    const NumberTree::Operation& o = tree->operations[i];
    bool arithmetic = (o.op >= WordOp::Plus && o.op <= WordOp::Cent) || o.op == WordOp::Powa;
    bool rootComparison = i == last && (o.op == WordOp::Less || o.op == WordOp::Gteq);
    if (!arithmetic && !rootComparison) tree->onDoubles = false;
    if (o.op == NumberTree::kConversion || (!arithmetic && i != last)) tree->onWords = false;
  }
  // The registers: a computed operand is the answer of the last operation
  // not taken yet, the right one on top.
  uint8_t pending[NumberTree::kMaxOperations];
  int top = 0;
  for (int i = 0; i <= last; i++) {
    const NumberTree::Operation& o = tree->operations[i];
    uint8_t right = 0;
    if (o.right == NumberTree::kComputed) right = pending[--top];
    else if (o.right >= 0) right = static_cast<uint8_t>(o.right);
    tree->rightRegister[i] = right;
    tree->leftRegister[i] = o.left == NumberTree::kComputed ? pending[--top] : static_cast<uint8_t>(o.left);
    pending[top++] = static_cast<uint8_t>(tree->leafCount + i);
  }
  for (int i = 0; i < tree->leafCount; i++) {
    uint8_t read = tree->leafReads[i];
    if (read == NumberTree::ReadLetter) {
      tree->leafLetters |= uint32_t{1} << tree->leafLetter[i];
      tree->letterLoads[tree->letterLoadCount++] = {static_cast<uint8_t>(i), tree->leafLetter[i]};
    } else if (read != NumberTree::ReadComputed) {
      tree->readLeaves |= uint32_t{1} << i;
    }
  }
  if (tree->operationCount == 1 && tree->leafCount == 2 && tree->computedLeaf >= 0) {
    int other = 1 - tree->computedLeaf;
    if (tree->leafReads[other] == NumberTree::ReadWord) tree->wordWithCall = static_cast<int8_t>(other);
  }
  if (tree->onDoubles) planDoubles(*tree);
  if (tree->onWords) planWords(*tree);
  return tree;
}

}  // namespace

const NumberTree* buildNumberTree(const Code& code) { return emitTree(code, false); }

const NumberTree* buildCallTree(const Code& code) { return emitTree(code, true); }

// --- the quick way ----------------------------------------------------------------

namespace {

// The quick way's operations once the kinds of their operands are known
// (NumberTree::typedCodes): each is what quickStep() would do for those
// kinds, decided once for a pattern of leaves rather than at every step.
enum Typed : uint8_t {
  WordPlus, WordDash, WordMult, WordOther, WordTruth,           // two integers
  RealPlus, RealDash, RealMult, RealOver, RealOther, RealLess, RealGteq,  // two doubles
  Mixed,         // arithmetic of a double and an integer (flags: which are integers)
  TruthKnown,    // a comparison of a double and an integer (flags: its truth)
  ToReal, Same,  // `real` of an integer, of a computed double
  Done,          // after the last operation
};

// Types the tree's operations for leaves of `pattern`; false when the
// quick way gives up on such leaves.
// The typed operations `typed` (registers as the tree numbers them) laid
// out as the quick way's steps (`real(1)`, the two `i + j` of
// `real(1) / real((i + j) * (i + j + 1) / 2 + i + 1)`).  The operations on
// known leaves alone come first, answered until one run ends
// (NumberTree::typedFirst), unless the tree may go on doubles, whose steps
// set doubles aside in those registers; an operation the same as one
// before it on the same operands, and `real` of a double computed within
// the tree, take no step, their answer read where the other's is.  Each
// step leaves its answer in the register after the last one's, so the
// registers are numbered again.
void layOutSteps(const NumberTree& tree, const NumberTree::TypedStep* typed) {
  using Step = NumberTree::TypedStep;
  int base = tree.leafCount, count = tree.operationCount, last = count - 1;
  uint8_t place[NumberTree::kMaxLeaves + NumberTree::kMaxOperations];
  bool known[NumberTree::kMaxLeaves + NumberTree::kMaxOperations];
  for (int i = 0; i < base; i++) {
    place[i] = static_cast<uint8_t>(i);
    known[i] = !tree.onDoubles && ((tree.knownLeaves >> i) & 1);
  }
  for (int i = 0; i < count; i++) {
    const Step& t = typed[i];
    known[base + i] = known[t.a] && (t.op == NumberTree::kConversion || known[t.b]);
  }
  int n = 0;
  for (int pass = 0; pass < 2; pass++) {
    if (pass == 1) tree.typedFirst = static_cast<uint8_t>(n);
    for (int i = 0; i < count; i++) {
      if (known[base + i] != (pass == 0)) continue;
      Step step = typed[i];
      step.a = place[step.a];
      step.b = step.op == NumberTree::kConversion ? 0 : place[step.b];
      int same = -1;
      for (int j = 0; j < n && same < 0; j++) {
        const Step& o = tree.typedSteps[j];
        if (o.code == step.code && o.op == step.op && o.flags == step.flags && o.a == step.a && o.b == step.b)
          same = j;
      }
      if (i != last && (same >= 0 || step.code == Same)) {
        place[base + i] = step.code == Same ? step.a : static_cast<uint8_t>(base + same);
        continue;
      }
      place[base + i] = static_cast<uint8_t>(base + n);
      tree.typedSteps[n++] = step;
    }
  }
  tree.typedSteps[n] = {Done, 0, 0, 0, WordOp::None, nullptr};
  tree.typedCount = static_cast<uint8_t>(n);
  tree.typedFirstDone = false;
}

bool typeTree(const NumberTree& tree, uint32_t pattern) {
  NumberTree::TypedStep typed[NumberTree::kMaxOperations];
  uint8_t kind[NumberTree::kMaxLeaves + NumberTree::kMaxOperations];
  int base = tree.leafCount, count = tree.operationCount;
  for (int i = 0; i < base; i++) kind[i] = (pattern >> i) & 1 ? Quick::Real : Quick::Word;
  for (int i = 0; i < count; i++) {
    WordOp op = tree.operations[i].op;
    int left = tree.leftRegister[i];
    uint8_t a = kind[left], b = kind[tree.rightRegister[i]];
    uint8_t code, flags = 0, answer = Quick::Real;
    if (op == NumberTree::kConversion) {
      // `real` of a real leaf is that very value, which the general way
      // gives when the tree's answer is it.
      if (a == Quick::Truth || (a == Quick::Real && left < base && i + 1 == count)) return false;
      code = a == Quick::Word ? ToReal : Same;
    } else if (a == Quick::Truth || b == Quick::Truth) {
      return false;
    } else if (a == Quick::Real && b == Quick::Real) {
      switch (op) {
        case WordOp::Plus: code = RealPlus; break;
        case WordOp::Dash: code = RealDash; break;
        case WordOp::Mult: code = RealMult; break;
        case WordOp::Over: code = RealOver; break;
        case WordOp::Less: code = RealLess; answer = Quick::Truth; break;
        case WordOp::Gteq: code = RealGteq; answer = Quick::Truth; break;
        case WordOp::Same:
        case WordOp::Diff: return false;  // one value is the same as itself, even a NaN
        default: code = RealOther; break;
      }
    } else if (a == Quick::Word && b == Quick::Word) {
      bool comparison = op == WordOp::Less || op == WordOp::Gteq || op == WordOp::Same || op == WordOp::Diff;
      code = op == WordOp::Plus ? WordPlus : op == WordOp::Dash ? WordDash : op == WordOp::Mult ? WordMult
             : comparison ? WordTruth : WordOther;
      answer = comparison ? Quick::Truth : Quick::Word;
    } else {
      // A real and an integer: real comes first and never equals an
      // integer; arithmetic is done on the integer's nearest double.
      bool realFirst = a == Quick::Real;
      code = TruthKnown;
      answer = Quick::Truth;
      switch (op) {
        case WordOp::Less: flags = realFirst; break;
        case WordOp::Gteq: flags = !realFirst; break;
        case WordOp::Same: flags = 0; break;
        case WordOp::Diff: flags = 1; break;
        default:
          code = Mixed;
          answer = Quick::Real;
          flags = static_cast<uint8_t>((a == Quick::Word ? 1 : 0) | (b == Quick::Word ? 2 : 0));
          break;
      }
    }
    uint8_t right = op == NumberTree::kConversion ? 0 : tree.rightRegister[i];
    typed[i] = {code, static_cast<uint8_t>(left), right, flags, op, nullptr};
    kind[base + i] = answer;
  }
  layOutSteps(tree, typed);
  tree.typedAnswer = static_cast<int8_t>(kind[base + count - 1]);
  return true;
}

using Slot = NumberTree::Register;

// Leaf `i` from `v` into its register, `pattern` told when it is a double;
// any other value is read as quickLeaf reads it.
inline Outcome quickRead(const NumberTree& tree, int i, const TreeLetters& view, Value v, uint32_t& pattern) {
  Slot& slot = tree.registers[i];
  if (v.isWord()) {
    slot.word = v.word()->value;
    return Outcome::Answered;
  }
  if (v.isReal()) {
    slot.real = v.real()->value;
    pattern |= uint32_t{1} << i;
    return Outcome::Answered;
  }
  bool real = false;  // not set when the leaf is not taken
  Outcome answered = quickLeaf(tree, i, view, slot.word, real);
  pattern |= static_cast<uint32_t>(real) << i;
  return answered;
}

// The leaves not known already into the tree's registers: the pattern of
// those that are doubles in `pattern`.
inline Outcome quickLeaves(const NumberTree& tree, const TreeLetters& view, uint32_t& pattern) {
  fillKnownLeaves(tree);
  pattern = tree.knownReals;
  if (tree.computedLeaf >= 0) {
    Outcome read = quickRead(tree, tree.computedLeaf, view, view.computed, pattern);
    if (read != Outcome::Answered) return read;
  }
  const NumberTree::LetterLoad* load = tree.letterLoads;
  const NumberTree::LetterLoad* end = load + tree.letterLoadCount;
  bool bound = (tree.leafLetters & ~view.bound) == 0;
  for (; load != end; load++) {
    Value v = bound ? view.boundValues[load->letter] : view.of(load->letter);
    Outcome read = quickRead(tree, load->leaf, view, v, pattern);
    if (read != Outcome::Answered) return read;
  }
  for (uint32_t rest = tree.readLeaves & ~tree.knownLeaves; rest != 0; rest &= rest - 1) {
    int i = __builtin_ctz(rest);
    Outcome read = quickRead(tree, i, view, Value{0}, pattern);
    if (read != Outcome::Answered) return read;
  }
  return Outcome::Answered;
}

// The tree's answer the quick way.
Outcome evaluateQuickly(const NumberTree& tree, const TreeLetters& view, Quick& out) {
  uint32_t pattern;
  Outcome read = quickLeaves(tree, view, pattern);
  if (read != Outcome::Answered) return read;
  int base = tree.leafCount;
  if (tree.doublesMissed && pattern == (uint32_t{1} << base) - 1) tree.doublesMissed = false;
  // Each operation jumps to the next from its own place (labels as values,
  // as on doubles), so that the jumps are foretold from where they stand.
  static void* const labels[] = {&&wordPlus, &&wordDash,   &&wordMult, &&wordOther, &&wordTruth,
                                 &&realPlus, &&realDash,   &&realMult, &&realOver,  &&realOther,
                                 &&realLess, &&realGteq,   &&mixed,    &&truthKnown, &&toReal,
                                 &&same,     &&done};
  static_assert(sizeof labels / sizeof labels[0] == Done + 1);
  if (pattern != tree.typedPattern) {
    tree.typedPattern = pattern;
    if (!typeTree(tree, pattern)) tree.typedAnswer = -1;
    else
      for (int i = 0; i <= tree.typedCount; i++) tree.typedSteps[i].go = labels[tree.typedSteps[i].code];
  }
  if (tree.typedAnswer < 0) return Outcome::Again;
  int first = tree.typedFirstDone ? tree.typedFirst : 0;
  Slot* r = tree.registers;
  Slot* answer = r + base + first;  // the answer of the step under way
  const NumberTree::TypedStep* s = tree.typedSteps + first;
#define QUORL_OPERANDS        \
  const Slot& a = r[s->a];    \
  const Slot& b = r[s->b];    \
  (void)b
#define QUORL_NEXT \
  answer++;        \
  goto*(++s)->go
  goto* s->go;
wordPlus : {
  QUORL_OPERANDS;
  int64_t x;  // in a register: through memory it would be computed twice
  if (__builtin_add_overflow(a.word, b.word, &x)) return Outcome::Again;
  answer->word = x;
  QUORL_NEXT;
}
wordDash : {
  QUORL_OPERANDS;
  int64_t x;  // in a register: through memory it would be computed twice
  if (__builtin_sub_overflow(a.word, b.word, &x)) return Outcome::Again;
  answer->word = x;
  QUORL_NEXT;
}
wordMult : {
  QUORL_OPERANDS;
  int64_t x;  // in a register: through memory it would be computed twice
  if (__builtin_mul_overflow(a.word, b.word, &x)) return Outcome::Again;
  answer->word = x;
  QUORL_NEXT;
}
wordOther : {
  QUORL_OPERANDS;
  WordAnswer w = answerWords(s->op, a.word, b.word);
  if (w.kind != WordAnswer::Integer) return Outcome::Again;
  answer->word = w.value;
  QUORL_NEXT;
}
wordTruth : {
  QUORL_OPERANDS;
  WordAnswer w = answerWords(s->op, a.word, b.word);
  if (w.kind != WordAnswer::True && w.kind != WordAnswer::False) return Outcome::Again;
  answer->word = w.kind == WordAnswer::True;
  QUORL_NEXT;
}
realPlus : {
  QUORL_OPERANDS;
  answer->real = a.real + b.real;
  QUORL_NEXT;
}
realDash : {
  QUORL_OPERANDS;
  answer->real = a.real - b.real;
  QUORL_NEXT;
}
realMult : {
  QUORL_OPERANDS;
  answer->real = a.real * b.real;
  QUORL_NEXT;
}
realOver : {
  QUORL_OPERANDS;
  answer->real = a.real / b.real;
  QUORL_NEXT;
}
realOther : {
  QUORL_OPERANDS;
  answer->real = realArithmetic(s->op, a.real, b.real);
  QUORL_NEXT;
}
realLess : {
  QUORL_OPERANDS;
  answer->word = a.real < b.real;
  QUORL_NEXT;
}
realGteq : {
  QUORL_OPERANDS;
  answer->word = a.real >= b.real;
  QUORL_NEXT;
}
mixed : {
  QUORL_OPERANDS;
  uint8_t words = s->flags;
  double x = words & 1 ? static_cast<double>(a.word) : a.real;
  double y = words & 2 ? static_cast<double>(b.word) : b.real;
  answer->real = realArithmetic(s->op, x, y);
  QUORL_NEXT;
}
truthKnown : {
  answer->word = s->flags;
  QUORL_NEXT;
}
toReal : {
  answer->real = static_cast<double>(r[s->a].word);
  QUORL_NEXT;
}
same : {
  *answer = r[s->a];
  QUORL_NEXT;
}
#undef QUORL_OPERANDS
#undef QUORL_NEXT
done:
  tree.typedFirstDone = true;
  const Slot& last = answer[-1];
  out.kind = static_cast<Quick::Kind>(tree.typedAnswer);
  if (out.kind == Quick::Truth) out.truth = last.word != 0;
  else out.word = last.word;
  return Outcome::Answered;
}

}  // namespace

// --- answers ------------------------------------------------------------------------

namespace {

// Whether a tree is tried on words first: one that may be, unless its
// leaves were all reals the last time.
inline bool onWordsFirst(const NumberTree& tree) { return tree.onWords && !(tree.onDoubles && !tree.doublesMissed); }

// One operation of two leaves, the commonest tree (`1 + check(left)`,
// `i - 1`), on two machine integers: answered without the quick way's
// typing.  1 answered, 0 for the other ways to answer, -1 when
// the machine must compute it.
int answerOneStep(const NumberTree& tree, const TreeLetters& view, Value& out) {
  int64_t x, y;
  bool realX, realY;
  Outcome read = quickLeaf(tree, 0, view, x, realX);
  if (read == Outcome::Answered) read = quickLeaf(tree, 1, view, y, realY);
  if (read != Outcome::Answered) return read == Outcome::Hopeless ? -1 : 0;
  if (tree.leftRegister[0] != 0) {
    std::swap(x, y);
    std::swap(realX, realY);
  }
  // Reals go the ways below, whose doubles are the builtins' to the bit
  // (which NaN a sum of two NaNs keeps is the compiled code's choice).
  if (realX || realY) return 0;
  return answerWordValues(tree.operations[0].op, x, y, out) ? 1 : 0;
}

// The tree on words when it may be, then the quick way.
Outcome answerOnWordsOrQuickly(const NumberTree& tree, const TreeLetters& view, Quick& out) {
  int64_t word;
  if (onWordsFirst(tree)) {
    switch (treeOnWords(tree, view, word)) {
      case WordTree::Word: out.kind = Quick::Word; out.word = word; return Outcome::Answered;
      case WordTree::Truth: out.kind = Quick::Truth; out.truth = word != 0; return Outcome::Answered;
      default: break;
    }
  }
  return evaluateQuickly(tree, view, out);
}

}  // namespace

Value quickValue(const Quick& q) {
  switch (q.kind) {
    case Quick::Word: return newWord(q.word);
    case Quick::Real: return newReal(q.real);
    default: return truthAsValue(q.truth);
  }
}

namespace {

// A tree on doubles whose leaves were all reals the last time is tried so
// first: a loop over reals answers it at every step.  Again when it is not
// tried or meets a leaf that is no real.
inline OnDoubles onDoublesFirst(const NumberTree& tree, const TreeLetters& view) {
  if (!tree.onDoubles || tree.doublesMissed) return {0, Outcome::Again, false};
  OnDoubles doubles = evaluateOnDoubles(tree, view);
  if (doubles.outcome == Outcome::Again) tree.doublesMissed = true;
  return doubles;
}

// The ways after the one on doubles.
[[gnu::noinline]] bool answerTreeOtherwise(const NumberTree& tree, const TreeLetters& view, Value& out) {
  if (tree.operationCount == 1 && tree.leafCount == 2) {
    int answered = answerOneStep(tree, view, out);
    if (answered != 0) return answered > 0;
  }
  Quick q;
  switch (answerOnWordsOrQuickly(tree, view, q)) {
    case Outcome::Hopeless: return false;
    case Outcome::Again: break;
    case Outcome::Answered: out = quickValue(q); return true;
  }
  return answerTreeGenerally(tree, view, out);
}

// The answer of a tree tried on doubles first (onDoublesFirst).
[[gnu::noinline]] bool answerOnDoublesFirst(const NumberTree& tree, const TreeLetters& view, Value& out) {
  OnDoubles doubles = evaluateOnDoubles(tree, view);
  if (doubles.outcome == Outcome::Answered) [[likely]] {
    out = tree.doublesTruth ? truthAsValue(doubles.truth) : newReal(doubles.value);
    return true;
  }
  if (doubles.outcome == Outcome::Hopeless) return false;
  tree.doublesMissed = true;
  return answerTreeOtherwise(tree, view, out);
}

}  // namespace

// No frame of its own: each way below makes the one it needs.
bool answerTree(const NumberTree& tree, const TreeLetters& view, Value& out) {
  if (tree.onDoubles && !tree.doublesMissed) return answerOnDoublesFirst(tree, view, out);
  return answerTreeOtherwise(tree, view, out);
}

bool answerTree(const Code* code, const TreeLetters& view, Value& out) { return answerTree(*code->tree, view, out); }

Outcome answerTreeQuickly(const NumberTree& tree, const TreeLetters& view, Quick& out) {
  OnDoubles doubles = onDoublesFirst(tree, view);
  if (doubles.outcome == Outcome::Answered) [[likely]] {
    out.kind = tree.doublesTruth ? Quick::Truth : Quick::Real;
    if (tree.doublesTruth) out.truth = doubles.truth;
    else out.real = doubles.value;
    return Outcome::Answered;
  }
  if (doubles.outcome == Outcome::Hopeless) return doubles.outcome;
  return answerOnWordsOrQuickly(tree, view, out);
}

bool treeComparison(const Code* code, const TreeLetters& view, bool& truth) {
  const NumberTree& tree = *code->tree;
  if (tree.onDoubles && !tree.doublesMissed) {
    OnDoubles doubles = evaluateOnDoubles(tree, view);
    truth = doubles.truth;
    if (doubles.outcome != Outcome::Again) return doubles.outcome == Outcome::Answered;
    tree.doublesMissed = true;
  }
  int64_t word;
  if (onWordsFirst(tree) && treeOnWords(tree, view, word) == WordTree::Truth) {
    truth = word != 0;
    return true;
  }
  Quick q;
  switch (evaluateQuickly(tree, view, q)) {
    case Outcome::Hopeless: return false;
    case Outcome::Again: break;
    case Outcome::Answered: truth = q.truth; return true;  // a comparison gives a truth value
  }
  return compareTreeGenerally(tree, view, truth);
}

}  // namespace quorl
