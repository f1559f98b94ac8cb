// Shapes computed where they stand (pure_shapes.hpp): which spines are
// such, and their values.
#include "eval/pure_shapes.hpp"

#include <algorithm>

#include "eval/machine_view.hpp"
#include "eval/pure_words.hpp"
#include "eval/real_values.hpp"

namespace quorl {

namespace {

// The nesting of a pure operand: 0 for a letter or a value written in the
// body, -1 for an operand that is not pure.
int pureNesting(const Part& op) {
  switch (op.kind) {
    case Part::Letter:
      return 0;
    case Part::Shared:
      return op.valueState == 1 ? 0 : -1;
    case Part::Compiled:
      return op.code->pure ? op.code->pureDepth : -1;
  }
  return -1;
}

// The deepest nesting of the operands from `first` up to `end`, or -1.
int operandsNesting(const Code& code, int first, int end) {
  int depth = 0;
  for (int i = first; i < end; i++) {
    int n = pureNesting(code.args[i]);
    if (n < 0) return -1;
    depth = std::max(depth, n);
  }
  return depth;
}

bool readAsItStands(const Part& op) {
  return op.kind == Part::Letter || (op.kind == Part::Shared && op.valueState == 1);
}

// Whether the links of `|` and `&` from `code` on read letters and values
// only.
bool linksAsTheyStand(const Code* code) {
  for (;;) {
    if (!readAsItStands(code->args[0])) return false;
    const Part& q = code->args[1];
    if (readAsItStands(q)) return true;
    if (q.kind != Part::Compiled || !q.code->links) return false;
    code = q.code;
  }
}

// The nesting of a spine's operands that makes it pure, or -1.
int spineNesting(Code& code) {
  int count = code.argCount;
  switch (code.head) {
    case HeadKind::Builtin:
      if (count == code.callArity && code.tree != nullptr) return 0;
      if (count == 2 && code.callArity == 2 && code.builtin->wordOp != WordOp::None)
        return operandsNesting(code, 0, 2);
      if (count == 4 && code.selects && code.tree != nullptr) return operandsNesting(code, 2, 4);
      return -1;
    case HeadKind::Combinator:
      return count == 4 && code.chooses && linksAsTheyStand(&code) ? operandsNesting(code, 2, 4) : -1;
    case HeadKind::Letter:
      return count == 2 && code.picks ? operandsNesting(code, 0, 2) : -1;
    case HeadKind::Strict: {
      if (count != code.callArity) return -1;
      int depth = operandsNesting(code, 0, count);
      if (depth < 0) return -1;
      const Callee* callee = calleeWhileCompiling(code.definition->get());
      if (callee == nullptr || !callee->pureBody) return -1;
      code.callee = callee;
      return std::max(depth, static_cast<int>(callee->pureDepth));
    }
    default:
      return -1;
  }
}

// The truth of a letter or a value written in the body, read as it stands.
int truthAsItStands(const Part& op, const BoundView& view) {
  return truthOf(op.kind == Part::Letter ? view.of(op.letter) : Value::ofNode(op.node));
}

// The operand of `(p | q) a b` or `(p & q) a b` that the truth values pick
// (2 or 3), as the Prelude's `|`, `&`, K and H would contract it; -1 when
// one of them is no truth value.
int chosenByLinks(const Code* code, const BoundView& view) {
  for (const Code* link = code;;) {
    int p = truthAsItStands(link->args[0], view);
    if (p < 0) return -1;
    bool either = link->combinator == '|';
    if (p == (either ? 1 : 0)) return either ? 2 : 3;
    const Part& q = link->args[1];
    if (q.kind == Part::Compiled) {
      link = q.code;
      continue;
    }
    int t = truthAsItStands(q, view);
    return t < 0 ? -1 : (t == 1 ? 2 : 3);
  }
}

bool callWord(const Code* code, const BoundView& view, int64_t& out, const WordBody::Step*& answer);

// The machine integer a pure operand comes to without a box: a number as
// it stands, a plain tree, or what a choice by a comparison or by truth
// values picks, itself such, or a call whose body has steps on words
// (pure_words.hpp); false for any other operand or value (which pureValue
// then takes, from the start).  Recursive as the shapes nest,
// at most kMaxPureDepth.
bool pureWord(const Part& op, const BoundView& view, int64_t& out) {
  if (op.kind != Part::Compiled) return viewWord(op, view, out);
  const Code* code = op.code;
  switch (code->head) {
    case HeadKind::Builtin: {
      if (code->argCount == 4) {
        bool truth;
        return comparisonUnder(code, view, truth) && pureWord(code->args[truth ? 2 : 3], view, out);
      }
      return code->plainFirst && plainWord(op, view, out);
    }
    case HeadKind::Combinator: {
      int chosen = chosenByLinks(code, view);
      return chosen >= 0 && pureWord(code->args[chosen], view, out);
    }
    case HeadKind::Letter: {
      int truth = truthOf(view.of(code->headPart.letter));
      return truth >= 0 && pureWord(code->args[truth == 1 ? 0 : 1], view, out);
    }
    case HeadKind::Strict: {
      const WordBody::Step* answer;
      return callWord(code, view, out, answer);
    }
    default:
      return false;
  }
}

// The call `code` of a pure global function whose body has steps on
// machine integers (pure_words.hpp), answered on its arguments' words: no
// bindings, no box.  `answer`: the step that gave it.  False when an
// argument is no word or the steps give up.
bool callWord(const Code* code, const BoundView& view, int64_t& out, const WordBody::Step*& answer) {
  const Callee* callee = code->callee;
  const WordBody* body;
  if (callee == nullptr || (body = callee->wordBody) == nullptr || callee->definition != code->definition->get())
    return false;
  for (int i = 0; i < body->inlinedCount; i++) {
    const Code* inlined = body->inlined[i];
    if (inlined->callee->definition != inlined->definition->get()) return false;
  }
  // The arguments' words go straight to the registers the steps read.
  int64_t registers[WordBody::kMaxRegisters];
  uint32_t unused = callee->unusedArguments;
  for (int i = 0; i < code->argCount; i++) {
    const Part& op = code->args[i];
    if (op.kind == Part::Letter) {
      // A letter the body does not read is not looked at, as a call binds it.
      if (!((unused >> i) & 1) && !wordOf(view.of(op.letter), registers[i])) return false;
    } else if (!pureWord(op, view, registers[i])) {
      return false;
    }
  }
  answer = runWordBody(*body, registers, out);
  return answer != nullptr;
}

// The value of a letter or of a value written in the body, with a count
// for the caller.
inline Value valueAsItStands(const Part& op, const BoundView& view) {
  if (op.kind == Part::Letter) {
    Value v = view.of(op.letter);
    acquireValue(v);
    return v;
  }
  acquire(op.node);
  return Value::ofNode(op.node);
}

// What a pure call answered on words came to.
enum class OnWords { None, Word, Value };

// The pure call `code` answered on words: a word its steps computed, with
// no value made for it (Word), or the very value the body wrote or the
// argument it answers, with a count for the caller (Value); None when the
// steps do not answer, or the answer is an argument computed by the caller
// or one that a call laid out in the body gave as it was (pureCall then
// takes it).
OnWords callOnWords(const Code* code, const BoundView& view, int64_t& word, Value& out) {
  const WordBody::Step* answer;
  if (!callWord(code, view, word, answer)) return OnWords::None;
  const Part* origin;
  switch (answer->origin) {
    case WordBody::kComputed:
      return OnWords::Word;
    case WordBody::kWritten:
      origin = code->callee->wordBody->written[answer->written];
      break;
    case WordBody::kUnknown:
      return OnWords::None;
    default:
      origin = &code->args[answer->origin];
      if (origin->kind == Part::Compiled) return OnWords::None;
  }
  out = valueAsItStands(*origin, view);
  return OnWords::Value;
}

// The caller's operand that the callee's parameter `letter` is bound to,
// when it is a letter or a value as it stands; null otherwise.
const Part* operandAsItStands(const Code* code, const Callee* callee, int letter) {
  for (int k = 0; k < callee->bindingCount; k++) {
    if (callee->letterOfBinding[k] != letter) continue;
    const Part& op = code->args[callee->argumentOfBinding[k]];
    return readAsItStands(op) ? &op : nullptr;
  }
  return nullptr;
}

// A call of a function whose body picks one of two values on the truth of
// a parameter (`!\p\p H K`, the Prelude's `&` and `|` called by name),
// given letters and values as they stand: the value picked is the one the
// body would give, read from the caller's operands with no bindings made.
// False when an operand is computed or the truth value is none.
bool pickedAsItStands(const Code* code, const Callee* callee, const BoundView& view, Value& out) {
  const Part& body = callee->body;
  if (body.kind != Part::Compiled || body.code->head != HeadKind::Letter || !body.code->picks ||
      body.code->argCount != 2)
    return false;
  const Code* pick = body.code;
  const Part* chooser = operandAsItStands(code, callee, pick->headPart.letter);
  if (chooser == nullptr) return false;
  int truth = truthAsItStands(*chooser, view);
  if (truth < 0) return false;
  const Part* chosen = &pick->args[truth == 1 ? 0 : 1];
  if (chosen->kind == Part::Letter) chosen = operandAsItStands(code, callee, chosen->letter);
  if (chosen == nullptr || !readAsItStands(*chosen)) return false;
  out = valueAsItStands(*chosen, view);
  return true;
}

bool pureCall(const Code* code, const BoundView& view, Value& out);

// The pure call `code` answered on words, as a pick, or with its
// parameters bound.
OnWords callAnswer(const Code* code, const BoundView& view, int64_t& word, Value& out) {
  const Callee* callee = code->callee;
  if (callee == nullptr || callee->definition != code->definition->get()) return OnWords::None;
  if (callee->wordBody != nullptr) {
    OnWords answered = callOnWords(code, view, word, out);
    if (answered != OnWords::None) return answered;
  } else if (pickedAsItStands(code, callee, view, out)) {
    return OnWords::Value;
  }
  return pureCall(code, view, out) ? OnWords::Value : OnWords::None;
}

bool callValue(const Code* code, const BoundView& view, Value& out) {
  int64_t word;
  OnWords answered = callAnswer(code, view, word, out);
  if (answered == OnWords::Word) out = newWord(word);
  return answered != OnWords::None;
}

bool pureCall(const Code* code, const BoundView& view, Value& out) {
  const Callee* callee = code->callee;
  if (callee == nullptr || callee->definition != code->definition->get()) return false;
  Value args[kMaxSpine];
  // A letter's value is borrowed from the caller's view, which holds it
  // while the body is computed; the others are held for the call.
  uint32_t owned = 0;
  int count = code->argCount;
  for (int i = 0; i < count; i++) {
    const Part& op = code->args[i];
    if (op.kind == Part::Letter) {
      args[i] = view.of(op.letter);
      continue;
    }
    if (!pureValue(op, view, args[i])) {
      for (uint32_t held = owned; held != 0; held &= held - 1) releaseValue(args[__builtin_ctz(held)]);
      return false;
    }
    owned |= uint32_t{1} << i;
  }
  for (uint32_t unused = callee->unusedArguments & owned; unused != 0; unused &= unused - 1)
    releaseValue(args[__builtin_ctz(unused)]);
  // The parameters bound on a view of nothing, as bind() would bind them
  // one by one: a callee's letters are distinct, and shadow nothing.
  BoundView body(nullptr);
  uint32_t bodyOwned = 0;
  int n = __builtin_popcount(callee->bodyLetters);
  for (int k = 0; k < n; k++) {
    int letter = callee->letterOfBinding[k], argument = callee->argumentOfBinding[k];
    body.values[letter] = args[argument];
    bodyOwned |= ((owned >> argument) & 1) << letter;
  }
  body.bound = callee->bodyLetters;
  body.owned = bodyOwned;
  body.count = n;
  return pureValue(callee->body, body, out);
}

}  // namespace

void markPure(Code& code) {
  int depth = spineNesting(code);
  if (depth < 0 || depth + 1 > kMaxPureDepth) return;
  code.pure = true;
  code.pureDepth = static_cast<uint8_t>(depth + 1);
}

void markPureBody(Callee& callee) {
  if (__builtin_popcount(callee.bodyLetters) > BoundView::kMaxBound) return;
  int depth = pureNesting(callee.body);
  if (depth < 0) return;
  callee.pureBody = true;
  callee.pureDepth = static_cast<uint8_t>(depth);
  callee.wordBody = compileWordBody(callee);
}

void markFed(Code& code) {
  if (code.head != HeadKind::Builtin || code.immediate || code.argCount == 0 || code.argCount != code.callArity ||
      (code.builtin->wordOp == WordOp::None && code.builtin->onValues == nullptr))
    return;
  const Part* parts[kMaxFed];
  int count = 0;
  int depth = 1;
  for (int i = 0; i < code.argCount; i++) {
    const Part& op = code.args[i];
    if (op.kind != Part::Compiled) {
      if (op.kind == Part::Shared && op.valueState != 1) return;
      continue;
    }
    const Code* c = op.code;
    depth = std::max(depth, c->immediateDepth + 1);
    if (c->immediate) continue;
    if (c->pure) {
      if (count == kMaxFed) return;
      parts[count++] = &op;
      continue;
    }
    if (c->fedCount == 0 || count + c->fedCount > kMaxFed) return;
    for (int k = 0; k < c->fedCount; k++) parts[count++] = c->fedParts[k];
  }
  if (count == 0 || depth > kMaxImmediateDepth) return;
  code.immediateDepth = static_cast<uint8_t>(depth);
  code.fedParts = new const Part*[count];
  std::copy(parts, parts + count, code.fedParts);
  code.fedCount = static_cast<uint8_t>(count);
}

bool feedPure(const Code* code, const BoundView& view, PureFeed& feed) {
  feed.parts = code->fedParts;
  feed.count = code->fedCount;
  for (int i = 0; i < feed.count; i++) {
    const Part& op = *feed.parts[i];
    uint32_t bit = uint32_t{1} << i;
    if (op.code->head == HeadKind::Strict) {
      // A call's word is kept as it is, for a consumer that wants no more.
      OnWords answered = callAnswer(op.code, view, feed.words[i], feed.values[i]);
      if (answered == OnWords::None) return false;  // the feed drops the rest
      if (answered == OnWords::Word) feed.unboxed |= bit;
    } else if (!pureValue(op, view, feed.values[i])) {
      return false;
    }
    feed.left |= bit;
  }
  return true;
}

bool pureValue(const Part& op, const BoundView& view, Value& out) {
  switch (op.kind) {
    case Part::Letter:
      out = view.of(op.letter);
      acquireValue(out);
      return true;
    case Part::Shared:
      acquire(op.node);
      out = Value::ofNode(op.node);
      return true;
    case Part::Compiled:
      break;
  }
  const Code* code = op.code;
  switch (code->head) {
    case HeadKind::Builtin: {
      if (code->argCount == 4) {
        bool truth;
        return comparisonUnder(code, view, truth) && pureValue(code->args[truth ? 2 : 3], view, out);
      }
      if (code->tree != nullptr) return treeAnswerUnder(code, view, out);
      // `acc + (p a b)`: the words as they come, when they are words.
      int64_t a, b;
      if (pureWord(code->args[0], view, a) && pureWord(code->args[1], view, b) &&
          answerWordValues(code->builtin->wordOp, a, b, out))
        return true;
      Value x, y;
      if (!pureValue(code->args[0], view, x)) return false;
      if (!pureValue(code->args[1], view, y)) {
        releaseValue(x);
        return false;
      }
      bool answered = answerNumberValues(code->builtin->wordOp, x, y, out);
      releaseValue(x);
      releaseValue(y);
      return answered;
    }
    case HeadKind::Combinator: {
      int chosen = chosenByLinks(code, view);
      return chosen >= 0 && pureValue(code->args[chosen], view, out);
    }
    case HeadKind::Letter: {
      int truth = truthOf(view.of(code->headPart.letter));
      return truth >= 0 && pureValue(code->args[truth == 1 ? 0 : 1], view, out);
    }
    case HeadKind::Strict:
      return callValue(code, view, out);
    default:
      return false;
  }
}

}  // namespace quorl
