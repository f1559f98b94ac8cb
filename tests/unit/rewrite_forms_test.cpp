// Backquote quoting, pair destructuring, binder names and renaming.
#include <gtest/gtest.h>

#include <string>

#include "compile/rewrite.hpp"
#include "term/node.hpp"
#include "term_builders.hpp"

namespace quorl {
namespace {

using builders::A;
using builders::L;
using builders::lambda;
using builders::wing;

#define EXPECT_SAME_TERM(actual, expected) \
  EXPECT_EQ(termText(actual), termText(expected)); \
  EXPECT_EQ(compare(actual, expected), 0)

TEST(RewriteBackquote, PairsTheOperandTextWithItsValue) {
  NodeRef quoted = quoteBackquotes(A(L("`"), L("x")));
  EXPECT_SAME_TERM(quoted, A(L("V"), L("[x]"), L("x")));

  NodeRef sum = A(L("+"), L("a"), L("b"));
  EXPECT_SAME_TERM(quoteBackquotes(A(L("g"), A(L("`"), sum))),
                   A(L("g"), A(L("V"), L("[(+a b)]"), sum)));

  // The inner backquote is quoted as written; its value is rewritten too.
  NodeRef nested = quoteBackquotes(A(L("`"), A(L("`"), L("y"))));
  EXPECT_SAME_TERM(nested, A(L("V"), L("[`y]"), A(L("V"), L("[y]"), L("y"))));
}

TEST(RewriteBackquote, LeavesTermsWithoutBackquotesAlone) {
  NodeRef term = lambda("x", A(L("g"), L("x"), L("1")));
  EXPECT_TRUE(quoteBackquotes(term) == term);
  EXPECT_TRUE(destructurePairs(term) == term);
}

TEST(RewritePairs, TwoNameBinderTakesBothComponents) {
  NodeRef body = A(L("+"), L("p"), L("q"));
  NodeRef term = wing(A(L("p"), L("q")), L("w"), body);
  NodeRef expected =
      wing(L("q"), L("w"),
           wing(L("p"), A(L("q"), L("K")), wing(L("q"), A(L("q"), L("H")), body)));
  EXPECT_SAME_TERM(destructurePairs(term), expected);
}

TEST(RewritePairs, OperatorNamesAreSelectedThroughTheirKey) {
  NodeRef term = wing(A(L("first"), L("[+]")), L("w"), L("b"));
  NodeRef expected =
      wing(L("[+]"), L("w"),
           wing(L("first"), A(L("+"), L("K")), wing(L("[+]"), A(L("+"), L("H")), L("b"))));
  EXPECT_SAME_TERM(destructurePairs(term), expected);
}

TEST(RewritePairs, NestedWingsAreRewrittenInsideOut) {
  NodeRef inner = wing(A(L("c"), L("d")), L("v"), L("d"));
  NodeRef term = wing(A(L("a"), L("b")), L("w"), inner);
  NodeRef innerDone =
      wing(L("d"), L("v"), wing(L("c"), A(L("d"), L("K")), wing(L("d"), A(L("d"), L("H")), L("d"))));
  NodeRef expected =
      wing(L("b"), L("w"),
           wing(L("a"), A(L("b"), L("K")), wing(L("b"), A(L("b"), L("H")), innerDone)));
  EXPECT_SAME_TERM(destructurePairs(term), expected);
}

TEST(RewritePairs, OtherBindersStayForTheMalformedFormCheck) {
  for (NodeRef binder : {A(L("1"), L("q")), A(L("p"), L("2")), A(A(L("p"), L("q")), L("r"))}) {
    NodeRef term = wing(binder, L("w"), L("b"));
    EXPECT_TRUE(destructurePairs(term) == term) << termText(term);
  }
}

TEST(BinderNames, SplitIntoLongNamesAndLetters) {
  NodeRef term = lambda("count", lambda("a", wing(L("total"), L("1"),
                                                   lambda("[+]", lambda("a", L("count"))))));
  EXPECT_EQ(binderNamesLong(term), (NameSet{"[+]", "count", "total"}));
  EXPECT_EQ(binderNamesLetter(term), (NameSet{"a"}));
  // Binders that are not names at all are counted in neither set.
  EXPECT_TRUE(binderNamesLong(lambda("1", L("x"))).empty());
}

TEST(RenameKey, ReplacesBindersAndReferencesButNotOtherNames) {
  NodeRef term = lambda("count", A(L("count"), L("counter"), L("[count]")));
  EXPECT_SAME_TERM(renameKey(term, "count", 'b'),
                   lambda("b", A(L("b"), L("counter"), L("[count]"))));
}

TEST(RenameKey, OperatorBinderRenamesTheBareOperator) {
  // [+]\x+[+] : the binder is written bracketed, its uses are bare "+".
  NodeRef term = lambda("[+]", A(L("+"), L("x"), L("[+]")));
  EXPECT_SAME_TERM(renameKey(term, "+", 'c'), lambda("c", A(L("c"), L("x"), L("[+]"))));
}

TEST(RenameKey, ReachesWingBindersValuesAndBodies) {
  NodeRef term = wing(L("sum"), A(L("sum"), L("1")), A(L("g"), L("sum")));
  EXPECT_SAME_TERM(renameKey(term, "sum", 'z'), wing(L("z"), A(L("z"), L("1")), A(L("g"), L("z"))));
}

}  // namespace
}  // namespace quorl
