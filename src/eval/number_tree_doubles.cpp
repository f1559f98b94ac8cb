// Trees of number operations whose leaves are all reals, answered on
// doubles: `z_re * z_re - z_im * z_im + c_re`, `four < z_re * z_re + z_im *
// z_im`, `acc + x * y`.
//
// A loop over reals answers such a tree at every step, so what the way
// costs is paid at every step.  The tree is laid out once as steps on the
// tree's own file of registers: a real written in the body or a constant's
// real, once computed, is put there once and read where it stays; each
// letter's box is tested for a real and loaded at every answer; the answer
// comes back in registers, not through memory.  Each operation is one step
// that leaves its answer in a running double, which the next operation
// most often takes as an operand where it is: `acc op leaf`, `leaf op
// acc`, `leaf op leaf` (the running double set aside in a register first
// when a later step still needs it), `set-aside op acc`.  The last step
// gives the answer.  A leaf that is no real, or a constant not read yet,
// sends the tree to the per-leaf read below, which reads what the quick
// ways read (remembering a constant's number) and gives up where they
// would.
#include "eval/number_tree_ways.hpp"

namespace quorl {

namespace {

// The operands a step takes: two registers (with the running double set
// aside first, or not), the running double and a register, or a register
// and the running double.
enum Form : uint8_t { TwoLeaves, SetAsideTwoLeaves, RunningLeft, RunningRight, kForms };
// A step's code: the operation's opcode (doubleOpcode) times kForms plus
// its form; kDone gives the running double as the answer.
constexpr uint8_t kDone = 8 * kForms;

}  // namespace

void planDoubles(NumberTree& tree) {
  // The answers not taken yet form a stack whose top is the running
  // double; the one at place p from the bottom, once another is computed
  // above it, is set aside in register leafCount + p.
  int depth = 0;
  int count = tree.operationCount;
  for (int i = 0; i < count; i++) {
    const NumberTree::Operation& o = tree.operations[i];
    NumberTree::DoubleStep& step = tree.doubleSteps[i];
    step = {0, static_cast<uint8_t>(o.left), static_cast<uint8_t>(o.right), 0, nullptr};
    Form form;
    if (o.left != NumberTree::kComputed && o.right != NumberTree::kComputed) {
      form = depth == 0 ? TwoLeaves : SetAsideTwoLeaves;
      step.save = static_cast<uint8_t>(tree.leafCount + depth - 1);
      depth++;
    } else if (o.right != NumberTree::kComputed) {
      form = RunningLeft;
    } else if (o.left != NumberTree::kComputed) {
      form = RunningRight;
    } else {
      form = RunningRight;
      step.a = static_cast<uint8_t>(tree.leafCount + depth - 2);
      depth--;
    }
    step.code = static_cast<uint8_t>(doubleOpcode(o.op) * kForms + form);
  }
  tree.doubleSteps[count] = {kDone, 0, 0, 0, nullptr};
  WordOp root = tree.operations[count - 1].op;
  tree.doublesTruth = root == WordOp::Less || root == WordOp::Gteq;
}

namespace {

// The double of a value that is a real: a Real most often, a real leaf
// when it was taken from a term (a list's element).
inline bool realOf(Value v, double& out) {
  if (v.isReal()) [[likely]] {
    out = v.real()->value;
    return true;
  }
  return v.isNode() && realLeafValue(v.node(), out);
}

// The tree's known reals into its registers: false while a leaf that is
// no letter is not known to be a real.
[[gnu::noinline]] bool fillConstants(const NumberTree& tree) {
  if ((tree.readLeaves & ~tree.knownReals) != 0) return false;
  fillKnownLeaves(tree);
  tree.doublesFilled = true;
  return true;
}

// The leaves' doubles when every letter read holds a real and every other
// leaf's real is in the registers: false otherwise.
inline bool loadLeaves(const NumberTree& tree, const TreeLetters& view, NumberTree::Register* r) {
  if (!tree.doublesFilled) [[unlikely]]
    return false;
  if (tree.computedLeaf >= 0 && !realOf(view.computed, r[tree.computedLeaf].real)) return false;
  return loadLetters(tree, view, view.boundValues, r,
                     [](Value v, NumberTree::Register& out) { return realOf(v, out.real); });
}

// The leaves' doubles read one by one as the quick ways read them (the
// constants put in the registers when they are all known reals).
[[gnu::noinline]] Outcome readLeaves(const NumberTree& tree, const TreeLetters& view) {
  if (fillConstants(tree) && loadLeaves(tree, view, tree.registers)) return Outcome::Answered;
  for (int i = 0; i < tree.leafCount; i++) {
    int64_t bits;
    bool real;
    Outcome answered = quickLeaf(tree, i, view, bits, real);
    if (answered != Outcome::Answered) return answered;
    if (!real) return Outcome::Again;
    tree.registers[i].real = std::bit_cast<double>(bits);
  }
  return Outcome::Answered;
}

}  // namespace

// Each step is a label of its own that goes on to the next step's
// (labels as values, which GCC and Clang take): a jump from each step
// rather than from one switch, so that the processor foretells where each
// goes from where it stands, as a tree's steps come in the same order at
// every call.  The four forms of the operation `name`, `x` and `y` its
// operands:
#define QUORL_DOUBLE_STEP(name, operation)     \
  name##TwoLeaves : {                          \
    double x = r[s->a].real, y = r[s->b].real; \
    operation;                                 \
    QUORL_NEXT_STEP;                           \
  }                                            \
  name##SetAside : {                           \
    r[s->save].real = running;                 \
    double x = r[s->a].real, y = r[s->b].real; \
    operation;                                 \
    QUORL_NEXT_STEP;                           \
  }                                            \
  name##RunningLeft : {                        \
    double x = running, y = r[s->b].real;      \
    operation;                                 \
    QUORL_NEXT_STEP;                           \
  }                                            \
  name##RunningRight : {                       \
    double x = r[s->a].real, y = running;      \
    operation;                                 \
    QUORL_NEXT_STEP;                           \
  }
