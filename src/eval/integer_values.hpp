// The integer operations the engine answers itself, on its own values:
// plus, dash, mult, over, cent, powa, less, gteq, same and diff given two
// integers, each a Word, a Big or a number leaf.
//
// Words are computed in machine arithmetic; anything wider in binary by
// GMP, with a Word or a Big as the answer, so that integers stay in binary
// from one operation to the next and their decimal text is written only
// when a term needs it.  Every answer is the one the operation's builtin
// gives for the same two numbers.
#pragma once

#include <cstdint>

#include "eval/values.hpp"
#include "eval/why.hpp"
#include "numbers/word_arith.hpp"
#include "term/tables.hpp"

namespace quorl {

// A non-integer answer as its leaf (one count for the caller): K, H, or Z
// for a division by zero; false for Unknown.  While --why watches, false
// for a failure too: the builtin's handler then gives the same Z where it
// is watched, and ordinary runs test the flag only when a division fails.
inline bool truthOrFailure(WordAnswer::Kind kind, Value& out) {
  char leaf;
  switch (kind) {
    case WordAnswer::True: leaf = 'K'; break;
    case WordAnswer::False: leaf = 'H'; break;
    case WordAnswer::Failure:
      if (whyWatching()) return false;
      leaf = 'Z';
      break;
    default: return false;
  }
  out = Value::ofNode(sharedLeaf(leaf).detach());
  return true;
}

// The answer for two machine integers as a value (one count for the
// caller); false when it needs more than a word.
inline bool answerWordValues(WordOp op, int64_t x, int64_t y, Value& out) {
  WordAnswer answer = answerWords(op, x, y);
  if (answer.kind != WordAnswer::Integer) return truthOrFailure(answer.kind, out);
  out = newWord(answer.value);
  return true;
}

// The integer answer of two word boxes (consumed when it answers), in a
// box of theirs that only this call holds and that has no term yet:
// nothing can tell it from a new one.  False (nothing done) otherwise.
inline bool answerInWordBox(WordOp op, Value* args, Value& out) {
  if (op == WordOp::None || !args[0].isWord() || !args[1].isWord()) return false;
  WordAnswer answer = answerWords(op, args[0].word()->value, args[1].word()->value);
  if (answer.kind != WordAnswer::Integer) return false;
  for (int i = 0; i < 2; i++) {
    Word* w = args[i].word();
    if (w->count == 1 && w->leaf == nullptr) {
      w->value = answer.value;
      releaseValue(args[1 - i]);
      out = args[i];
      return true;
    }
  }
  return false;
}

// The answer beyond words (`bothWords`: x and y are words whose answer
// does not fit one).
bool answerWiderValues(WordOp op, Value x, Value y, bool bothWords, Value& out);

}  // namespace quorl
