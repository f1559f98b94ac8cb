// Short ways to write terms in tests: L("x") a leaf, A(g, x) and A(g, x, y)
// applications, lambda and wing forms.
#pragma once

#include <string_view>

#include "term/node.hpp"

namespace quorl::builders {

inline NodeRef L(std::string_view text) { return leaf(text); }
inline NodeRef A(NodeRef g, NodeRef x) { return apply(std::move(g), std::move(x)); }
inline NodeRef A(NodeRef g, NodeRef x, NodeRef y) {
  return apply3(std::move(g), std::move(x), std::move(y));
}
inline NodeRef lambda(std::string_view v, NodeRef body) {
  return apply3(L("\\"), L(v), std::move(body));
}
inline NodeRef wing(NodeRef binder, NodeRef value, NodeRef body) {
  return apply4(L("{"), std::move(binder), std::move(value), std::move(body));
}

}  // namespace quorl::builders
