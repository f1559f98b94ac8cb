// Trees of number operations laid out as steps, on doubles and on words:
// every way a step takes its operands (an answer set aside while another is
// computed, one or two deep; an integer written on either side), the
// leaves that send a tree back to be read one by one (a real leaf from a
// list, a text, a truth value, an integer beyond a word) and the answers the steps give
// up on (beyond the word below the root, a division by zero at the root
// and below it), against the substituting engine.
#include <gtest/gtest.h>

#include <string>

#include "engine_agreement.hpp"

namespace quorl {
namespace {

class EngineNumberStepsTest : public testing::EngineAgreementTest {
 protected:
  // A list of `call x y z` for each x, y and z of `operands`, and the
  // same twice more as a loop's steps, so that constants are read both
  // before and after they are computed.
  std::string everyCall(const char* call, const std::vector<const char*>& operands, const char* third) {
    std::string list = "K";
    for (const char* x : operands)
      for (const char* y : operands)
        list = "(J (" + std::string(call) + " " + x + " " + y + " " + third + ") " + list + ")";
    return list;
  }
};

TEST_F(EngineNumberStepsTest, StepsOnDoublesAgreeBitForBit) {
  const std::string fns =
      ",half\\real[0.5]"
      ",fd\\x\\y\\z\\(x*y - z*x) * (y*z + x*x) / ((x - y) * (z - y)) - (x - (y - z)) * z"
      ",fl\\x\\y\\z\\(x*y + z < (x - z) * (y - x) / half) [less] [more]"
      ",fg\\x\\y\\z\\(z > x*x + y*y) (x - half) ((y % z) ^ x)"
      ",dot\\u\\v\\a\\u a (x\\us\\v a (y\\vs\\dot(us, vs, a + x*y)))"
      ",loop\\f\\x\\y\\n\\(n < 1) K (J (f x y half) (loop(f, y, x, n - 1)))";
  const std::vector<const char*> operands = {"real[1.5]", "real[-0]", "(real(0)/real(0))", "(real(1)/real(0))",
                                             "real[-2.5]", "half", "3", "[t]"};
  for (const char* f : {"fd", "fl", "fg"}) {
    agreed("main,main\\a\\lisp" + everyCall(f, operands, "real[2]") + fns);
    agreed("main,main\\a\\lisp(loop(" + std::string(f) + ", real[0.25], real[-3], 3))" + fns);
  }
  // Sums over a list's elements, which are real leaves, and over
  // elements of other kinds.
  EXPECT_EQ(agreed("main,main\\a\\[] + dot(J real[1.5] (J real[2] K), J real[4] (J half K), real 0)" + fns),
            "[7.000000e+00]");
  agreed("main,main\\a\\dot(J real[1.5] (J 2 K), J real[4] (J [t] K), real 0)" + fns);
}

TEST_F(EngineNumberStepsTest, StepsOnWordsAgreeAndGiveUpWhereTheBuiltinsGoBeyondTheWord) {
  const std::string fns =
      ",fw\\x\\y\\z\\(x * 7919 + 13) % 1000003 - (5 - y) * (y + z)"
      ",gw\\x\\y\\z\\9 - (x - y) * (y % 11 - x / 7) + z"
      ",hw\\x\\y\\z\\(x * 7 - 3) / (y % 3) - z"
      ",iw\\x\\y\\z\\100 / (x - y) % 7 + y * z"
      ",ow\\x\\y\\z\\x * 3037000500 * 3037000500 + y - z"
      ",cw\\x\\y\\z\\(x * 3 + y % 7 < y - 40 * z) [less] [more]"
      ",loop\\f\\x\\y\\n\\(n < 1) K (J (f x y 2) (loop(f, y, x + 1, n - 1)))";
  const std::vector<const char*> operands = {"0", "1", "(0-5)", "3", "9223372036854775807",
                                             "(0-9223372036854775808)", "(2^70)", "real[1.5]", "K"};
  for (const char* f : {"fw", "gw", "hw", "iw", "ow", "cw"}) {
    agreed("main,main\\a\\lisp" + everyCall(f, operands, "2") + fns);
    agreed("main,main\\a\\lisp(loop(" + std::string(f) + ", 12345, 0 - 7, 4))" + fns);
  }
  // (12345 * 7919 + 13) % 1000003 is 759777.
  EXPECT_EQ(agreed("main,main\\a\\fw(12345, 3, 2)" + fns), "759767");
}

}  // namespace
}  // namespace quorl
