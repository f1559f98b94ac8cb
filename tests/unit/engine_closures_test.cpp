// Lambdas as programs nest them, keep them and pass them around, run as
// compiled code with closures: each program here gives the value and the
// order of work (every `tick` records what it was given) of the engine
// that substitutes, and the engine itself substitutes only to build the
// term of a closure that goes into a structure or is looked at, never to
// apply one.
#include <gtest/gtest.h>

#include <string>

#include "builtins/table.hpp"
#include "compile/compile.hpp"
#include "compile/link.hpp"
#include "compile/rewrite.hpp"
#include "eval/engine.hpp"
#include "eval/substitute.hpp"
#include "front/prelude.hpp"
#include "reference_engine.hpp"
#include "tick_log.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

class EngineClosuresTest : public ::testing::Test {
 protected:
  void TearDown() override { resetGlobalTables(); }

  // The value of `main` applied to 7, then what was ticked.
  std::string run(const std::string& program, NodeRef (*engine)(NodeRef)) { return testing::tickedRun(program, engine); }

  // What both engines give; the engine must build exactly `terms` terms by
  // substitution on the way: those of the closures that go into structures
  // or are looked at.
  std::string agreed(const std::string& program, uint64_t terms = 0) {
    std::string expected = run(program, evaluateBySubstitution);
    uint64_t before = substitutionsMade();
    std::string actual = run(program, evaluate);
    EXPECT_EQ(substitutionsMade() - before, terms) << "terms substituted: " << program;
    EXPECT_EQ(actual, expected) << program;
    return actual;
  }
};

// A binary search tree used as a map, taken apart as the guide teaches:
// each node is J (V key value) (V left right), and `val` goes unused in
// insert and `lr` in the leaf case.
const std::string kTree =
    ",insert\\t\\k\\v\\t (J (V k v) (V K K)) (kv\\lr\\kv (key\\val\\lr (l\\r\\"
    "  (k < key) (J kv (V (insert l k v) r))"
    "  ((key < k) (J kv (V l (insert r k v))) (J (V k v) lr)))))"
    ",find\\t\\k\\t 0 (kv\\lr\\kv (key\\val\\lr (l\\r\\"
    "  (k < key) (find l k) ((key < k) (find r k) val))))"
    ",fill\\n\\t\\(n = 0) t (fill (n - 1) (insert t ((n * 37) % 101) n))";

TEST_F(EngineClosuresTest, LambdasThatLeaveTheirParameterUnused) {
  EXPECT_EQ(agreed("main,main\\a\\t{fill 60 K}find(t, 74) + find(t, 1) + find(t, 100)" + kTree), "32 after ");
  // Such a lambda is computed as its body is, once, before it is given
  // anything: bound once and applied twice, its work is done once.
  EXPECT_EQ(agreed("main,main\\a\\g{v\\tick(a + 1)}(V (g 1) (g (tick 2)))"), "(V8 8) after 8;2;");
  // Its body before its argument, both before the call they are given to.
  EXPECT_EQ(agreed("main,main\\a\\(v\\tick(a * 2)) (tick a)"), "14 after 14;7;");
  // Its value is a lambda that gives the body's value, whatever it is.
  EXPECT_EQ(agreed("main,main\\a\\lisp(v\\a + 1)", 1), "[\\v8] after ");
  EXPECT_EQ(agreed("main,main\\a\\(v\\w\\a + w) 1 2"), "9 after ");
}

TEST_F(EngineClosuresTest, MatchesWhoseLambdasLeaveAParameterUnused) {
  const std::string helpers =
      ",first\\l\\l 0 (h\\t\\h * 2)"
      ",count\\l\\l 0 (h\\t\\1 + count(t))"
      ",upto\\n\\(n < 1) K (J n (upto(n - 1)))";
  EXPECT_EQ(agreed("main,main\\a\\V (first(upto a)) (count(upto a))" + helpers), "(V14 7) after ");
  // A pair given to two parameters of which one, or none, is used.
  EXPECT_EQ(agreed("main,main\\a\\p{V (tick a) 2}(p (x\\y\\tick(x + 1)))"), "8 after 7;8;");
  EXPECT_EQ(agreed("main,main\\a\\p{V a 2}(p (x\\y\\tick(a * 3)))"), "21 after 21;");
  // The list match of a list held in a letter, and the empty list.
  EXPECT_EQ(agreed("main,main\\a\\l{J a K}(V (l 0 (h\\t\\tick(h - 1))) (K 5 (h\\t\\tick h)))"),
            "(V6 5) after 6;");
}

