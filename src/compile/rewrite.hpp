// Link-time rewrites, binder renaming and the term printer.
#pragma once

#include <string>
#include <string_view>

#include "term/node.hpp"
#include "term/tables.hpp"

namespace quorl {

// `x becomes V [text of x] x: a pair of the operand's source and its value.
NodeRef quoteBackquotes(const NodeRef& term);
// A wing whose binder is two names, p q{W}B, becomes q{W}(p{q K}(q{q H}B)).
NodeRef destructurePairs(const NodeRef& term);

// The binder texts of the lambda and wing forms of a term that are not
// single lowercase letters, and those that are.
NameSet binderNamesLong(const NodeRef& term);
NameSet binderNamesLetter(const NodeRef& term);
// Replaces the name `key` by `letter` in binder positions (binders whose
// key is `key`) and in leaves whose text is `key`.
NodeRef renameKey(const NodeRef& term, std::string_view key, char letter);

// The printed form of a term, as backquotes and messages show it.
std::string termText(const NodeRef& term);
// A text cut to fit a message: at most 72 bytes, brackets closed.
std::string clipBalanced(std::string_view text);

}  // namespace quorl
