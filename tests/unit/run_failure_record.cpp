// Failure records: what a raised failure carries back to the run.
#include <gtest/gtest.h>

#include "eval/failure_record.hpp"
#include "term/node.hpp"

namespace quorl {
namespace {

// The fields in record order: message, status, vip, tip, way.
RunOutcome outcomeOf(std::string message, std::string status, std::string vip,
                     std::string tip, std::string way) {
  return failure(std::move(status), std::move(message), std::move(vip), std::move(tip),
                 std::move(way));
}

TEST(FailureRecordTest, FieldsSurviveTheRoundTrip) {
  NodeRef record = failureRecord(
      outcomeOf("Dangling [x] at [_____].", "match", "[_____]", "", "yes"));
  ASSERT_TRUE(record.isApp());
  EXPECT_EQ(record.fun().text(), "]");
  EXPECT_EQ(record.arg().text(),
            "['[\"Dangling [q]x[r] at [q]_____[r].][\"match][\"[q]_____[r]][\"][\"yes]]");
  RunOutcome back = readFailureRecord(record.arg().text());
  EXPECT_EQ(back.message, "Dangling [x] at [_____].");
  EXPECT_EQ(back.status, "match");
  EXPECT_EQ(back.vip, "[_____]");
  EXPECT_EQ(back.tip, "");
  EXPECT_EQ(back.way, "yes");
}

TEST(FailureRecordTest, UnbalancedBracketsInFieldsSurvive) {
  RunOutcome mismatch = outcomeOf("'(' at [____a] doesn't fit ']' at [____c].", "match",
                                  "____a", "____c", "yes");
  NodeRef record = failureRecord(mismatch);
  RunOutcome back = readFailureRecord(record.arg().text());
  EXPECT_EQ(back.message, mismatch.message);
  EXPECT_EQ(back.status, "match");
  EXPECT_EQ(back.vip, "____a");
  EXPECT_EQ(back.tip, "____c");
  EXPECT_EQ(back.way, "yes");
  RunOutcome lone = readFailureRecord(failureRecord(outcomeOf("[[", "odd", "]", "", "")).arg().text());
  EXPECT_EQ(lone.message, "[[");
  EXPECT_EQ(lone.vip, "]");
}

TEST(FailureRecordTest, AShortRecordGivesWhatItHolds) {
  RunOutcome two = readFailureRecord("['[\"Stopped.][\"halts][\"unclosed");
  EXPECT_EQ(two.message, "Stopped.");
  EXPECT_EQ(two.status, "halts");
  EXPECT_EQ(two.vip, "");
  // Without a status, or with the success word, it still reads as a failure.
  RunOutcome one = readFailureRecord("['[\"Only a message.]");
  EXPECT_EQ(one.message, "Only a message.");
  EXPECT_FALSE(one.ok());
  EXPECT_FALSE(readFailureRecord("").ok());
  EXPECT_FALSE(readFailureRecord("['[\"m][\"check]").ok());
  EXPECT_FALSE(readFailureRecord("['x").ok());
}

}  // namespace
}  // namespace quorl
