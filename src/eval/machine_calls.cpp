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

}  // namespace quorl
