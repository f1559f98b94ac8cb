// The expression parser: precedence levels, folds, affixes, words, call
// lists, wings, and deep nesting.
#include <gtest/gtest.h>

#include <string>

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

// How many times the argument part can be followed from the term down to
// a leaf, and that leaf's text; every function part on the way must be
// `head` (the last function part of a binary form, applied to "}" or an
// operand, counts as its head).
std::pair<int, std::string> argumentChain(NodeRef term, std::string_view head) {
  int depth = 0;
  while (term.isApp()) {
    NodeRef function = term.fun();
    while (function.isApp()) function = function.fun();
    if (function.text() != head) return {-1, std::string(function.text())};
    term = term.arg();
    ++depth;
  }
  return {depth, std::string(term.text())};
}

std::string nested(int depth, std::string_view open, std::string_view inner, std::string_view close) {
  std::string text;
  text.reserve(depth * (open.size() + close.size()) + inner.size());
  for (int i = 0; i < depth; ++i) text += open;
  text += inner;
  for (int i = 0; i < depth; ++i) text += close;
  return text;
}

// Far more levels of each kind of nesting than an ordinary thread's stack
// would hold if the parser recursed with the source.
TEST(FrontParser, NestingIsLimitedByMemoryAlone) {
  constexpr int kDepth = 100000;
  EXPECT_EQ(parsed(nested(kDepth, "(", "7", ")")), "7");
  using Chain = std::pair<int, std::string>;
  EXPECT_EQ(argumentChain(parseExpression(nested(kDepth, "f(", "1", ")")), "f"), Chain(kDepth, "1"));
  EXPECT_EQ(argumentChain(parseExpression(nested(kDepth, "f(1,", "2", ")")), "f"), Chain(kDepth, "2"));
  EXPECT_EQ(argumentChain(parseExpression(nested(kDepth, "-(", "1", ")")), "-"), Chain(kDepth, "1"));
  EXPECT_EQ(argumentChain(parseExpression(nested(kDepth, "~(", "1", ")")), "~"), Chain(kDepth, "1"));
  EXPECT_EQ(argumentChain(parseExpression(nested(kDepth, "(f ", "1", ")")), "f"), Chain(kDepth, "1"));
  EXPECT_EQ(argumentChain(parseExpression(nested(kDepth, "(x\\", "x", ")")), "\\"),
            Chain(kDepth, "x"));
  EXPECT_EQ(argumentChain(parseExpression(nested(kDepth, "v{1}(", "v", ")")), "{"), Chain(kDepth, "v"));
  // A wing's value nests inside its braces.
  NodeRef wings = parseExpression(nested(kDepth, "v{", "1", "}v"));
  int depth = 0;
  while (wings.isApp()) {
    wings = wings.fun().arg();  // ((({ v) value) body): the value
    ++depth;
  }
  EXPECT_EQ(depth, kDepth);
  EXPECT_EQ(wings.text(), "1");
}

}  // namespace
}  // namespace quorl
