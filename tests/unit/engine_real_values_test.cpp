// Reals the engine holds as doubles (Reals beside Words and Bigs): every
// arithmetic and comparison operation on a real and a value of each kind,
// and the builtin `real` of each kind, against the substituting engine,
// whose builtins compute on real leaves; trees of operations answered where
// they stand; identity; and the leaf made when a term needs one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine_agreement.hpp"
#include "eval/real_values.hpp"
#include "numbers/real.hpp"

namespace quorl {
namespace {

class EngineRealValuesTest : public testing::EngineAgreementTest {
 protected:
  // The "%e" text the engine's answer joins to a text with.  (A real
  // leaf's text holds the double's eight bytes, so the values of agreed()
  // agree only when their doubles agree bit for bit.)
  std::string shown(const std::string& expression) {
    return agreed("main,main\\a\\[] + (" + expression + ")");
  }
};

// Operands of every kind, as closed expressions.  Reals come both as the
// builtin `real` makes them from text (leaves) and as the engine computes
// them (doubles): negative zero, NaNs of both signs, infinities, the
// smallest and largest subnormals, the largest double.
const std::vector<std::string> kRealOperands = {
    "real[1.5]",      "real[-0]",        "real[nan]", "real[-inf]", "real[4.9e-324]", "real[2.2250738585072009e-308]",
    "real[1.7976931348623157e308]", "real[0.1]", "(real(3)/real(2))", "(real(0)/real(0-1))", "(real(0)/real(0))",
    "(real(1)/real(0))"};
const std::vector<std::string> kOtherOperands = {
    // Words, as leaves and computed, one beyond a double's 53 bits.
    "0", "7", "05", "9223372036854775807", "(3*3)", "9007199254740993",
    // Bigs and long integer leaves, one beyond the double range.
    "(2^64)", "(0-(2^70))", "(10^400)", "18446744073709551617",
    // Binary fractions, a list of bits, texts and blocks, functions.
    "001", "002", "000", "(J K K)", "[ab]", "init[xy]", "I"};

const char* const kOperators[] = {"+", "-", "*", "/", "%", "^", "<", ">", "=", "#"};
const char* const kBuiltins[] = {"plus", "dash", "mult", "over", "cent", "powa", "less", "gteq", "same", "diff"};

// The list of the operation's answers for each pair, as the engine meets
// them in a compiled call (both operands letters), or in a builtin applied
// to a value after its first operand was given (a shared partial
// application).
std::string everyPair(int op, const std::vector<std::string>& xs, const std::vector<std::string>& ys,
                      bool partial) {
  std::string list = "K";
  for (const std::string& x : xs)
    for (const std::string& y : ys) {
      std::string call = partial ? "apply(" + std::string(kBuiltins[op]) + "(" + x + "), " + y + ")"
                                 : "operate(" + x + ", " + y + ")";
      list = "(J (" + call + ") " + list + ")";
    }
  return "main,main\\a\\lisp" + list + ",operate\\x\\y\\x " + kOperators[op] + " y,apply\\g\\y\\g y";
}

std::vector<std::string> allOperands() {
  std::vector<std::string> all = kRealOperands;
  all.insert(all.end(), kOtherOperands.begin(), kOtherOperands.end());
  return all;
}

TEST_F(EngineRealValuesTest, EveryOperationOfARealWithEveryKindAgreesWithTheBuiltins) {
  std::vector<std::string> all = allOperands();
  for (int op = 0; op < 10; op++) {
    for (bool partial : {false, true}) {
      agreed(everyPair(op, kRealOperands, all, partial));
      agreed(everyPair(op, kOtherOperands, kRealOperands, partial));
    }
  }
}

TEST_F(EngineRealValuesTest, TheBuiltinRealOfEveryKindAgrees) {
  std::string list = "K";
  for (const std::string& x : allOperands())
    list = "(J (real(" + x + ")) (J (convert(" + x + ")) (J (apply(real, " + x + ")) " + list + ")))";
  agreed("main,main\\a\\lisp" + list + ",convert\\x\\real x,apply\\g\\y\\g y");
}

TEST_F(EngineRealValuesTest, AnswersAreTheDoublesOfCAndTheKindOrder) {
  EXPECT_EQ(shown("real[1.5] + 2"), "[3.500000e+00]");
  EXPECT_EQ(shown("2 ^ real[0.5]"), "[1.414214e+00]");
  EXPECT_EQ(shown("real[5.5] % real(2)"), "[1.500000e+00]");
  EXPECT_EQ(shown("real[-5.5] % real(2)"), "[-1.500000e+00]");
  EXPECT_EQ(shown("real(1) / real(0)"), "[inf]");
  EXPECT_EQ(shown("real(0 - 1) / real(0)"), "[-inf]");
  EXPECT_EQ(shown("real[-0] * real(1)"), "[-0.000000e+00]");
  EXPECT_EQ(shown("real[-0] + real[0]"), "[0.000000e+00]");
  EXPECT_EQ(shown("real(2 ^ 1100)"), "[inf]");
  EXPECT_EQ(shown("real[1e308] * real(10)"), "[inf]");
  EXPECT_EQ(shown("real[4.9e-324] / real(2)"), "[0.000000e+00]");
  // An integer meets a real as the double nearest to it, ties to even.
  EXPECT_EQ(agreed("main,main\\a\\(real(0) + 9007199254740993) = real[9007199254740992]"), "K");
  EXPECT_EQ(agreed("main,main\\a\\(real(0) + (2^64 + 1)) = real[18446744073709551616]"), "K");
  // A real comes before every integer, whatever the numbers.
  EXPECT_EQ(agreed("main,main\\a\\V (real(9) < 1) (5 < real(1))"), "VKH");
  EXPECT_EQ(agreed("main,main\\a\\V (real(1) = 1) (real(1) # 1)"), "VHK");
  // NaN: unordered and unequal, but one value is the same as itself.
  EXPECT_EQ(agreed("main,main\\a\\n{real(0)/real(0)}V (V (n < n) (n > n)) (V (n = n) (n # n))"), "(V VHH VKH)");
  EXPECT_EQ(agreed("main,main\\a\\(real(0)/real(0)) = (real(0)/real(0))"), "H");
  EXPECT_EQ(agreed("main,main\\a\\real(0) = real[-0]"), "K");
}

TEST_F(EngineRealValuesTest, TreesOfOperationsAnswerAsTheirCallsDo) {
  // Trees mixing kinds, answered where they stand or left to the machine
  // part way (a text, a failure, an integer beyond a word).
  const std::string fns =
      ",fa\\x\\y\\z\\(x * y + z) / (x - y) - real(z * 2)"
      ",fb\\x\\y\\z\\(x < y * z) [less] [more]"
      ",fc\\x\\y\\z\\a{x * x}b{a + y}(b - z) * a";
  std::string list = "K";
  const char* const operands[] = {"real[1.5]", "real[-0]", "(real(0)/real(0))", "3", "(2^70)", "[t]", "0"};
  for (const char* x : operands)
    for (const char* y : operands)
      for (const char* z : {"real[2]", "2", "0", "(2^64)"})
        list = "(J (V (fa " + std::string(x) + " " + y + " " + z + ") (V (fb " + x + " " + y + " " + z +
               ") (fc " + x + " " + y + " " + z + "))) " + list + ")";
  agreed("main,main\\a\\lisp" + list + fns);
  // A loop whose numbers stay doubles from step to step.
  EXPECT_EQ(agreed("main,main\\a\\[] + sum(real 0, 1000),sum\\s\\n\\(n = 0) s (sum(s + real(1) / real(n), n - 1))"),
            "[7.485471e+00]");
  // Constants named once and read in a loop, before and after they are computed.
  EXPECT_EQ(agreed("main,main\\a\\[] + go(real 1, 40),two\\real 2,go\\x\\n\\(n = 0) x (go(x * two + two, n - 1))"),
            "[3.298535e+12]");
}

TEST_F(EngineRealValuesTest, ALetterBoundAgainOnTheViewKeepsWhatWasBorrowedFromItsValue) {
  // A run of wings binds its values on the view; a match after them binds
  // the parts of a list that one of them holds, and a letter bound again
  // must not free that list while its parts are read.
  EXPECT_EQ(agreed("main,main\\a\\fx(1),fx\\a\\x{J a (J 2 K)}(x 0 (x\\t\\J x t))"), "(J1 J2K)");
  EXPECT_EQ(agreed("main,main\\a\\fx(1),fx\\a\\x{J a (J 2 K)}(x 0 (h\\t\\x{V h t} J x t))"), "(J (V1 J2K) J2K)");
  EXPECT_EQ(agreed("main,main\\a\\fx(3),fx\\a\\x{real(a)}x{x * x}x{x + x}(x < a) x (J x a)"), "real[1.800000e+01]");
}

TEST_F(EngineRealValuesTest, ARealIsAnEightByteLeafToEveryBuiltinThatLooksAtStructure) {
  const std::string r = "(real(3)/real(2))";
  EXPECT_EQ(agreed("main,main\\a\\type" + r), "[real]");
  EXPECT_EQ(agreed("main,main\\a\\rank" + r), "8");
  EXPECT_EQ(agreed("main,main\\a\\zits" + r), "[1.500000e+00]");
  agreed("main,main\\a\\init[x] + " + r);
  agreed("main,main\\a\\V (look " + r + " 62) (look " + r + " 51)");
  agreed("main,main\\a\\lits " + r);
  agreed("main,main\\a\\lots " + r);
  agreed("main,main\\a\\" + r + " K");
  agreed("main,main\\a\\J " + r + " K");
  // A real stored in a pair and taken out again is the same value as the
  // one kept: one Node, even for a NaN.
  EXPECT_EQ(agreed("main,main\\a\\n{real(0)/real(0)}p{J n K}p K (h\\t\\V (h = n) (n = h))"), "VKK");
  EXPECT_EQ(termText(value("main,main\\a\\n{real(3)/real(2)}(raws n n)", evaluate)), "K");
  EXPECT_EQ(termText(value("main,main\\a\\n{real(3)/real(2)}(raws (real n) n)", evaluate)), "K");
  EXPECT_EQ(termText(value("main,main\\a\\raws (real(3)/real(2)) (real(3)/real(2))", evaluate)), "H");
}

TEST(RealValues, TheEngineAnswersRealsWithRealsAndIntegersWithoutTheBuiltins) {
  auto bits = [](Value v) {
    uint64_t b;
    double d = v.real()->value;
    std::memcpy(&b, &d, sizeof b);
    return b;
  };
  Value half = newReal(0.5), negativeZero = newReal(-0.0), nan = newReal(std::nan(""));
  Value three = newWord(3);
  Value leafTwo = Value::ofNode(makeReal(2.0).detach());
  Value answer;
  ASSERT_TRUE(answerNumberValues(WordOp::Plus, half, three, answer));
  ASSERT_TRUE(answer.isReal());
  EXPECT_EQ(answer.real()->value, 3.5);
  releaseValue(answer);
  ASSERT_TRUE(answerNumberValues(WordOp::Mult, negativeZero, leafTwo, answer));
  EXPECT_EQ(bits(answer), uint64_t{1} << 63);
  releaseValue(answer);
  ASSERT_TRUE(answerNumberValues(WordOp::Same, nan, nan, answer));
  EXPECT_EQ(termText(NodeRef(answer.node())), "K");
  releaseValue(answer);
  ASSERT_TRUE(answerNumberValues(WordOp::Less, three, half, answer));
  EXPECT_EQ(termText(NodeRef(answer.node())), "H");
  releaseValue(answer);
  ASSERT_TRUE(answerRealConversion(three, answer));
  EXPECT_EQ(answer.real()->value, 3.0);
  releaseValue(answer);
  // Texts and binary fractions with a real are the builtins' to answer.
  Value text = Value::ofNode(leaf("[ab]").detach());
  Value fraction = Value::ofNode(leaf("002").detach());
  EXPECT_FALSE(answerNumberValues(WordOp::Plus, half, text, answer));
  EXPECT_FALSE(answerNumberValues(WordOp::Less, fraction, half, answer));
  // A Real's leaf, once made, holds the same eight bytes and stays with it.
  Node* leafOfHalf = termOf(half);
  EXPECT_EQ(realValue(NodeRef(leafOfHalf)), 0.5);
  EXPECT_EQ(termOf(half), leafOfHalf);
  for (Value v : {half, negativeZero, nan, three, leafTwo, text, fraction}) releaseValue(v);
}

}  // namespace
}  // namespace quorl
