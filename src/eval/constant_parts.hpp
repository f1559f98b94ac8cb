// Constants taken apart: the left and right parts of a quoted text or a
// constant application, the bracket tree of a character, and the bit-tree
// list a constant unfolds into when a program applies it.
#pragma once

#include <string>

#include "term/node.hpp"

namespace quorl {

// True for the empty quoted text "[]".
bool isEmptyConstant(const Node* constant);

// A non-empty constant's parts.  For an application of constants, its
// function and argument parts; for a quoted text, the quoted text of all
// elements but the last, and the last element (a nested group as the quoted
// text of that group, a single byte as the bracket tree of its character
// number).  Check 7885 / 7949 on the empty constant.
NodeRef constantLeft(const NodeRef& constant);
NodeRef constantRight(const NodeRef& constant);

// The pure bracket tree of a natural number: "[]" for 0, otherwise the
// number paired off by its integer square root, one side put in front of
// the other's list.
std::string bracketTree(int number);
// The character number of a byte inside a quoted text.
int elementNumber(unsigned char byte);

// list(c): K for "[]", otherwise J list(left c) list(right c).  Linear in
// the size of the constant; walks without recursion.
NodeRef constantList(const NodeRef& constant);

}  // namespace quorl
