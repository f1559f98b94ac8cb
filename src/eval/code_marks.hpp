// The marks the compiler puts on a spine (code_marks.cpp): number trees,
// data cells, `cork` of a letter's block and cells built on the cell a match
// took apart.
#pragma once

#include "eval/code.hpp"

namespace quorl {

// Whether an operand of a number operation is one a tree takes; `leaves`
// and `operations` count the tree's so far.
bool numberOperand(const Part& op, int& leaves, int& operations);
// Whether a builtin given `count` operands is a number operation of trees.
bool numberOperation(const BuiltinEntry& builtin, int count);
// Whether an operand may be read on the words straight from the code.
bool plainWordOperand(const Part& op);
// Whether an immediate call is `cork` of a letter's block (Code::corks).
bool corksLetter(const Code& code);
// Gives a builtin's spine its tree, or its call tree, when it has one.
void markNumberTree(Code& code);
// Marks a spine whose cells are built straight from values (Code::data).
void markData(Code& code);
// Marks the cells of a match's body that may be built on the matched cell
// (Code::spareLetter).
void markSpares(const Part& part, int matched, int first, int depth);

}  // namespace quorl
