// Exact binary fractions: sums, products, remainders, order and powers,
// checked against the reference integers on the scaled values.
#include <gtest/gtest.h>

#include <new>
#include <random>
#include <string>

#include "numbers/binary.hpp"
#include "reference/ref_int.hpp"

namespace quorl {
namespace {

NodeRef L(std::string_view text) { return leaf(text); }
NodeRef cons(char head, NodeRef rest) { return apply(apply(L("J"), L(std::string(1, head))), std::move(rest)); }

using reference::RefInt;

// The compact text of numerator / 2^fraction, laid out digit by digit.
std::string binaryText(const RefInt& numerator, unsigned fraction) {
  if (numerator == 0) return "00";
  std::string bytes = numerator.bytes();
  DigitVector v(1, numerator > 0 ? '\x01' : '\x00');
  for (size_t p = 0; p < 8 * bytes.size(); p++) {
    if (!((static_cast<unsigned char>(bytes[p / 8]) >> (p % 8)) & 1)) continue;
    long weight = static_cast<long>(p) - static_cast<long>(fraction);
    setBit(v, weight >= 0 ? 2 * weight + 1 : -2 * weight, 1);
  }
  return digitVectorText(v);
}

DigitVector D(std::string_view text) { return digitVectorOf(L(text)); }
std::string T(const DigitVector& v) { return digitVectorText(v); }

TEST(BinaryArithmetic, KnownExamples) {
  EXPECT_EQ(T(binarySum(D("001"), D("001"))), "004");
  EXPECT_EQ(T(binarySum(D("001"), D("000"))), "00");
  EXPECT_EQ(T(binarySum(D("0017"), D("000"))), "0016");
  EXPECT_EQ(T(binaryDifference(D("004"), D("001"))), "001");
  EXPECT_EQ(T(binaryProduct(D("001"), D("0017"))), "0017");
  EXPECT_EQ(T(binaryProduct(D("00"), D("0017"))), "00");
  EXPECT_EQ(T(binaryProduct(D("004"), D("000"))), "00000");
  EXPECT_EQ(T(*binaryRemainder(D("0017"), D("004"))), "001");
  EXPECT_FALSE(binaryRemainder(D("0017"), D("00")).has_value());
  EXPECT_TRUE(binaryLess(D("001"), D("004")));
  EXPECT_TRUE(binaryLess(D("000"), D("001")));
  EXPECT_FALSE(binaryLess(D("004"), D("004")));
  EXPECT_EQ(T(D("00")), "00");
}

TEST(BinaryArithmetic, ValuesOfTheLayout) {
  EXPECT_EQ(binaryText(1, 0), "001");
  EXPECT_EQ(binaryText(1, 1), "002");  // [0, 1, 0]: +1/2
  EXPECT_EQ(binaryText(2, 0), "004");
  EXPECT_EQ(binaryText(-1, 0), "000");
  EXPECT_EQ(binaryText(5, 0), "0017");
  DigitVector half = D(binaryText(1, 1));
  EXPECT_EQ(topWeight(half), -1);
  EXPECT_EQ(digitAt(half, -1), 1);
  EXPECT_EQ(digitAt(half, 0), 0);
  EXPECT_EQ(topWeight(D(binaryText((RefInt(1) << 70) + 1, 3))), 67);
  EXPECT_EQ(T(negateDigits(D("00"))), "00");
  EXPECT_EQ(T(withSign(0, D("00"))), "00");
  EXPECT_DEATH(topWeight(std::string("\x01")), "634");
  EXPECT_DEATH(digitVectorOf(L("5")), "ASSERTION FAILED:b:3166");
}

TEST(BinaryArithmetic, ListsConvertLikeTheirLeaves) {
  // J H (J K K) is [0, 1]: +1, the same as the leaf "001".
  NodeRef one = cons('H', cons('K', L("K")));
  EXPECT_EQ(T(digitVectorOf(one)), "001");
  EXPECT_EQ(T(digitVectorOf(cons('H', L("5")))), binaryText(7, 2));  // [0, 1, 1, 1, 0]: 1.75
  DigitVector untouched = "x";
  EXPECT_FALSE(tryDigitVector(cons('H', L("I")), untouched));
  EXPECT_FALSE(tryDigitVector(L("7"), untouched));
  EXPECT_EQ(untouched, "x");
}

TEST(BinaryArithmetic, RandomFractionsAgreeWithScaledIntegers) {
  std::mt19937_64 rng(99);
  auto randomValue = [&](RefInt& numerator, unsigned& fraction) {
    size_t bits = rng() % 4 == 0 ? 1 + rng() % 400 : 1 + rng() % 70;
    numerator = 0;
    for (size_t i = 0; i < bits; i++) numerator = numerator * 2 + static_cast<long long>(rng() % 2);
    if (rng() % 2) numerator = -numerator;
    fraction = static_cast<unsigned>(rng() % (rng() % 3 == 0 ? 150 : 8));
  };
  for (int round = 0; round < 3000; round++) {
    RefInt na, nb;
    unsigned fa, fb;
    randomValue(na, fa);
    randomValue(nb, fb);
    if (round % 50 == 0) {  // a sum that cancels exactly
      nb = -na;
      fb = fa;
    }
    DigitVector a = D(binaryText(na, fa)), b = D(binaryText(nb, fb));
    unsigned f = std::max(fa, fb);
    RefInt sa = na << (f - fa), sb = nb << (f - fb);
    ASSERT_EQ(T(binarySum(a, b)), binaryText(sa + sb, f));
    ASSERT_EQ(T(binaryDifference(a, b)), binaryText(sa - sb, f));
    ASSERT_EQ(T(binaryProduct(a, b)), binaryText(na * nb, fa + fb));
    ASSERT_EQ(binaryCompare(a, b), compare(sa, sb));
    if (nb != 0) {
      RefInt r = languageRemainder(sa, sb);
      ASSERT_EQ(T(*binaryRemainder(a, b)), binaryText(r, f)) << binaryText(na, fa) << " % " << binaryText(nb, fb);
    }
  }
}

TEST(BinaryArithmetic, RemainderWhoseFirstQuotientGuessIsTooLarge) {
  // 0x7fff_80000000_00000000_00000000 by 0x8000_00000000_00000001, a
  // division known to need the correction step.
  RefInt a = (RefInt(0x7fff8) << 92), b = (RefInt(0x8000) << 64) + 1;
  RefInt r = a % b;
  EXPECT_EQ(T(*binaryRemainder(D(binaryText(a, 0)), D(binaryText(b, 0)))), binaryText(r, 0));
  EXPECT_EQ(T(*binaryRemainder(D(binaryText(-a, 0)), D(binaryText(b, 0)))), binaryText(b - r, 0));
}

TEST(BinaryPower, PowersOfTwoTakeTheShortcut) {
  EXPECT_EQ(binaryPower(L("004"), L("3")).text(), binaryText(8, 0));
  EXPECT_EQ(binaryPower(L("004"), L("01")).text(), binaryText(1, 1));
  EXPECT_EQ(binaryPower(L("004"), L("0")).text(), "001");
  EXPECT_EQ(binaryPower(L("004"), L("0100")).text(), binaryText(1, 100));
  // An exponent of 61 or more list elements is refused.
  EXPECT_EQ(binaryPower(L("004"), L("576460752303423488")).text(), "Z");  // 2^59
  EXPECT_THROW(binaryPower(L("004"), L("288230376151711744")), std::bad_alloc);  // 2^58
}

TEST(BinaryPower, OtherBasesBySquaring) {
  EXPECT_EQ(binaryPower(L("001"), L("0")).text(), "001");
  EXPECT_EQ(binaryPower(L("00"), L("0")).text(), "001");
  EXPECT_EQ(binaryPower(L("00"), L("5")).text(), "00");
  EXPECT_EQ(binaryPower(L("0017"), L("01")).text(), "Z");
  RefInt p = RefInt::power(3, 5);
  EXPECT_EQ(binaryPower(L(binaryText(3, 1)), L("5")).text(), binaryText(p, 5));          // (3/2)^5
  EXPECT_EQ(binaryPower(L(binaryText(-3, 1)), L("5")).text(), binaryText(-p, 5));        // odd keeps the sign
  EXPECT_EQ(binaryPower(L(binaryText(-3, 1)), L("4")).text(), binaryText(81, 4));
  EXPECT_EQ(binaryPower(L("000"), L("99999999999999999999999")).text(), "000");
  p = RefInt::power(5, 300);
  EXPECT_EQ(binaryPower(L("0017"), L("300")).text(), binaryText(p, 0));
  // A list ending in K is as finished as one ending in a number leaf:
  // [0, 1, 1] is 1.5.
  EXPECT_EQ(binaryPower(cons('H', cons('K', cons('K', L("K")))), L("2")).text(), binaryText(9, 2));
  EXPECT_EQ(binaryPower(cons('H', apply(L("f"), L("x"))), L("2")).text(), "Z");
  EXPECT_EQ(binaryPower(L("0017"), cons('K', L("I"))).text(), "Z");
}

}  // namespace
}  // namespace quorl
