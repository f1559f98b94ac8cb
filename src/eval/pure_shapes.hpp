// Shapes computed where they stand, without frames, when the numbers and
// truth values they read are such.
//
// A loop's arguments are often small pieces of arithmetic and truth
// values: `words + ((in_word | blank) 0 1)`, `!blank`, or a call of a
// small global function such as `letter\s\(s % 6 = 0) 32 (97 + s % 26)`.
// Run by the machine, each of them is a frame, bindings kept for it and a
// turn of the loop; a call also gets bindings of its own.  These shapes
// are "pure": their operands are letters, values written in the body, or
// pure shapes themselves, and they are
//   - number operations (a tree of them, or `+` and the like given pure
//     operands), answered only when the operands are numbers;
//   - a comparison of numbers choosing between two pure branches;
//   - `(p | q) a b` or `(p & q) a b` (links of letters and values), and
//     `p a b` with p a letter, answered only when p and q are K or H;
//   - a call of a global function given all its arguments, pure ones,
//     whose body is pure too (a function met again while its own body is
//     compiled is not: a recursion runs as calls).
// Nothing in them has an effect: no builtin other than number arithmetic
// and comparisons is called, and values are read without being taken.  So
// when a number or a truth value is not what the shape needs, everything
// computed for it is dropped and the machine runs the part as it always
// does, and when they are, the value is the one the machine would have
// computed, the very same node for a value written in a body (K and H of
// the Prelude's `!` keep their identity).  The nesting is bounded
// (kMaxPureDepth), so computing one takes bounded native stack.
#pragma once

#include "eval/code.hpp"
#include "eval/values.hpp"

namespace quorl {

struct BoundView;

constexpr int kMaxPureDepth = 16;

// The most pure operands a call answered where it stands computes first
// (Code::fedParts).
constexpr int kMaxFed = 4;

// Marks a spine pure when it is one of the shapes above (code.cpp calls
// this once its other flags are set).
void markPure(Code& code);
// Marks a callee's body pure when it is one of the shapes above, a letter
// or a value.
void markPureBody(Callee& callee);

// The value of the pure part `op` seen through the view, with a count for
// the caller; false, with nothing held, when a number or truth value it
// reads is not one the shape needs.
bool pureValue(const Part& op, const BoundView& view, Value& out);

// A builtin call that would be answered where it stands (immediate.hpp)
// but for some operands, at any depth of its immediate ones, that are pure
// shapes: `text + init(letter s)`, a text grown by the byte a small
// function computes.  Those are computed first, all of them, before
// anything of the call is: a pure shape has no effect and reads only
// numbers and truth values, so computing it before the operands left of it
// shows nowhere, and when one of them is not what it needs the values are
// dropped and the call runs as it always did, under frames, with nothing
// of it begun (no block taken from the bindings, no byte written).
void markFed(Code& code);

// The values of a fed call's pure operands, taken one by one as the call's
// answer reaches them; those not taken are released with the feed.  An
// operand of the call or of its fed operands is among them exactly when it
// is pure and not immediate.
// A call answered on machine integers (pure_words.hpp) is kept as its
// word, its value made only when it is taken as one.
struct PureFeed {
  const Part* const* parts = nullptr;
  int count = 0;
  uint32_t left = 0;     // the values not taken yet
  uint32_t unboxed = 0;  // those that are words in `words`, with no value
  Value values[kMaxFed];
  int64_t words[kMaxFed];

  PureFeed() = default;
  PureFeed(const PureFeed&) = delete;
  PureFeed& operator=(const PureFeed&) = delete;
  ~PureFeed() {
    for (uint32_t held = left & ~unboxed; held != 0; held &= held - 1) releaseValue(values[__builtin_ctz(held)]);
  }
  // The value of the pure operand `op` (with its count).
  Value take(const Part* op) {
    int i = indexOf(op);
    left &= ~(uint32_t{1} << i);
    return (unboxed >> i) & 1 ? newWord(words[i]) : values[i];
  }
  // The word of the pure operand `op` when it is kept as one, taken; false,
  // with nothing taken, otherwise.
  bool takeWord(const Part* op, int64_t& out) {
    int i = indexOf(op);
    if (((unboxed >> i) & 1) == 0) return false;
    left &= ~(uint32_t{1} << i);
    out = words[i];
    return true;
  }

 private:
  int indexOf(const Part* op) const {
    int i = 0;
    while (parts[i] != op) i++;
    return i;
  }
};

// Computes the pure operands of the fed call `code` into `feed`; false,
// with nothing held, when one of them is not answered so.
bool feedPure(const Code* code, const BoundView& view, PureFeed& feed);

}  // namespace quorl
