// The arithmetic and comparison builtins (`plus` to `diff`, the Prelude's
// + - * / % ^ < > = #) and the conversion builtin `real`.
//
// Each takes the redex of the builtin applied to its arguments and returns
// the replacement term: a number, a real, a text, a truth value or, for
// every pairing of kinds that has no meaning, the failure value `Z`.
#pragma once

#include "term/node.hpp"

namespace quorl {

NodeRef plusBuiltin(NodeRef redex);
NodeRef dashBuiltin(NodeRef redex);
NodeRef multBuiltin(NodeRef redex);
NodeRef overBuiltin(NodeRef redex);
NodeRef centBuiltin(NodeRef redex);
NodeRef powaBuiltin(NodeRef redex);

NodeRef lessBuiltin(NodeRef redex);
NodeRef gteqBuiltin(NodeRef redex);
NodeRef sameBuiltin(NodeRef redex);
NodeRef diffBuiltin(NodeRef redex);

NodeRef realBuiltin(NodeRef redex);

}  // namespace quorl
