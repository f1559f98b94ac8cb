// Arithmetic and comparison of short integer leaves.
#include "numbers/word_arith.hpp"

#include "numbers/operands.hpp"

namespace quorl {

namespace {

bool words(const Node* x, const Node* y, int64_t& a, int64_t& b) {
  return shortIntegerLeaf(x, a) && shortIntegerLeaf(y, b);
}

Node* integer(int64_t v) { return newIntegerLeaf(v); }
Node* truth(bool b) { return sharedLeaf(b ? 'K' : 'H').detach(); }
Node* failure() { return sharedLeaf('Z').detach(); }

}  // namespace

// Short leaves have at most 18 digits: sums and differences cannot overflow.
Node* plusWords(const Node* x, const Node* y) {
  int64_t a, b;
  return words(x, y, a, b) ? integer(a + b) : nullptr;
}

Node* dashWords(const Node* x, const Node* y) {
  int64_t a, b;
  return words(x, y, a, b) ? integer(a - b) : nullptr;
}

Node* multWords(const Node* x, const Node* y) {
  int64_t a, b, product;
  if (!words(x, y, a, b) || __builtin_mul_overflow(a, b, &product)) return nullptr;
  return integer(product);
}

// Floor division; a zero divisor fails.
Node* overWords(const Node* x, const Node* y) {
  int64_t a, b;
  if (!words(x, y, a, b)) return nullptr;
  if (b == 0) return failure();
  int64_t q = a / b;
  if (a % b != 0 && (a < 0) != (b < 0)) q--;
  return integer(q);
}

// The remainder of the magnitudes, turned non-negative when the signs
// differ: -7 % 2 and 7 % -2 are both 1.
Node* centWords(const Node* x, const Node* y) {
  int64_t a, b;
  if (!words(x, y, a, b)) return nullptr;
  if (b == 0) return failure();
  int64_t r = (a < 0 ? -a : a) % (b < 0 ? -b : b);
  if ((a < 0) != (b < 0) && r != 0) r = (b < 0 ? -b : b) - r;
  return integer(r);
}

Node* lessWords(const Node* x, const Node* y) {
  int64_t a, b;
  return words(x, y, a, b) ? truth(a < b) : nullptr;
}

Node* gteqWords(const Node* x, const Node* y) {
  int64_t a, b;
  return words(x, y, a, b) ? truth(a >= b) : nullptr;
}

// Canonical texts are equal exactly when the values are.
Node* sameWords(const Node* x, const Node* y) {
  int64_t a, b;
  return words(x, y, a, b) ? truth(a == b) : nullptr;
}

Node* diffWords(const Node* x, const Node* y) {
  int64_t a, b;
  return words(x, y, a, b) ? truth(a != b) : nullptr;
}

}  // namespace quorl
