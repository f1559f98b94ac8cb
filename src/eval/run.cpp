// Running the program: link, apply the entry definition to the argument
// vector's address, reduce, and judge the value.
#include "eval/run.hpp"

#include <cstdint>
#include <string>

#include "compile/link.hpp"
#include "compile/rewrite.hpp"
#include "eval/engine.hpp"
#include "eval/failure_record.hpp"
#include "numbers/number.hpp"
#include "term/tables.hpp"

namespace quorl {

bool isFailureRecord(const Node* r) {
  return isApplication(r) && isLeaf(functionOf(r)) && leafChars(functionOf(r))[0] == ']';
}

namespace {

// A number whose whole list can be read: a number leaf, K, or J K cells
// down to K or a number leaf with every element K or H.  A list whose rest
// is some other value is not a number the program could have meant.
bool isCompleteNumber(const NodeRef& r) {
  if (!isNumber(r.get())) return false;
  if (r.isLeafNode()) return true;
  BitVector bits;
  return numberBits(r, bits);
}

RunOutcome rangeReport(const NodeRef& r) {
  std::string text = termText(r);
  RunOutcome outcome;
  outcome.message = "The program must return an integer. Instead we encountered:\n" + text;
  outcome.status = "range";
  outcome.tip = clipBalanced(text);
  return outcome;
}

}  // namespace

RunOutcome judgeResult(NodeRef r) {
  if (isFailureRecord(r.get())) return readFailureRecord(r.arg().text());
  if (isCompleteNumber(r)) {
    setDefinition("", std::move(r));
    return RunOutcome();
  }
  return rangeReport(r);
}

RunOutcome run(char** argumentVector) {
  RunOutcome linked = linkProgram();
  if (!linked.ok()) return linked;
  const NodeRef* entry = findDefinition("");
  QUORL_CHECK(entry != nullptr, 4289);
  NodeRef argument = numberFromInt64(static_cast<int64_t>(reinterpret_cast<intptr_t>(argumentVector)));
  return judgeResult(evaluate(apply(*entry, std::move(argument))));
}

int64_t resultInteger(const NodeRef& number) { return numberToInt64(number); }

}  // namespace quorl
