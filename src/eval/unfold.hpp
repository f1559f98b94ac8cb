// Data applied as functions: numbers, constants, byte blocks and reals each
// unfold into a pair structure that programs take apart by matching.
#pragma once

#include "term/node.hpp"

namespace quorl {

// A number leaf applied to anything: ((V head) tail), the cons cell of its
// first bit and the rest of its list.
NodeRef unfoldNumber(const Node* numberLeaf);
// A constant c applied to x.
NodeRef unfoldConstant(const NodeRef& constant, const NodeRef& x);
// A byte block applied to anything: Z when empty, a split pair when longer
// than one byte, the bit tree of its byte otherwise.
NodeRef unfoldByteBlock(const Node* block);
// A real applied to x: x (tree of bits 0..31) (tree of bits 32..63).
NodeRef unfoldReal(const Node* real, const NodeRef& x);

}  // namespace quorl
