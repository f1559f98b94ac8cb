// The reference for the reduction engine: the same machine, whose state is
// an expression e and a continuation k that receives e's value, working
// on terms alone.
//
// The continuation is a stack of frames held on the heap, one per pending
// application: an argument frame (T x) waits for a function value to apply
// to x, a function frame g waits for an argument value to give to g.  It is
// the B/T continuation term of the machine with every cell left unbuilt:
// pushing and popping a frame allocates nothing, and no C++ recursion grows
// with the program.
//
// An argument frame of a called body may hold the argument still
// unsubstituted: the body part and the values of its variables.  It is
// substituted when the frame is first looked at, so an argument a
// conditional throws away is never built.  Substitution is pure and the
// values are closed, so building the term later gives the same term.
//
// A non-linear head (builtins, global functions, lambdas, S, W, ...) gets
// its arguments as values; a linear head (K, I, B, V, ...) is contracted at
// once with whatever its arguments are, so K a b never computes b.
#include "reference_engine.hpp"
#include "reference_continuation.hpp"

#include "eval/engine.hpp"

#include <string>
#include <vector>

#include "builtins/table.hpp"
#include "compile/rewrite.hpp"
#include "eval/combinators.hpp"
#include "eval/failure_record.hpp"
#include "eval/interrupt.hpp"
#include "eval/names.hpp"
#include "eval/substitute.hpp"
#include "eval/unfold.hpp"
#include "term/cells.hpp"
#include "term/tables.hpp"

