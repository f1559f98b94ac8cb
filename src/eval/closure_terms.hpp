// Lambda terms built from closures, kept with the code and bindings they
// were built from.
//
// A closure becomes a term when it goes into a structure (J f rest), to a
// builtin or into a report.  Such a term, applied later, is still the
// closure's code under its bindings: the machine finds them here rather
// than substituting the term's body at every application.  An entry lives
// as long as its term: freeing the term's cell drops it (term/node.hpp,
// LambdaFormWatch).
#pragma once

#include "eval/code.hpp"
#include "eval/values.hpp"

namespace quorl {

// Notes that the lambda form `term` is the term of `code` under
// `bindings` (acquired).
void rememberClosureTerm(Node* term, const Code* code, Bindings* bindings);

// The code of a lambda form the machine applies without substituting it:
// a lambda of the program's text (bindings null) or the term of a closure
// (its bindings, borrowed for as long as the term lives).  Null otherwise.
const Code* codeOfLambdaTerm(Node* lambda, Bindings*& bindings);

// Drops every entry: their code is about to go.
void forgetClosureTerms();

}  // namespace quorl
