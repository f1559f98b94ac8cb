// What the compiler marks on a spine once its operands are compiled: the
// tree of number operations it is (or the call its tree waits for), the
// data cells it builds straight from values, `cork` of a letter's block,
// and the cells of a match's body that may be built on the cell the match
// took apart.  Each mark is a decision the machine would otherwise take on
// every run of the spine.
#include "eval/code_marks.hpp"

#include <bit>

#include "builtins/block_values.hpp"
#include "builtins/table.hpp"
#include "eval/real_values.hpp"
#include "numbers/operands.hpp"

namespace quorl {

// Whether an operand of a number operation is one a tree takes: a number
// as it stands (a letter, a number written in the body, a constant's name)
// or a tree itself.  `leaves` and `operations` count the tree's so far
// (leaves counted as often as met).
bool numberOperand(const Part& op, int& leaves, int& operations) {
  const Code* below = op.kind == Part::Compiled ? op.code : op.closedTree;
  if (below != nullptr) {
    if (below->tree == nullptr || below->argCount != below->callArity) return false;
    leaves += below->tree->leafCount;
    operations += below->tree->operationCount;
    return true;
  }
  leaves++;
  if (op.kind == Part::Letter || (op.kind == Part::Shared && op.constant != nullptr)) return true;
  // A value as written: only a number is worth the tree's while (a text
  // joined to a letter is the builtin's every time).
  if (op.kind != Part::Shared || op.valueState != 1 || !isLeaf(op.node)) return false;
  char first = leafChars(op.node)[0];
  return first == ' ' || (first >= '0' && first <= '9');
}

// Whether a builtin is a number operation of trees: one of the WordOp
// builtins, or `real`.
bool numberOperation(const BuiltinEntry& builtin, int count) {
  if (builtin.wordOp != WordOp::None) return count == 2;
  return count == 1 && isRealConversion(builtin);
}

// Gives a builtin's spine its tree when it is a number operation given all
// its operands, each of them a number operand.
// An operand of a tree answered on the words straight from the code
// (Code::plainWords).
bool plainWordOperand(const Part& op) {
  switch (op.kind) {
    case Part::Letter:
      return true;
    case Part::Shared:
      return op.isWord;
    case Part::Compiled:
      return op.code->plainWords && op.code->argCount == 2;
  }
  return false;
}

// Whether an immediate call is `cork(b, i, x)` of a block a letter gives,
// its index and byte other letters or integers written in the body.
bool corksLetter(const Code& code) {
  if (code.builtin->onValues != corkOnValues || code.argCount != 3) return false;
  const Part* a = code.args;
  if (a[0].kind != Part::Letter) return false;
  for (int k = 1; k < 3; k++)
    if (!(a[k].kind == Part::Letter ? a[k].letter != a[0].letter : a[k].kind == Part::Shared && a[k].isWord))
      return false;
  return true;
}

void markNumberTree(Code& code) {
  int count = code.argCount;
  if (code.head != HeadKind::Builtin || count != code.callArity || !numberOperation(*code.builtin, count))
    return;
  int leaves = 0, operations = 1;
  bool numbers = true;
  for (int i = 0; i < count; i++) numbers = numberOperand(code.args[i], leaves, operations) && numbers;
  if (numbers && leaves <= NumberTree::kMaxLeaves && operations <= NumberTree::kMaxOperations) {
    code.twoLeaves = count == 2 && operations == 1;
    code.tree = buildNumberTree(code);
    code.plainWords = count == 2 && plainWordOperand(code.args[0]) && plainWordOperand(code.args[1]);
    code.plainFirst = code.plainWords && !code.tree->onDoubles;
    return;
  }
  // One operand, or one inside an operand, is a call to compute first.
  int calls = 0;
  leaves = 0;
  operations = 1;
  for (int i = 0; i < count; i++) {
    const Part& op = code.args[i];
    if (op.kind == Part::Compiled && op.code->callTree != nullptr && numberSpine(*op.code)) {
      calls++;
      leaves += op.code->callTree->leafCount;
      operations += op.code->callTree->operationCount;
    } else if (op.kind == Part::Compiled && !numberSpine(*op.code) && op.valueState != 1 &&
               op.code->kind != CodeKind::Lambda) {
      calls++;
      leaves++;
    } else if (!numberOperand(op, leaves, operations)) {
      return;
    }
  }
  if (calls == 1 && leaves <= NumberTree::kMaxLeaves && operations <= NumberTree::kMaxOperations)
    code.callTree = buildCallTree(code);
}

// Marks a spine whose cells are built straight from the values it is given
// (code.hpp).
void markData(Code& code) {
  if (code.valueState != 1 || code.head == HeadKind::Letter || code.writtenHead == nullptr) return;
  int depth = 1;
  for (int i = 0; i < code.argCount; i++) {
    const Part& op = code.args[i];
    if (op.kind != Part::Compiled) continue;
    if (!op.code->data) return;
    if (op.code->dataDepth + 1 > depth) depth = op.code->dataDepth + 1;
  }
  if (depth > kMaxDataDepth) return;
  code.data = true;
  code.dataDepth = static_cast<uint8_t>(depth);
}

// How deep into a match's body the cells built on the matched cell are
// looked for.
constexpr int kMaxSpareDepth = 6;

// Marks the pair and list cells of a match's body that may be built on the
// matched cell (Code::spareLetter): `matched` is the letter that holds the
// cell, `first` the letter bound to its first part.  Looks through the
// spines the body goes on with or collects and the bodies of the matches
// inside, a few levels deep; whether the cell is dead there is for the
// machine to check.
void markSpares(const Part& part, int matched, int first, int depth) {
  if (part.kind != Part::Compiled || depth > kMaxSpareDepth) return;
  const Code* code = part.code;
  if (code->kind == CodeKind::Lambda) {
    // A lambda waiting for a call's value with the element and one more
    // letter (partition's `low\high\...` with x and pivot): its bindings
    // may take the matched cell's place, which is bindings' size.
    uint32_t letters = code->letters;
    if (std::popcount(letters) == 2 && (letters >> first & 1) != 0 && (letters >> matched & 1) == 0)
      code->spareLetter = static_cast<int8_t>(matched);
    return;
  }
  if (code->kind != CodeKind::Spine) return;
  if (code->head == HeadKind::Combinator && code->argCount == 2 && code->closedHead == nullptr &&
      code->args[0].kind == Part::Letter && code->args[0].letter == first &&
      (code->letters & (uint32_t{1} << matched)) == 0 && (code->data || code->args[1].valueState == 0))
    code->spareLetter = static_cast<int8_t>(matched);
  for (int i = 0; i < code->argCount; i++) markSpares(code->args[i], matched, first, depth + 1);
  if (code->matches) markSpares(code->matchLambda->inner->body, matched, first, depth + 1);
}

}  // namespace quorl
