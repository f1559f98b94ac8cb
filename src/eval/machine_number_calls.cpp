// Trees of number operations around a call: `acc + a(i, j) * x`,
// `count + steps(...)`.
//
// Such a sum is a call of `+` whose operand is a call of `*` whose operand
// is a call the machine must compute: left to the builtins, each of the
// two operations collects its operands under a frame of its own, and is
// answered on its values one at a time.  When the call is the first thing
// the operations compute (code.hpp: callTree), the machine computes it
// under one frame, and the whole tree is then answered on its value where
// it stands, as the trees of number_trees.hpp are.  What a tree does not
// take (a text, a function, a failure met on the way) goes on exactly as
// the builtins would have gone: the frames they would have pushed by then
// are pushed, and the call's value is handed to the innermost.
//
// When the call is of a global function given its arguments as they stand,
// and the function's body is itself a tree of number operations (`entry\i\j
// \real(1) / real(...)`, reached through `a(i, j)`, or through a function
// whose body only calls such a one, `transposed\i\j\entry(j, i)`), the
// body's tree is answered here on the arguments' values and the tree around
// it on that answer, with no frame, no bindings and no turn of the loop:
// both are pure, so whatever is not answered so runs as before, nothing of
// it begun.  The way to the body's tree (the function the head letter
// held, the definitions met) is remembered in the sum's tree, so that
// later calls neither look the function up by its name nor follow the
// forwarding calls again while the names resolve as they did; the body's
// answer reaches the sum unboxed when the sum's tree only reads its leaves.
//
// The commonest such tree, one operation on a number written in the body
// and the call's value (`1 + check(left)`), is answered on the two words
// as soon as the value comes back, in the value's own box when nothing
// else holds it.
#include "eval/machine_calls.hpp"
#include "eval/machine_view.hpp"
#include "eval/number_tree_ways.hpp"

