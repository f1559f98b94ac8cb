// The expression parser: precedence levels, folds, affixes, words, call
// lists, wings, and deep nesting.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "driver/large_stack.hpp"
#include "front/chars.hpp"
#include "front/parser.hpp"
#include "front_term_text.hpp"

namespace quorl {
namespace {

std::string parsed(std::string_view source) {
  return termShape(parseExpression(normaliseSource(source)));
}

TEST(FrontParser, BinaryLevelsFoldInTheirDirection) {
  EXPECT_EQ(parsed("a-b-c"), "(- (- a b) c)");
  EXPECT_EQ(parsed("a*b/c%d'e"), "(' (% (/ (* a b) c) d) e)");
  EXPECT_EQ(parsed("a+b:c.d"), "(. (: (+ a b) c) d)");
  EXPECT_EQ(parsed("a@b@c"), "(@ (@ a b) c)");
  EXPECT_EQ(parsed("a?b?c"), "(? (? a b) c)");
  EXPECT_EQ(parsed("a^b^c"), "(^ a (^ b c))");
  EXPECT_EQ(parsed("a=b=c"), "(= a (= b c))");
  EXPECT_EQ(parsed("a<b>c#d"), "(< a (> b (# c d)))");
  EXPECT_EQ(parsed("a&b&c"), "(& a (& b c))");
  EXPECT_EQ(parsed("a|b&c"), "(| a (& b c))");
  EXPECT_EQ(parsed("a;b;c"), "(; a (; b c))");
  EXPECT_EQ(parsed("x\\y\\b"), "(\\ x (\\ y b))");
}

TEST(FrontParser, LevelsBindFromLoosestToTightest) {
  EXPECT_EQ(parsed("a+b*c^d"), "(+ a (* b (^ c d)))");
  EXPECT_EQ(parsed("d^c*b+a"), "(+ (* (^ d c) b) a)");
  EXPECT_EQ(parsed("a=b+c&d"), "(& (= a (+ b c)) d)");
  EXPECT_EQ(parsed("p?q;r"), "(; (? p q) r)");
  EXPECT_EQ(parsed("f\\x\\x+1"), "(\\ f (\\ x (+ x 1)))");
  EXPECT_EQ(parsed("g x+y"), "(g (+ x y))");
  EXPECT_EQ(parsed("g x +y"), "(g (+ x y))");
  EXPECT_EQ(parsed("g x=y"), "(= (g x) y)");
  EXPECT_EQ(parsed("x@g y"), "(@ x g y)");  // one level: applied from the left
  EXPECT_EQ(parsed("(a+b)*c"), "(* (+ a b) c)");
  EXPECT_EQ(parsed("-x"), "(- } x)");
  EXPECT_EQ(parsed("x+"), "(+ x })");
}

TEST(FrontParser, BlankAndNewlineApply) {
  EXPECT_EQ(parsed("g x y"), "(g x y)");
  EXPECT_EQ(parsed("g x\nh y"), "(g x (h y))");
  EXPECT_EQ(parsed("f\na b\nc"), "(f (a b) c)");
  EXPECT_EQ(parsed("A\\a\\aS BKK"), "(\\ A (\\ a (a S (B K K))))");
}

TEST(FrontParser, AffixOperators) {
  EXPECT_EQ(parsed("~!x"), "(~ (! x))");
  EXPECT_EQ(parsed("x~"), "(~ x)");
  EXPECT_EQ(parsed("x!!"), "(! (! x))");
  EXPECT_EQ(parsed("x!~"), "(~ (! x))");
  EXPECT_EQ(parsed("g~x"), "(g (~ x))");
  EXPECT_EQ(parsed("g~!x y"), "(g (~ (! x)) y)");
  EXPECT_EQ(parsed("f$a`b"), "(f ($ a) (` b))");
  EXPECT_EQ(parsed("$f(x)!"), "(! ($ (f x)))");
  EXPECT_EQ(parsed("!"), "(! })");
  EXPECT_EQ(parsed("\"[a!b]"), "(\" [a!b])");
  EXPECT_EQ(parsed("-~x*y"), "(- } (* (~ x) y))");
}

TEST(FrontParser, WordsTokensAndCallLists) {
  EXPECT_EQ(parsed(""), "}");
  EXPECT_EQ(parsed("12ab"), "(12 ab)");
  EXPECT_EQ(parsed("x1"), "(x 1)");
  EXPECT_EQ(parsed("BKK"), "(B K K)");
  EXPECT_EQ(parsed("[p q]x"), "([p q] x)");
  EXPECT_EQ(parsed("[+]"), "[+]");
  EXPECT_EQ(parsed("g(x,y)"), "(g x y)");
  EXPECT_EQ(parsed("g()"), "(g })");
  EXPECT_EQ(parsed("g(,)"), "(g } })");
  EXPECT_EQ(parsed("c(d)e"), "(c d e)");
  EXPECT_EQ(parsed("g(x)(a,b)"), "(g x a b)");
  EXPECT_EQ(parsed("F(x,y)[z]"), "(F x y [z])");
  EXPECT_EQ(parsed("g(a+b, c d)"), "(g (+ a b) (c d))");
  EXPECT_EQ(parsed("f(x\\x)"), "(f (\\ x x))");
  EXPECT_EQ(parsed("((a))"), "a");
  EXPECT_EQ(parsed("(f)(x)"), "(f x)");
  EXPECT_EQ(parsed("(a)b"), "(a b)");
  EXPECT_EQ(parsed("(a+b)!"), "(! (+ a b))");
  EXPECT_EQ(parsed("((a;b))"), "(; a b)");
  EXPECT_EQ(parsed(std::string_view("g\0", 2)), "(g \n)");
}

TEST(FrontParser, WingForms) {
  EXPECT_EQ(parsed("a{x,y}b"), "({ a (, x y) b)");
  EXPECT_EQ(parsed("a{x}b{y}c"), "({ a x ({ b y c))");
  EXPECT_EQ(parsed("{a,b,c}"), "({ } (, a (, b c)) })");
  EXPECT_EQ(parsed("v{1+2}v*v"), "({ v (+ 1 2) (* v v))");
  EXPECT_EQ(parsed("f\\v{f}v;w"), "(\\ f ({ v f (; v w)))");
  EXPECT_EQ(parsed("g(v{x}v)"), "(g ({ v x v))");
}

// Commas in a group that the check lets through as a call list but that
// the parser reads as grouping: each comma stays a token of its own.
TEST(FrontParser, CommasInGroupingParenthesesDoNotBreakTokens) {
  EXPECT_EQ(parsed("((,,))"), "(, ,)");
  EXPECT_EQ(parsed("~(1,2)"), "(~ (1 , 2))");
  EXPECT_EQ(parsed("((ab,c))"), "(ab , c)");
}

// Runs work on a big stack, as the driver does, and returns its duration.
double secondsOnLargeStack(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  runWithLargeStack(work);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(FrontParser, DeepNestingParsesInLinearTime) {
  constexpr int kDepth = 10000;
  std::string grouped = std::string(kDepth, '(') + "7" + std::string(kDepth, ')');
  std::string result;
  double seconds = secondsOnLargeStack([&] { result = parsed(grouped); });
  EXPECT_EQ(result, "7");
  EXPECT_LT(seconds, 2.0);

  // f(f(...f(1)...)): a chain of kDepth applications down the argument side.
  std::string calls;
  for (int i = 0; i < kDepth; ++i) calls += "f(";
  calls += "1" + std::string(kDepth, ')');
  int depth = -1;
  seconds = secondsOnLargeStack([&] {
    NodeRef term = parseExpression(calls);
    depth = 0;
    while (term.isApp()) {
      ASSERT_EQ(term.fun().text(), "f");
      term = term.arg();
      ++depth;
    }
    EXPECT_EQ(term.text(), "1");
  });
  EXPECT_EQ(depth, kDepth);
  EXPECT_LT(seconds, 2.0);
}

}  // namespace
}  // namespace quorl