#define QUORL_NEXT_STEP goto*(++s)->go
#define QUORL_FORMS(name) &&name##TwoLeaves, &&name##SetAside, &&name##RunningLeft, &&name##RunningRight

OnDoubles evaluateOnDoubles(const NumberTree& tree, const TreeLetters& view) {
  // In the order of the codes: doubleOpcode times kForms plus the form.
  static void* const labels[] = {QUORL_FORMS(plus),  QUORL_FORMS(dash), QUORL_FORMS(mult),
                                 QUORL_FORMS(over),  QUORL_FORMS(cent), QUORL_FORMS(less),
                                 QUORL_FORMS(gteq),  QUORL_FORMS(powa), &&done};
  static_assert(sizeof labels / sizeof labels[0] == kDone + 1);
  NumberTree::Register* r = tree.registers;
  // The fast way needs the registers filled, which only the slow way
  // does, after the steps know where they go.
  if (!loadLeaves(tree, view, r)) [[unlikely]] {
    for (int i = 0; i <= tree.operationCount; i++) tree.doubleSteps[i].go = labels[tree.doubleSteps[i].code];
    Outcome read = readLeaves(tree, view);
    if (read != Outcome::Answered) return {0, read, false};
  }
  double running = 0;
  const NumberTree::DoubleStep* s = tree.doubleSteps;
  goto* s->go;
  QUORL_DOUBLE_STEP(plus, running = x + y)
  QUORL_DOUBLE_STEP(dash, running = x - y)
  QUORL_DOUBLE_STEP(mult, running = x * y)
  QUORL_DOUBLE_STEP(over, running = x / y)
  QUORL_DOUBLE_STEP(cent, running = realRemainder(x, y))
  QUORL_DOUBLE_STEP(less, return OnDoubles({0, Outcome::Answered, x < y}))  // a comparison is the root
  QUORL_DOUBLE_STEP(gteq, return OnDoubles({0, Outcome::Answered, x >= y}))
  QUORL_DOUBLE_STEP(powa, running = realPower(x, y))
done:
  return {running, Outcome::Answered, false};
}

#undef QUORL_DOUBLE_STEP
#undef QUORL_NEXT_STEP
#undef QUORL_FORMS

}  // namespace quorl
