// Builtin calls answered where they stand (immediate.hpp), and the
// comparisons choosing a branch whose operands are such calls.
#include "eval/immediate.hpp"

#include "eval/integer_values.hpp"

namespace quorl {

namespace {

bool growsInPlace(Value v) {
  if (!v.isNode() || !isLeaf(v.node())) return false;
  char first = leafChars(v.node())[0];
  return first == '(' || first == '[';
}

// The value of a letter for an operand, with a count for the caller: a
// block or a text that nothing after reads is taken from bindings that
// nothing else holds (the view's count is their only one).
Value letterHere(int letter, BoundView& view, uint32_t later) {
  uint32_t bit = uint32_t{1} << letter;
  if (!((view.bound | later) & bit) && view.from->count == 1) {
    Bindings* b = view.from;
    Value& slot = b->values()[__builtin_popcount(b->letters & (bit - 1))];
    if (growsInPlace(slot)) {
      Value v = slot;
      slot = Value::ofNode(sharedLeaf('K').detach());
      return v;
    }
  }
  Value v = view.of(letter);
  acquireValue(v);
  return v;
}

// The machine integer of an operand as it stands, if it has one.
bool wordHere(const Part& op, const BoundView& view, int64_t& out) {
  if (op.kind == Part::Letter) return wordOf(view.of(op.letter), out);
  out = op.word;
  return op.kind == Part::Shared && op.isWord;
}

}  // namespace

bool answerOnValues(const BuiltinEntry& builtin, Value* args, Value& out) {
  if (builtin.wordOp != WordOp::None && answerIntegerValues(builtin.wordOp, args[0], args[1], out)) {
    releaseValue(args[0]);
    releaseValue(args[1]);
    return true;
  }
  return builtin.onValues != nullptr && builtin.onValues(args, out);
}

Value answerCall(const Code* code, Value* args) {
  Value out;
  if (answerOnValues(*code->builtin, args, out)) return out;
  Node* redex = code->headPart.node;
  acquire(redex);
  for (int i = 0; i < code->taken; i++) {
    redex = adoptingCell(redex, nodeOf(args[i]));
    acquire(redex);
  }
  return Value::ofNode(code->builtin->handler(NodeRef::adopt(redex)).detach());
}

Value operandHere(const Part& op, BoundView& view, uint32_t later) {
  switch (op.kind) {
    case Part::Letter:
      return letterHere(op.letter, view, later);
    case Part::Shared:
      acquire(op.node);
      return Value::ofNode(op.node);
    case Part::Compiled:
      break;
  }
  return answerHere(op.code, view, later);
}

Value answerHere(const Code* code, BoundView& view, uint32_t later) {
  Value args[kMaxSpine];
  if (code->builtin->wordOp != WordOp::None) {
    int64_t x, y;
    if (wordHere(code->args[0], view, x) && wordHere(code->args[1], view, y) &&
        answerWordValues(code->builtin->wordOp, x, y, args[0]))
      return args[0];
  }
  for (int i = 0; i < code->taken; i++) args[i] = operandHere(code->args[i], view, later | code->restLetters[i]);
  return answerCall(code, args);
}

// (x < y) a b (code.hpp) whose operands are answered here: the comparison's
// answer K picks a and H picks b, as they would contract; any other answer
// is given both as its arguments.  `code` becomes the code to go on with, or
// null when the focus is set.
void Machine::selectHere(const Code*& code, BoundView& view) {
  const Part* args = code->args;
  uint32_t branches = lettersOf(args[2]) | lettersOf(args[3]);
  Value operands[2];
  operands[0] = operandHere(args[0], view, branches | lettersOf(args[1]));
  operands[1] = operandHere(args[1], view, branches);
  Value answer = answerCall(code, operands);
  const Part* chosen = nullptr;
  if (answer.isNode() && isSingle(answer.node(), 'K')) chosen = &args[2];
  else if (answer.isNode() && isSingle(answer.node(), 'H')) chosen = &args[3];
  if (chosen == nullptr) {
    pushArguments(code, view, code->taken);
    focus_ = Term::of(answer);
    code = nullptr;
    return;
  }
  releaseValue(answer);
  if (chosen->kind == Part::Compiled && chosen->code->kind == CodeKind::Spine) {
    code = chosen->code;
  } else {
    focusUnder(*chosen, view);
    code = nullptr;
  }
}

}  // namespace quorl
