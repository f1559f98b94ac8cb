// Identity, order, interning and the printed form of terms.
#include <cstdint>
#include <string>

#include "builtins/args.hpp"
#include "builtins/language.hpp"
#include "builtins/language_values.hpp"
#include "compile/rewrite.hpp"
#include "numbers/number.hpp"
#include "term/tables.hpp"

namespace quorl {

NodeRef rawsBuiltin(NodeRef redex) {
  const Node* a = redexArgument(redex.get(), 1, 2);
  const Node* b = redexArgument(redex.get(), 2, 2);
  return truthValue(a == b);
}

NodeRef leakBuiltin(NodeRef redex) {
  const Node* x = redexArgument(redex.get(), 1, 1);
  return numberFromInt64(static_cast<int64_t>(reinterpret_cast<uintptr_t>(x)));
}

// 1 when x orders before y: the opposite sign of the term order.
NodeRef cmprBuiltin(NodeRef redex) {
  const Node* x = redexArgument(redex.get(), 1, 2);
  const Node* y = redexArgument(redex.get(), 2, 2);
  if (x == y) return numberFromInt64(0);
  return numberFromInt64(-compareTerms(x, y));
}

NodeRef ternBuiltin(NodeRef redex) { return intern(takeArgument(redex, 1, 1)); }

// A leaf whose text holds an unbalanced bracket would make a malformed
// constant, so such a text is refused rather than wrapped.
NodeRef lispBuiltin(NodeRef redex) {
  std::string text = termText(takeArgument(redex, 1, 1));
  if (!bracketsBalance(text)) return failureValue();
  return constantFromText(text);
}

}  // namespace quorl
