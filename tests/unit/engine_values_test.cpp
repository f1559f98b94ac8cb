// The engine's own forms of values, closures for lambdas and machine words
// for integers, where they meet what looks at a term: the builtins that see
// structure and identity, memoised constants, the run's reports, and
// structures deeper than any stack.
#include <gmpxx.h>
#include <gtest/gtest.h>

#include <string>

#include "compile/compile.hpp"
#include "compile/link.hpp"
#include "compile/rewrite.hpp"
#include "eval/engine.hpp"
#include "eval/run.hpp"
#include "front/prelude.hpp"
#include "reference_engine.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

class EngineValuesTest : public ::testing::Test {
 protected:
  void TearDown() override { resetGlobalTables(); }

  // The value of `main` applied to 0 in the program, by the given engine.
  NodeRef value(const std::string& program, NodeRef (*engine)(NodeRef) = evaluate) {
    compilePrelude();
    EXPECT_TRUE(compileProgram(program).ok());
    RunOutcome linked = linkProgram();
    EXPECT_TRUE(linked.ok()) << linked.message;
    return engine(apply(*findDefinition(""), leaf("0")));
  }
  std::string shown(const std::string& program) { return termText(value(program)); }
  // The same, checked against the engine that substitutes every body.
  std::string agreed(const std::string& program) {
    std::string expected = termText(value(program, evaluateBySubstitution));
    std::string actual = shown(program);
    EXPECT_EQ(actual, expected) << program;
    return actual;
  }
};

const std::string kMake = ",make\\n\\I (x\\x+n)";

TEST_F(EngineValuesTest, AClosureBecomesTheTermSubstitutionWouldBuild) {
  EXPECT_EQ(agreed("main,main\\a\\make 5" + kMake), "(\\x +x5)");
  EXPECT_EQ(agreed("main,main\\a\\lisp(make 5)" + kMake), "[(\\x +x5)]");
  // Inside structures, and captured by other closures.
  EXPECT_EQ(agreed("main,main\\a\\lisp(J (make 1) (J (2*3) K))" + kMake),
            "[(J (\\x +x1) J6K)]");
  EXPECT_EQ(agreed("main,main\\a\\lisp((f\\y\\f y) (make 2))" + kMake), "[(\\y (\\x +x2 y))]");
  // Applied, it computes what the term would.
  EXPECT_EQ(agreed("main,main\\a\\(make 5) 37" + kMake), "42");
}

TEST_F(EngineValuesTest, AValueKeepsOneIdentityHoweverOftenItIsUsed) {
  // One closure or one computed integer bound once is one Node everywhere;
  // two computed apart are two, as two substitutions would make them.
  EXPECT_EQ(shown("main,main\\a\\f{make 5}(raws f f)" + kMake), "K");
  EXPECT_EQ(shown("main,main\\a\\raws (make 5) (make 5)" + kMake), "H");
  EXPECT_EQ(shown("main,main\\a\\n{2+3}(raws n n)"), "K");
  EXPECT_EQ(shown("main,main\\a\\raws (2+3) (2+3)"), "H");
  EXPECT_EQ(shown("main,main\\a\\same (2+3) (6-1)"), "K");
  EXPECT_EQ(shown("main,main\\a\\cmpr (2+8) 9"), "1");  // "10" orders before "9"
  // A value given to a function is the same Node inside it.
  EXPECT_EQ(shown("main,main\\a\\both (3*4),both\\n\\raws n n"), "K");
  EXPECT_EQ(shown("main,main\\a\\n{2*21}(leak n = leak n)"), "K");
  // An integer a builtin's handler answers goes on as a word whose term is
  // that answer itself.
  EXPECT_EQ(agreed("main,main\\a\\n{abs(a-5)}(J (raws n n) (J (leak n = leak n) (n+1)))"), "(JK JK6)");
  EXPECT_EQ(agreed("main,main\\a\\raws (abs(a-5)) (abs(a-5))"), "H");
}

