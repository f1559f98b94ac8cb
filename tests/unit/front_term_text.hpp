// A compact text of a parsed term for the front-end tests: a leaf is its
// text, an application spine is "(head arg arg ...)".
#pragma once

#include <string>
#include <vector>

#include "term/node.hpp"

namespace quorl {

inline std::string termShape(const NodeRef& term) {
  if (term.isLeafNode()) return std::string(term.text());
  std::vector<NodeRef> args;
  NodeRef head = term;
  while (head.isApp()) {
    args.push_back(head.arg());
    head = head.fun();
  }
  std::string text = "(" + termShape(head);
  for (size_t i = args.size(); i-- > 0;) text += " " + termShape(args[i]);
  return text + ")";
}

}  // namespace quorl
