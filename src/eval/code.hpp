// The code of a body: its term, compiled once into the decisions the
// reduction machine would otherwise take again on every call.
//
// A part of a body that mentions none of the body's letters is shared as it
// is (substitution would share it too); a letter stands for its value; any
// other part is a Code: a spine (a head applied to operands), a lambda form
// or a wing form.  What a spine's head is (a builtin, a function taking
// its arguments as values, a Prelude combinator, a constant, a letter...)
// is resolved here, from definitions that no longer change once linked:
// only constants change, and they are read through their table slot.
#pragma once

#include <cstdint>

#include "term/node.hpp"
#include "term/tables.hpp"

namespace quorl {

struct Code;
struct Callee;
struct WordBody;

// One part of a body.
struct Part {
  enum Kind : uint8_t { Letter, Shared, Compiled };
  Kind kind = Shared;
  uint8_t letter = 0;  // Letter: 0 = 'a'; `steps`: the letter it steps
  // Whether the part, its letters replaced by values, is a value: 1 yes,
  // 0 no, -1 depends on the values.
  int8_t valueState = 0;
  bool isWord = false;         // Shared: a short integer leaf, whose value is `word`
  // A tree of number operations answered where it stands: Compiled with a
  // tree, or Shared with a closed tree.
  bool numbers = false;
  // Letter, an operand of a call: no operand after it reads the letter, so
  // a value the view owns goes to the call rather than shared with it.
  bool lastRead = false;
  // Compiled, an operand of a call: one operation on a letter that no
  // operand after it reads and an integer written in the body or another
  // letter (`n - 1`, `j + step`): answered in the first letter's box when
  // that is a dying parameter's.
  bool steps = false;
  // Compiled: its code is a spine, which the machine goes on with where
  // it stands (kept here so that the test reads no code).
  bool spine = false;
  int64_t word = 0;
  Node* node = nullptr;        // Shared: the part itself (held by the body)
  // Shared: the name of a constant (defined without parameters), whose
  // value, once computed and remembered, is read from its table slot.
  NodeRef* constant = nullptr;
  // Shared: a closed tree of number operations (real 1), immediate.
  const Code* closedTree = nullptr;
  const Code* code = nullptr;  // Compiled
};

enum class CodeKind : uint8_t { Spine, Lambda, Wing };

// A tree of number operations compiled to be answered where it stands
// (number_trees.hpp): its distinct leaves (letters, shared values and
// constants' names), each read once, and its operations in postfix order,
// each taking its operands from the leaves or from the numbers the
// operations before it computed.
struct NumberTree {
  static constexpr int kMaxLeaves = 16, kMaxOperations = 32;
  static constexpr int8_t kComputed = -1, kNone = -2;
  static constexpr WordOp kConversion = WordOp::None;  // the operation of `real`
  struct Operation {
    WordOp op;           // the builtin's, or kConversion
    int8_t left, right;  // a leaf's index or kComputed; right is kNone for `real`
  };
  uint8_t leafCount = 0, operationCount = 0;
  const Part* leaves[kMaxLeaves];
  // How the quick ways read each leaf, decided when the tree is made: a
  // letter (`leafLetter`), the computed operand, a machine integer or a
  // double known already (`leafNumbers`: a number written in the body, a
  // constant once computed), a constant not computed yet, or another value
  // as written.
  enum LeafRead : uint8_t { ReadLetter, ReadComputed, ReadWord, ReadReal, ReadConstant, ReadOther };
  mutable uint8_t leafReads[kMaxLeaves];
  uint8_t leafLetter[kMaxLeaves];
  mutable int64_t leafNumbers[kMaxLeaves];  // ReadWord: the integer; ReadReal: the double's bits
  mutable uint32_t knownLeaves = 0, knownReals = 0;  // ReadWord or ReadReal; ReadReal
  Operation operations[kMaxOperations];
  // The operations again for the quick ways, on a file of registers: the
  // leaves first, then each operation's answer; the registers of each
  // operation's operands (the right one unused for `real`).
  uint8_t leftRegister[kMaxOperations], rightRegister[kMaxOperations];
  // When every operation is arithmetic on doubles (plus, dash, mult, over,
  // cent, powa), or a comparison less or gteq of them at the root: the
  // operations as steps on doubles, and the leaves read from letters
  // (number_tree_doubles.cpp).  `doublesMissed`: the last try on doubles
  // met a leaf that was none, so the quick way is tried first until it
  // meets only doubles again.
  bool onDoubles = false, doublesTruth = false;  // doublesTruth: the root is a comparison
  mutable bool doublesMissed = false;
  // A step's code, then where the evaluator goes for that code, set at
  // its first answer (number_tree_doubles.cpp).
  struct DoubleStep {
    uint8_t code, a, b, save;
    const void* go;
  };
  struct LetterLoad {
    uint8_t leaf, letter;
  };
  mutable DoubleStep doubleSteps[kMaxOperations + 1];
  // The registers of the steps on doubles and of the quick way, the tree's
  // own: the leaves, then each operation's answer.  A leaf known already
  // (knownLeaves) holds its number once it is in `filledLeaves`, so the
  // steps read it where it stays; both ways put the same eight bytes there.
  // (Neither calls out of the tree, so no other answer of it begins while
  // one is under way.)
  union Register {
    int64_t word;
    double real;
  };
  // `doublesFilled`: every leaf that is no letter is a real in its register.
  mutable uint32_t filledLeaves = 0;
  mutable bool doublesFilled = false;
  mutable Register registers[kMaxLeaves + kMaxOperations];
  uint8_t letterLoadCount = 0;
  LetterLoad letterLoads[kMaxLeaves];  // every leaf that is a letter
  uint32_t readLeaves = 0;  // the leaves that are neither letters nor the computed operand
  // No operation is `real` and only the root may be a comparison: the
  // tree may be answered on machine integers alone (word_trees.hpp).
  // `onWordSteps`: such a tree whose leaves are letters and integers
  // written in the body, its operations laid out as steps on words, the
  // last giving the root its operands (word_trees.cpp); `wordRegisters`:
  // the integers the steps read from registers rather than from the step.
  bool onWords = false, onWordSteps = false;
  struct WordStep {
    uint8_t code, a, b, save;
    WordOp op;
    int64_t k;
  };
  WordStep wordSteps[kMaxOperations];
  uint32_t wordRegisters = 0;
  // The quick way's operations typed for one pattern of leaves, each a
  // machine integer or a double (bit i set: leaf i is a double), made on
  // first need and made again when the leaves' pattern changes
  // (number_trees.cpp).  `typedAnswer`: the answer's kind, or -1 when the
  // quick way cannot answer the tree on such leaves.
  // Each typed step: its code, its operands' registers, flags for mixed
  // kinds and the operation; one more ends them.
  struct TypedStep {
    uint8_t code, a, b, flags;
    WordOp op;
    const void* go;  // where the quick way goes for `code`
  };
  mutable uint32_t typedPattern = UINT32_MAX;
  mutable int8_t typedAnswer = -1;
  mutable TypedStep typedSteps[kMaxOperations + 1];
  // `typedCount` steps; those before `typedFirst` read known leaves alone
  // and are run until one run ends (`typedFirstDone`), their answers then
  // kept in the registers.
  mutable uint8_t typedCount = 0, typedFirst = 0;
  mutable bool typedFirstDone = false;
  // A tree with a computed operand (Code::callTree): the leaf that is the
  // call, computed before anything else of the tree; the operand indexes
  // that lead to it from the tree's spine down; and the letters of the
  // other leaves, what the tree still reads once the call has its value.
  // `missed`: the tree was left to the builtins once (code.hpp's callers
  // then look at its letters before computing the call).
  int8_t computedLeaf = kNone;
  // `1 + check(left)`: one operation of the computed operand and a number
  // written in the body, the leaf that is that number (else kNone).
  int8_t wordWithCall = kNone;
  mutable bool missed = false;
  // The call's function was found once with a body that is no tree of
  // number operations (machine_number_calls.cpp): it is not looked at again.
  mutable bool calledOpaque = false;
  uint8_t pathLength = 0;
  uint8_t path[kMaxOperations];
  uint32_t leafLetters = 0;
  // The ways the call was followed to such a body (machine_number_calls.cpp),
  // made on first need.
  mutable struct CalledPlans* calledPlans = nullptr;

