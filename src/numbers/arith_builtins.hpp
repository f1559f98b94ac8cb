// The arithmetic and comparison builtins (`plus` to `diff`, the Prelude's
// + - * / % ^ < > = #) and the conversion builtin `real`.
//
// Each takes the redex of the builtin applied to its arguments and returns
// the replacement term: a number, a real, a text, a truth value or, for
// every pairing of kinds that has no meaning, the failure value `Z`.
#pragma once

#include <string_view>

#include "term/node.hpp"

namespace quorl {

NodeRef plusBuiltin(NodeRef redex);
// plus of two operands either of which is a text (a byte block or a
// constant), given each one's kind and the text it contributes (joinText):
// their join.  `xAlone`: nothing but the call holds x, which may then take
// y in its own cell.
struct TextPart {
  char kind;
  std::string_view text;
};
NodeRef joinedTexts(NodeRef x, const TextPart& xs, const TextPart& ys, bool xAlone);
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
