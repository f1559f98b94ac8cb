// Builtins on byte blocks and quoted texts answered on the engine's own
// values: the table's `onValues` column (term/tables.hpp) for `look`,
// `cork`, `rank`, `trim`, `buck`, `wave`, `init` and the joins of `plus`.
//
// A loop over a block would otherwise pay, on every step, for a redex of
// the builtin's application, its index made into a decimal leaf and parsed
// back by the handler, and an answer that is a number leaf parsed once
// more by the next operation.  These take a block or a text leaf and
// machine integers (Words, or short integer leaves) as they stand and
// answer with Words where the handler answers with integers; every other
// operand goes to the handler.  Each answers through the same functions as
// its handler (block_text.hpp, joinedTexts), so the two cannot differ.
//
// A block or a text that only the call holds (its one count is the
// operand's) is changed in place by `cork` and grows in place by a join,
// exactly where the handler, seeing its redex held by nothing else, does.
#pragma once

#include "eval/values.hpp"

namespace quorl {

bool lookOnValues(Value* args, Value& out);
bool corkOnValues(Value* args, Value& out);
bool rankOnValues(Value* args, Value& out);
bool trimOnValues(Value* args, Value& out);
bool buckOnValues(Value* args, Value& out);
bool waveOnValues(Value* args, Value& out);
bool initOnValues(Value* args, Value& out);
bool plusOnValues(Value* args, Value& out);

// `b + init(x)` with x a machine integer, given b (consumed when it
// answers): a block that only the call holds grows in place by the byte
// init makes of x, as the join of that one-byte block would grow it,
// without the block made and freed.  False, with b untouched, for any
// other b.
bool joinedByteInPlace(Value b, int64_t x, Value& out);

// The byte `look` gives for a block or a text and an index (borrowed), as
// a number from 0 to 255; -1 when look gives no byte (any other operand,
// an index out of range).
int lookedByte(Value text, int64_t index);

}  // namespace quorl
