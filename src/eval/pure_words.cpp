// Small pure global functions answered on machine integers (pure_words.hpp).
#include "eval/pure_words.hpp"

#include <utility>

#include "numbers/word_arith.hpp"

namespace quorl {

namespace {

using Step = WordBody::Step;

// The operands that hold a body's letters (a parameter of a call laid out
// in place may be a constant), and where each letter's value comes from,
// for an answer that is a letter.
struct Scope {
  uint8_t reg[26];
  int8_t origin[26];
};

// Where the answers of a part go: Answer steps, or a register and a jump
// to the end of the part, whose steps are listed to be set there.
struct Sink {
  bool answers;
  uint8_t dst;
  uint8_t exits[WordBody::kMaxSteps];
  int exitCount = 0;

  Sink(bool answers, uint8_t dst) : answers(answers), dst(dst) {}
};

// An operand as emitted: a register, or a constant's index with this bit.
constexpr uint8_t kConstant = 0x80;
inline bool isConstant(uint8_t operand) { return (operand & kConstant) != 0; }

struct Emitter {
  WordBody& body;
  int registers;
  bool ok = true;
  Step spare{};  // written to once the steps are too many, and dropped

  Step* step(WordBody::Kind kind) {
    if (body.stepCount == WordBody::kMaxSteps) {
      ok = false;
      return &spare;
    }
    Step* s = &body.steps[body.stepCount++];
    *s = Step{kind, 0, 0, 0, WordBody::kComputed, 0};
    return s;
  }
  uint8_t newRegister() {
    if (registers == WordBody::kMaxRegisters) ok = false;
    return static_cast<uint8_t>(ok ? registers++ : 0);
  }
  uint8_t constant(int64_t word) {
    for (int i = 0; i < body.constantCount; i++)
      if (body.constants[i] == word) return static_cast<uint8_t>(kConstant | i);
    if (body.constantCount == WordBody::kMaxConstants) {
      ok = false;
      return 0;
    }
    body.constants[body.constantCount] = word;
    return static_cast<uint8_t>(kConstant | body.constantCount++);
  }
  // The register of an operand, a constant loaded into a new one.
  uint8_t registerOf(uint8_t operand) {
    if (!isConstant(operand)) return operand;
    Step* load = step(WordBody::Load);
    load->b = operand & ~kConstant;
    load->dst = newRegister();
    return load->dst;
  }
  // A step of `kind` on the operands a and b, the K kind when b is a
  // constant (or a is, and the kind does not mind their order).
  Step* twoOperands(WordBody::Kind kind, uint8_t a, uint8_t b) {
    bool symmetric = kind == WordBody::Add || kind == WordBody::Multiply || kind == WordBody::IfSame ||
                     kind == WordBody::IfDifferent;
    if (isConstant(a) && !isConstant(b) && symmetric) std::swap(a, b);
    if (!isConstant(a) && isConstant(b)) {
      Step* s = step(withConstant(kind));
      s->a = a;
      s->b = b & ~kConstant;
      return s;
    }
    a = registerOf(a);
    b = registerOf(b);
    Step* s = step(kind);
    s->a = a;
    s->b = b;
    return s;
  }
  static WordBody::Kind withConstant(WordBody::Kind kind) {
    switch (kind) {
      case WordBody::Add: return WordBody::AddK;
      case WordBody::Subtract: return WordBody::SubtractK;
      case WordBody::Multiply: return WordBody::MultiplyK;
      case WordBody::Divide: return WordBody::DivideK;
      case WordBody::Remainder: return WordBody::RemainderK;
      case WordBody::IfLess: return WordBody::IfLessK;
      case WordBody::IfAtLeast: return WordBody::IfAtLeastK;
      case WordBody::IfSame: return WordBody::IfSameK;
      default: return WordBody::IfDifferentK;
    }
  }
};

void emitInto(Emitter& e, const Part& op, const Scope& scope, Sink& sink);

bool isOperation(const Code* code) {
  return code->head == HeadKind::Builtin && code->argCount == 2 && code->callArity == 2 &&
         code->builtin->wordOp != WordOp::None;
}

// The step of an operation, or false for one the steps do not answer (a
// power, a comparison's truth as a value: never a word).
bool operationStep(WordOp op, WordBody::Kind& kind) {
  switch (op) {
    case WordOp::Plus: kind = WordBody::Add; return true;
    case WordOp::Dash: kind = WordBody::Subtract; return true;
    case WordOp::Mult: kind = WordBody::Multiply; return true;
    case WordOp::Over: kind = WordBody::Divide; return true;
    case WordOp::Cent: kind = WordBody::Remainder; return true;
    default: return false;
  }
}

bool comparisonStep(WordOp op, WordBody::Kind& kind) {
  switch (op) {
    case WordOp::Less: kind = WordBody::IfLess; return true;
    case WordOp::Gteq: kind = WordBody::IfAtLeast; return true;
    case WordOp::Same: kind = WordBody::IfSame; return true;
    case WordOp::Diff: kind = WordBody::IfDifferent; return true;
    default: return false;
  }
}

// The operand that holds the value of `op`.  Recursive as the body's
// parts nest: pure shapes and their trees are bounded (kMaxPureDepth,
// kMaxOperations).
uint8_t emitValue(Emitter& e, const Part& op, const Scope& scope) {
  if (!e.ok) return 0;
  switch (op.kind) {
    case Part::Letter:
      return scope.reg[op.letter];
    case Part::Shared:
      if (!op.isWord) e.ok = false;
      return e.constant(op.word);
    case Part::Compiled:
      break;
  }
  const Code* code = op.code;
  if (isOperation(code)) {
    WordBody::Kind kind = WordBody::Add;  // unused when the step is refused
    if (!operationStep(code->builtin->wordOp, kind)) e.ok = false;
    uint8_t a = emitValue(e, code->args[0], scope);
    uint8_t b = emitValue(e, code->args[1], scope);
    Step* s = e.twoOperands(kind, a, b);
    s->dst = e.newRegister();
    return s->dst;
  }
  Sink sink{false, e.newRegister()};
  emitInto(e, op, scope, sink);
  for (int i = 0; i < sink.exitCount; i++) e.body.steps[sink.exits[i]].dst = e.body.stepCount;
  return sink.dst;
}

// A pure call laid out in place: its arguments' operands are its
// parameters'.
void emitCall(Emitter& e, const Code* code, const Scope& scope, Sink& sink) {
  const Callee* callee = code->callee;
  if (callee == nullptr || !callee->pureBody || e.body.inlinedCount == WordBody::kMaxInlined) {
    e.ok = false;
    return;
  }
  e.body.inlined[e.body.inlinedCount++] = code;
  uint8_t regs[kMaxArity + 1] = {};
  for (int i = 0; i < code->argCount; i++) {
    const Part& arg = code->args[i];
    // A letter the body does not read is not looked at, as a call binds it.
    if (arg.kind == Part::Letter && (callee->unusedArguments >> i) & 1) continue;
    regs[i] = emitValue(e, arg, scope);
  }
  Scope inner;
  for (int k = 0; k < __builtin_popcount(callee->bodyLetters); k++) {
    inner.reg[callee->letterOfBinding[k]] = regs[callee->argumentOfBinding[k]];
    inner.origin[callee->letterOfBinding[k]] = WordBody::kUnknown;
  }
  emitInto(e, callee->body, inner, sink);
}

void emitInto(Emitter& e, const Part& op, const Scope& scope, Sink& sink) {
  if (!e.ok) return;
  if (op.kind == Part::Compiled && !isOperation(op.code)) {
    const Code* code = op.code;
    if (code->head == HeadKind::Strict) return emitCall(e, code, scope, sink);
    // Only a comparison choosing between two parts; truth values held by
    // letters or written in the body are no words.
    WordBody::Kind kind = WordBody::Add;  // unused when the step is refused
    if (code->head != HeadKind::Builtin || code->argCount != 4 || !code->selects ||
        !comparisonStep(code->builtin->wordOp, kind)) {
      e.ok = false;
      return;
    }
    uint8_t a = emitValue(e, code->args[0], scope);
    uint8_t b = emitValue(e, code->args[1], scope);
    Step* branch = e.twoOperands(kind, a, b);
    int at = static_cast<int>(branch - e.body.steps);
    emitInto(e, code->args[2], scope, sink);
    if (e.ok) e.body.steps[at].dst = e.body.stepCount;
    emitInto(e, code->args[3], scope, sink);
    return;
  }
  uint8_t r = emitValue(e, op, scope);
  if (sink.answers) {
    Step* s = e.step(isConstant(r) ? WordBody::AnswerK : WordBody::Answer);
    s->a = r;
    s->b = r & ~kConstant;
    if (op.kind == Part::Letter) {
      s->origin = scope.origin[op.letter];
    } else if (op.kind == Part::Shared) {
      s->origin = WordBody::kWritten;
      if (e.body.writtenCount == WordBody::kMaxWritten) e.ok = false;
      if (e.ok) {
        s->written = e.body.writtenCount;
        e.body.written[e.body.writtenCount++] = &op;
      }
    }
    return;
  }
  Step* move = e.step(isConstant(r) ? WordBody::Load : WordBody::Move);
  move->a = r;
  move->b = r & ~kConstant;
  move->dst = sink.dst;
  if (sink.exitCount == WordBody::kMaxSteps) e.ok = false;
  if (e.ok) sink.exits[sink.exitCount++] = e.body.stepCount;
  e.step(WordBody::Jump);
}

}  // namespace

const WordBody* compileWordBody(const Callee& callee) {
  auto* body = new WordBody();
  body->arity = callee.arity;
  Emitter e{*body, callee.arity};
  Scope scope;
  for (int k = 0; k < __builtin_popcount(callee.bodyLetters); k++) {
    scope.reg[callee.letterOfBinding[k]] = callee.argumentOfBinding[k];
    scope.origin[callee.letterOfBinding[k]] = static_cast<int8_t>(callee.argumentOfBinding[k]);
  }
  Sink sink{true, 0};
  emitInto(e, callee.body, scope, sink);
  if (!e.ok) {
    delete body;
    return nullptr;
  }
  return body;
}

namespace {

inline bool operated(WordOp op, int64_t a, int64_t b, int64_t& out) {
  WordAnswer answer = answerWords(op, a, b);
  out = answer.value;
  return answer.kind == WordAnswer::Integer;
}

inline bool remainder(int64_t a, int64_t b, int64_t& out) {
  if (a >= 0 && b > 0) {
    out = a % b;  // the common case, the same answer
    return true;
  }
  return operated(WordOp::Cent, a, b, out);
}

}  // namespace

const Step* runWordBody(const WordBody& body, int64_t* r, int64_t& out) {
  const int64_t* k = body.constants;
  for (const Step* s = body.steps;; s++) {
    switch (s->kind) {
      case WordBody::Add:
        if (__builtin_add_overflow(r[s->a], r[s->b], &r[s->dst])) return nullptr;
        break;
      case WordBody::AddK:
        if (__builtin_add_overflow(r[s->a], k[s->b], &r[s->dst])) return nullptr;
        break;
      case WordBody::Subtract:
        if (__builtin_sub_overflow(r[s->a], r[s->b], &r[s->dst])) return nullptr;
        break;
      case WordBody::SubtractK:
        if (__builtin_sub_overflow(r[s->a], k[s->b], &r[s->dst])) return nullptr;
        break;
      case WordBody::Multiply:
        if (__builtin_mul_overflow(r[s->a], r[s->b], &r[s->dst])) return nullptr;
        break;
      case WordBody::MultiplyK:
        if (__builtin_mul_overflow(r[s->a], k[s->b], &r[s->dst])) return nullptr;
        break;
      // Division and remainder as the word arithmetic answers them, the
      // switch on the operation folded away.
      case WordBody::Divide:
        if (!operated(WordOp::Over, r[s->a], r[s->b], r[s->dst])) return nullptr;
        break;
      case WordBody::DivideK:
        if (!operated(WordOp::Over, r[s->a], k[s->b], r[s->dst])) return nullptr;
        break;
      case WordBody::Remainder:
        if (!remainder(r[s->a], r[s->b], r[s->dst])) return nullptr;
        break;
      case WordBody::RemainderK:
        if (!remainder(r[s->a], k[s->b], r[s->dst])) return nullptr;
        break;
      // A comparison goes on with the step after it when it is true.
      case WordBody::IfLess:
        if (!(r[s->a] < r[s->b])) s = body.steps + s->dst - 1;
        break;
      case WordBody::IfLessK:
        if (!(r[s->a] < k[s->b])) s = body.steps + s->dst - 1;
        break;
      case WordBody::IfAtLeast:
        if (!(r[s->a] >= r[s->b])) s = body.steps + s->dst - 1;
        break;
      case WordBody::IfAtLeastK:
        if (!(r[s->a] >= k[s->b])) s = body.steps + s->dst - 1;
        break;
      case WordBody::IfSame:
        if (r[s->a] != r[s->b]) s = body.steps + s->dst - 1;
        break;
      case WordBody::IfSameK:
        if (r[s->a] != k[s->b]) s = body.steps + s->dst - 1;
        break;
      case WordBody::IfDifferent:
        if (r[s->a] == r[s->b]) s = body.steps + s->dst - 1;
        break;
      case WordBody::IfDifferentK:
        if (r[s->a] == k[s->b]) s = body.steps + s->dst - 1;
        break;
      case WordBody::Load:
        r[s->dst] = k[s->b];
        break;
      case WordBody::Move:
        r[s->dst] = r[s->a];
        break;
      case WordBody::Jump:
        s = body.steps + s->dst - 1;
        break;
      case WordBody::Answer:
        out = r[s->a];
        return s;
      case WordBody::AnswerK:
        out = k[s->b];
        return s;
      default:
        __builtin_unreachable();  // every kind is above: no bounds check on the switch
    }
  }
}

}  // namespace quorl
