// Small pure global functions answered on machine integers, their bodies
// compiled once into a flat list of steps.
//
// `letter\s\(s % 6 = 0) 32 (97 + s % 26)`, called where it stands
// (pure_shapes.hpp) with a word, would otherwise bind its parameter in a
// view, walk its body's comparison and tree part by part and make a box
// for its answer.  Here its body is compiled, when the function is, to
// steps on a small file of registers: its parameters, the integers written
// in it, and what each operation computes; a comparison choosing a branch
// is a step that goes on at one place or another, and a pure function it
// calls is laid out in its place.  A call given machine integers runs the
// steps and has its answer as a word; inside a number operation
// (`x + letter(s)`) the word is used as it is, with no box.
//
// Every step answers as the word arithmetic of the builtins does.  When
// one has no word for its answer (a failure, an answer beyond the word)
// the steps give up, and the call is computed as before, from its
// arguments again: nothing was changed.  A body whose parts are not all
// numbers, comparisons choosing between them and such calls (a truth
// value picking a part, a real written in it, a power) has no steps.
#pragma once

#include <cstdint>

#include "eval/code.hpp"

namespace quorl {

struct WordBody {
  static constexpr int kMaxRegisters = 48, kMaxSteps = 64, kMaxConstants = 16, kMaxInlined = 8, kMaxWritten = 8;
  // Where an answer comes from, for a call whose value (not only its word)
  // is asked for: an operation's, a value written in the body, a
  // parameter's (the argument's index), or one of an inlined call's
  // answers not computed by it, which the call itself then gives.
  static constexpr int8_t kComputed = -1, kWritten = -2, kUnknown = -3;
  // An operation on two registers into a third, or on a register and a
  // constant (the K kinds: `b` indexes `constants`); a comparison of the
  // same that goes on at `dst` when it is false; a constant loaded into a
  // register, a move, a jump to `dst`, an answer in a register or a
  // constant.
  enum Kind : uint8_t {
    Add, Subtract, Multiply, Divide, Remainder,
    AddK, SubtractK, MultiplyK, DivideK, RemainderK,
    IfLess, IfAtLeast, IfSame, IfDifferent,
    IfLessK, IfAtLeastK, IfSameK, IfDifferentK,
    Load, Move, Jump, Answer, AnswerK,
  };
  struct Step {
    Kind kind;
    uint8_t a, b, dst;  // registers (Answer: `a` holds the answer); dst is the target of a jump
    int8_t origin;      // Answer
    uint8_t written;    // Answer, kWritten: the index of the value in `written`
  };
  uint8_t arity = 0, constantCount = 0, stepCount = 0, inlinedCount = 0, writtenCount = 0;
  int64_t constants[kMaxConstants];
  // The calls laid out in place, whose callee is checked as a call would.
  const Code* inlined[kMaxInlined];
  const Part* written[kMaxWritten];  // the values written in the body that it answers
  Step steps[kMaxSteps];
};

// Compiles the body of a pure callee (Callee::pureBody) to steps, or null.
const WordBody* compileWordBody(const Callee& callee);

// Runs the steps on the registers, whose first ones hold the arguments'
// words (those the body does not read may be left unset): the answer's
// word and the step that gave it, or null when the steps give up.
const WordBody::Step* runWordBody(const WordBody& body, int64_t* registers, int64_t& out);

}  // namespace quorl