TEST_F(EngineValuesTest, ComputedIntegersAreNumbersToEveryBuiltin) {
  EXPECT_EQ(agreed("main,main\\a\\type(6*7)"), "[hint]");
  EXPECT_EQ(agreed("main,main\\a\\rank(0-123456)"), "7");
  EXPECT_EQ(agreed("main,main\\a\\lisp(9223372036854775807+1)"), "[9223372036854775808]");
  EXPECT_EQ(agreed("main,main\\a\\[]+(0-5)"), "[05]");
  // Taken apart as the list of their bits: 5 is [1, 1, 1, 0].
  EXPECT_EQ(agreed("main,main\\a\\(2+3) K (h\\t\\t)"), "2");
  EXPECT_EQ(agreed("main,main\\a\\look (2+3) 3"), "H");
  EXPECT_EQ(agreed("main,main\\a\\tern(J (2+3) (J (2+3) K))"), "(J5 J5K)");
  EXPECT_EQ(shown("main,main\\a\\p{tern(J (2+3) (J (2+3) K))}raws (p K (h\\t\\h)) (p K (h\\t\\t K (g\\u\\g)))"),
            "K");
}

TEST_F(EngineValuesTest, ARememberedConstantHoldsItsValueAsATerm) {
  NodeRef v = value("main,main\\a\\cc 1,cc\\make 41" + kMake);
  EXPECT_EQ(termText(v), "42");
  // A lambda is stored as the function of no parameters ((B I) v).
  EXPECT_EQ(termText(*findDefinition("cc")), "(BI (\\x +x41))");
  EXPECT_EQ(termText(value("main,main\\a\\cc+cc,cc\\6*7")), "84");
  EXPECT_EQ(termText(*findDefinition("cc")), "42");
}

TEST_F(EngineValuesTest, TheRunReportsAClosureAsItsTerm) {
  compilePrelude();
  ASSERT_TRUE(compileProgram("main,main\\a\\make 5" + kMake).ok());
  RunOutcome outcome = run(nullptr);
  EXPECT_EQ(outcome.status, "range");
  EXPECT_EQ(outcome.message,
            "The program must return an integer. Instead we encountered:\n(\\x +x5)");
}

TEST_F(EngineValuesTest, ClosuresNestDeeperThanAnyStack) {
  // Each step wraps the continuation in a closure that holds the one
  // before: 300000 of them, applied, built into a term and freed.
  const std::string go = ",go\\n\\k\\(n=0) (k 0) (go (n-1) (x\\k (x+1)))";
  EXPECT_EQ(shown("main,main\\a\\go 300000 I" + go), "300000");
  const std::string chain = ",chain\\n\\k\\(n=0) k (chain (n-1) (x\\k x))";
  EXPECT_EQ(agreed("main,main\\a\\lisp(chain 2 I)" + chain), "[(\\x (\\x Ix x))]");
  EXPECT_EQ(shown("main,main\\a\\rank(lisp(chain 300000 I))" + chain), std::to_string(7 * 300000));
}

