// Data applied as functions: constants, byte blocks and reals.
#include <gtest/gtest.h>

#include <cstring>

#include "engine_terms.hpp"
#include "eval/constant_parts.hpp"
#include "eval/engine.hpp"

namespace quorl {
namespace {

using testing::shown;
using testing::term;

class UnfoldTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::installCombinators(); }
  void TearDown() override { resetGlobalTables(); }
};

TEST_F(UnfoldTest, BracketTreesPairOffEveryNumber) {
  const char* trees[] = {"[]", "[[]]", "[[][]]", "[[[]]]", "[[[]][]]", "[[][][]]"};
  for (int n = 0; n < 6; n++) EXPECT_EQ(bracketTree(n), trees[n]) << n;
}

TEST_F(UnfoldTest, QuotedTextsSplitAtTheirLastElement) {
  NodeRef text = term("[ab[cd]]");
  EXPECT_EQ(constantLeft(text).text(), "[ab]");
  EXPECT_EQ(constantRight(text).text(), "[cd]");
  NodeRef left = constantLeft(text);
  EXPECT_EQ(constantLeft(left).text(), "[a]");
  EXPECT_EQ(constantRight(left).text(), bracketTree(elementNumber('b')));
  EXPECT_EQ(shown(evaluate(term("[ab] G"))),
            "((V [a]) " + bracketTree(elementNumber('b')) + ")");
  NodeRef pair = term("[x] [y]");
  EXPECT_TRUE(constantLeft(pair) == pair.fun());
  EXPECT_TRUE(constantRight(pair) == pair.arg());
}

TEST_F(UnfoldTest, AConstantAppliedToAFunctionGivesItsTree) {
  EXPECT_EQ(shown(evaluate(term("[] I"))), "((X J) K)");
  // [[][]] is J (J K list([])) list([]) = J (J K K) K.
  EXPECT_EQ(shown(evaluate(term("[[][]] I"))), "((X J) ((J ((J K) K)) K))");
  EXPECT_EQ(shown(constantList(term("[[]] [[]]"))), "((J ((J K) K)) ((J K) K))");
  // A byte stands for the tree of its character number.
  EXPECT_EQ(shown(constantList(term("[a]"))),
            "((J K) " + shown(constantList(leaf(bracketTree(elementNumber('a'))))) + ")");
}

TEST_F(UnfoldTest, ByteBlocksSplitAtAPowerOfTwo) {
  EXPECT_EQ(shown(evaluate(apply(makeByteBlock(""), leaf("I")))), "Z");
  NodeRef five = evaluate(apply(makeByteBlock("abcde"), leaf("I")));
  EXPECT_EQ(five.fun().arg().text(), byteBlockText("abcd"));
  EXPECT_EQ(five.arg().text(), byteBlockText("e"));
  NodeRef two = evaluate(apply(makeByteBlock("xy"), leaf("I")));
  EXPECT_EQ(two.fun().arg().text(), byteBlockText("x"));
  // 'a' is 0x61: bits 0 and 5 and 6 set, least significant first.
  EXPECT_EQ(shown(evaluate(apply(makeByteBlock("a"), leaf("I")))),
            "((V ((J ((J I) H)) ((J H) H))) ((J ((J H) I)) ((J I) H)))");
}

TEST_F(UnfoldTest, RealsGiveTheirBitsInTwoHalves) {
  double one = 1.0;  // 0x3FF0000000000000
  char bytes[9] = {' '};
  std::memcpy(bytes + 1, &one, 8);
  NodeRef result = evaluate(apply(leaf(std::string_view(bytes, 9)), leaf("V")));
  // V low high: a pair whose halves are complete trees of 32 bits.
  NodeRef low = result.fun().arg(), high = result.arg();
  auto bit = [](NodeRef tree, int i) {
    for (int width = 16; width >= 1; width /= 2) {
      tree = (i & width) ? tree.arg() : tree.fun().arg();
      i &= width - 1;
    }
    return std::string(tree.text());
  };
  for (int i = 0; i < 32; i++) EXPECT_EQ(bit(low, i), "H") << i;
  for (int i = 0; i < 32; i++)
    EXPECT_EQ(bit(high, i), (i >= 20 && i <= 29) ? "K" : "H") << i + 32;
}

}  // namespace
}  // namespace quorl
