// Builtin calls answered where they stand.
//
// A call of a builtin that the engine answers on its values (word
// arithmetic, or the table's onValues column) whose operands are letters,
// shared values or such calls themselves is "immediate" (code.hpp): its
// value is computed at once, operands first and left to right, without
// frames for its operands or a step to focus its code.  `acc + look(f, i)`
// as a loop's argument then costs two answers and no steps.  These
// builtins never reduce anything and always give an answer, so computing
// one here gives the value the machine would have computed; where the
// engine has no answer of its own, the handler gives it, on the redex its
// calling contract asks for.
//
// A block or a text that a letter gives to such a call, when no part read
// after the call needs that letter and nothing else holds the bindings, is
// taken from the bindings instead of shared with them: the call then holds
// it alone, as the term machine's call would, so `cork` and joins change it
// in place.  (Only blocks and texts are taken: nothing else is changed in
// place, and the letter's slot gets a placeholder that is never read.)
#pragma once

#include "eval/machine.hpp"

namespace quorl {

// The engine's own answer of a builtin given its operands as values
// (consumed when it answers): word arithmetic, then the onValues column.
// `at`: the call's code, when there is one.
bool answerOnValues(const BuiltinEntry& builtin, Value* args, Value& out, const Code* at);

// The answer of the builtin call `code` given its operands as values
// (consumed): the engine's own, or the handler's.
Value answerCall(const Code* code, Value* args);

// The value of the immediate call `code` seen through the view, with a
// count for the caller.  `later`: the letters that what runs after it reads
// through the view.
Value answerHere(const Code* code, BoundView& view, uint32_t later);

// The value of an operand that is a value as it stands or an immediate call.
Value operandHere(const Part& op, BoundView& view, uint32_t later);

// The value of the fed call `code` (Code::fedParts, pure_shapes.hpp)
// answered where it stands, its pure operands computed first, with a count
// for the caller; false, with nothing begun, when one of those is not
// answered so (or while --why watches, which sees the call as it always
// ran).
bool answerFed(const Code* code, BoundView& view, uint32_t later, Value& out);

// The value of an operand that is a pure shape (pureValue) or a fed call
// (answerFed), computed where it stands; false, with nothing begun, when it
// is not answered so.  Out of the machine's loop, which it would only make
// longer.
[[gnu::noinline]] bool computedFirst(const Part& op, BoundView& view, uint32_t later, Value& out);

}  // namespace quorl