namespace quorl {

namespace {

using reference::Continuation;
using reference::applyInline;

// --- small shape tests ---------------------------------------------------------

bool isSingle(const Node* n, char c) {
  return isLeaf(n) && leafChars(n)[0] == c && leafChars(n)[1] == '\0';
}

bool valueNode(const Node* n) {
  uint64_t h = n->header;
  if ((h & kAnnotationMask) == kConstantState) return true;
  return !(h & kWorkFlag) && storedArity(n) >= 1;
}

// Annotation is cached in the header; the call is only for new cells.
inline void ensureAnnotated(Node* n) {
  if (!isAnnotated(n)) annotate(n);
}

int storedArityOrOne(const Node* n) { return isConstantAnnotated(n) ? 1 : storedArity(n); }

char letterOf(const Node* variable) { return leafChars(variable)[0]; }

// The dedicated marker a constant definition holds while its value is being
// computed.  Only its identity matters: no value is ever this Node.  It is
// made when first stored; until then no definition can hold it, so the
// test against it reads a plain pointer with no start-up guard.
constinit Node* theBlackHole = nullptr;

bool isBlackHole(const Node* n) { return n == theBlackHole; }

Node* blackHole() {
  if (theBlackHole == nullptr) {
    theBlackHole = newLeaf(")");
    acquire(theBlackHole);  // never freed
  }
  return theBlackHole;
}

NodeRef lambdaForm(Node* variable, Node* body) {
  return apply(apply(sharedLeaf('\\'), NodeRef(variable)), NodeRef(body));
}

NodeRef cycleRecord(std::string_view name) {
  RunOutcome outcome;
  outcome.message = "Cycle detected on function " + std::string(name) + ".";
  outcome.status = "cycle";
  outcome.vip = clipBalanced(name);
  return failureRecord(outcome);
}

// --- contraction ------------------------------------------------------------

// The largest number of arguments a saturated spine can carry.
constexpr int kMaxSpine = kMaxArity + 1;

struct Spine {
  Node* head;
  Node* args[kMaxSpine];  // in application order, args[0] the first
  int count;
};

// Takes the term apart into its head and arguments.
Spine splitSpine(Node* e) {
  Spine s;
  Node* reversed[kMaxSpine];
  int count = 0;
  Node* n = e;
  while (isApplication(n) && !isConstantAnnotated(n)) {
    QUORL_CHECK(count < kMaxSpine, 3258);
    reversed[count++] = argumentOf(n);
    n = functionOf(n);
  }
  s.head = n;
  s.count = count;
  for (int i = 0; i < count; i++) s.args[i] = reversed[count - 1 - i];
  return s;
}

void addArgument(Spine& s, Node* argument) {
  QUORL_CHECK(s.count < kMaxSpine, 3258);
  s.args[s.count++] = argument;
}

// An annotated application that has more arguments than its head takes.
// Substitution keeps that arity: only variables are replaced, and a spine
// headed by a variable never has a negative arity.
bool takesExtraArguments(const Node* n) {
  uint64_t state = n->header & kAnnotationMask;
  return isApplication(n) && state != 0 && state != kConstantState && storedArity(n) < 0;
}

// The head of the spine n, an annotated part of a body, when it is a leaf
// that is neither a variable nor a constant nor a binder's marker; null
// otherwise.  Substitution keeps such a spine's arity and shape, and none of
// its cells becomes a constant.
inline const Node* keptHead(const Node* n) {
  while (isApplication(n) && !isConstantAnnotated(n)) n = functionOf(n);
  if (!isLeaf(n) || isConstantAnnotated(n)) return nullptr;
  const char* text = leafChars(n);
  if ((text[0] == '\\' || text[0] == '{') && text[1] == '\0') return nullptr;
  if (cachedVariables(const_cast<Node*>(n)) != 0) return nullptr;
  return n;
}

// True when x cannot be a value once substituted: an application lacking no
// argument, whose arity substitution keeps.
inline bool staysNonValue(const Node* x) {
  return isApplication(x) && !isConstantAnnotated(x) && storedArity(x) <= 0 &&
         keptHead(x) != nullptr;
}

// True when the spine g (whose head keptHead accepts) will hold work once
// substituted: one of its arguments stays no value.
bool staysWorking(const Node* g) {
  for (; isApplication(g) && !isConstantAnnotated(g); g = functionOf(g))
    if (staysNonValue(argumentOf(g))) return true;
  return false;
}

// True when the spine g (whose head keptHead accepts) will be a value once
// substituted: it is one now, and each argument either mentions none of
// the letters or is a variable whose value is a value.  (A linear head's
// parameters may hold terms still to compute.)
bool staysValue(const Node* g, uint32_t letters, Node* const* values) {
  if (!isApplication(g) || hasWork(g) || storedArity(g) < 1) return false;
  for (; isApplication(g) && !isConstantAnnotated(g); g = functionOf(g)) {
    Node* argument = argumentOf(g);
    uint32_t mentioned = letters & cachedVariables(argument);
    if (mentioned == 0) continue;
    if (!isLeaf(argument)) return false;
    Node* value = values[__builtin_ctz(mentioned)];
    ensureAnnotated(value);
    if (!valueNode(value)) return false;
  }
  return true;
}

// What the machine's next step would do with `body` once substituted, when
// that is known without substituting it: compute its argument for its
// function part (a function frame; the function part is substituted first
// when it mentions the letters), or compute its function part first (an
// argument frame).  Only non-linear heads, whose steps do not depend on the
// continuation, are considered.
enum class NextStep : uint8_t { Unknown, ComputeArgument, ComputeArgumentOfBuilt, ComputeFunction };

NextStep nextStepOf(Node* body, uint32_t letters, Node* const* values) {
  // A definition's body is annotated by its first substitution.
  if (!isApplication(body) || !isAnnotated(body) || isConstantAnnotated(body))
    return NextStep::Unknown;
  int arity = storedArity(body);
  if (arity < 0) return NextStep::Unknown;
  const Node* head = keptHead(body);
  if (head == nullptr || isLinearHeadLeaf(head)) return NextStep::Unknown;
  Node* g = functionOf(body);
  Node* x = argumentOf(body);
  bool gClosed = (letters & cachedVariables(g)) == 0;
  bool gWorks = gClosed ? hasWork(g) : staysWorking(g);
  if (arity == 0) {
    if (gWorks) return NextStep::ComputeFunction;
    if (!staysNonValue(x)) return NextStep::Unknown;
    if (gClosed) return NextStep::ComputeArgument;
    return staysValue(g, letters, values) ? NextStep::ComputeArgumentOfBuilt : NextStep::Unknown;
  }
  if (!(gWorks || staysNonValue(x))) return NextStep::Unknown;
  if (gClosed && valueNode(g)) return NextStep::ComputeArgument;
  return gWorks ? NextStep::ComputeFunction : NextStep::Unknown;
}

// Pushes the argument frame for `argument` of a body: unsubstituted when it
// is an application that mentions one of the letters.
inline void pushArgumentOf(Continuation& k, Node* argument, uint32_t letters,
                           Node* const* values) {
  if (isApplication(argument) && (letters & cachedVariables(argument)) != 0)
    k.pushDeferredArgument(argument, letters, values);
  else
    k.pushArgument(substituteInline(argument, letters, values));
}

// When the leaf n is a name defined without parameters whose definition is
// a value already (an operator's builtin, a remembered constant), e := that
// value, as contracting n would give; false otherwise.
bool takeConstantValue(NodeRef& e, Node* n) {
  if (!isAnnotated(n) || isConstantAnnotated(n) || storedArity(n) != 0) return false;
  const NameResolution& r = resolveName(n);
  if (r.builtin != nullptr || r.combinator != 0 || r.definition == nullptr) return false;
  Node* body = r.definition->get();
  if (isBlackHole(body)) return false;
  ensureAnnotated(body);
  if (!valueNode(body)) return false;
  e = NodeRef(body);
  return true;
}

// e := body with the letters replaced.  The outer spine of a body with more
// arguments than its head takes would be taken apart at once, pushing its
// arguments; those go straight onto the continuation instead of into
// cells, and so do the parts of the first steps nextStepOf foresees.  A
// body left as an operator's name starts from the operator's value.
void substituteOnto(NodeRef& e, Continuation& k, Node* body, uint32_t letters,
                    Node* const* values) {
  for (;;) {
    while (takesExtraArguments(body)) {
      pushArgumentOf(k, argumentOf(body), letters, values);
      body = functionOf(body);
    }
    NextStep step = nextStepOf(body, letters, values);
    if (step == NextStep::ComputeArgument) {
      k.pushFunction(functionOf(body));  // closed: the letters leave it alone
      body = argumentOf(body);
    } else if (step == NextStep::ComputeArgumentOfBuilt) {
      k.pushFunction(substituteLetters(functionOf(body), letters, values));
      body = argumentOf(body);
    } else if (step == NextStep::ComputeFunction) {
      pushArgumentOf(k, argumentOf(body), letters, values);
      body = functionOf(body);
    } else {
      break;
    }
  }
  if (isLeaf(body) && takeConstantValue(e, body)) return;
  e = substituteInline(body, letters, values);
}

void substituteOnto(NodeRef& e, Continuation& k, Node* body, Node* variable, Node* value) {
  int letter = letterOf(variable) - 'a';
  QUORL_CHECK(letter >= 0 && letter < 26, 7667);
  Node* values[26];
  values[letter] = value;
  substituteOnto(e, k, body, uint32_t{1} << letter, values);
}

void contractGlobal(NodeRef& e, Continuation& k, const Spine& s, const NameResolution& r) {
  QUORL_CHECK(r.definition != nullptr, 8163);
  Node* body = r.definition->get();
  if (s.count > 0) {
    // Strip one lambda per argument and substitute them all in one walk.
    Node* values[26];
    uint32_t letters = 0;
    for (int i = 0; i < s.count; i++) {
      QUORL_CHECK(binderShape(body) == 'u', 3340);
      int letter = letterOf(argumentOf(functionOf(body))) - 'a';
      // Of two parameters with one letter the first takes the body's
      // occurrences; the later one is unused.
      if (!(letters & (uint32_t{1} << letter))) values[letter] = s.args[i];
      letters |= uint32_t{1} << letter;
      body = argumentOf(body);
    }
    substituteOnto(e, k, body, letters, values);
    return;
  }
  // A constant: computed once, then remembered in the definition table.
  if (isBlackHole(body)) {
    e = cycleRecord(leafChars(s.head));
    k.clear();
    return;
  }
  ensureAnnotated(body);
  if (r.nullary || valueNode(body)) {
    e = NodeRef(body);
    return;
  }
  NodeRef definition(body);
  *r.definition = NodeRef(blackHole());
  noteDefinitionsChanged();
  k.pushFunction(leaf(std::string(")") + leafChars(s.head)));
  e = std::move(definition);
}

// (")name" v): v is the value of the constant `name`; store it.
void storeMemo(NodeRef& e, const Spine& s) {
  Node* value = s.args[0];
  QUORL_CHECK(valueNode(value), 3304);
  std::string_view name = leafChars(s.head) + 1;
  QUORL_CHECK(findDefinition(name) != nullptr, 3303);
  QUORL_CHECK(nullaryNames().count(name) == 0, 3309);
  // A lambda stored as it is would read as a function of one more
  // parameter; ((B I) v) is the same function with none.
  NodeRef stored = binderShape(value) == 'u'
                       ? apply(apply(sharedLeaf('B'), sharedLeaf('I')), NodeRef(value))
                       : NodeRef(value);
  setDefinition(name, stored);
  e = std::move(stored);
}

void callBuiltin(NodeRef& e, Continuation& k, const BuiltinEntry& builtin) {
  NodeRef result = builtin.handler(std::move(e));
  Node* r = result.get();
  if (isApplication(r)) {
    const Node* g = functionOf(r);
    // A failure record (or a closure marker) ends the evaluation at once.
    if (isLeaf(g) && (leafChars(g)[0] == ']' || leafChars(g)[0] == ')')) k.clear();
  }
  e = std::move(result);
}

// Contracts the saturated redex e whose head is a name.
void contractNamed(NodeRef& e, Continuation& k, const Spine& s) {
  const NameResolution& r = resolveName(s.head);
  if (r.builtin != nullptr) {
    QUORL_CHECK(s.count == r.builtin->arity, 3258);
    callBuiltin(e, k, *r.builtin);
    return;
  }
  if (r.combinator != 0) {
    e = contractCombinator(r.combinator, r.definition->get(), s.args);
    return;
  }
  contractGlobal(e, k, s, r);
}

// Contracts the saturated redex e (arity 0).
void contract(NodeRef& e, Continuation& k) {
  Spine s = splitSpine(e.get());
  Node* head = s.head;
  if (isConstantAnnotated(head)) {
    QUORL_CHECK(s.count == 1, 3258);
    e = unfoldConstant(NodeRef(head), NodeRef(s.args[0]));
    return;
  }
  QUORL_CHECK(isLeaf(head), 3258);
  const char* text = leafChars(head);
  switch (text[0]) {
    case '0': case '1': case '2': case '3': case '4':
    case '5': case '6': case '7': case '8': case '9':
      e = unfoldNumber(head);
      return;
    case '(':
      e = unfoldByteBlock(head);
      return;
    case ' ':
      e = unfoldReal(head, NodeRef(s.args[0]));
      return;
    case ')':
      storeMemo(e, s);
      return;
    case ']':
      e = leaf("]" + std::string(NodeRef(s.args[0]).text()));
      k.clear();
      return;
    default:
      break;
  }
  if (isSingle(head, '\\') && s.count == 3) {
    // ((\ v) body) a
    substituteOnto(e, k, s.args[1], s.args[0], s.args[2]);
    return;
  }
  if (isSingle(head, '{') && s.count == 3) {
    // ((({ v) bound) body)
    Node* variable = s.args[0];
    Node* bound = s.args[1];
    Node* body = s.args[2];
    if (!isValue(bound)) {
      k.pushFunction(lambdaForm(variable, body));
      e = NodeRef(bound);
      return;
    }
    substituteOnto(e, k, body, variable, bound);
    return;
  }
  contractNamed(e, k, s);
}


// --- contraction without the redex cell -----------------------------------------
//
// A saturated application whose head is a global function, a combinator
// contracted directly or a number needs no cell of its own: its head and
// arguments are known from the function value and the frames.  Builtins get
// their redex cell as their calling contract says.

enum class DirectHead : uint8_t { None, Global, Combinator, Number, Lambda, Builtin };

DirectHead directHead(Node* head, const NameResolution*& resolution) {
  if (!isLeaf(head)) return DirectHead::None;
  unsigned char first = static_cast<unsigned char>(leafChars(head)[0]);
  if (first >= '0' && first <= '9') return DirectHead::Number;
  switch (first) {
    case '\\':
      return leafChars(head)[1] == '\0' ? DirectHead::Lambda : DirectHead::None;
    case '(': case ' ': case ')': case ']': case '[': case '{': case 0:
      return DirectHead::None;
    default:
      break;
  }
  const NameResolution& r = resolveName(head);
  resolution = &r;
  if (r.builtin != nullptr) return DirectHead::Builtin;
  if (r.definition == nullptr) return DirectHead::None;
  return r.combinator != 0 ? DirectHead::Combinator : DirectHead::Global;
}

void contractDirect(NodeRef& e, Continuation& k, const Spine& s, DirectHead kind,
                    const NameResolution* r) {
  switch (kind) {
    case DirectHead::Number:
      e = unfoldNumber(s.head);
      return;
    case DirectHead::Combinator:
      e = contractCombinator(r->combinator, r->definition->get(), s.args);
      return;
    case DirectHead::Lambda:  // ((\ v) body) a
      substituteOnto(e, k, s.args[1], s.args[0], s.args[2]);
      return;
    default:
      contractGlobal(e, k, s, *r);
      return;
  }
}

// e := the value `function`, of arity 1, applied to the value `argument`,
// contracted at once.  Only the redex of a builtin (whose calling contract
// it is) or of a head contracted by the general rules is built.
void applyDirectly(NodeRef& e, Continuation& k, NodeRef function, NodeRef argument) {
  Spine s = splitSpine(function.get());
  const NameResolution* r = nullptr;
  DirectHead kind = directHead(s.head, r);
  addArgument(s, argument.get());
  if (kind == DirectHead::Builtin) {
    const BuiltinEntry& builtin = *r->builtin;
    QUORL_CHECK(s.count == builtin.arity, 3258);
    e = NodeRef(adoptingCell(function.detach(), argument.detach()));
    callBuiltin(e, k, builtin);
    return;
  }
  if (kind == DirectHead::None || (kind == DirectHead::Lambda && s.count != 3)) {
    e = applyInline(std::move(function), std::move(argument));
    return;
  }
  contractDirect(e, k, s, kind, r);
}

// e, whose head is a combinator contracted directly and which lacks n
// arguments, applied to the n arguments waiting on top of k.  True when
// done; the frames are consumed.
// True when H's definition answers the leaf I, and I is the Prelude's.
bool answersIdentity(const Node* hDefinition) {
  Node* answer = argumentOf(hDefinition);  // ((\ a) I)
  if (!isLeaf(answer) || !isSingle(answer, 'I')) return false;
  return resolveName(answer).combinator == 'I';
}

bool applyPendingDirectly(NodeRef& e, Continuation& k, int n) {
  if (!k.hasPendingArguments(n)) return false;
  Spine s = splitSpine(e.get());
  const NameResolution* r = nullptr;
  if (directHead(s.head, r) != DirectHead::Combinator) return false;
  char key = r->combinator;
  if (key == 'H' && s.count == 0 && k.hasPendingArguments(2) && k.isDeferredBelowTop(1) &&
      answersIdentity(r->definition->get())) {
    // H a b: H a gives I, and I b gives b; b waits unsubstituted.
    k.drop();
    key = 'I';
    n = 1;
  }
  if ((key == 'I' || key == 'K') && s.count == 0 && k.isDeferredBelowTop(0)) {
    // The answer is the first argument, still unsubstituted: substitute it
    // as a called body is, its spare arguments straight onto k.
    Continuation::Deferred* answer = k.popDeferred();
    for (int i = 1; i < n; i++) k.drop();
    Node* values[26];
    answer->spread(values);
    substituteOnto(e, k, answer->part, answer->letters, values);
    answer->destroy();
    return true;
  }
  for (int i = 0; i < n; i++) {
    // An argument the combinator throws away is not built.
    bool unused = k.isDeferredBelowTop(i) && !combinatorReads(r->combinator, s.count);
    addArgument(s, unused ? nullptr : k.argumentBelowTop(i));
  }
  NodeRef function = std::move(e);  // keeps the spine's arguments alive
  contractDirect(e, k, s, DirectHead::Combinator, r);
  for (int i = 0; i < n; i++) k.drop();
  return true;
}

// The head of a term: the leaf or constant reached through function parts.
Node* headOf(Node* n, int& arguments) {
  arguments = 0;
  while (isApplication(n) && !isConstantAnnotated(n)) {
    n = functionOf(n);
    arguments++;
  }
  return n;
}

// The builtin named by a head leaf, or null.
const BuiltinEntry* builtinOf(Node* head) {
  if (isApplication(head)) return nullptr;
  switch (leafChars(head)[0]) {
    case '0': case '1': case '2': case '3': case '4': case '5': case '6': case '7':
    case '8': case '9': case '(': case ' ': case ')': case ']': case '[': case '\\':
    case '{': case 0:
      return nullptr;
    default:
      return resolveName(head).builtin;
  }
}

// e, a builtin value with `given` arguments that lacks n more, with n
// values waiting for it on top of k: its redex is built from them and the
// handler called at once (each partial application on the way would be a
// value handed to the next frame).  True when done.
bool callBuiltinWithPending(NodeRef& e, Continuation& k, const BuiltinEntry& builtin, int given,
                            int n) {
  if (!k.hasPendingArguments(n)) return false;
  for (int i = 0; i < n; i++) {
    if (k.holdsNonValueBelowTop(i)) return false;
    Node* x = k.argumentBelowTop(i);
    ensureAnnotated(x);
    if (!valueNode(x)) return false;
  }
  QUORL_CHECK(given + n == builtin.arity, 3258);
  e = k.popRedex(std::move(e), n);
  callBuiltin(e, k, builtin);
  return true;
}

// Hands the value e to the top frame of k.
void returnValue(NodeRef& e, Continuation& k) {
  Node* v = e.get();
  int arity = isConstantAnnotated(v) ? 1 : storedArity(v);
  if (!k.topIsArgument()) {
    // (g v): saturated when g lacks one argument.
    NodeRef function = k.pop();
    ensureAnnotated(function.get());  // wing and memo frames hold fresh cells
    if (storedArityOrOne(function.get()) == 1) {
      NodeRef argument = std::move(e);
      applyDirectly(e, k, std::move(function), std::move(argument));
      return;
    }
    e = applyInline(std::move(function), std::move(e));
    return;
  }
  int given;
  Node* head = headOf(v, given);
  bool linear = isLinearHeadLeaf(head);
  if (linear) {
    if (applyPendingDirectly(e, k, arity)) return;
  } else if (const BuiltinEntry* builtin = builtinOf(head)) {
    if (callBuiltinWithPending(e, k, *builtin, given, arity)) return;
  }
  bool computesArguments = !linear && !isSingle(head, '\\') && !isSingle(head, '{');
  if (computesArguments && k.holdsNonValueBelowTop(0)) {
    // As below, with the argument substituted straight onto k.
    Continuation::Deferred* pending = k.popDeferred();
    k.pushFunction(std::move(e));
    Node* values[26];
    pending->spread(values);
    substituteOnto(e, k, pending->part, pending->letters, values);
    pending->destroy();
    return;
  }
  Node* x = k.top();
  ensureAnnotated(x);
  if (valueNode(x)) {
    if (arity == 1) {
      NodeRef argument = k.pop();
      NodeRef function = std::move(e);
      applyDirectly(e, k, std::move(function), std::move(argument));
      return;
    }
  } else if (computesArguments) {
    // A head that computes its arguments first: (v x) would only be taken
    // apart again to compute x.
    NodeRef pending(x);
    k.replaceTopByFunction(std::move(e));
    e = std::move(pending);
    return;
  }
  e = k.popApply(std::move(e));
}

}  // namespace

NodeRef evaluateBySubstitution(NodeRef term) {
  Continuation k;
  NodeRef e = std::move(term);
  for (;;) {
    if (evaluationInterrupted()) return sharedLeaf('Z');
    Node* n = e.get();
    ensureAnnotated(n);
    if (valueNode(n)) {
      if (k.empty()) return e;
      returnValue(e, k);
      continue;
    }
    int arity = storedArity(n);
    if (arity == 0) {
      if (hasWork(n) && !headIsLinear(n)) {
        Node* g = functionOf(n);
        if (binderShape(n) == 'i') {
          // A wing whose bound value is still to be computed: compute it,
          // then give it to the lambda form of the same binder.
          Node* bound = argumentOf(g);
          if (!isValue(bound)) {
            k.pushFunction(lambdaForm(argumentOf(functionOf(g)), argumentOf(n)));
            e = NodeRef(bound);
            continue;
          }
        } else if (!isConstantAnnotated(g) && hasWork(g)) {
          k.pushArgument(argumentOf(n));
          e = NodeRef(g);
          continue;
        } else {
          k.pushFunction(g);
          e = NodeRef(argumentOf(n));
          continue;
        }
      }
      if (isLeaf(n)) {
        // A name defined without parameters: only names have arity 0.
        Spine s;
        s.head = n;
        s.count = 0;
        contractNamed(e, k, s);
      } else {
        contract(e, k);
      }
      continue;
    }
    Node* g = functionOf(n);
    if (arity < 0) {
      // More arguments than the head takes: the function part first, down
      // to the part that takes no more than it has.
      do {
        k.pushArgument(argumentOf(n));
        n = functionOf(n);
      } while (isApplication(n) && !isConstantAnnotated(n) && storedArity(n) < 0);
      e = NodeRef(n);
      continue;
    }
    // A partial application that still holds work.  A linear head takes the
    // arguments waiting for it unevaluated; otherwise its parts are computed.
    if (headIsLinear(n) && k.hasPendingArguments(arity)) {
      if (!applyPendingDirectly(e, k, arity)) {
        e = k.applyPending(std::move(e), arity);
        contract(e, k);
      }
      continue;
    }
    if (isValue(g)) {
      k.pushFunction(g);
      e = NodeRef(argumentOf(n));
    } else {
      k.pushArgument(argumentOf(n));
      e = NodeRef(g);
    }
  }
}

}  // namespace quorl
