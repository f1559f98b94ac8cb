// Compiling the parts of bodies into Code, once per part.
//
// Bodies come from the linked definitions, whose parts are interned, so a
// part shared by several bodies is compiled once.  Compilation walks with
// an explicit stack: source may nest as deeply as memory allows.
#include "eval/code.hpp"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "builtins/block_values.hpp"
#include "builtins/table.hpp"
#include "eval/closure_terms.hpp"
#include "eval/code_marks.hpp"
#include "eval/combinators.hpp"
#include "eval/pure_shapes.hpp"
#include "eval/pure_words.hpp"
#include "eval/real_values.hpp"
#include "eval/substitute.hpp"
#include "numbers/operands.hpp"
#include "term/cells.hpp"

namespace quorl {

namespace {

struct CodeCache {
  uint64_t epoch = 0;
  uint64_t redefinitions = 0;
  std::unordered_map<Node*, Code*> codes;      // part -> code; holds a count on the part
  std::unordered_map<Node*, Callee*> callees;  // definition -> callee; likewise
  std::unordered_map<Node*, Code*> lambdas;    // closed lambda form -> its code
  // Closed parts with work, searched for the wings inside them; holds a
  // count on each.
  std::unordered_set<Node*> searched;
  // closed part -> its tree of number operations, or null when it is none
  std::unordered_map<Node*, Code*> closedTrees;
};

// Made on first use and never torn down.
constinit CodeCache* theCache = nullptr;

void clearCache(CodeCache& c);

CodeCache& cache() {
  if (theCache == nullptr) theCache = new CodeCache();
  // Code resolves heads from the definitions; any change of them other
  // than a constant's value makes it stale.  (No definition changes so
  // while a program runs: code in use is never dropped.)
  if (theCache->epoch != tablesEpoch() || theCache->redefinitions != redefinitionCount()) [[unlikely]] {
    clearCache(*theCache);
    theCache->epoch = tablesEpoch();
    theCache->redefinitions = redefinitionCount();
  }
  return *theCache;
}

inline uint32_t bitOf(int letter) { return uint32_t{1} << letter; }

uint32_t lettersOf(const Part& op) {
  switch (op.kind) {
    case Part::Letter:
      return bitOf(op.letter);
    case Part::Compiled:
      return op.code->letters;
    default:
      return 0;
  }
}

int letterOfLeaf(const Node* leaf) { return static_cast<unsigned char>(leafChars(leaf)[0]) - 'a'; }

// The table slot of a name defined without parameters (not a builtin's,
// not one of the nullary names): its leaf computes the definition once and
// then stands for the value remembered there.
NodeRef* constantSlotOf(Node* part) {
  if (!isLeaf(part)) return nullptr;
  unsigned char first = static_cast<unsigned char>(leafChars(part)[0]);
  if (first < 'a' || first > 'z') return nullptr;
  std::string_view name(leafChars(part));
  if (findBuiltin(name) != nullptr || nullaryNames().count(name) != 0) return nullptr;
  NodeRef* slot = const_cast<NodeRef*>(findDefinition(name));
  if (slot == nullptr || arityOf(part) != 0) return nullptr;
  return slot;
}

const Code* closedNumberTree(Node* n, int depth);

// The operand of a part whose code, if it needs one, exists already.
Part partOf(Node* part, int depth = 0) {
  Part op;
  uint32_t letters = cachedVariables(part);
  if (letters == 0) {
    op.kind = Part::Shared;
    op.node = part;
    op.valueState = isValue(part) ? 1 : 0;
    op.isWord = shortIntegerLeaf(part, op.word);
    if (op.valueState == 0) {
      op.constant = constantSlotOf(part);
      op.closedTree = closedNumberTree(part, depth);
      op.numbers = op.closedTree != nullptr;
    }
  } else if (isLeaf(part)) {
    op.kind = Part::Letter;
    op.letter = static_cast<uint8_t>(letterOfLeaf(part));
    op.valueState = 1;  // letters only ever stand for values
  } else {
    op.kind = Part::Compiled;
    op.code = cache().codes.at(part);
    op.spine = op.code->kind == CodeKind::Spine;
    op.valueState = op.code->valueState;
    op.numbers = op.code->tree != nullptr && op.code->argCount == op.code->callArity;
  }
  return op;
}

// Whether the spine whose head is reached so far, `taken` operands in, goes
// on: an application with letters, up to kMaxSpineOperands of them.  A
// longer one (a letter given hundreds of operands) has for its head the
// spine of its first operands, computed on its own, for a spine's operand
// count and a frame's stage are bytes.
bool spineGoesOn(Node* head, size_t taken) {
  return taken < kMaxSpineOperands && isApplication(head) && binderShape(head) == 'o' &&
         cachedVariables(head) != 0;
}

// The parts of `n` that need code of their own before n's can be made.
template <typename Visit>
void forEachPart(Node* n, Visit visit) {
  char shape = binderShape(n);
  if (shape == 'u') {
    visit(argumentOf(n));
    return;
  }
  if (shape == 'i') {
    visit(argumentOf(functionOf(n)));
    visit(argumentOf(n));
    return;
  }
  Node* head = n;
  for (size_t taken = 0; spineGoesOn(head, taken); taken++) {
    visit(argumentOf(head));
    head = functionOf(head);
  }
  if (cachedVariables(head) != 0) visit(head);
}

bool needsCode(Node* part) { return isApplication(part) && cachedVariables(part) != 0; }

// Whether a spine of `count` operands over a head taking `arity`
// arguments is a value.
int8_t spineValueState(int arity, const Part* args, int count) {
  if (count >= arity) return 0;
  int8_t state = 1;
  for (int i = 0; i < count; i++) {
    if (args[i].valueState == 0) return 0;
    if (args[i].valueState < 0) state = -1;
  }
  return state;
}

// Whether K and H are the Prelude's, so that K a b is a and H a b is b.
bool preludeSelectors() {
  const NodeRef* k = findDefinition("K");
  const NodeRef* h = findDefinition("H");
  const NodeRef* i = findDefinition("I");
  if (k == nullptr || h == nullptr || i == nullptr) return false;
  if (directCombinator("K", k->get()) != 'K' || directCombinator("H", h->get()) != 'H') return false;
  // H a = I, and I must be the Prelude's too.
  return directCombinator("I", i->get()) == 'I';
}

// Whether K, J and V are the Prelude's, so that a list K applied to n and
// c gives n, and a pair J x y applied to them gives c x y.
bool preludeLists() {
  const NodeRef* k = findDefinition("K");
  const NodeRef* j = findDefinition("J");
  const NodeRef* v = findDefinition("V");
  return k != nullptr && j != nullptr && v != nullptr && directCombinator("K", k->get()) == 'K' &&
         directCombinator("J", j->get()) == 'J' && directCombinator("V", v->get()) == 'V';
}

// The code of a lambda part, compiled in the body or shared; null for any
// other part.
const Code* lambdaPart(const Part& p) {
  const Code* code = nullptr;
  if (p.kind == Part::Compiled) code = p.code;
  else if (p.kind == Part::Shared && binderShape(p.node) == 'u') code = lambdaCodeOf(p.node);
  return code != nullptr && code->kind == CodeKind::Lambda ? code : nullptr;
}

// Notes the lambda that is a lambda's body, if it is one.
void noteInner(Code* code) {
  const Part& body = code->body;
  if (body.kind == Part::Compiled && body.code->kind == CodeKind::Lambda) code->inner = body.code;
  code->sharedInner = body.kind == Part::Shared && binderShape(body.node) == 'u';
}

// The code of a lambda of two parameters taken one after the other, as the
// match idiom passes; null for any other part.  Either lambda's parameter
// may go unused: given two values at once, both give what their body gives.
const Code* twoParameterLambda(const Part& p) {
  const Code* code = lambdaPart(p);
  return code != nullptr && innerLambda(code) != nullptr ? code : nullptr;
}

// The lambda ((\ v) x) of `lambda`'s parameter v and another letter x, for
// the value of a lambda whose parameter does not occur: its term under x
// bound to the body's value is the term the lambda has become.
Code* computedLambda(const Code* lambda) {
  auto* code = new Code{};
  code->kind = CodeKind::Lambda;
  code->letter = lambda->letter;
  int other = lambda->letter == 0 ? 1 : 0;
  Node* variable = newLeaf(std::string(1, static_cast<char>('a' + other)));
  annotate(variable);
  acquire(variable);
  Node* opener = functionOf(lambda->term);  // (\ v), shared as substitution shares it
  acquire(opener);
  code->term = ownedCell(opener, variable);
  code->letters = bitOf(other);
  code->body.kind = Part::Letter;
  code->body.letter = static_cast<uint8_t>(other);
  code->body.valueState = 1;
  code->valueState = 1;
  return code;
}

// What a shared head is, for a spine of `count` operands.
void classifyHead(Code& code, Node* head) {
  code.head = HeadKind::Other;
  code.writtenHead = head;
  // A name defined without parameters whose definition is a value already
  // (an operator bound to its builtin) evaluates to that value every time:
  // memoising leaves values alone, and replacing a definition drops the
  // compiled code.  Look through to it.
  for (int hops = 0;; hops++) {
    code.headPart.kind = Part::Shared;
    code.headPart.node = head;
    if (!isLeaf(head)) return;
    unsigned char first = static_cast<unsigned char>(leafChars(head)[0]);
    if ((first >= '0' && first <= '9') || first == '[' || first == '(' || first == ' ' ||
        first == ')' || first == ']' || first == 0)
      return;
    std::string_view name(leafChars(head));
    if (const BuiltinEntry* builtin = findBuiltin(name)) {
      code.head = HeadKind::Builtin;
      code.builtin = builtin;
      code.callArity = builtin->arity;
      return;
    }
    NodeRef* slot = const_cast<NodeRef*>(findDefinition(name));
    if (slot == nullptr) return;
    int arity = arityOf(head);
    if (arity == 0) {
      Node* definition = slot->get();
      if (!isValue(definition) || hops == 8) {
        code.head = HeadKind::Constant;
        code.definition = slot;
        return;
      }
      head = definition;
      continue;
    }
    if (isLinearHeadLeaf(head)) {
      char key = directCombinator(name, slot->get());
      if (key != 0) {
        code.head = HeadKind::Combinator;
        code.combinator = key;
        code.definition = slot;
        code.callArity = static_cast<uint8_t>(arity);
      }
      return;
    }
    code.head = HeadKind::Strict;
    code.definition = slot;
    code.callArity = static_cast<uint8_t>(arity);
    return;
  }
}

// The tree of number operations a closed part is (real 1, 2*3), made once
// and kept; null when it is none.  `depth` counts the closed parts it lies
// in: no tree is deeper than it has steps.
const Code* closedNumberTree(Node* n, int depth) {
  if (!isApplication(n) || depth >= NumberTree::kMaxOperations) return nullptr;
  CodeCache& c = cache();
  auto found = c.closedTrees.find(n);
  if (found != c.closedTrees.end()) return found->second;
  std::vector<Node*> reversed;
  Node* head = n;
  while (isApplication(head)) {
    if (binderShape(head) != 'o' || isConstantAnnotated(head) || reversed.size() > kMaxArity) return nullptr;
    reversed.push_back(argumentOf(head));
    head = functionOf(head);
  }
  auto* code = new Code{};
  code->kind = CodeKind::Spine;
  classifyHead(*code, head);
  code->argCount = static_cast<uint8_t>(reversed.size());
  if (code->head == HeadKind::Builtin && code->argCount == code->callArity) {
    code->args = new Part[reversed.size()];
    for (size_t i = 0; i < reversed.size(); i++)
      code->args[i] = partOf(reversed[reversed.size() - 1 - i], depth + 1);
    markNumberTree(*code);
  }
  if (code->tree == nullptr) {
    delete[] code->args;
    delete code;
    code = nullptr;
  } else {
    code->term = n;
    acquire(n);
  }
  acquire(n);  // the entry's own count: the address is not reused while kept
  c.closedTrees.emplace(n, code);
  return code;
}

Code* buildSpine(Node* n) {
  auto* code = new Code{};
  code->kind = CodeKind::Spine;
  std::vector<Node*> reversed;
  Node* head = n;
  while (spineGoesOn(head, reversed.size())) {
    reversed.push_back(argumentOf(head));
    head = functionOf(head);
  }
  // A head that mentions no letter is taken apart too, so that the call it
  // heads is seen whole: `1 + x` is plus given two operands.
  auto splits = [](Node* h) { return isApplication(h) && binderShape(h) == 'o' && !isConstantAnnotated(h); };
  // Counted no further than a call takes: the head of a long call is the
  // spine of its first operands, and counting them all would go over the
  // whole call once for each spine of it.
  size_t closed = 0;
  for (Node* h = head; splits(h) && reversed.size() + closed <= kMaxArity + 1; h = functionOf(h)) closed++;
  if (closed > 0 && reversed.size() + closed <= kMaxArity + 1) {
    code->closedHead = head;
    code->closedOperands = static_cast<uint8_t>(closed);
    for (; splits(head); head = functionOf(head)) reversed.push_back(argumentOf(head));
  }
  code->argCount = static_cast<uint8_t>(reversed.size());
  code->args = new Part[reversed.size()];
  for (size_t i = 0; i < reversed.size(); i++) code->args[i] = partOf(reversed[reversed.size() - 1 - i]);
  int count = code->argCount;
  if (cachedVariables(head) != 0) {
    code->headPart = partOf(head);
    if (code->headPart.kind == Part::Letter) {
      code->head = HeadKind::Letter;
      code->valueState = -1;
      // A list given its two cases, or a pair given its lambda.
      code->matchLambda = count == 2 || count == 1 ? twoParameterLambda(code->args[count - 1]) : nullptr;
      code->matches = code->matchLambda != nullptr && preludeLists();
      if (code->matches)
        markSpares(code->matchLambda->inner->body, code->headPart.letter, code->matchLambda->letter, 0);
      code->picks = count >= 2 && preludeSelectors();
    } else {
      switch (code->headPart.code->kind) {
        case CodeKind::Lambda: code->head = HeadKind::Lambda; break;
        case CodeKind::Wing: code->head = HeadKind::Wing; break;
        case CodeKind::Spine: code->head = HeadKind::Spine; break;  // past kMaxSpineOperands
      }
      code->valueState = 0;  // a lambda takes one argument, a wing none
    }
  } else {
    classifyHead(*code, head);
    switch (code->head) {
      case HeadKind::Builtin:
      case HeadKind::Strict:
      case HeadKind::Combinator:
        // The term as written: a head reached through a constant (+ for
        // plus) takes no argument itself, so (+ x) is work, not a value.
        code->valueState = spineValueState(arityOf(code->writtenHead), code->args, count);
        break;
      case HeadKind::Constant:
        code->valueState = 0;
        break;
      default: {
        Node* h = code->headPart.node;
        if (isConstantAnnotated(h)) code->valueState = -1;
        else if (hasWork(h)) code->valueState = 0;
        else code->valueState = spineValueState(storedArity(h), code->args, count);
        break;
      }
    }
  }
  if (code->head == HeadKind::Builtin && count == code->callArity && count > 0 &&
      (code->builtin->wordOp != WordOp::None || code->builtin->onValues != nullptr)) {
    int depth = 1;
    bool operandsHere = true;
    for (int i = 0; i < count; i++) {
      const Part& op = code->args[i];
      if (op.kind == Part::Compiled) {
        operandsHere = operandsHere && op.code->immediate;
        if (op.code->immediateDepth + 1 > depth) depth = op.code->immediateDepth + 1;
      } else {
        operandsHere = operandsHere && (op.kind == Part::Letter || op.valueState == 1);
      }
    }
    code->immediate = operandsHere && depth <= kMaxImmediateDepth;
    code->immediateDepth = static_cast<uint8_t>(depth);
    code->corks = code->immediate && corksLetter(*code);
    code->looks = code->builtin->onValues == lookOnValues && count == 2 && code->args[0].kind != Part::Compiled &&
                  (code->args[1].kind == Part::Letter || code->args[1].isWord);
  }
  markNumberTree(*code);
  if (code->head == HeadKind::Builtin && count == 4 && code->callArity == 2 &&
      preludeSelectors()) {
    WordOp op = code->builtin->wordOp;
    bool comparison = op == WordOp::Less || op == WordOp::Gteq || op == WordOp::Same || op == WordOp::Diff;
    code->selects = comparison && answersHere(code->args[0]) && answersHere(code->args[1]);
    // A comparison of numbers has its tree, which takes constants' names too.
    int leaves = 0, operations = 1;
    if (comparison && numberOperand(code->args[0], leaves, operations) &&
        numberOperand(code->args[1], leaves, operations) && leaves <= NumberTree::kMaxLeaves &&
        operations <= NumberTree::kMaxOperations) {
      code->tree = buildNumberTree(*code);
      code->plainWords = plainWordOperand(code->args[0]) && plainWordOperand(code->args[1]);
      code->plainFirst = code->plainWords && !code->tree->onDoubles;
    }
  }
  if (code->head == HeadKind::Combinator && count == 2 &&
      (code->combinator == 'V' || (code->combinator == 'J' && preludeLists())))
    code->pairs = code->args[0].valueState == 1 && code->args[1].valueState == 1;
  if (code->head == HeadKind::Combinator) {
    int work = -1, values = 0;
    for (int i = 0; i < count; i++) {
      if (code->args[i].valueState == 0) work = i;
      else values += code->args[i].valueState == 1;
    }
    if (work >= 0 && values == count - 1) code->workPart = static_cast<int8_t>(work);
  }
  if (code->head == HeadKind::Combinator && (code->combinator == '|' || code->combinator == '&') &&
      count >= 2 && answersHere(code->args[0]) && preludeSelectors()) {
    const Part& rest = code->args[1];
    bool linked = answersHere(rest) || (rest.kind == Part::Compiled && rest.code->links);
    code->links = linked && count == 2;
    code->chooses = linked && count >= 4;
  }
  for (int i = 0; i < count; i++)
    if (code->args[i].kind == Part::Compiled && code->args[i].code->kind == CodeKind::Spine) code->nested = true;
  markPure(*code);
  markFed(*code);
  // A call through a letter inside numbers (acc + a(i, j) * x) is mostly a
  // function given as a value, which the call tree runs: trying it first
  // as a truth value's choice would be lost at every call, whole or as a
  // fed call's pure operand.
  if (code->callTree != nullptr) {
    const NumberTree& tree = *code->callTree;
    if (tree.leaves[tree.computedLeaf]->code->head == HeadKind::Letter) {
      code->pure = false;
      delete[] code->fedParts;
      code->fedParts = nullptr;
      code->fedCount = 0;
    }
  }
  code->firstHere = code->pure || code->fedCount != 0;
  code->saturated = code->head == HeadKind::Strict && code->argCount >= code->callArity;
  markData(*code);
  // A combinator short of arguments (J (make d) (make d)) has its parts
  // computed as a call's are, when no arguments wait for it; not when the
  // part of it that mentions no letter has work (J (real 1) ...), which the
  // call would share as it stands.
  bool collects = code->head == HeadKind::Builtin || code->head == HeadKind::Strict ||
                  (code->head == HeadKind::Combinator && count < code->callArity &&
                   (code->closedHead == nullptr || !hasWork(code->closedHead)));
  if (collects) code->taken = static_cast<uint8_t>(count < code->callArity ? count : code->callArity);
  // What a call in progress still needs after each operand.
  if (collects) {
    int taken = count < code->callArity ? count : code->callArity;
    code->restLetters = new uint32_t[count + 1]();
    uint32_t rest = 0;
    for (int i = taken - 1; i >= 0; i--) {
      code->restLetters[i] = rest;
      Part& op = code->args[i];
      op.lastRead = op.kind == Part::Letter && (rest & bitOf(op.letter)) == 0;
      op.steps = op.kind == Part::Compiled && op.code->twoLeaves && op.code->args[0].kind == Part::Letter &&
                 (op.code->args[1].kind == Part::Shared ? op.code->args[1].isWord
                                                        : op.code->args[1].letter != op.code->args[0].letter) &&
                 (rest & bitOf(op.code->args[0].letter)) == 0;
      if (op.steps) op.letter = op.code->args[0].letter;
      rest |= lettersOf(op);
    }
  }
  return code;
}

Code* buildCode(Node* n) {
  char shape = binderShape(n);
  if (shape == 'u') {
    auto* code = new Code{};
    code->kind = CodeKind::Lambda;
    code->letter = static_cast<uint8_t>(letterOfLeaf(argumentOf(functionOf(n))));
    code->body = partOf(argumentOf(n));
    // A lambda whose parameter occurs in its body waits for its argument;
    // one whose parameter does not occur is a value once its body is.
    bool occurs = (lettersOf(code->body) & bitOf(code->letter)) != 0;
    code->valueState = occurs ? 1 : code->body.valueState;
    noteInner(code);
    return code;
  }
  if (shape == 'i') {
    auto* code = new Code{};
    code->kind = CodeKind::Wing;
    code->letter = static_cast<uint8_t>(letterOfLeaf(argumentOf(functionOf(functionOf(n)))));
    code->bound = partOf(argumentOf(functionOf(n)));
    code->body = partOf(argumentOf(n));
    code->valueState = 0;
    return code;
  }
  return buildSpine(n);
}

void destroyCode(Code* code);

// Compiles `root` and every part below it that has no code yet, and the
// wings inside its parts that mention none of its letters and still have
// work (a body that uses no parameter, a constant's definition, an argument
// computed before a call): the machine meets those as terms, and binds
// their letter through their code rather than by substituting.  Only parts
// with work can hold a wing that runs as it stands; a lambda's body is
// compiled when the lambda is applied.
void compileTree(Node* root) {
  CodeCache& c = cache();
  std::vector<Node*> work{root};
  std::vector<Node*> closed;  // parts to search for wings
  if (!needsCode(root)) {
    work.clear();
    closed.push_back(root);
  }
  while (!work.empty() || !closed.empty()) {
    if (work.empty()) {
      Node* n = closed.back();
      closed.pop_back();
      if (isLeaf(n) || isConstantAnnotated(n) || !hasWork(n) || c.searched.count(n)) continue;
      acquire(n);
      c.searched.insert(n);
      if (binderShape(n) == 'i') {
        work.push_back(n);
      } else {
        closed.push_back(functionOf(n));
        closed.push_back(argumentOf(n));
      }
      continue;
    }
    Node* n = work.back();
    if (c.codes.count(n)) {
      work.pop_back();
      continue;
    }
    bool ready = true;
    forEachPart(n, [&](Node* part) {
      if (needsCode(part) && !c.codes.count(part)) {
        work.push_back(part);
        ready = false;
      }
    });
    if (!ready) continue;
    work.pop_back();
    Code* code = buildCode(n);
    code->term = n;
    code->letters = cachedVariables(n);
    acquire(n);
    if (code->kind == CodeKind::Lambda && code->valueState != 1) code->computed = computedLambda(code);
    if (!c.codes.emplace(n, code).second) {
      // A callee compiled while building it (pure_shapes.hpp) shares the
      // part and has compiled it already.
      destroyCode(code);
      continue;
    }
    forEachPart(n, [&](Node* part) {
      if (cachedVariables(part) == 0) closed.push_back(part);
    });
  }
}

void destroyCode(Code* code) {
  if (code->computed != nullptr) destroyCode(const_cast<Code*>(code->computed));
  release(code->term);
  delete[] code->args;
  delete[] code->restLetters;
  delete code->tree;
  delete code->callTree;
  delete[] code->fedParts;
  delete code;
}

void clearCache(CodeCache& c) {
  forgetClosureTerms();
  for (auto& [part, code] : c.codes) destroyCode(code);
  for (auto& [lambda, code] : c.lambdas) destroyCode(code);
  for (auto& [part, code] : c.closedTrees) {
    if (code != nullptr) destroyCode(code);
    release(part);
  }
  for (auto& [definition, callee] : c.callees) {
    release(definition);
    delete callee->wordBody;
    delete callee;
  }
  for (Node* part : c.searched) release(part);
  c.codes.clear();
  c.lambdas.clear();
  c.closedTrees.clear();
  c.callees.clear();
  c.searched.clear();
}

}  // namespace

Part compilePart(Node* term) {
  annotate(term);
  compileTree(term);
  return partOf(term);
}

const Code* closedWingCodeOf(Node* wing) {
  CodeCache& c = cache();
  auto found = c.codes.find(wing);
  return found == c.codes.end() ? nullptr : found->second;
}

const Code* lambdaCodeOf(Node* lambda) {
  CodeCache& c = cache();
  auto found = c.lambdas.find(lambda);
  if (found != c.lambdas.end()) return found->second;
  // Lambdas of the program's own text are interned; one built while
  // running is substituted, as it is met once or twice at most.
  if (!isInterned(lambda) || binderShape(lambda) != 'u') return nullptr;
  auto* code = new Code{};
  code->kind = CodeKind::Lambda;
  code->letter = static_cast<uint8_t>(letterOfLeaf(argumentOf(functionOf(lambda))));
  code->body = compilePart(argumentOf(lambda));
  code->valueState = isValue(lambda) ? 1 : 0;
  noteInner(code);
  code->term = lambda;
  code->letters = 0;
  acquire(lambda);
  c.lambdas.emplace(lambda, code);
  return code;
}

namespace {

// The definitions whose callees are being compiled, outermost first.
constinit std::vector<Node*>* openCallees = nullptr;
constexpr size_t kMaxOpenCallees = 8;

}  // namespace

const Callee* calleeWhileCompiling(Node* definition) {
  CodeCache& c = cache();
  auto found = c.callees.find(definition);
  if (found != c.callees.end()) return found->second;
  if (openCallees != nullptr) {
    if (openCallees->size() >= kMaxOpenCallees) return nullptr;
    for (Node* open : *openCallees)
      if (open == definition) return nullptr;
  }
  return calleeOf(definition);
}

namespace {

// A comparison choosing a wing or a lambda form (`(i = n) words (blank{...}
// count(...))`): the form takes bindings of the body's letters at once, so
// the body is entered with bindings of its own, as the form then shares.
bool choosesBoundForm(const Code& body) {
  if (body.head != HeadKind::Builtin || !body.selects || body.argCount < 4) return false;
  for (int i = 2; i < 4; i++) {
    const Part& branch = body.args[i];
    if (branch.kind == Part::Compiled && branch.code->kind != CodeKind::Spine) return true;
  }
  return false;
}

}  // namespace

const Callee* calleeOf(Node* definition) {
  CodeCache& c = cache();
  auto found = c.callees.find(definition);
  if (found != c.callees.end()) return found->second;
  if (openCallees == nullptr) openCallees = new std::vector<Node*>();
  openCallees->push_back(definition);
  struct Closing {
    ~Closing() { openCallees->pop_back(); }
  } closing;
  auto* callee = new Callee{};
  callee->definition = definition;
  Node* body = definition;
  while (callee->arity < kMaxArity && binderShape(body) == 'u') {
    callee->params[callee->arity++] = static_cast<uint8_t>(letterOfLeaf(argumentOf(functionOf(body))));
    body = argumentOf(body);
  }
  callee->body = compilePart(body);
  callee->bodyLetters = lettersOf(callee->body);
  // The arguments are substituted in order, so of two parameters with one
  // letter the first takes the body's occurrences and the later is unused.
  int giver[26];
  for (int i = callee->arity - 1; i >= 0; i--) giver[callee->params[i]] = i;
  uint16_t used = 0;
  int k = 0;
  for (uint32_t rest = callee->bodyLetters; rest != 0; rest &= rest - 1) {
    int i = giver[__builtin_ctz(rest)];
    callee->letterOfBinding[k] = static_cast<uint8_t>(__builtin_ctz(rest));
    callee->argumentOfBinding[k++] = static_cast<uint8_t>(i);
    used |= static_cast<uint16_t>(1 << i);
  }
  callee->unusedArguments = static_cast<uint16_t>(((1 << callee->arity) - 1) & ~used);
  // Fewer than four bindings are set as four, the rest to a letter the
  // body does not read (machine_calls.hpp, bindArguments).
  callee->bindingCount = static_cast<uint8_t>(k);
  for (; k < 4; k++) {
    callee->letterOfBinding[k] = static_cast<uint8_t>(__builtin_ctz(~callee->bodyLetters));
    callee->argumentOfBinding[k] = 0;
  }
  callee->spineBody = callee->body.kind == Part::Compiled && callee->body.code->kind == CodeKind::Spine &&
                      !choosesBoundForm(*callee->body.code);
  markPureBody(*callee);
  markFirstChoice(*callee);
  acquire(definition);
  c.callees.emplace(definition, callee);
  return callee;
}

void forgetCompiledCode() {
  if (theCache != nullptr) clearCache(*theCache);
}

}  // namespace quorl
