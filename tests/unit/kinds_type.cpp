// Value kinds and the builtin `type`.
#include <gtest/gtest.h>

#include <cstring>

#include "engine_terms.hpp"
#include "eval/engine.hpp"
#include "eval/kinds.hpp"

namespace quorl {
namespace {

using testing::term;

class KindsTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::installCombinators(); }
  void TearDown() override { resetGlobalTables(); }
};

NodeRef realLeaf(double d) {
  char bytes[9] = {' '};
  std::memcpy(bytes + 1, &d, 8);
  return leaf(std::string_view(bytes, 9));
}

TEST_F(KindsTest, EachShapeHasItsKind) {
  EXPECT_EQ(kindOf(realLeaf(1.5)), 'e');
  EXPECT_EQ(kindOf(makeByteBlock("")), 'a');
  EXPECT_EQ(kindOf(makeByteBlock("abc")), 'a');
  EXPECT_EQ(kindOf(term("[]")), 'u');
  EXPECT_EQ(kindOf(term("[a] [b]")), 'u');
  EXPECT_EQ(kindOf(term("0")), 'i');
  EXPECT_EQ(kindOf(term("05")), 'i');
  EXPECT_EQ(kindOf(term("J K K")), 'i');
  EXPECT_EQ(kindOf(term("00")), 'o');
  EXPECT_EQ(kindOf(term("004")), 'o');
  EXPECT_EQ(kindOf(term("J H K")), 'o');
  EXPECT_EQ(kindOf(term("J I K")), 'w');
  EXPECT_EQ(kindOf(term("I")), 'w');
  EXPECT_EQ(kindOf(term("K 1")), 'w');
  EXPECT_EQ(kindOf(term("K")), 'w');  // the empty list is not an integer here
}

TEST_F(KindsTest, TypeAnswersWithOneInternedTextPerKind) {
  NodeRef first = evaluate(term("type 5"));
  NodeRef second = evaluate(term("type (J K (J H K))"));
  EXPECT_EQ(first.text(), "[hint]");
  EXPECT_TRUE(first == second);
  EXPECT_EQ(evaluate(term("type 00")).text(), "[numb]");
  EXPECT_EQ(evaluate(term("type [x]")).text(), "[zits]");
  EXPECT_EQ(evaluate(term("type I")).text(), "[void]");
  EXPECT_EQ(evaluate(term("type (V 1)")).text(), "[void]");
  EXPECT_EQ(evaluate(apply(leaf("type"), makeByteBlock(""))).text(), "[post]");
  EXPECT_EQ(evaluate(apply(leaf("type"), realLeaf(-2.0))).text(), "[real]");
  // The argument is computed first.
  EXPECT_EQ(evaluate(term("type (I 00)")).text(), "[numb]");
}

}  // namespace
}  // namespace quorl