namespace quorl {

namespace {

// The computed operand of the call tree of `code`: the leaf the tree was
// given it as, the operand itself in its spine.
const Part& computedOperand(const Code* code) {
  const NumberTree& tree = *code->callTree;
  return *tree.leaves[tree.computedLeaf];
}

// How many calls of bodies that only call another are followed to a tree.
constexpr int kMaxCalledDepth = 4;

// The definition slot of the global function whose name is the value `f`
// and which is compiled as `callee`, which a call then enters as it is;
// null when `f` is anything else.
NodeRef* slotNamed(Value f, const Callee* callee) {
  if (!f.isNode()) return nullptr;
  Node* name = f.node();
  if (!isLeaf(name)) return nullptr;
  ensureAnnotated(name);
  if (isConstantAnnotated(name) || storedArity(name) != callee->arity) return nullptr;
  unsigned char first = static_cast<unsigned char>(leafChars(name)[0]);
  if (first < 'a' || first > 'z') return nullptr;
  const NameResolution& r = resolveName(name);
  bool named = r.builtin == nullptr && r.combinator == 0 && r.definition != nullptr && !isLinearHeadLeaf(name) &&
               r.definition->get() == callee->definition;
  return named ? r.definition : nullptr;
}

// The letters a called body reads, by letter: those of its parameters,
// and where each came from in the call the machine met (a letter of its
// view or a value written in a body).
struct CalledLetters {
  uint32_t bound = 0;
  Value values[26];
  const Part* sources[26];
  Value of(int letter) const { return values[letter]; }
};

// Where an operand's value comes from: itself as the machine met it, or
// what the letter it reads was given.
inline const Part* sourceOf(const Part& op, const BoundView&) { return &op; }
inline const Part* sourceOf(const Part& op, const CalledLetters& given) {
  return op.kind == Part::Letter ? given.sources[op.letter] : &op;
}

// The global function that the spine `call` calls with exactly its
// arguments, each a letter (read by `of`) or a value written in the body,
// and those arguments by parameter letter into `out`, with the slot of its
// definition in `slot`; null otherwise, or when the function was never
// called yet the ordinary way (which compiles it).  `opaque` is set when an
// operand is none of those.
template <class View>
const Callee* simpleCall(const Code* call, const View& view, CalledLetters& out, NodeRef*& slot, bool& opaque) {
  const Callee* callee;
  if (call->head == HeadKind::Strict) {
    if (call->callee == nullptr) return nullptr;
    callee = calleeAt(call);
    slot = call->definition;
  } else if (call->head == HeadKind::Letter) {
    callee = call->callee;
    if (callee == nullptr || (slot = slotNamed(view.of(call->headPart.letter), callee)) == nullptr) return nullptr;
  } else {
    return nullptr;
  }
  if (callee->arity != call->argCount || callee->body.kind != Part::Compiled) return nullptr;
  Value args[kMaxArity];
  const Part* sources[kMaxArity];
  for (int i = 0; i < call->argCount; i++) {
    const Part& op = call->args[i];
    if (op.kind == Part::Letter) args[i] = view.of(op.letter);
    else if (op.kind == Part::Shared && op.valueState == 1) args[i] = Value::ofNode(op.node);
    else return (opaque = true, nullptr);
    sources[i] = sourceOf(op, view);
  }
  out.bound = callee->bodyLetters;
  int k = 0;
  for (uint32_t rest = callee->bodyLetters; rest != 0; rest &= rest - 1) {
    int letter = __builtin_ctz(rest);
    out.values[letter] = args[callee->argumentOfBinding[k]];
    out.sources[letter] = sources[callee->argumentOfBinding[k++]];
  }
  return callee;
}

}  // namespace

// A call tree's call followed once to a body that is a tree: the function
// the head letter held (null for a global function's name), the
// definitions met on the way, and where the body's letters come from.
// Finding the function by its name and following the calls again costs
// more than the body's tree; while the names resolve as they did and the
// definitions met are the same, the plan gives the body's letters at once.
struct CalledPlan {
  Node* name = nullptr;  // held
  uint64_t generation = 0;
  const NumberTree* body = nullptr;
  uint32_t bound = 0;
  uint8_t levels = 0, count = 0;
  NodeRef* slots[kMaxCalledDepth];
  Node* definitions[kMaxCalledDepth];
  uint8_t letters[kMaxArity];
  const Part* sources[kMaxArity];
};

// Two ways, for a loop given two functions in turn (`row` given `entry`
// and `transposed`).
struct CalledPlans {
  CalledPlan ways[2];
  uint8_t next = 0;
};

NumberTree::~NumberTree() {
  if (calledPlans == nullptr) return;
  for (CalledPlan& way : calledPlans->ways)
    if (way.name != nullptr) release(way.name);
  delete calledPlans;
}

namespace {

// The plan of `tree` for the call `call` as the view holds its head, if one
// is still right.
const CalledPlan* planFor(const NumberTree& tree, const Code* call, const BoundView& view) {
  const CalledPlans* plans = tree.calledPlans;
  if (plans == nullptr) return nullptr;
  uintptr_t name = call->head == HeadKind::Letter ? view.of(call->headPart.letter).bits : 0;
  for (const CalledPlan& way : plans->ways) {
    if (way.body == nullptr || reinterpret_cast<uintptr_t>(way.name) != name) continue;
    if (way.generation != definitionGeneration()) return nullptr;
    for (int level = 0; level < way.levels; level++)
      if (way.slots[level]->get() != way.definitions[level]) return nullptr;
    return &way;
  }
  return nullptr;
}

// Remembers how `call` reached `body`, through `levels` functions.
void remember(const NumberTree& tree, const Code* call, const BoundView& view, const NumberTree* body,
              const CalledLetters& given, NodeRef* const* slots, int levels) {
  if (tree.calledPlans == nullptr) tree.calledPlans = new CalledPlans();
  CalledPlans& plans = *tree.calledPlans;
  Node* name = call->head == HeadKind::Letter ? view.of(call->headPart.letter).node() : nullptr;
  // A way for the same function is made again; otherwise the older goes.
  int index = plans.ways[1].name == name ? 1 : plans.ways[0].name == name ? 0 : plans.next;
  plans.next = static_cast<uint8_t>(index ^ 1);
  CalledPlan& way = plans.ways[index];
  if (name != nullptr) acquire(name);
  if (way.name != nullptr) release(way.name);
  way.name = name;
  way.generation = definitionGeneration();
  way.body = body;
  way.bound = given.bound;
  way.levels = static_cast<uint8_t>(levels);
  for (int level = 0; level < levels; level++) {
    way.slots[level] = slots[level];
    way.definitions[level] = slots[level]->get();
  }
  way.count = 0;
  for (uint32_t rest = given.bound; rest != 0; rest &= rest - 1) {
    int letter = __builtin_ctz(rest);
    way.letters[way.count] = static_cast<uint8_t>(letter);
    way.sources[way.count++] = given.sources[letter];
  }
}

// What a called body's tree came to: nothing (the machine computes the
// call), a quick answer (Called::quick), or a value with one count.
enum class Called { None, Quick, Value };

// The answer of a called body's tree, by the ways that only read its
// leaves when they answer it.
Called answerBody(const NumberTree& body, const TreeLetters& letters, Quick& quick, Value& out) {
  switch (answerTreeQuickly(body, letters, quick)) {
    case Outcome::Answered: return Called::Quick;
    case Outcome::Hopeless: return Called::None;
    case Outcome::Again: break;
  }
  return answerTreeGenerally(body, letters, out) ? Called::Value : Called::None;
}

// The body's tree of a plan answered on the letters the plan gives it.
Called answerPlanned(const CalledPlan& plan, const BoundView& view, Quick& quick, Value& out) {
  TreeLetters letters;
  letters.from = nullptr;
  letters.bound = plan.bound;
  letters.boundValues = letters.values;
  for (int k = 0; k < plan.count; k++) {
    const Part& source = *plan.sources[k];
    letters.values[plan.letters[k]] = source.kind == Part::Letter ? view.of(source.letter) : Value::ofNode(source.node);
  }
  return answerBody(*plan.body, letters, quick, out);
}

// The answer of the call `call` seen through the view, when it reaches a
// body that is a tree of number operations answered on its arguments;
// None, with nothing held or done, otherwise.  `opaque` is set when the
// function was found and its body is no such tree.  The way it was reached
// is remembered in `tree`, the call tree.
Called calledTreeAnswer(const NumberTree& tree, const Code* call, const BoundView& view, Quick& quick, Value& out,
                        bool& opaque) {
  if (const CalledPlan* plan = planFor(tree, call, view)) return answerPlanned(*plan, view, quick, out);
  CalledLetters letters[2];
  NodeRef* slots[kMaxCalledDepth];
  const Callee* callee = simpleCall(call, view, letters[0], slots[0], opaque);
  for (int depth = 0; callee != nullptr; depth++) {
    const Code* body = callee->body.code;
    opaque = body->kind != CodeKind::Spine || (body->letters & ~callee->bodyLetters) != 0;
    if (opaque) return Called::None;
    const CalledLetters& given = letters[depth & 1];
    if (body->tree != nullptr && body->argCount == body->callArity) {
      remember(tree, call, view, body->tree, given, slots, depth + 1);
      TreeLetters letters;
      letters.from = nullptr;
      letters.bound = given.bound;
      letters.boundValues = given.values;
      return answerBody(*body->tree, letters, quick, out);
    }
    opaque = depth + 1 == kMaxCalledDepth || (body->head != HeadKind::Strict && body->head != HeadKind::Letter);
    if (opaque) return Called::None;
    // A match or a choice on a parameter never calls a function here.
    opaque = body->head == HeadKind::Letter && (body->matches || body->picks);
    if (opaque) return Called::None;
    callee = simpleCall(body, given, letters[(depth + 1) & 1], slots[depth + 1], opaque);
  }
  return Called::None;
}

// The call tree answered on the called body's quick answer, a machine
// integer or a double held here: the ways that only read their leaves
// read it where it stands, and no box is made for it.  Again when the
// general way must answer, which may keep the value it is given.
Outcome answerAroundQuick(const NumberTree& tree, TreeLetters& letters, const Quick& called, Value& out) {
  if (called.kind == Quick::Truth) return Outcome::Again;
  union {
    Word word;
    Real real;
  } held;
  if (called.kind == Quick::Word) {
    held.word = {1, called.word, nullptr};
    letters.computed = Value::ofWord(&held.word);
  } else {
    held.real = {1, called.real, nullptr};
    letters.computed = Value::ofReal(&held.real);
  }
  Quick answer;
  Outcome answered = answerTreeQuickly(tree, letters, answer);
  if (answered == Outcome::Answered) out = quickValue(answer);
  return answered;
}

}  // namespace

// The spine `code` with a call tree, seen through the view: the tree waits
// for its call in a frame, the values of the letters its other operands
// read held under it in letter order (no bindings made for them), and the
// machine goes on with the call.  `code` becomes the code to go on with,
// or null when the focus is set.
void Machine::treeCallStarts(const Code*& code, BoundView& view) {
  if (!code->callTree->calledOpaque && calledTreeHere(code, view)) return;
  for (uint32_t rest = code->callTree->leafLetters; rest != 0; rest &= rest - 1) {
    Value v = view.of(__builtin_ctz(rest));
    acquireValue(v);
    stack_.pushHeld(v);
  }
  stack_.push(FrameKind::Tree, reinterpret_cast<uintptr_t>(code), nullptr);
  goOnWith(computedOperand(code), code, view);
}

// The call tree of `code` answered where it stands, its call's body a tree
// answered on the call's arguments: true with the focus set and `code`
// null; false, with nothing done, when either is the machine's to compute
// (the call is then computed again: a tree has no effect).
bool Machine::calledTreeHere(const Code*& code, const BoundView& view) {
  const NumberTree& tree = *code->callTree;
  Quick quick;
  Value called;
  bool opaque = false;
  Called kind = calledTreeAnswer(tree, computedOperand(code).code, view, quick, called, opaque);
  if (kind == Called::None) {
    if (opaque) tree.calledOpaque = true;
    return false;
  }
  TreeLetters letters;
  treeLetters(code, view, letters);
  Value answer;
  if (kind == Called::Quick) {
    switch (answerAroundQuick(tree, letters, quick, answer)) {
      case Outcome::Answered:
        focus_ = Term::of(answer);
        code = nullptr;
        return true;
      case Outcome::Hopeless: return false;
      case Outcome::Again: called = quickValue(quick); break;
    }
  }
  letters.computed = called;
  bool answered = answerTree(tree, letters, answer);
  releaseValue(called);
  if (!answered) return false;
  focus_ = Term::of(answer);
  code = nullptr;
  return true;
}

namespace {

// `1 + check(left)` (NumberTree::wordWithCall) when the call's value `v`
// (held) is a machine integer and so is the answer: in v's box when
// nothing else holds it and it has no term yet, as answerInWordBox.
// False, with nothing done, otherwise.
bool wordWithCall(const NumberTree& tree, Value v, Value& out) {
  int64_t x = tree.leafNumbers[tree.wordWithCall], y;
  if (!wordOf(v, y)) return false;
  if (tree.wordWithCall != tree.leftRegister[0]) std::swap(x, y);
  WordAnswer answer = answerWords(tree.operations[0].op, x, y);
  if (answer.kind != WordAnswer::Integer) return false;
  if (v.isWord() && v.word()->count == 1 && v.word()->leaf == nullptr) {
    v.word()->value = answer.value;
    out = v;
    return true;
  }
  releaseValue(v);
  out = newWord(answer.value);
  return true;
}

}  // namespace

// The call's value, in focus, meets its tree's frame.
void Machine::treeCallReturned() {
  Frame f = stack_.pop();
  const Code* code = reinterpret_cast<const Code*>(f.bits);
  const NumberTree& tree = *code->callTree;
  Value v = toValue(focus_);
  Value answer;
  if (tree.wordWithCall >= 0 && wordWithCall(tree, v, answer)) {
    focus_ = Term::of(answer);
    return;
  }
  TreeLetters letters;
  letters.from = nullptr;
  letters.bound = tree.leafLetters;
  letters.boundValues = letters.values;
  for (uint32_t rest = tree.leafLetters; rest != 0; rest &= ~(uint32_t{1} << (31 - __builtin_clz(rest))))
    letters.values[31 - __builtin_clz(rest)] = Value{stack_.pop().bits};  // the last letter on top
  letters.computed = v;
  if (answerTree(tree, letters, answer)) {
    releaseValue(v);
    for (uint32_t rest = tree.leafLetters; rest != 0; rest &= rest - 1)
      releaseValue(letters.values[__builtin_ctz(rest)]);
    focus_ = Term::of(answer);
    return;
  }
  BoundView view(nullptr);  // takes over the held values
  for (uint32_t rest = tree.leafLetters; rest != 0; rest &= rest - 1) {
    int letter = __builtin_ctz(rest);
    view.bind(letter, letters.values[letter], true);
  }
  tree.missed = true;
  // The builtins' way: each operation on the way down to the call has the
  // operands before it collected (values as they stand: nothing is
  // computed before the call) and waits for the next in a Call frame.
  const Code* spine = code;
  for (int level = 0; level < tree.pathLength; level++) {
    int k = tree.path[level];
    for (int j = 0; j < k; j++) stack_.pushHeld(viewValue(spine->args[j], view));
    uint32_t rest = spine->restLetters[k];
    stack_.push(FrameKind::Call, reinterpret_cast<uintptr_t>(spine), rest == 0 ? nullptr : viewBindings(rest, view),
                static_cast<uint8_t>(k + 1));
    spine = spine->args[k].code;
  }
  focus_ = Term::of(v);
}

}  // namespace quorl
