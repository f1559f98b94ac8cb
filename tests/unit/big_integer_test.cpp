// Integers held in binary between operations: conversions to and from
// number leaves, and answerBig compared with the builtins' own handlers on
// the same operands, around the borders of the machine word above all.
#include <gtest/gtest.h>

#include <new>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "builtins/table.hpp"
#include "front/prelude.hpp"
#include "numbers/big_integer.hpp"
#include "numbers/number.hpp"
#include "numbers/real.hpp"
#include "reference/ref_int.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

using reference::RefInt;

NodeRef L(std::string_view text) { return leaf(text); }

BigInteger big(std::string_view text) {
  BigInteger v;
  bigFromText(text, v);
  return v;
}

// Values on both sides of 2^31, 2^63, 2^64 and 10^19 (where the decimal
// shortcuts begin), with their negatives.
std::vector<std::string> borderTexts() {
  std::vector<std::string> texts = {"0", "1", "2", "3", "7", "10"};
  for (const char* border : {"2147483648", "9223372036854775808", "18446744073709551616", "10000000000000000000",
                             "340282366920938463463374607431768211456"}) {
    RefInt b = RefInt::ofDecimal(border);
    for (int delta = -2; delta <= 2; delta++) texts.push_back((b + delta).text());
  }
  size_t count = texts.size();
  for (size_t i = 1; i < count; i++) texts.push_back((-RefInt::ofText(texts[i])).text());
  texts.push_back("1" + std::string(60, '0'));
  texts.push_back(std::string(45, '9'));
  return texts;
}

TEST(BigInteger, LeavesConvertBothWaysAtTheWordBorders) {
  for (const std::string& text : borderTexts()) {
    BigInteger v;
    ASSERT_TRUE(bigFromNumber(L(text).get(), v)) << text;
    EXPECT_EQ(textOfBig(v), text);
    EXPECT_EQ(numberFromBig(v).text(), text);
    int64_t word;
    RefInt r = RefInt::ofText(text);
    bool fits = r >= RefInt::ofDecimal("-9223372036854775808") && r <= RefInt::ofDecimal("9223372036854775807");
    EXPECT_EQ(bigToInt64(v, word), fits) << text;
    if (fits) {
      EXPECT_EQ(textFromInt64(word), text);
    }
  }
  BigInteger v;
  bigFromInt64(INT64_MIN, v);
  EXPECT_EQ(textOfBig(v), "09223372036854775808");
  // A long text read where it lies and one read from a view of its digits.
  std::string digits(5000, '7');
  EXPECT_EQ(textOfBig(big("0" + digits)), "0" + digits);
}

TEST(BigInteger, OnlyIntegerLeavesAreRead) {
  BigInteger v(42);
  for (const char* other : {"00", "004", "0017", "K", "plus", "[12]", "(b)ab"})
    EXPECT_FALSE(bigFromNumber(L(other).get(), v)) << other;
  // [1, 1]: the integer 1, but as a list of bits.
  NodeRef one = apply(apply(L("J"), L("K")), apply(apply(L("J"), L("K")), L("K")));
  EXPECT_FALSE(bigFromNumber(one.get(), v));
  EXPECT_FALSE(bigFromNumber(makeReal(1.0).get(), v));
  EXPECT_DEATH(big("00"), "ASSERTION FAILED:b:2974");
}

TEST(BigInteger, MovingLeavesTheSourceZero) {
  BigInteger a = big("123456789012345678901234567890");
  BigInteger b(std::move(a));
  EXPECT_EQ(textOfBig(b), "123456789012345678901234567890");
  EXPECT_EQ(textOfBig(a), "0");
  a = std::move(b);
  EXPECT_EQ(textOfBig(a), "123456789012345678901234567890");
  EXPECT_EQ(textOfBig(b), "0");
  BigInteger c;
  c.copyFrom(a);
  EXPECT_EQ(textOfBig(c), textOfBig(a));
}

class AnswerBig : public ::testing::Test {
 protected:
  void SetUp() override { compilePrelude(); }
  void TearDown() override { resetGlobalTables(); }

  // The handler's answer and answerBig's for the same two leaves, as texts.
  std::string expectSameAnswer(const char* name, WordOp op, const std::string& x, const std::string& y) {
    const BuiltinEntry* entry = findBuiltin(name);
    NodeRef byHandler = entry->handler(apply(apply(L(name), L(x)), L(y)));
    BigInteger a, b, result;
    EXPECT_TRUE(bigFromNumber(L(x).get(), a) && bigFromNumber(L(y).get(), b));
    std::string byBig;
    switch (answerBig(op, a, b, result)) {
      case WordAnswer::Integer: byBig = textOfBig(result); break;
      case WordAnswer::True: byBig = "K"; break;
      case WordAnswer::False: byBig = "H"; break;
      case WordAnswer::Failure: byBig = "Z"; break;
      default: byBig = "unknown";
    }
    EXPECT_EQ(byBig, byHandler.text()) << x << " " << name << " " << y;
    return byBig;
  }

