// What `look`, `cork`, `trim`, `buck` and `wave` answer on a byte block or
// a quoted text.  Their handlers and the engine, which gives them its own
// values without building a redex (block_values.hpp), both answer through
// these, so that each builtin has one definition however it is called.
//
// Positions are bytes of a block's payload or of a constant's element
// text; a negative position counts from the end.
#pragma once

#include <cstdint>
#include <string_view>

#include "term/node.hpp"

namespace quorl {

// The byte at position i, or -1 when there is none.
int byteAt(std::string_view bytes, int64_t i);

// The block with byte i set to the low byte of `value`, or Z when there is
// no byte i.  With `alone` (nothing but the call holds the block) the byte
// is changed in the block's own cell and the block itself is the answer, so
// that a loop updating a block it holds alone copies nothing.
NodeRef corkedBlock(NodeRef block, int64_t i, int64_t value, bool alone);
// The same for a block nothing but the call holds, changed in its own
// cell; false (nothing changed) when there is no byte i.
bool corkedInPlace(Node* block, int64_t i, int64_t value);
// A quoted-text leaf with byte i of its element text set to the low byte of
// `value`: Z when there is no byte i, or when the byte written or the one
// it replaces is a bracket.
NodeRef corkedText(const Node* text, int64_t i, int64_t value);

// Bytes a up to b of a block's payload or of an element text, as a block
// or as a quoted text: empty when a = b, otherwise Z when the slice does not
// lie inside (or, for a text, cuts through a nested group).
NodeRef trimmedBlock(std::string_view bytes, int64_t a, int64_t b);
NodeRef trimmedText(std::string_view text, int64_t a, int64_t b);

// `buck` and `wave` of a block: its first byte as a one-element quoted
// text, and the block without it; Z for the empty block.
NodeRef blockHead(std::string_view payload);
NodeRef blockTail(std::string_view payload);

// A constant's left or right part (what `left`, `rght`, `buck` and `wave`
// answer on it); Z for the empty constant.
NodeRef constantPart(const NodeRef& constant, bool rightPart);

}  // namespace quorl
