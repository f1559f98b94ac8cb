// The comparison builtins less, gteq, same and diff.
//
// less and gteq order every pair of values that are not void: values of
// different kinds by their kinds alone, values of one kind by their
// contents.  same and diff ask for equality; one Node is always equal to
// itself, whatever it holds, and any other void value is not compared:
// two functions, or two lists that are not numbers, are Z even when they
// were built alike.
#include <algorithm>
#include <cstring>

#include "builtins/args.hpp"
#include "numbers/arith_builtins.hpp"
#include "numbers/integer.hpp"
#include "numbers/operands.hpp"
#include "numbers/real.hpp"
#include "numbers/word_arith.hpp"

namespace quorl {

namespace {

enum class Order { less, equal, greater, unordered, none };

Order orderOf(int sign) { return sign < 0 ? Order::less : sign > 0 ? Order::greater : Order::equal; }

// post < real < hint < numb < zits, whatever the values.
int kindRank(char kind) {
  switch (kind) {
    case 'a': return 0;
    case 'e': return 1;
    case 'i': return 2;
    case 'o': return 3;
    default: return 4;
  }
}

// Unsigned bytes over the shorter length; on a tie the shorter is less.
int compareBytes(std::string_view a, std::string_view b) {
  size_t common = std::min(a.size(), b.size());
  if (int c = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common)) return c;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// Orders two values of one kind; `none` when a list operand is malformed.
Order orderWithinKind(const Operand& x, const Operand& y) {
  switch (x.kind) {
    case 'a':
      return orderOf(compareBytes(byteBlockPayload(x.value.get()), byteBlockPayload(y.value.get())));
    case 'u': {
      std::string sx, sy;
      return orderOf(compareBytes(constantText(x.value.get(), sx), constantText(y.value.get(), sy)));
    }
    case 'i': {
      std::string sx, sy;
      std::string_view a = numberOperandText(x, sx), b = numberOperandText(y, sy);
      if (a.empty() || b.empty()) return Order::none;
      return orderOf(integerCompare(a, b));
    }
    case 'o': {
      DigitVector a, b;
      if (!binaryOf(x, a) || !binaryOf(y, b)) return Order::none;
      return orderOf(binaryCompare(a, b));
    }
    default: {
      double a = realValue(x.value), b = realValue(y.value);
      if (a < b) return Order::less;
      if (a > b) return Order::greater;
      return a == b ? Order::equal : Order::unordered;  // a NaN is unordered
    }
  }
}

Order orderOfOperands(const NodeRef& redex) {
  Operand x = operandAt(redex, 1), y = operandAt(redex, 2);
  if (x.kind == 'w' || y.kind == 'w') return Order::none;
  if (x.kind != y.kind) return kindRank(x.kind) < kindRank(y.kind) ? Order::less : Order::greater;
  return orderWithinKind(x, y);
}

enum class Equality { equal, different, none };

// Two number leaves are canonical texts, so equal values have equal texts.
bool numberLeaves(const Node* a, const Node* b) {
  auto digit = [](const Node* n) { return isLeaf(n) && leafChars(n)[0] >= '0' && leafChars(n)[0] <= '9'; };
  return digit(a) && digit(b);
}

std::string_view leafTextView(const Node* n) { return {leafChars(n), leafTextLength(n)}; }

Equality equalityOfOperands(const NodeRef& redex) {
  const Node* a = redexArgument(redex.get(), 1, 2);
  const Node* b = redexArgument(redex.get(), 2, 2);
  if (a == b) return Equality::equal;
  if (numberLeaves(a, b))
    return leafTextView(a) == leafTextView(b) ? Equality::equal : Equality::different;
  Operand x = operandAt(redex, 1), y = operandAt(redex, 2);
  if (x.kind == 'w' || y.kind == 'w') return Equality::none;
  if (x.kind != y.kind) return Equality::different;
  switch (x.kind) {
    case 'e':
      // 0.0 equals -0.0 and a NaN equals nothing.
      return realValue(x.value) == realValue(y.value) ? Equality::equal : Equality::different;
    case 'a':
    case 'u': {
      std::string sx, sy;
      std::string_view tx, ty;
      joinText(x, sx, tx);
      joinText(y, sy, ty);
      return tx == ty ? Equality::equal : Equality::different;
    }
    default: {
      // Integers and binary numbers: equal canonical texts, whether the
      // value is a number leaf or an unfolded list.
      std::string sx, sy;
      std::string_view tx = numberOperandText(x, sx), ty = numberOperandText(y, sy);
      if (tx.empty() || ty.empty()) return Equality::none;
      return tx == ty ? Equality::equal : Equality::different;
    }
  }
}

}  // namespace

NodeRef lessBuiltin(NodeRef redex) {
  QUORL_TRY_WORDS(WordOp::Less, redex);
  Order order = orderOfOperands(redex);
  if (order == Order::none) return failureValue();
  return truthValue(order == Order::less);
}

NodeRef gteqBuiltin(NodeRef redex) {
  QUORL_TRY_WORDS(WordOp::Gteq, redex);
  Order order = orderOfOperands(redex);
  if (order == Order::none) return failureValue();
  return truthValue(order == Order::greater || order == Order::equal);
}

NodeRef sameBuiltin(NodeRef redex) {
  QUORL_TRY_WORDS(WordOp::Same, redex);
  Equality e = equalityOfOperands(redex);
  if (e == Equality::none) return failureValue();
  return truthValue(e == Equality::equal);
}

NodeRef diffBuiltin(NodeRef redex) {
  QUORL_TRY_WORDS(WordOp::Diff, redex);
  Equality e = equalityOfOperands(redex);
  if (e == Equality::none) return failureValue();
  return truthValue(e == Equality::different);
}

}  // namespace quorl
