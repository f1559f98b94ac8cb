// Integers the engine holds in binary between operations (Bigs beside
// Words): every integer operation across the borders of the machine word
// against the substituting engine, whose builtins compute on decimal text;
// Bigs met by the builtins that look at structure and identity; and the
// kind of value each answer is.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_agreement.hpp"
#include "eval/real_values.hpp"
#include "reference/ref_int.hpp"

namespace quorl {
namespace {

using reference::RefInt;

class EngineBigValuesTest : public testing::EngineAgreementTest {};

const std::string kLists =
    ",mapf\\f\\l\\l K (h\\t\\J (f h) (mapf f t)),"
    "upto\\n\\(n<1) K (J n (upto(n-1)))";

// Integers on both sides of 2^63 and 2^64 and further out, with their
// negatives, as the language writes them ("0" in front of a negative).
std::vector<std::string> borderTexts() {
  std::vector<std::string> texts = {"0", "1", "7"};
  for (const char* border : {"9223372036854775808", "18446744073709551616", "340282366920938463463374607431768211456"}) {
    RefInt b = RefInt::ofDecimal(border);
    for (int delta = -1; delta <= 1; delta++) texts.push_back((b + delta).text());
  }
  size_t count = texts.size();
  for (size_t i = 1; i < count; i++) texts.push_back((-RefInt::ofText(texts[i])).text());
  texts.push_back(std::string(60, '9'));
  return texts;
}

// A list of the operator's answers for every pair.  Each operand is, by
// turns, the leaf of the program's text, a closed product (x*1) and a sum
// with a parameter (x+z, z = 0), so that the engine meets Words, Bigs and
// leaves both in terms and in compiled calls.
std::string everyPair(const std::string& op, const std::vector<std::string>& xs,
                      const std::vector<std::string>& ys) {
  auto form = [](const std::string& x, int turn) {
    if (turn % 3 == 0) return x;
    return "(" + x + (turn % 3 == 1 ? "*1)" : "+z)");
  };
  std::string list = "K";
  int turn = 0;
  for (const std::string& x : xs) {
    for (const std::string& y : ys) {
      list = "(J (" + form(x, turn) + op + form(y, turn / 3) + ") " + list + ")";
      turn++;
    }
  }
  return "main,main\\a\\go 0,go\\z\\lisp" + list;
}

TEST_F(EngineBigValuesTest, EveryOperationAgreesWithTheBuiltinsAcrossTheWordBorders) {
  std::vector<std::string> texts = borderTexts();
  for (const char* op : {"+", "-", "*", "/", "%", "<", ">", "=", "#"}) agreed(everyPair(op, texts, texts));
  agreed(everyPair("^", texts, {"0", "1", "2", "3", "01", "0" + std::string(25, '9')}));
  // Spot checks that would catch both engines going wrong together.
  EXPECT_EQ(agreed("main,main\\a\\lisp((9223372036854775807*1)+1)"), "[9223372036854775808]");
  EXPECT_EQ(agreed("main,main\\a\\lisp((09223372036854775808*1)-1)"), "[09223372036854775809]");
  EXPECT_EQ(agreed("main,main\\a\\lisp((2^64)/(0-3))"), "[06148914691236517206]");
  EXPECT_EQ(agreed("main,main\\a\\lisp((0-(2^64))%3)"), "[2]");
  EXPECT_EQ(agreed("main,main\\a\\(2^70)/0"), "Z");
  EXPECT_EQ(agreed("main,main\\a\\((2^64)+5)-(2^64)"), "5");
}

TEST_F(EngineBigValuesTest, BigsPassedFromStepToStepGiveTheSameTexts) {
  // A product grown over many calls, printed once; a power doubled up and
  // halved back down; a sum of bigs that cancels to a word.
  const std::string fact = ",fact\\n\\(n=0) 1 (n*fact(n-1))";
  std::string f300 = agreed("main,main\\a\\lisp(fact 300)" + fact);
  EXPECT_EQ(f300.size(), 615u + 2);  // 300! has 615 digits
  EXPECT_EQ(agreed("main,main\\a\\halve(double 1 500),double\\x\\n\\(n=0) x (double (x*2) (n-1)),"
                   "halve\\x\\(x<2) x (halve(x/2))"),
            "1");
  EXPECT_EQ(agreed("main,main\\a\\(fact 40)-(fact 40)+(fact 3)" + fact), "6");
  // A closed operator operand (7 in 7^k) meets the computed one.
  EXPECT_EQ(agreed("main,main\\a\\lisp(sev 30),sev\\k\\7^k"), "[22539340290692258087863249]");
  EXPECT_EQ(agreed("main,main\\a\\lisp(mapf(x\\x*(2^64))(upto 3))" + kLists),
            "[(J55340232221128654848 (J36893488147419103232 J18446744073709551616K))]");
}

TEST_F(EngineBigValuesTest, ABigIsANumberToEveryBuiltinThatLooksAtStructure) {
  const std::string big = "(2^64)";
  EXPECT_EQ(agreed("main,main\\a\\type" + big), "[hint]");
  EXPECT_EQ(agreed("main,main\\a\\rank" + big), "20");
  EXPECT_EQ(agreed("main,main\\a\\[]+(0-" + big + ")"), "[018446744073709551616]");
  EXPECT_EQ(agreed("main,main\\a\\tern(J " + big + " K)"), "J18446744073709551616K");
  EXPECT_EQ(agreed("main,main\\a\\same " + big + " 18446744073709551616"), "K");
  EXPECT_EQ(agreed("main,main\\a\\cmpr " + big + " 9"), "1");
  // Taken apart as a list after being held in binary: a number is J K r,
  // and r a number again, as the builtins that build numbers make them.
  EXPECT_EQ(agreed("main,main\\a\\lisp(" + big + " K (h\\t\\J h t))"), "[JK09223372036854775808]");
  EXPECT_EQ(agreed("main,main\\a\\lisp(" + big + " K (h\\t\\t) K (h\\t\\J h t))"),
            "[JK0" + std::string(64, '0') + "]");
  EXPECT_EQ(agreed("main,main\\a\\look ((2^64)+1) 0"), "K");
  EXPECT_EQ(agreed("main,main\\a\\look ((2^64)+1) 70"), "H");
  // One Big bound once is one Node everywhere; two computed apart are two.
  EXPECT_EQ(termText(value("main,main\\a\\n{" + big + "}(raws n n)", evaluate)), "K");
  EXPECT_EQ(termText(value("main,main\\a\\raws " + big + " " + big, evaluate)), "H");
}

TEST(IntegerValues, AnAnswerIsAWordWhenItFitsOneAndABigOtherwise) {
  auto bigOf = [](const char* text) {
    BigInteger v;
    bigFromText(text, v);
    return newBig(std::move(v));
  };
  struct Case {
    WordOp op;
    Value x, y;
    bool word;
    const char* text;
  };
  std::vector<Case> cases = {
      {WordOp::Plus, newWord(INT64_MAX), newWord(1), false, "9223372036854775808"},
      {WordOp::Dash, newWord(INT64_MIN), newWord(1), false, "09223372036854775809"},
      {WordOp::Dash, newWord(-1), newWord(INT64_MAX), true, "09223372036854775808"},
      {WordOp::Dash, bigOf("18446744073709551616"), bigOf("18446744073709551611"), true, "5"},
      {WordOp::Mult, newWord(INT64_MIN), newWord(-1), false, "9223372036854775808"},
      {WordOp::Over, bigOf("09223372036854775808"), newWord(-1), false, "9223372036854775808"},
      {WordOp::Over, bigOf("9223372036854775808"), newWord(2), true, "4611686018427387904"},
      {WordOp::Powa, newWord(2), newWord(64), false, "18446744073709551616"},
      {WordOp::Same, bigOf("18446744073709551616"), Value::ofNode(leaf("18446744073709551616").detach()),
       false, "K"},
      {WordOp::Less, Value::ofNode(leaf("018446744073709551616").detach()), bigOf("0"), false, "K"},
      {WordOp::Cent, bigOf("18446744073709551616"), newWord(0), false, "Z"},
  };
  for (Case& c : cases) {
    Value answer;
    ASSERT_TRUE(answerNumberValues(c.op, c.x, c.y, answer)) << c.text;
    if (c.text[0] >= '0' && c.text[0] <= '9') {
      EXPECT_EQ(answer.isWord(), c.word) << c.text;
    }
    EXPECT_EQ(termText(NodeRef(termOf(answer))), c.text);
    releaseValue(answer);
    releaseValue(c.x);
    releaseValue(c.y);
  }
  // Texts, and two long leaves compared, are the builtins' to answer.
  Value text = Value::ofNode(leaf("[ab]").detach());
  Value one = newWord(1);
  Value longLeaf = Value::ofNode(leaf("18446744073709551616").detach());
  Value unused;
  EXPECT_FALSE(answerNumberValues(WordOp::Plus, text, one, unused));
  EXPECT_FALSE(answerNumberValues(WordOp::Less, longLeaf, longLeaf, unused));
  for (Value v : {text, one, longLeaf}) releaseValue(v);
}

}  // namespace
}  // namespace quorl
