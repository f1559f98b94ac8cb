// Lambdas of two parameters, as the match idiom passes them, and their
// bodies entered with the parts of a pair (machine_matches.hpp has the
// matches the loop takes inline).
#include "eval/closure_terms.hpp"
#include "eval/machine.hpp"

namespace quorl {

// Whether a term is a lambda of two parameters taken one after the other,
// as the match idiom passes: its code and bindings (borrowed).
bool pairLambdaOf(uintptr_t bits, Bindings* bindings, const Code*& code, Bindings*& from) {
  if (bindings != nullptr) {
    code = reinterpret_cast<const Code*>(bits);
    from = bindings;
  } else {
    Value v{bits};
    if (v.isClosure()) {
      code = v.closure()->code;
      from = v.closure()->bindings;
    } else if (v.isNode() && binderShape(v.node()) == 'u') {
      // A lambda of the program's text that mentions no letter from
      // outside, or the term of a closure.
      code = codeOfLambdaTerm(v.node(), from);
      if (code == nullptr) return false;
    } else {
      return false;
    }
  }
  return code->kind == CodeKind::Lambda && innerLambda(code) != nullptr;
}

// The body of the two-parameter lambda `outer` entered with x and y
// (borrowed; held by the caller until the focus is set); `from` is the
// lambda's bindings (borrowed).
void Machine::enterPairBody(const Code* outer, Bindings* from, Value x, Value y) {
  if (from != nullptr) acquireBindings(from);
  BoundView view(from);
  view.bindPair(outer->letter, x, outer->inner->letter, y, false);
  runPart(outer->inner->body, view);
}

}  // namespace quorl