  NumberTree() = default;
  NumberTree(const NumberTree&) = delete;
  NumberTree& operator=(const NumberTree&) = delete;
  ~NumberTree();
};

// The opcode of an operation on doubles: the operation's place among plus,
// dash, mult, over, cent, less, gteq and powa.
inline int doubleOpcode(WordOp op) {
  int index = static_cast<int>(op) - static_cast<int>(WordOp::Plus);  // plus .. cent
  if (op == WordOp::Less) index = 5;
  else if (op == WordOp::Gteq) index = 6;
  else if (op == WordOp::Powa) index = 7;
  return index;
}

// What heads a spine.
enum class HeadKind : uint8_t {
  Letter,       // a parameter: known only at run time
  Builtin,      // a builtin's name
  Strict,       // a global function that takes its arguments as values
  Combinator,   // a linear Prelude combinator, contracted directly
  Constant,     // a name defined without parameters, whose value is not known yet
  Lambda,       // a lambda form of the body
  Wing,         // a wing form of the body
  Spine,        // the spine of a long call's first operands (kMaxSpineOperands)
  Other,        // any other shared term: a linear function of the program, a number...
};

struct Code {
  CodeKind kind;
  // Spine: the head.  Lambda: the parameter.  Wing: the binder.
  HeadKind head = HeadKind::Other;
  uint8_t letter = 0;
  uint8_t argCount = 0;
  int8_t valueState = 0;     // as Part::valueState, for the whole part
  char combinator = 0;       // HeadKind::Combinator: its key
  uint8_t callArity = 0;     // Builtin and Strict: arguments taken
  // Builtin: a call of a builtin the engine answers on its values (word
  // arithmetic, the table's onValues column), given exactly its operands,
  // each a value as it stands (a letter or a shared value) or an immediate
  // call itself: answered where it stands (immediate.hpp).
  bool immediate = false;
  uint8_t immediateDepth = 0;  // the nesting of immediate calls, itself included
  // Builtin, immediate: `cork(b, i, x)` with b a letter, and i and x other
  // letters or integers written in the body: a loop's step on its block,
  // tried first on the block as it stands (immediate.hpp, corkedHere).
  bool corks = false;
  // Builtin: `look(t, i)` with t a letter or a value written in the body
  // and i a letter or an integer written in the body: its byte is read
  // where it stands by the arithmetic and comparisons around it.
  bool looks = false;
  // Builtin: a call of number operations (the WordOp builtins and `real`)
  // whose operands are numbers as they stand (letters, numbers written in
  // the body, constants' names) or such calls themselves, or a comparison
  // of two such operands that selects: `tree` is the tree of operations
  // to answer where it stands (number_trees.hpp), its leaves unboxed, when
  // they are numbers.  For a comparison that selects, the tree's is the
  // comparison of the first two operands.
  const NumberTree* tree = nullptr;
  // Builtin: such a call of number operations all of whose operands but
  // one call are numbers as they stand, the call computed before every
  // operation and constant of the tree (`acc + a(i, j) * x`): the machine
  // computes the call, and the tree is answered on its value where it
  // stands (machine_number_calls.cpp).
  const NumberTree* callTree = nullptr;
  bool twoLeaves = false;  // tree: one operation of two operands as they stand
  // tree: its first two operands are letters, integers written in the body
  // or such trees of two-operand operations themselves (no constant, no
  // real, no call): answered first on the words as they stand, straight
  // from the code (word_trees.hpp).
  bool plainWords = false;
  // tree: plain, and tried on the words first: an integer written among its
  // leaves (a tree of letters alone may well hold reals, whose way goes
  // first).
  bool plainFirst = false;
  // Builtin: a comparison of two operands as they stand or immediate,
  // given two more operands: with the Prelude's K and H, its truth value
  // picks one of them and drops the other.
  bool selects = false;
  uint8_t taken = 0;         // Builtin, Strict, a Combinator short of arguments: operands taken
  // Letter: the list match `l n (h\t\c)` with the Prelude's lists: a list
  // K gives n, a pair J x y gives c with h and t bound to x and y; or the
  // pair match `p (x\y\c)`, a pair V x y giving c with x and y bound.  The
  // lambda's code, whether it is compiled in place or a shared term.
  bool matches = false;
  const Code* matchLambda = nullptr;
  // Letter: a letter given two operands or more, with the Prelude's K and
  // H: a truth value picks the first or the second (K a b is a, H a b is
  // b), the operands after them waiting for what it picks.
  bool picks = false;
  // Combinator: a pair V x y or J x y of two values, which gives its parts
  // to a lambda of two parameters applied to it (after the empty case,
  // for J).
  bool pairs = false;
  // Combinator: the one operand that has work still to do, every other a
  // value (J x (f y), V (f y) r), or -1: computed while the rest waits in
  // its cell (machine_matches.hpp).
  int8_t workPart = -1;
  // Combinator: the Prelude's `|` or `&` whose first operand is a value as
  // it stands or an immediate call and whose second is one too or such a
  // link itself (`a | b | c`, which groups to the right): the truth values
  // are read here, one after the other, without frames.  `links`: given
  // exactly those two; `chooses`: given two more operands besides, which
  // the truth value picks from, as K or H would.
  bool links = false;
  bool chooses = false;
  // Spine: an operand is a spine itself.
  bool nested = false;
  // Strict: a call given all the arguments its function takes, which then
  // enters the body or is performed (decided once, for the site's test).
  bool saturated = false;
  // Spine: a shape whose value is computed where it stands, without
  // frames, when the numbers and truth values it reads are such
  // (pure_shapes.hpp); `pureDepth` is its nesting, itself included.
  bool pure = false;
  uint8_t pureDepth = 0;
  // Builtin: a call that would be immediate but for operands that are pure
  // shapes, at any depth of its immediate operands (`text + init(letter
  // s)`): answered where it stands once those are computed, first
  // (pure_shapes.hpp, fedParts).  The pure operands, `fedCount` of them.
  const Part** fedParts = nullptr;
  uint8_t fedCount = 0;
  // Spine: pure or fed, tried where it stands before a frame is made for it.
  bool firstHere = false;
  // Spine: a value of values, its head no letter and each operand a letter,
  // a shared part or such a spine itself (`J x front`, `V (V k v) lr`): its
  // cells are built straight from the values (data_cells.hpp).  `dataDepth`
  // is the nesting of such spines, itself included.
  bool data = false;
  uint8_t dataDepth = 0;
  // Data of two flat parts: the headers of its two cells, once known
  // (data_cells.cpp; 0 until the first is built).
  mutable uint64_t dataHeaders[2] = {0, 0};
  // A pair or list cell of a letter and one more operand (`J x front`, or
  // `J y (insert(...))` whose tail is computed) in the body of a match that
  // bound that letter to the head of the cell it took apart: the letter
  // that held that cell, which the spine does not read (-1: none).  When
  // nothing reads it after the spine either and the view alone holds the
  // cell, the spine's cell is built on that cell's function part, or in
  // the cell itself (data_cells.hpp).  Set by the match's compilation;
  // every condition is checked where it is used, so a spine shared by
  // several bodies may be set by any of them.  On a lambda of two letters,
  // one of them that head, pushed to wait for a call's value: its bindings
  // may be made in that cell (data_cells.hpp).
  mutable int8_t spareLetter = -1;
  uint32_t letters = 0;      // the letters the part mentions
  Node* term = nullptr;      // the part of the body (held)
  Part headPart;          // Spine: the head (a letter, shared node or code)
  Part* args = nullptr;   // Spine: the operands, in application order
  // Spine: restLetters[i] = letters of the operands after i up to the
  // call's arity (what a call in progress still needs).
  uint32_t* restLetters = nullptr;
  const BuiltinEntry* builtin = nullptr;   // Builtin
  NodeRef* definition = nullptr;           // Strict, Constant: the table slot
  mutable const Callee* callee = nullptr;  // Strict: compiled on first call
  Part body;                            // Lambda and Wing
  Part bound;                           // Wing: the bound value
  // Spine: the shared head as written, before constants whose values are
  // known were looked through (an operator's name to its builtin).
  Node* writtenHead = nullptr;
  // Spine: the part of it that mentions no letter, when that is an
  // application taken apart too (in `1 + x`, `(+ 1)`: the spine is then
  // `+` given 1 and x), and how many operands came from it.  Terms built
  // from the spine share it, as substitution does.
  Node* closedHead = nullptr;
  uint8_t closedOperands = 0;
  // Lambda: the lambda its body is, when it is one (compiled in the body or
  // a shared term, whose code is made on first need): a pair's parts are
  // given to both at once.  Read through innerLambda().
  mutable const Code* inner = nullptr;
  bool sharedInner = false;
  // Lambda whose parameter does not occur and whose body is not known to be
  // a value: such a lambda is computed as its body is, and its value is
  // then this lambda of one other letter, bound to the body's value.
  const Code* computed = nullptr;
};

// The deepest nesting of immediate calls: answering them recurses, and a
// program's text may nest calls as deeply as it likes.
constexpr int kMaxImmediateDepth = 16;

// The most operands one spine takes: its count and a Call frame's stage
// are bytes, and the stage's top bit is a mark (machine.hpp).  A call given
// more has for its head the spine of its first ones.
constexpr size_t kMaxSpineOperands = 64;

// The deepest nesting of data spines built at once: building them
// recurses.
constexpr int kMaxDataDepth = 8;

// Whether an operand is a value as it stands or an immediate call.
inline bool answersHere(const Part& op) {
  return op.kind == Part::Letter || (op.kind == Part::Shared && op.valueState == 1) ||
         (op.kind == Part::Compiled && op.code->immediate);
}

// The tree of `code`, a builtin's spine whose operands are number
// operands (immediate, selects): of all its operands for an immediate
// operation, of the first two for a comparison that selects
// (number_trees.cpp).  Owned by the code.
const NumberTree* buildNumberTree(const Code& code);
// The tree of `code` whose one computed operand is a call; null when the
// call is not computed before the tree's operations and constants.
const NumberTree* buildCallTree(const Code& code);
// Whether `code` is a spine of number operations whose tree takes it whole.
inline bool numberSpine(const Code& code) {
  return code.argCount == code.callArity && (code.tree != nullptr || code.callTree != nullptr);
}

// A global function's parameters and body.
struct Callee {
  Node* definition = nullptr;  // the definition it was compiled from (held)
  uint8_t arity = 0;
  uint8_t params[kMaxArity] = {};  // outermost first, 0 = 'a'
  Part body;
  // The body's bindings in letter order: which argument gives each one
  // (a later parameter of the same letter shadows an earlier one), and the
  // arguments the body does not use.
  uint32_t bodyLetters = 0;
  uint8_t argumentOfBinding[kMaxArity] = {};
  uint8_t letterOfBinding[kMaxArity] = {};  // the letter of each binding
  uint16_t unusedArguments = 0;
  // How many bindings there are.  Entries after them up to the fourth give
  // the first argument to a letter the body does not read, so that binding
  // two to four parameters copies four values.
  uint8_t bindingCount = 0;
  // Whether a call given all its arguments computes its body where it
  // stands (pure_shapes.hpp), and the nesting of the body's shapes.
  bool pureBody = false;
  // A pure body compiled to steps on machine integers (pure_words.hpp),
  // owned; null when it is not all numbers.
  const WordBody* wordBody = nullptr;
  // The body is a spine: a call goes on with it in the caller's step, its
  // parameters bound on a view of no bindings (machine_calls.hpp), unless
  // it is a comparison choosing a form that takes bindings at once.
  bool spineBody = false;
  uint8_t pureDepth = 0;
  // A body that begins by comparing two parameters, or a parameter and an
  // integer written in it, to choose between two parts (`(n < 2) n (...)`):
  // a call given machine integers takes that choice where it is made, its
  // answer the argument or the value chosen, or the body entered at the
  // part chosen (machine_calls.hpp, takeFirstChoice).
  struct FirstChoice {
    const Code* code = nullptr;  // the body's code, when it is such a choice
    // The comparison: x == y when `equal`, else x < y, the truth negated
    // when `negate` (`>`, `#`).
    bool equal = false, negate = false;
    int8_t compared[2] = {-1, -1};  // the argument compared, or -1: `written`
    int64_t written[2] = {0, 0};
    // For the part chosen when the comparison holds and when it does not:
    // the argument it is, or kChosenNode, kChosenSpine, kChosenMatch or
    // kChosenBody.
    int8_t chosen[2] = {0, 0};
  };
  // kChosenMatch: a spine that begins with a match (FirstMatch).
  static constexpr int8_t kChosenNode = -1, kChosenSpine = -2, kChosenBody = -3, kChosenMatch = -4;
  FirstChoice choice;
  // A body, or a spine its first choice picks, that begins with a list or
  // pair match on a parameter (`front back (x\rest\...)`): a call takes the
  // match on the argument as it is.  The empty case given a list K is the
  // call's answer at once when it is a parameter or a value written in the
  // body; a pair's parts are bound on top of the parameters, and the body
  // goes on in the lambda's (machine_calls.hpp, matchOnEntry).
  struct FirstMatch {
    const Code* code = nullptr;  // the match's spine, when there is one
    int8_t matched = 0;          // the argument matched
    int8_t empty = kChosenBody;  // the empty case: as FirstChoice::chosen
  };
  // The body's, then those of the parts its first choice picks when the
  // comparison holds and when it does not.
  FirstMatch match[3];
};

// Marks the callee's first choice, if its body begins with one, and its
// first matches (machine_calls.cpp).
void markFirstChoice(Callee& callee);

// The operand of a term that is part of a body (annotated, closed values
// only substituted for its letters), compiled on first use and kept.
Part compilePart(Node* term);
// The code of a lambda form term, for applying it; null when the term is
// not one the machine compiles (it is then substituted).
const Code* lambdaCodeOf(Node* lambda);
// The code of a wing that mentions no letter from outside it, when it is a
// part of code compiled so far; null for one built while running, which is
// substituted.
const Code* closedWingCodeOf(Node* wing);
// The lambda that is the body of the lambda `code`, if it is one.
inline const Code* innerLambda(const Code* code) {
  if (code->inner == nullptr && code->sharedInner) code->inner = lambdaCodeOf(code->body.node);
  return code->inner;
}
// The parameters and body of a definition with at least one parameter.
const Callee* calleeOf(Node* definition);
// The same while code is being compiled: null when the definition's body
// is being compiled already (a recursion) or callees are nested too deeply
// to compile one more.
const Callee* calleeWhileCompiling(Node* definition);

// Drops every compiled code (their terms belong to the old tables).
void forgetCompiledCode();

}  // namespace quorl
