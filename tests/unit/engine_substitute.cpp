// Substitution: sharing of untouched subterms, binders that shadow, depth.
#include <gtest/gtest.h>

#include "engine_terms.hpp"
#include "eval/engine.hpp"
#include "eval/substitute.hpp"

namespace quorl {
namespace {

using testing::shown;
using testing::term;

class SubstituteTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::installCombinators(); }
  void TearDown() override { resetGlobalTables(); }
};

TEST_F(SubstituteTest, SharesEverySubtermThatDoesNotMentionTheVariable) {
  NodeRef t = term("V (V x [closed text] (K 1 2)) (V y z)");
  NodeRef closed = t.fun().arg().arg();      // (K 1 2)
  NodeRef quoted = t.fun().arg().fun().arg();  // [closed text]
  NodeRef other = t.arg();                   // (V y z): free, but not x
  EXPECT_EQ(freeVariables(t.get()), (1u << ('x' - 'a')) | (1u << ('y' - 'a')) | (1u << ('z' - 'a')));
  EXPECT_EQ(freeVariables(closed.get()), 0u);

  NodeRef result = substitute(t, leaf("5"), 'x');
  EXPECT_EQ(shown(result), "((V (((V 5) [closed text]) ((K 1) 2))) ((V y) z))");
  EXPECT_TRUE(result.fun().arg().arg() == closed);
  EXPECT_TRUE(result.fun().arg().fun().arg() == quoted);
  EXPECT_TRUE(result.arg() == other);
  EXPECT_EQ(freeVariables(result.get()), (1u << ('y' - 'a')) | (1u << ('z' - 'a')));
}

TEST_F(SubstituteTest, ATermWithoutTheVariableIsReturnedItself) {
  NodeRef t = term("V y (K 1)");
  EXPECT_TRUE(substitute(t, leaf("5"), 'x') == t);
}

TEST_F(SubstituteTest, BindersShadowTheVariable) {
  NodeRef lambda = term("V x (\\x V x x)");
  EXPECT_EQ(shown(substitute(lambda, leaf("1"), 'x')), "((V 1) ((\\ x) ((V x) x)))");
  EXPECT_TRUE(substitute(lambda, leaf("1"), 'x').arg() == lambda.arg());
  // A wing's bound value sees the outer variable, its body the new binding.
  NodeRef wing = term("{x (V x 2) (V x y)}");
  EXPECT_EQ(shown(substitute(wing, leaf("1"), 'x')),
            "((({ x) ((V 1) 2)) ((V x) y))");
  EXPECT_EQ(shown(substitute(wing, leaf("1"), 'y')),
            "((({ x) ((V x) 2)) ((V x) 1))");
}

TEST_F(SubstituteTest, ReplacesSeveralLettersInOneWalk) {
  NodeRef t = term("V a (V b (\\b V a b))");
  Node* values[26] = {};
  NodeRef one = leaf("1"), two = leaf("2");
  values[0] = one.get();
  values[1] = two.get();
  EXPECT_EQ(shown(substituteLetters(t.get(), 0b11, values)),
            "((V 1) ((V 2) ((\\ b) ((V 1) b))))");
}

TEST_F(SubstituteTest, DeepTermsNeedNoNativeStack) {
  NodeRef t = leaf("x");
  for (int i = 0; i < 1000000; i++) t = apply(leaf("I"), std::move(t));
  NodeRef result = substitute(t, leaf("7"), 'x');
  Node* n = result.get();
  while (isApplication(n)) n = argumentOf(n);
  EXPECT_EQ(std::string(leafChars(n)), "7");
}

}  // namespace
}  // namespace quorl
