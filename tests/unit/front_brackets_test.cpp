// The bracket and comma check on raw source, and position codes.
#include <gtest/gtest.h>

#include <string>

#include "front/brackets.hpp"

namespace quorl {
namespace {

struct Checked {
  bool passed;
  RunOutcome outcome;
  int64_t position = -1;
};

Checked check(std::string_view text) {
  Checked result{false, RunOutcome{}};
  result.passed = checkBrackets(text, result.outcome, result.position);
  return result;
}

TEST(FrontBracketCheck, AcceptsBalancedTextAndValidCommas) {
  for (const char* text : {"", "[(]", "[a[b]c]", "x,y", "{a,b}", "g(a,b)", "g(x)(a,b)", "[t](a,b)",
                           "G(a,b)", "[a,b]", "f(g(a,b),{c,d})", "(a)", "x+(a)", "main,f\\x\\x"}) {
    Checked c = check(text);
    EXPECT_TRUE(c.passed) << text << ": " << c.outcome.message;
    EXPECT_TRUE(c.outcome.ok()) << text;
  }
}

TEST(FrontBracketCheck, ReportsDanglingAndMismatchedBrackets) {
  Checked right = check("a)");
  EXPECT_FALSE(right.passed);
  EXPECT_EQ(right.outcome.message, "Dangling right-parenthesis at [____a].");
  EXPECT_EQ(right.outcome.status, "match");
  EXPECT_EQ(right.outcome.vip, "____a");
  EXPECT_EQ(right.outcome.tip, "");
  EXPECT_EQ(right.position, 1);

  Checked left = check("{a");
  EXPECT_EQ(left.outcome.message, "Dangling left-wing at [_____].");
  EXPECT_EQ(left.outcome.vip, "_____");
  EXPECT_EQ(left.position, 0);

  // The innermost bracket left open is the one reported.
  Checked open = check("([x]{");
  EXPECT_EQ(open.outcome.message, "Dangling left-wing at [____d].");

  Checked unfit = check("g(x]");
  EXPECT_EQ(unfit.outcome.message, "'(' at [____a] doesn't fit ']' at [____c].");
  EXPECT_EQ(unfit.outcome.vip, "____a");
  EXPECT_EQ(unfit.outcome.tip, "____c");
  EXPECT_EQ(unfit.position, 1);

  EXPECT_EQ(check("(a(b]").outcome.message, "'(' at [____b] doesn't fit ']' at [____d].");
  EXPECT_EQ(check("[a]]").outcome.message, "Dangling right-bracket at [____c].");
}

TEST(FrontBracketCheck, RejectsCommasInGroupingParentheses) {
  Checked start = check("(a,b)");
  EXPECT_FALSE(start.passed);
  EXPECT_EQ(start.outcome.message, "Comma at [____b] is not part of a valid call list.");
  EXPECT_EQ(start.outcome.status, "comma");
  EXPECT_EQ(start.outcome.vip, "____b");
  EXPECT_EQ(start.position, 2);

  // The leftmost comma of the group is reported.
  EXPECT_EQ(check("x+(a,b,c)").outcome.vip, "____d");
  EXPECT_EQ(check("g (a,b)").outcome.status, "comma");
  EXPECT_EQ(check("f\\x\\(a,b)").outcome.status, "comma");
  // A wing inside the group does not hide a comma of the group itself.
  EXPECT_EQ(check("x*({a,b},c)").outcome.vip, "____h");
}

TEST(FrontBracketCheck, KeepsFieldsItDoesNotReport) {
  RunOutcome outcome;
  outcome.tip = "kept";
  outcome.way = "kept too";
  int64_t position = -1;
  EXPECT_FALSE(checkBrackets("a]", outcome, position));
  EXPECT_EQ(outcome.tip, "kept");
  EXPECT_EQ(outcome.way, "kept too");
}

TEST(FrontPositionCode, FiveBase64Digits) {
  EXPECT_EQ(positionCode(0), "_____");
  EXPECT_EQ(positionCode(1), "____a");
  EXPECT_EQ(positionCode(26), "____y");  // the letters run ...q r u s t v w z x y
  EXPECT_EQ(positionCode(27), "____0");
  EXPECT_EQ(positionCode(63), "____~");
  EXPECT_EQ(positionCode(64), "___a_");
  EXPECT_EQ(positionCode((int64_t{1} << 30) - 1), "~~~~~");
  EXPECT_EQ(positionCode(int64_t{1} << 30), "!!!!!");
  // Offsets in sources longer than five digits reach still get a code.
  EXPECT_EQ(positionCode((int64_t{1} << 30) + 1), "!!!!!");
  EXPECT_EQ(positionCode(int64_t{1} << 40), "!!!!!");
}

TEST(FrontPositionCodeDeathTest, NegativeOffsetIsAnInternalFailure) {
  EXPECT_DEATH(positionCode(-1), "ASSERTION FAILED:b:");
}

}  // namespace
}  // namespace quorl