TEST_F(EngineClosuresTest, LambdasKeptInStructuresRunAsCodeWhenApplied) {
  // Each closure's term is built once, as it goes into the list; applying
  // it later runs its code under the values it was made with.
  const std::string each = ",each\\l\\x\\l x (f\\t\\each(t, f x))";
  EXPECT_EQ(agreed("main,main\\a\\each(J (x\\x + a) (J (x\\tick(x * a)) (J (x\\x - a) K)), 5)" + each, 3),
            "77 after 84;");
  // Made by a function that has returned long before; applied twice.
  EXPECT_EQ(agreed("main,main\\a\\l{fs(a)}V (each(l, 1)) (each(l, 2)),fs\\n\\J (x\\x + n) (J (x\\x * n) K)" + each, 2),
            "(V56 63) after ");
  // A function given part of its arguments, one of them a closure: the
  // partial application holds the closure's term.
  EXPECT_EQ(agreed("main,main\\a\\each(J (compose(x\\x + 1, x\\x * a)) K, 3),compose\\f\\g\\x\\g (f x)" + each, 1),
            "28 after ");
  // Looked at, then applied: the same term, and the same answer.
  EXPECT_EQ(agreed("main,main\\a\\f{x\\y\\x * y + a}g{f 2}V (lisp g) (J g K K (h\\t\\h 3))", 1),
            "V[(\\y (+ *2y 7))]13 after ");
}

TEST_F(EngineClosuresTest, InnerLambdasUsingLettersThreeAndFourLevelsOut) {
  // mk takes one parameter (I keeps the lambdas out of its definition's
  // parameters) and gives a lambda three levels deep.
  const std::string make = ",mk\\x\\I (y\\z\\w\\V x (V y (V z w)))";
  EXPECT_EQ(agreed("main,main\\a\\mk a 1 2 3" + make), "(V7 (V1 (V2 3))) after ");
  // Given part of their arguments, kept, given the rest in another order of
  // work; and inside a structure.
  EXPECT_EQ(agreed("main,main\\a\\p{mk (tick a) (tick 1)}V (p 2 (tick 3)) (p (tick 4) 5)" + make),
            "(V (V7 (V1 (V2 3))) (V7 (V1 (V4 5)))) after 7;1;3;4;");
  EXPECT_EQ(agreed("main,main\\a\\(J (mk a 1) K) K (h\\t\\h 2 3)" + make), "(V7 (V1 (V2 3))) after ");
  EXPECT_EQ(agreed("main,main\\a\\l{J (mk a 1) K}l K (h\\t\\h 2 3)" + make, 1), "(V7 (V1 (V2 3))) after ");
  // A lambda four levels in whose parameters go unused but for the outermost.
  EXPECT_EQ(agreed("main,main\\a\\(x\\y\\z\\w\\tick(x + a)) 1 2 3 4"), "8 after 8;");
}

TEST_F(EngineClosuresTest, PairsAndListsTakenApartByLetters) {
  // A pair a letter holds, given its lambda, as programs take a state apart.
  EXPECT_EQ(agreed("main,main\\a\\s{V a (V 1 2)}s (x\\r\\r (y\\z\\tick(x + y) * z))"), "16 after 8;");
  // Something else given the lambda: a list, a number.
  EXPECT_EQ(agreed("main,main\\a\\s{J a K}s (x\\y\\x + 1)"), "V7K after ");
  EXPECT_EQ(agreed("main,main\\a\\s{a}s (x\\y\\x + 1)"), "VK3 after ");
  // The lambda takes the pair's own letter for a part: the pair, held only
  // while the match reads it, must outlive its parts' use.
  EXPECT_EQ(agreed("main,main\\a\\V (V (V a 1) 2) 0 (p\\z\\p (p\\q\\p (x\\y\\x + y + q)))"), "10 after ");
  EXPECT_EQ(agreed("main,main\\a\\V (J (J a K) K) 0 (l\\z\\l 0 (l\\t\\l 5 (x\\y\\x + 1)))"), "8 after ");
}

TEST_F(EngineClosuresTest, PartialApplicationsOfFunctionsAndLambdas) {
  const std::string lists =
      ",add\\x\\y\\x + y"
      ",map\\f\\l\\l K (h\\t\\J (f h) (map(f, t)))"
      ",sum\\l\\l 0 (h\\t\\h + sum(t))";
  EXPECT_EQ(agreed("main,main\\a\\sum(map(add a, J 1 (J 2 K)))" + lists), "17 after ");
  EXPECT_EQ(agreed("main,main\\a\\sum(map((x\\y\\x * y) a, J 1 (J 2 K)))" + lists), "21 after ");
  // Kept in a structure, then taken out and given the rest.
  EXPECT_EQ(agreed("main,main\\a\\(J (add a) (J ((x\\y\\x * y) a) K)) K (f\\t\\t K (g\\u\\f (g 2)))" + lists, 1),
            "21 after ");
}

}  // namespace
}  // namespace quorl
