// Arithmetic and comparison of machine integers.
#include "numbers/word_arith.hpp"

#include "numbers/operands.hpp"

namespace quorl {

Node* answerLeaves(WordOp op, const Node* x, const Node* y) {
  int64_t a, b;
  if (!shortIntegerLeaf(x, a) || !shortIntegerLeaf(y, b)) return nullptr;
  WordAnswer answer = answerWords(op, a, b);
  switch (answer.kind) {
    case WordAnswer::Integer:
      return newIntegerLeaf(answer.value);
    case WordAnswer::True:
      return sharedLeaf('K').detach();
    case WordAnswer::False:
      return sharedLeaf('H').detach();
    case WordAnswer::Failure:
      return sharedLeaf('Z').detach();
    default:
      return nullptr;
  }
}

}  // namespace quorl
