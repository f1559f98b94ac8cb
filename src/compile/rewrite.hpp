// Link-time rewrites, binder renaming and the term printer.
#pragma once

#include <string>
#include <string_view>

#include "term/node.hpp"

namespace quorl {

NodeRef quoteBackquotes(const NodeRef& term);
NodeRef destructurePairs(const NodeRef& term);
std::string termText(const NodeRef& term);
std::string clipBalanced(std::string_view text);

}  // namespace quorl
