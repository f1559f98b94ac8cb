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

// How a call takes `part` when it is picked where the call is made
// (Callee::FirstChoice::chosen): a parameter or a value written in the body
// (no tree of numbers, which is answered as the body would) is the call's
// answer; a spine is where the body is entered; any other part is left to
// the body.
int8_t chosenOf(const Callee& callee, const Part& part) {
  if (part.kind == Part::Letter && argumentOfLetter(callee, part.letter) >= 0)
    return static_cast<int8_t>(argumentOfLetter(callee, part.letter));
  if (part.kind == Part::Shared && !part.numbers) return Callee::kChosenNode;
  if (part.kind == Part::Compiled && part.code->kind == CodeKind::Spine) return Callee::kChosenSpine;
  return Callee::kChosenBody;
}

// The body's first step as the machine takes it (Machine::runSpine): a
// comparison given two more operands, answered on two machine integers
// as they stand, picks one of them.  Only operands read as they stand (a
// parameter, an integer written in the body) are taken where the call is
// made; any other comparison is left to the body.
void markChoice(Callee& callee) {
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
  for (int k = 0; k < 2; k++) choice.chosen[k] = chosenOf(callee, code->args[2 + k]);
  choice.code = code;
  callee.choice = choice;
}

// The match that `part` begins with, when it is a list or pair match on a
// parameter whose lambda of two letters the match binds at once
// (Machine::matchStep); its empty case is taken where the call is made as
// a part a first choice picks is.
Callee::FirstMatch matchOf(const Callee& callee, const Part& part) {
  Callee::FirstMatch match;
  if (part.kind != Part::Compiled || part.code->kind != CodeKind::Spine) return match;
  const Code* code = part.code;
  if (code->head != HeadKind::Letter || !code->matches || code->matchLambda->inner == nullptr) return match;
  int matched = argumentOfLetter(callee, code->headPart.letter);
  if (matched < 0) return match;
  match.matched = static_cast<int8_t>(matched);
  if (code->argCount == 2) match.empty = chosenOf(callee, code->args[0]);
  match.code = code;
  return match;
}

}  // namespace

void markFirstChoice(Callee& callee) {
  markChoice(callee);
  callee.match[0] = matchOf(callee, callee.body);
  Callee::FirstChoice& choice = callee.choice;
  for (int k = 0; k < 2; k++) {
    if (choice.code == nullptr || choice.chosen[k] != Callee::kChosenSpine) continue;
    callee.match[1 + k] = matchOf(callee, choice.code->args[2 + k]);
    if (callee.match[1 + k].code != nullptr) choice.chosen[k] = Callee::kChosenMatch;
  }
}

}  // namespace quorl