  // Both answers for every operation, each also checked against the
  // reference integers.
  void expectEveryOperationAgrees(const std::string& x, const std::string& y) {
    RefInt a = RefInt::ofText(x), b = RefInt::ofText(y);
    auto truth = [](bool t) { return std::string(t ? "K" : "H"); };
    bool zero = b.sign() == 0;
    const std::tuple<const char*, WordOp, std::string> rows[] = {
        {"plus", WordOp::Plus, (a + b).text()},
        {"dash", WordOp::Dash, (a - b).text()},
        {"mult", WordOp::Mult, (a * b).text()},
        {"over", WordOp::Over, zero ? "Z" : RefInt::floorQuotient(a, b).text()},
        {"cent", WordOp::Cent, zero ? "Z" : languageRemainder(a, b).text()},
        {"less", WordOp::Less, truth(a < b)},
        {"gteq", WordOp::Gteq, truth(a >= b)},
        {"same", WordOp::Same, truth(a == b)},
        {"diff", WordOp::Diff, truth(a != b)}};
    for (const auto& [name, op, expected] : rows)
      ASSERT_EQ(expectSameAnswer(name, op, x, y), expected) << x << " " << name << " " << y;
  }
};

TEST_F(AnswerBig, AgreesWithTheHandlersAcrossTheWordBorders) {
  std::vector<std::string> texts = borderTexts();
  for (const std::string& x : texts)
    for (const std::string& y : texts) expectEveryOperationAgrees(x, y);
}

TEST_F(AnswerBig, AgreesWithTheHandlersOnLongOperands) {
  std::mt19937_64 rng(2718);
  auto randomText = [&] {
    std::string t(1 + rng() % 300, '0');
    for (char& c : t) c = static_cast<char>('0' + rng() % 10);
    t[0] = static_cast<char>('1' + rng() % 9);
    return rng() % 2 ? "0" + t : t;
  };
  for (int round = 0; round < 300; round++) expectEveryOperationAgrees(randomText(), randomText());
}

TEST_F(AnswerBig, PowersAgreeWithTheHandler) {
  for (const char* base : {"0", "1", "01", "2", "02", "3", "9223372036854775807", "09223372036854775808",
                           "18446744073709551616", "12345678901234567890123"})
    for (const char* exponent : {"0", "1", "2", "3", "62", "63", "64", "65", "200", "01", "09223372036854775808"}) {
      RefInt e = RefInt::ofText(exponent);
      std::string expected = e.sign() < 0 ? "0" : RefInt::power(RefInt::ofText(base), std::stoul(exponent)).text();
      EXPECT_EQ(expectSameAnswer("powa", WordOp::Powa, base, exponent), expected) << base << " ^ " << exponent;
    }
  // 1 and -1 to a power beyond every word, and a base that cannot be raised to it.
  expectSameAnswer("powa", WordOp::Powa, "01", "100000000000000000000000000001");
  BigInteger two(2), huge = big("100000000000000000000"), result;
  EXPECT_THROW(answerBig(WordOp::Powa, two, huge, result), std::bad_alloc);
}

TEST(AnswerBigArithmetic, DivisionByZeroFailsAndResultsMayOverwriteAnOperand) {
  BigInteger a = big("123456789012345678901234567890"), zero, result(5);
  EXPECT_EQ(answerBig(WordOp::Over, a, zero, result), WordAnswer::Failure);
  EXPECT_EQ(answerBig(WordOp::Cent, a, zero, result), WordAnswer::Failure);
  EXPECT_EQ(textOfBig(result), "5");
  EXPECT_EQ(answerBig(WordOp::None, a, a, result), WordAnswer::Unknown);
  BigInteger b = big("0987654321");
  ASSERT_EQ(answerBig(WordOp::Cent, a, b, b), WordAnswer::Integer);
  EXPECT_EQ(textOfBig(b), languageRemainder(RefInt::ofText("123456789012345678901234567890"),
                                            RefInt::ofText("0987654321")).text());
  ASSERT_EQ(answerBig(WordOp::Mult, a, a, a), WordAnswer::Integer);
  EXPECT_EQ(textOfBig(a), (RefInt::ofText("123456789012345678901234567890") *
                           RefInt::ofText("123456789012345678901234567890")).text());
  BigInteger e(3);
  ASSERT_EQ(answerBig(WordOp::Powa, e, e, e), WordAnswer::Integer);
  EXPECT_EQ(textOfBig(e), "27");
}

// A number computed in binary, made a leaf and then taken apart element by
// element as a program's list match does: its bits are those of the value.
TEST(BigInteger, LeavesMadeFromBinaryUnfoldIntoTheirBits) {
  for (const char* text : {"9223372036854775808", "09223372036854775808", "18446744073709551616",
                           "018446744073709551617", "340282366920938463463374607431768211457"}) {
    BigInteger a = big(text), b = big("3"), product;
    answerBig(WordOp::Mult, a, b, product);
    RefInt value = RefInt::ofText(text) * 3;
    // The list vector of an integer n is 4|n| + 2s + 1, s = 1 for n >= 0.
    RefInt vector = 4 * value.magnitude() + (value.sign() >= 0 ? 3 : 1);
    NodeRef rest = numberFromBig(product);
    unsigned long element = 0;
    for (; rest.text() != "K"; element++) {
      ASSERT_EQ(headElement(rest.text()).text(), vector.bit(element) ? "K" : "H") << text << " at " << element;
      rest = tailText(rest.text());
    }
    EXPECT_EQ(element, vector.bitLength() - 1) << text;
  }
}

}  // namespace
}  // namespace quorl
