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
// it begun.
#include "eval/machine_calls.hpp"
#include "eval/machine_view.hpp"

namespace quorl {

namespace {

// The computed operand of the call tree of `code`.
const Part& computedOperand(const Code* code) {
  const NumberTree& tree = *code->callTree;
  const Part* part = nullptr;
  for (int level = 0; level < tree.pathLength; level++) {
    part = &code->args[tree.path[level]];
    code = part->code;
  }
  return *part;
}

// How many calls of bodies that only call another are followed to a tree.
constexpr int kMaxCalledDepth = 4;

// Whether the value `f` is the name of the global function compiled as
// `callee`, which a call then enters as it is.
bool namesCallee(Value f, const Callee* callee) {
  if (!f.isNode()) return false;
  Node* name = f.node();
  if (!isLeaf(name)) return false;
  ensureAnnotated(name);
  if (isConstantAnnotated(name) || storedArity(name) != callee->arity) return false;
  unsigned char first = static_cast<unsigned char>(leafChars(name)[0]);
  if (first < 'a' || first > 'z') return false;
  const NameResolution& r = resolveName(name);
  return r.builtin == nullptr && r.combinator == 0 && r.definition != nullptr && !isLinearHeadLeaf(name) &&
         r.definition->get() == callee->definition;
}

// The letters a called body reads, by letter: those of its parameters.
struct CalledLetters {
  uint32_t bound = 0;
  Value values[26];
  Value of(int letter) const { return values[letter]; }
};

// The global function that the spine `call` calls with exactly its
// arguments, each a letter (read by `of`) or a value written in the body,
// and those arguments by parameter letter into `out`; null otherwise, or
// when the function was never called yet the ordinary way (which compiles
// it).  `opaque` is set when an operand is none of those.
template <class View>
const Callee* simpleCall(const Code* call, const View& view, CalledLetters& out, bool& opaque) {
  const Callee* callee;
  if (call->head == HeadKind::Strict) {
    if (call->callee == nullptr) return nullptr;
    callee = calleeAt(call);
  } else if (call->head == HeadKind::Letter) {
    callee = call->callee;
    if (callee == nullptr || !namesCallee(view.of(call->headPart.letter), callee)) return nullptr;
  } else {
    return nullptr;
  }
  if (callee->arity != call->argCount || callee->body.kind != Part::Compiled) return nullptr;
  Value args[kMaxArity];
  for (int i = 0; i < call->argCount; i++) {
    const Part& op = call->args[i];
    if (op.kind == Part::Letter) args[i] = view.of(op.letter);
    else if (op.kind == Part::Shared && op.valueState == 1) args[i] = Value::ofNode(op.node);
    else return (opaque = true, nullptr);
  }
  out.bound = callee->bodyLetters;
  int k = 0;
  for (uint32_t rest = callee->bodyLetters; rest != 0; rest &= rest - 1)
    out.values[__builtin_ctz(rest)] = args[callee->argumentOfBinding[k++]];
  return callee;
}

// The value of the call `call` seen through the view, when it reaches a
// body that is a tree of number operations answered on its arguments, with
// one count; false, with nothing held or done, otherwise.  `opaque` is set
// when the function was found and its body is no such tree.
bool calledTreeAnswer(const Code* call, const BoundView& view, Value& out, bool& opaque) {
  CalledLetters letters[2];
  const Callee* callee = simpleCall(call, view, letters[0], opaque);
  for (int depth = 0; callee != nullptr; depth++) {
    const Code* body = callee->body.code;
    opaque = body->kind != CodeKind::Spine || (body->letters & ~callee->bodyLetters) != 0;
    if (opaque) return false;
    const CalledLetters& given = letters[depth & 1];
    if (body->tree != nullptr && body->argCount == body->callArity) {
      TreeLetters tree;
      tree.from = nullptr;
      tree.bound = given.bound;
      tree.boundValues = given.values;
      return answerTree(body, tree, out);
    }
    opaque = depth + 1 == kMaxCalledDepth || (body->head != HeadKind::Strict && body->head != HeadKind::Letter);
    if (opaque) return false;
    // A match or a choice on a parameter never calls a function here.
    opaque = body->head == HeadKind::Letter && (body->matches || body->picks);
    if (opaque) return false;
    callee = simpleCall(body, given, letters[(depth + 1) & 1], opaque);
  }
  return false;
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
  Value called;
  bool opaque = false;
  if (!calledTreeAnswer(computedOperand(code).code, view, called, opaque)) {
    if (opaque) tree.calledOpaque = true;
    return false;
  }
  TreeLetters letters;
  treeLetters(code, view, letters);
  letters.computed = called;
  Value answer;
  bool answered = answerTree(tree, letters, answer);
  releaseValue(called);
  if (!answered) return false;
  focus_ = Term::of(answer);
  code = nullptr;
  return true;
}

// The call's value, in focus, meets its tree's frame.
void Machine::treeCallReturned() {
  Frame f = stack_.pop();
  const Code* code = reinterpret_cast<const Code*>(f.bits);
  const NumberTree& tree = *code->callTree;
  Value v = toValue(focus_);
  TreeLetters letters;
  letters.from = nullptr;
  letters.bound = tree.leafLetters;
  letters.boundValues = letters.values;
  for (uint32_t rest = tree.leafLetters; rest != 0; rest &= ~(uint32_t{1} << (31 - __builtin_clz(rest))))
    letters.values[31 - __builtin_clz(rest)] = Value{stack_.pop().bits};  // the last letter on top
  letters.computed = v;
  Value answer;
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
