// A builtin's handler called on its redex, its answer taken back into the
// machine (machine_calls.hpp has the calls the loop takes inline).
#include "eval/machine.hpp"
#include "eval/why.hpp"

namespace quorl {

// Calls a builtin's handler with its redex (consumed).  `at`: the call's
// code, when there is one.
void Machine::callBuiltin(const BuiltinEntry& builtin, Node* redex, const Code* at) {
  NodeRef result = whyWatching() ? callWatched(builtin, redex, at) : builtin.handler(NodeRef::adopt(redex));
  Node* r = result.get();
  if (isApplication(r)) {
    const Node* g = functionOf(r);
    // A failure record (or a closure marker) ends the evaluation at once.
    if (isLeaf(g) && (leafChars(g)[0] == ']' || leafChars(g)[0] == ')')) stack_.clear();
  } else if (int64_t word; leafWordOf(r, word)) {
    // An integer answer goes on as a word, its leaf kept as its term: what
    // reads it as a number then does not parse it again (atoi's answer as
    // a loop's bound, say).
    Value v = newWord(word);
    v.word()->leaf = result.detach();
    focus_ = Term::of(v);
    return;
  }
  focus_ = Term::ofNode(result.detach());
}

namespace {

// The argument that gives the body's `letter`, or -1.
int argumentOfLetter(const Callee& callee, int letter) {
  for (int k = 0; k < callee.bindingCount; k++)
    if (callee.letterOfBinding[k] == letter) return callee.argumentOfBinding[k];
  return -1;
}

}  // namespace

// The body's first step as the machine takes it (Machine::runSpine): a
// comparison given two more operands, answered on two machine integers
// as they stand, picks one of them.  Only operands read as they stand (a
// parameter, an integer written in the body) are taken where the call is
// made; any other comparison is left to the body.
void markFirstChoice(Callee& callee) {
  if (callee.body.kind != Part::Compiled || callee.body.code->kind != CodeKind::Spine) return;
  const Code* code = callee.body.code;
  if (code->head != HeadKind::Builtin || code->argCount != 4 || code->callArity != 2 ||
      (!code->selects && code->tree == nullptr))
    return;
  Callee::FirstChoice choice;
  WordOp op = code->builtin->wordOp;
  if (op != WordOp::Less && op != WordOp::Gteq && op != WordOp::Same && op != WordOp::Diff) return;
  choice.equal = op == WordOp::Same || op == WordOp::Diff;
  choice.negate = op == WordOp::Gteq || op == WordOp::Diff;
  for (int k = 0; k < 2; k++) {
    const Part& operand = code->args[k];
    if (operand.kind == Part::Letter) {
      choice.compared[k] = static_cast<int8_t>(argumentOfLetter(callee, operand.letter));
      if (choice.compared[k] < 0) return;
    } else if (operand.kind == Part::Shared && operand.isWord) {
      choice.written[k] = operand.word;
    } else {
      return;
    }
  }
  for (int k = 0; k < 2; k++) {
    const Part& part = code->args[2 + k];
    int8_t chosen = Callee::kChosenBody;
    if (part.kind == Part::Letter && argumentOfLetter(callee, part.letter) >= 0)
      chosen = static_cast<int8_t>(argumentOfLetter(callee, part.letter));
    else if (part.kind == Part::Shared && !part.numbers)
      chosen = Callee::kChosenNode;
    else if (part.kind == Part::Compiled && part.code->kind == CodeKind::Spine)
      chosen = Callee::kChosenSpine;
    choice.chosen[k] = chosen;
  }
  choice.code = code;
  callee.choice = choice;
}

}  // namespace quorl