TEST_F(EngineValuesTest, ComputedNumbersKeptInListsReadBackAsTheyWereStored) {
  // n^13, signs alternating: from one digit to past a machine word.  Kept
  // in a list, each is read back as a number, as text and as a term, and
  // compared with the same number written in the program.
  const std::string defs =
      ",nums\\n\\(n=0) K (J ((n^13) * (n%2*2-1)) (nums(n-1)))"
      ",sum\\l\\l 0 (h\\t\\h + (sum t))"
      ",show\\l\\l [] (h\\t\\([] + h) + [,] + (show t))"
      ",nth\\l\\i\\l Z (h\\t\\(i=0) h (nth t (i-1)))";
  mpz_class sum = 0;
  std::string shownList;
  for (int n = 30; n >= 1; n--) {
    mpz_class v;
    mpz_ui_pow_ui(v.get_mpz_t(), static_cast<unsigned long>(n), 13);
    if (n % 2 == 0) v = -v;
    sum += v;
    std::string digits = mpz_class(abs(v)).get_str();
    shownList += (v < 0 ? "0" + digits : digits) + ",";
  }
  std::string total = sum < 0 ? "0" + mpz_class(-sum).get_str() : sum.get_str();
  EXPECT_EQ(agreed("main,main\\a\\sum (nums 30)" + defs), total);
  EXPECT_EQ(agreed("main,main\\a\\show (nums 30)" + defs), "[" + shownList + "]");
  EXPECT_EQ(agreed("main,main\\a\\lisp (nums 2)" + defs), "[(J08192 J1K)]");
  // 5^13 = 1220703125, and -(4^13) = -67108864: equal to the literals, and
  // one node however often it is read.
  EXPECT_EQ(shown("main,main\\a\\(nth (nums 9) 4) = 1220703125" + defs), "K");
  EXPECT_EQ(shown("main,main\\a\\cmpr (nth (nums 9) 5) 067108864" + defs), "0");
  EXPECT_EQ(shown("main,main\\a\\l{nums 9}(same (nth l 4) (nth l 4))" + defs), "K");
  EXPECT_EQ(shown("main,main\\a\\l{nums 9}(raws (nth l 4) (nth l 4))" + defs), "K");
  EXPECT_EQ(agreed("main,main\\a\\raws (nth (nums 9) 4) (nth (nums 9) 4)" + defs), "H");
  // Past a machine word, and binary numbers (which carry no word): one
  // node when read twice, equal to the number written in the program.
  mpz_class big;
  mpz_ui_pow_ui(big.get_mpz_t(), 29, 13);
  EXPECT_EQ(agreed("main,main\\a\\l{nums 30}(J (raws (nth l 1) (nth l 1)) ((nth l 1) = " + big.get_str() + "))" +
                   defs),
            "JKK");
  const std::string binaries = defs + ",bins\\n\\(n=0) K (J (n*0017) (bins(n-1)))";
  EXPECT_EQ(agreed("main,main\\a\\l{bins 4}(J (raws (nth l 2) (nth l 2)) ((nth l 2) = (2*0017)))" + binaries),
            "JKK");
  agreed("main,main\\a\\show (bins 4)" + binaries);
}

// Small functions and trees of number operations computed where they
// stand, on the words as they are, meet the edges of the word as the
// builtins do: a product past the word goes on as a wider integer, a
// division by zero is the builtin's failure, a number written past the
// word or a real is taken by the builtins' way.
TEST_F(EngineValuesTest, NumbersComputedWhereTheyStandMeetTheWordsEdgesAsTheBuiltinsDo) {
  const std::string defs =
      ",sq\\x\\(x * x + 1) % 1000000007"
      ",dz\\x\\(x + 1) % (x - x)"
      ",pw\\p\\y\\1 + ((p | H) y (y % 0))"
      ",loop\\n\\a\\(n < 1) a (loop(n - 1, a + ((n < 3) n (n * 4000000000000000000))))"
      ",list\\a\\b\\c\\d\\e\\J a (J b (J c (J d e)))";
  EXPECT_EQ(agreed("main,main\\a\\list(sq(4000000000), sq(3), sq(real(2)), loop(6, 0), loop(2, 0))" + defs),
            "(J785 (J10 (J real[5.000000e+00] (J72000000000000000003 3))))");
  agreed("main,main\\a\\list(dz(5), pw(K, 9999999999999999999), pw(H, 2), pw(K, [x]), pw(3, 4))" + defs);
}

TEST_F(EngineValuesTest, PairsHandedBackThroughDeepRecursionNeedNoNativeStack) {
  // Each level waits for the pair of the level below and gives its own to
  // the lambda of the level above, as a partition does: a million levels,
  // far beyond what the native stack holds were each pair taken in a
  // nested call.
  const std::string part =
      ",part\\l\\l (V K K) (x\\r\\(part r) (p\\q\\(x<1) (V (J x p) q) (V p (J x q))))"
      ",build\\n\\l\\(n=0) l (build(n-1)(J (n%2) l))"
      ",len\\l\\a\\l a (h\\t\\len t (a+1))";
  EXPECT_EQ(shown("main,main\\a\\part(build 1000000 K) (p\\q\\(len p 0) * 10000000 + (len q 0))" + part),
            "5000000500000");
}

}  // namespace
}  // namespace quorl
