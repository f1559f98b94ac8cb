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

}  // namespace

// The spine `code` with a call tree, seen through the view: the tree waits
// for its call in a frame, the values of the letters its other operands
// read held under it in letter order (no bindings made for them), and the
// machine goes on with the call.  `code` becomes the code to go on with,
// or null when the focus is set.
void Machine::treeCallStarts(const Code*& code, BoundView& view) {
  for (uint32_t rest = code->callTree->leafLetters; rest != 0; rest &= rest - 1) {
    Value v = view.of(__builtin_ctz(rest));
    acquireValue(v);
    stack_.pushHeld(v);
  }
  stack_.push(FrameKind::Tree, reinterpret_cast<uintptr_t>(code), nullptr);
  goOnWith(computedOperand(code), code, view);
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
