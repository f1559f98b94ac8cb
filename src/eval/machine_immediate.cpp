// Builtin calls answered where they stand (immediate.hpp), the comparisons
// choosing a branch whose operands are such calls, and truth values held
// by a letter choosing between the operands they are given.
#include "eval/immediate.hpp"

#include "builtins/block_text.hpp"
#include "builtins/block_values.hpp"
#include "eval/machine_view.hpp"
#include "eval/pure_shapes.hpp"
#include "eval/real_values.hpp"
#include "eval/flatten.hpp"
#include "eval/why.hpp"

namespace quorl {

namespace {

// The ways below answer an immediate call (kFed false) or a fed one, whose
// pure operands are taken from the feed.
template <bool kFed>
Value operandAt(const Part& op, BoundView& view, uint32_t later, PureFeed* feed);
template <bool kFed>
Value answerAt(const Code* code, BoundView& view, uint32_t later, PureFeed* feed);

bool growsInPlace(Value v) {
  if (!v.isNode() || !isLeaf(v.node())) return false;
  char first = leafChars(v.node())[0];
  return first == '(' || first == '[';
}

// The value of a letter for an operand, with a count for the caller: a
// block or a text that nothing after reads is taken from the view that
// owns it (a called body's parameter) or from bindings that nothing else
// holds (the view's count is their only one).
Value letterHere(int letter, BoundView& view, uint32_t later) {
  uint32_t bit = uint32_t{1} << letter;
  if ((view.owned & ~later & bit) && growsInPlace(view.values[letter])) {
    view.owned &= ~bit;
    return view.values[letter];
  }
  if (!((view.bound | later) & bit) && view.from->count == 1) {
    Bindings* b = view.from;
    Value& slot = b->values()[__builtin_popcount(b->letters & (bit - 1))];
    if (growsInPlace(slot)) {
      static Node* const placeholder = sharedLeaf('K').detach();
      Value v = slot;
      acquire(placeholder);
      slot = Value::ofNode(placeholder);
      return v;
    }
  }
  Value v = view.of(letter);
  acquireValue(v);
  return v;
}

// The byte of `look(t, i)` whose operands are a block or a text and a
// machine integer as they stand, read without a value made for it; false
// for any other call, and when look gives no byte (the call is then
// answered as any other).  Look has no effect, so reading the byte shows
// nowhere; while --why watches, the call is left to be seen.
bool byteHere(const Part& op, const BoundView& view, int64_t& out) {
  if (op.kind != Part::Compiled || !op.code->looks || whyWatching()) return false;
  const Part& text = op.code->args[0];
  int64_t index;
  if (!viewWord(op.code->args[1], view, index)) return false;
  Value t = text.kind == Part::Letter ? view.of(text.letter) : Value::ofNode(text.node);
  // A block whose leaf caches its length, a loop's most often, is read
  // where it stands; the rest as look reads them.
  if (t.isNode() && isLeaf(t.node()) && leafChars(t.node())[0] == '(') {
    if (uint64_t length = extentOf(t.node()); length != 0 && index >= 0 && static_cast<uint64_t>(index) < length) {
      out = static_cast<unsigned char>(leafChars(t.node())[blockHeaderFor(length) + static_cast<uint64_t>(index)]);
      return true;
    }
  }
  int byte = lookedByte(t, index);
  out = byte;
  return byte >= 0;
}

// The machine integer of an operand as it stands: a word a letter holds, a
// number written in the body, or a byte looked up (byteHere).
bool wordAsItStands(const Part& op, const BoundView& view, int64_t& out) {
  return op.kind != Part::Compiled ? viewWord(op, view, out) : byteHere(op, view, out);
}

// Whether `code`, word arithmetic, is a join `b + init(x)` of the block
// b grown by x's byte (init's operand `op`), which byteJoined answers.
bool joinsByte(const Code* code, const Part& op) {
  return code->builtin->wordOp == WordOp::Plus && op.kind == Part::Compiled && op.code->head == HeadKind::Builtin &&
         op.code->builtin->onValues == initOnValues && op.code->taken == 1 && !whyWatching();
}

// The join `b + init(x)` (joinsByte), b computed in args[0]: init's
// operand is computed, and when it is a machine integer and b a block the
// call holds alone, b grows by its byte (joinedByteInPlace).  Otherwise
// init is answered on that operand in args[1], and false.
template <bool kFed>
[[gnu::noinline]] bool byteJoined(const Code* init, BoundView& view, uint32_t later, Value* args, Value& out, PureFeed* feed) {
  int64_t word;
  if constexpr (kFed) {
    // A small function's byte computed as a word alone (`text + init(letter s)`):
    // no value made for it when the block grows in place.
    const Part& op = init->args[0];
    if (op.kind == Part::Compiled && !op.code->immediate && op.code->pure && feed->takeWord(&op, word)) {
      if (joinedByteInPlace(args[0], word, out)) return true;
      Value x = newWord(word);
      args[1] = answerCall(init, &x);
      return false;
    }
  }
  Value x = operandAt<kFed>(init->args[0], view, later, feed);
  if (wordOf(x, word) && joinedByteInPlace(args[0], word, out)) {
    releaseValue(x);
    return true;
  }
  args[1] = answerCall(init, &x);
  return false;
}

// Word arithmetic whose operands are machine integers as they stand or
// once computed, left to right: a number written in the body is read from
// its code, not parsed from its leaf, and a byte looked up in a block from
// the block.  False, with `args` holding both operands' values, when it is
// not answered so.
template <bool kFed>
bool wordsHere(const Code* code, BoundView& view, uint32_t later, Value* args, Value& out, PureFeed* feed) {
  int64_t words[2];
  bool known[2];
  bool computed[2] = {false, false};
  bool looked[2] = {false, false};
  // The reads of wordAsItStands, written out: through it, which tells the
  // looked-up byte from the rest only after, a loop over a block cost a
  // sixtieth more instructions (sieve, words).
  for (int i = 0; i < 2; i++) {
    const Part& op = code->args[i];
    if (op.kind == Part::Shared && op.isWord) {
      words[i] = op.word;
      known[i] = true;
    } else if (op.kind == Part::Letter && wordOf(view.of(op.letter), words[i])) {
      known[i] = true;  // a word, which nothing takes from the bindings: read again if need be
    } else if (byteHere(op, view, words[i])) {
      // The byte as look gives it, should it be needed as a value: the
      // block may be taken from the bindings by the operand after it.
      known[i] = looked[i] = true;
    } else if (op.kind == Part::Compiled && i == 1 && !known[0] && joinsByte(code, op)) [[unlikely]] {
      // `b + init(x)`: a block grows by x's byte straight away.
      if (byteJoined<kFed>(op.code, view, later, args, out, feed)) return true;
      computed[1] = true;
      known[1] = false;
    } else {
      args[i] = operandAt<kFed>(op, view, later | code->restLetters[i], feed);
      computed[i] = true;
      known[i] = wordOf(args[i], words[i]);
    }
  }
  if (known[0] && known[1] && answerWordValues(code->builtin->wordOp, words[0], words[1], out)) {
    for (int i = 0; i < 2; i++)
      if (computed[i]) releaseValue(args[i]);
    return true;
  }
  for (int i = 0; i < 2; i++)
    if (!computed[i])
      args[i] = looked[i] ? newWord(words[i]) : operandAt<kFed>(code->args[i], view, later | code->restLetters[i], feed);
  return false;
}

bool answerWatched(const BuiltinEntry& builtin, Value* args, Value& out, const Code* at) {
  WatchedCall call(builtin, args, builtin.arity, at);
  if (!builtin.onValues(args, out)) return false;
  call.answered(out);
  return true;
}

}  // namespace

// Word arithmetic does not answer Z while --why watches (integer_values.hpp):
// the handler does, where it is watched.
bool answerOnValues(const BuiltinEntry& builtin, Value* args, Value& out, const Code* at) {
  if (answerInWordBox(builtin.wordOp, args, out)) return true;
  if (builtin.wordOp != WordOp::None && answerNumberValues(builtin.wordOp, args[0], args[1], out)) {
    releaseValue(args[0]);
    releaseValue(args[1]);
    return true;
  }
  if (builtin.onValues == nullptr) return false;
  if (whyWatching()) [[unlikely]]
    return answerWatched(builtin, args, out, at);
  return builtin.onValues(args, out);
}

Value answerCall(const Code* code, Value* args) {
  Value out;
  if (answerOnValues(*code->builtin, args, out, code)) return out;
  Node* redex = code->headPart.node;
  acquire(redex);
  for (int i = 0; i < code->taken; i++) {
    redex = adoptingCell(redex, nodeOf(args[i]));
    acquire(redex);
  }
  if (whyWatching()) [[unlikely]]
    return Value::ofNode(callWatched(*code->builtin, redex, code).detach());
  return Value::ofNode(code->builtin->handler(NodeRef::adopt(redex)).detach());
}
namespace {

template <bool kFed>
Value operandAt(const Part& op, BoundView& view, uint32_t later, PureFeed* feed) {
  switch (op.kind) {
    case Part::Letter:
      return letterHere(op.letter, view, later);
    case Part::Shared:
      acquire(op.node);
      return Value::ofNode(op.node);
    case Part::Compiled:
      break;
  }
  // A pure operand of a fed call was computed first (markFed): a pure
  // shape that is fed itself (`x + letter(s)`) is one of them, whole.
  if constexpr (kFed) {
    if (!op.code->immediate && op.code->pure) return feed->take(&op);
  }
  return answerAt<kFed>(op.code, view, later, feed);
}

// `cork(b, i, x)` whose index and byte are machine integers as they stand,
// given a block that the call holds alone: the byte is written in the
// block's cell, and the block is the answer, as the builtin gives it.
// False, with `args` holding the three operands' values, otherwise.
template <bool kFed>
bool corkHere(const Code* code, BoundView& view, uint32_t later, Value* args, Value& out, PureFeed* feed) {
  args[0] = operandAt<kFed>(code->args[0], view, later | code->restLetters[0], feed);
  int64_t i, x;
  if (args[0].isNode() && wordAsItStands(code->args[1], view, i) && wordAsItStands(code->args[2], view, x)) {
    Node* block = args[0].node();
    if (isLeaf(block) && leafChars(block)[0] == '(' && heldOnce(block) && corkedInPlace(block, i, x)) {
      out = args[0];
      return true;
    }
  }
  for (int k = 1; k < 3; k++) args[k] = operandAt<kFed>(code->args[k], view, later | code->restLetters[k], feed);
  return false;
}

// `cork(b, i, x)` (Code::corks) whose block the view owns, nothing after
// reads and nothing else holds, and whose index and byte are machine
// integers, the index counted from the start and within the block: the
// byte is written in the block's cell, which goes to the caller with the
// view's count.  False, with nothing done, otherwise: corkHere then looks
// at the call as it does at any.
bool corkedHere(const Code* code, BoundView& view, uint32_t later, Value& out) {
  const Part* a = code->args;
  uint32_t bit = uint32_t{1} << a[0].letter;
  if ((view.owned & ~later & bit) == 0) return false;
  Value b = view.values[a[0].letter];
  int64_t i, x;
  if (!b.isNode() || !viewWord(a[1], view, i) || !viewWord(a[2], view, x)) return false;
  Node* block = b.node();
  if (!isLeaf(block) || leafChars(block)[0] != '(' || !heldOnce(block) || whyWatching()) return false;
  uint64_t length = extentOf(block);
  if (length == 0 || i < 0 || static_cast<uint64_t>(i) >= length) return false;
  leafCharsMutable(block)[blockHeaderFor(length) + static_cast<uint64_t>(i)] = static_cast<char>(x & 0xFF);
  view.owned &= ~bit;
  out = b;
  return true;
}

template <bool kFed>
Value answerAt(const Code* code, BoundView& view, uint32_t later, PureFeed* feed) {
  Value args[kMaxSpine];
  Value out;
  if (code->builtin->wordOp != WordOp::None) {
    if (wordsHere<kFed>(code, view, later, args, out, feed)) return out;
  } else if (code->builtin->onValues == corkOnValues && code->taken == 3 && !whyWatching()) {
    if (corkHere<kFed>(code, view, later, args, out, feed)) return out;
  } else {
    for (int i = 0; i < code->taken; i++)
      args[i] = operandAt<kFed>(code->args[i], view, later | code->restLetters[i], feed);
  }
  return answerCall(code, args);
}

}  // namespace

Value operandHere(const Part& op, BoundView& view, uint32_t later) { return operandAt<false>(op, view, later, nullptr); }

Value answerHere(const Code* code, BoundView& view, uint32_t later) {
  Value out;
  if (code->corks && corkedHere(code, view, later, out)) return out;
  return answerAt<false>(code, view, later, nullptr);
}

bool answerFed(const Code* code, BoundView& view, uint32_t later, Value& out) {
  if (whyWatching()) return false;
  PureFeed feed;
  if (!feedPure(code, view, feed)) return false;
  out = answerAt<true>(code, view, later, &feed);
  return true;
}

bool computedFirst(const Part& op, BoundView& view, uint32_t later, Value& out) {
  if (whyWatching()) return false;
  if (op.code->pure && pureValue(op, view, out)) return true;
  return op.code->fedCount != 0 && answerFed(op.code, view, later, out);
}

// (x < y) a b (code.hpp) whose operands are answered here: the comparison's
// answer K picks a and H picks b, as they would contract; any other answer
// is given both as its arguments.  `code` becomes the code to go on with, or
// null when the focus is set.
void Machine::selectHere(const Code*& code, BoundView& view) {
  const Part* args = code->args;
  int64_t x, y;
  if (wordAsItStands(args[0], view, x) && wordAsItStands(args[1], view, y)) {
    WordAnswer truth = answerWords(code->builtin->wordOp, x, y);
    if (truth.kind == WordAnswer::True || truth.kind == WordAnswer::False) {
      goOnWith(args[truth.kind == WordAnswer::True ? 2 : 3], code, view);
      return;
    }
  }
  uint32_t branches = lettersOf(args[2]) | lettersOf(args[3]);
  Value operands[2];
  operands[0] = operandHere(args[0], view, branches | lettersOf(args[1]));
  operands[1] = operandHere(args[1], view, branches);
  Value answer = answerCall(code, operands);
  const Part* chosen = nullptr;
  if (answer.isNode() && isSingle(answer.node(), 'K')) chosen = &args[2];
  else if (answer.isNode() && isSingle(answer.node(), 'H')) chosen = &args[3];
  if (chosen == nullptr) {
    pushArguments(code, view, code->taken);
    focus_ = Term::of(answer);
    code = nullptr;
    return;
  }
  releaseValue(answer);
  goOnWith(*chosen, code, view);
}

// `p a b ...` (code.hpp) with p the Prelude's K or H: K a b is a and H a b
// is b, as they would contract, the operands after b waiting for it.
// False (nothing done) for any other value of p; otherwise `code` becomes
// the code to go on with, or null when the focus is set.
bool Machine::truthPicks(const Code*& code, BoundView& view) {
  Value p = view.of(code->headPart.letter);
  if (!p.isNode()) return false;
  int chosen;
  if (isSingle(p.node(), 'K')) chosen = 0;
  else if (isSingle(p.node(), 'H')) chosen = 1;
  else return false;
  pushArguments(code, view, 2);
  goOnWith(code->args[chosen], code, view);
  return true;
}

namespace {

// The machine integer of a comparison's operand: a number as it stands, or
// one operation on two of them (`col + d`) whose answer is a word.  Any
// other answer (a failure, a wider integer) is the tree's to give.
bool wordOperand(const Part& op, const BoundView& view, int64_t& out) {
  if (op.kind != Part::Compiled) return viewWord(op, view, out);
  const Code* c = op.code;
  int64_t x, y;
  if (!c->twoLeaves || !viewWord(c->args[0], view, x) || !viewWord(c->args[1], view, y)) return false;
  WordAnswer answer = answerWords(c->builtin->wordOp, x, y);
  out = answer.value;
  return answer.kind == WordAnswer::Integer;
}

// The truth of the comparison `code` answered as a tree: 1 or 0, or -1.
// Out of comparisonTruth, whose quick way it would only make longer (the
// copy of the letters lives on its stack).
[[gnu::noinline]] int treeTruth(const Code* code, const BoundView& view) {
  TreeLetters letters;
  treeLetters(code, view, letters);
  bool truth;
  return treeComparison(code, letters, truth) ? truth : -1;
}

// The truth of an operand that is a comparison of numbers (`c = col + d`),
// read without making its truth value: 1 or 0, or -1 when it is not one or
// its operands are not numbers the engine compares (the value is then
// computed).
QUORL_FLATTEN int comparisonTruth(const Part& op, const BoundView& view) {
  if (op.kind != Part::Compiled || op.code->tree == nullptr || op.code->argCount != op.code->callArity)
    return -1;
  WordOp w = op.code->builtin->wordOp;
  if (w != WordOp::Less && w != WordOp::Gteq && w != WordOp::Same && w != WordOp::Diff) return -1;
  int64_t x, y;
  if (wordOperand(op.code->args[0], view, x) && wordOperand(op.code->args[1], view, y))
    return answerWords(w, x, y).kind == WordAnswer::True ? 1 : 0;
  return treeTruth(op.code, view);
}

// The truth of a link's operand: 1 for K, 0 for H, -1 for any other value,
// which is then in `v` with a count (the value is made only then).
int truthHere(const Part& op, BoundView& view, uint32_t later, Value& v) {
  int truth = comparisonTruth(op, view);
  if (truth >= 0) return truth;
  v = operandHere(op, view, later);
  truth = truthOf(v);
  if (truth >= 0) releaseValue(v);
  return truth;
}

}  // namespace

// `(p | q) a b` or `(p & q) a b` (code.hpp): `|` p q is p K q and `&` p q
// is p q H, so a truth value K of p picks a for `|` and leaves the choice
// to q for `&`, and H the other way round; q, a value or a link itself,
// picks a or b.  A value that is no truth value is given what the
// combinators would give it, and the machine goes on from there.  `code`
// becomes the code to go on with, or null when the focus is set.
void Machine::chooseByTruth(const Code*& code, BoundView& view) {
  uint32_t later = code->letters;  // whatever follows may read any of them
  const Code* link = code;
  int chosen;
  for (;;) {
    Value p;
    int truth = truthHere(link->args[0], view, later, p);
    if (truth < 0) {
      pushArguments(code, view, 2);
      Term parts[2] = {Term::of(p), viewTerm(link->args[1], view)};
      takeContracted(contractCombinatorTerms(link->combinator, link->definition->get(), parts));
      code = nullptr;
      return;
    }
    bool either = link->combinator == '|';
    if (truth == (either ? 1 : 0)) {
      chosen = either ? 2 : 3;
      break;
    }
    const Part& q = link->args[1];
    if (q.kind == Part::Compiled && q.code->links) {
      link = q.code;
      continue;
    }
    Value v;
    truth = truthHere(q, view, later, v);
    if (truth < 0) {
      pushArguments(code, view, 2);
      focus_ = Term::of(v);
      code = nullptr;
      return;
    }
    chosen = truth == 1 ? 2 : 3;
    break;
  }
  pushArguments(code, view, 4);
  goOnWith(code->args[chosen], code, view);
}

}  // namespace quorl
