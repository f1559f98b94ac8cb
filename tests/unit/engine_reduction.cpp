// The reduction engine: values, laziness of linear heads, call by value for
// the others, memoised constants, cycles, binders and early endings.
#include <gtest/gtest.h>

#include "engine_terms.hpp"
#include "eval/engine.hpp"
#include "eval/failure_record.hpp"
#include "eval/run.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

using testing::define;
using testing::shown;
using testing::term;
using testing::tickCount;

using EngineTest = testing::ReductionTest;

TEST_F(EngineTest, ValuesComeBackAsTheSameNode) {
  NodeRef i = term("I");
  EXPECT_EQ(evaluate(i), i);
  NodeRef quoted = term("[a [b] c]");
  EXPECT_EQ(evaluate(quoted), quoted);
  NodeRef partial = term("K 1");
  EXPECT_EQ(evaluate(partial), partial);
}

TEST_F(EngineTest, LinearHeadsTakeTheirArgumentsUnevaluated) {
  EXPECT_EQ(reduced("K 1 (tick 2)"), "1");
  EXPECT_EQ(reduced("H (tick 2) 3"), "3");
  EXPECT_EQ(reduced("B K K 1 (tick 2)"), "(K 1)");  // B K K x y = K (K x) y
  EXPECT_EQ(tickCount(), 0);
}

TEST_F(EngineTest, NonLinearHeadsComputeEachArgumentOnce) {
  // S a b c = a c (b c) uses c twice; W a b = a b b uses b twice.
  EXPECT_EQ(reduced("S V I (tick 5)"), "((V 5) 5)");
  EXPECT_EQ(tickCount(), 1);
  EXPECT_EQ(reduced("W V (tick 3)"), "((V 3) 3)");
  EXPECT_EQ(tickCount(), 2);
}

TEST_F(EngineTest, PartialApplicationsBecomeValuesOnceTheirPartsAre) {
  EXPECT_EQ(reduced("V (tick 1) (I 2)"), "((V 1) 2)");
  // With the argument waiting, the linear head takes it unevaluated.
  EXPECT_EQ(reduced("V (tick 1) 2 K"), "1");
  EXPECT_EQ(tickCount(), 2);
}

TEST_F(EngineTest, ConstantsAreComputedOnceAndRemembered) {
  define("c", "tick 7");
  EXPECT_EQ(reduced("V c c"), "((V 7) 7)");
  EXPECT_EQ(tickCount(), 1);
  EXPECT_EQ(shown(*findDefinition("c")), "7");
  EXPECT_EQ(reduced("c"), "7");
  EXPECT_EQ(tickCount(), 1);
}

TEST_F(EngineTest, ALambdaValueIsRememberedAsAFunctionOfNoParameters) {
  define("f", "I (\\x V x x)");
  EXPECT_EQ(reduced("f 3"), "((V 3) 3)");
  EXPECT_EQ(shown(*findDefinition("f")), "((B I) ((\\ x) ((V x) x)))");
  EXPECT_EQ(reduced("f 4"), "((V 4) 4)");
}

TEST_F(EngineTest, NullaryDefinitionsAreComputedAtEveryUse) {
  nullaryNames().insert("n");
  define("n", "I (tick 1)");
  EXPECT_EQ(reduced("V n n"), "((V 1) 1)");
  EXPECT_EQ(tickCount(), 2);
  EXPECT_EQ(shown(*findDefinition("n")), "(I (tick 1))");
}

TEST_F(EngineTest, ReenteringAConstantEndsWithACycleReport) {
  define("loop", "V 1 loop");  // a value only once its own value is known
  NodeRef result = evaluate(term("V 2 loop"));
  ASSERT_TRUE(result.isApp());
  EXPECT_EQ(result.fun().text(), "]");
  RunOutcome outcome = readFailureRecord(result.arg().text());
  EXPECT_EQ(outcome.message, "Cycle detected on function loop.");
  EXPECT_EQ(outcome.status, "cycle");
  EXPECT_EQ(outcome.vip, "loop");
  EXPECT_EQ(outcome.tip, "");
}

TEST_F(EngineTest, AFailureRecordFromABuiltinDropsWhatWasPending) {
  NodeRef result = evaluate(term("W V (fail 0) K I"));
  ASSERT_TRUE(result.isApp());
  EXPECT_EQ(result.fun().text(), "]");
  EXPECT_EQ(readFailureRecord(result.arg().text()).status, "stops");
}

TEST_F(EngineTest, LambdaBodiesWaitForTheirArgument) {
  // The parameter occurs: the lambda is a value, its body untouched.
  NodeRef waiting = term("\\x V x (tick 1)");
  EXPECT_EQ(evaluate(waiting), waiting);
  EXPECT_EQ(tickCount(), 0);
  EXPECT_EQ(reduced("(\\x V x (tick 1)) 4"), "((V 4) 1)");
  EXPECT_EQ(tickCount(), 1);
  // The parameter does not occur: the closed body is computed.
  EXPECT_EQ(reduced("\\x tick 2"), "((\\ x) 2)");
  EXPECT_EQ(tickCount(), 2);
}

TEST_F(EngineTest, WingsBindTheirValueOnce) {
  EXPECT_EQ(reduced("{x (tick 5) (V x x)}"), "((V 5) 5)");
  EXPECT_EQ(tickCount(), 1);
  EXPECT_EQ(reduced("{x 6 (V x x)}"), "((V 6) 6)");
  // A wing inside a lambda waits with it.
  NodeRef inside = term("\\y {x (tick 1) (V x y)}");
  EXPECT_EQ(evaluate(inside), inside);
  EXPECT_EQ(reduced("(\\y {x (tick 1) (V x y)}) 2"), "((V 1) 2)");
  EXPECT_EQ(tickCount(), 2);
}

TEST_F(EngineTest, PairBindersTakeAPairApart) {
  // "p q{V 1 2}..." after destructuring: q is bound to the pair, p to its
  // first component, then q is rebound to the second.
  EXPECT_EQ(reduced("{q (V 1 (tick 2)) {p (q K) {q (q H) (V q p)}}}"), "((V 2) 1)");
  EXPECT_EQ(tickCount(), 1);
}

TEST_F(EngineTest, GlobalFunctionsOfManyParameters) {
  define("ten", "\\a \\b \\c \\d \\e \\f \\g \\h \\i \\j V j (V a e)");
  EXPECT_EQ(reduced("ten 1 2 3 4 5 6 7 8 9 10"), "((V 10) ((V 1) 5))");
  // The arguments are bound in order: of two parameters with one letter
  // the first takes the body's occurrences.
  define("first", "\\a \\a a");
  EXPECT_EQ(reduced("first 1 2"), "1");
}

TEST_F(EngineTest, NumbersUnfoldIntoTheirBits) {
  // 5 is [1, 1, 1, 0]: its head bit 1 and the rest, 2.
  EXPECT_EQ(reduced("5 Z"), "((V K) 2)");
  EXPECT_EQ(reduced("5 K V"), "((V K) 2)");  // 5 c f = f h t
  EXPECT_EQ(reduced("2 K K"), "K");
  EXPECT_EQ(reduced("0 I V"), "((V K) K)");
}

TEST_F(EngineTest, DeepRecursionRunsOnTheHeap) {
  // clone rebuilds a list, one pending J per element: a million frames.
  define("clone", "\\l l K (\\h \\t J h (clone t))");
  NodeRef list = leaf("K");
  constexpr int kLength = 1000000;
  for (int i = 0; i < kLength; i++) list = apply(apply(sharedLeaf('J'), sharedLeaf('H')), std::move(list));
  NodeRef copied = evaluate(apply(leaf("clone"), list));
  int length = 0;
  for (NodeRef cell = copied; cell.isApp(); cell = cell.arg()) length++;
  EXPECT_EQ(length, kLength);
  EXPECT_FALSE(copied == list);
}

TEST_F(EngineTest, TheRunJudgesWhatTheProgramReturned) {
  EXPECT_TRUE(judgeResult(term("5")).ok());
  EXPECT_EQ(shown(*findDefinition("")), "5");
  EXPECT_TRUE(judgeResult(term("J K (J H K)")).ok());
  RunOutcome text = judgeResult(term("[hi]"));
  EXPECT_EQ(text.status, "range");
  EXPECT_EQ(text.message, "The program must return an integer. Instead we encountered:\n[hi]");
  EXPECT_EQ(text.tip, "[hi]");
  // A list of bits whose rest is not a list cannot be read as a number.
  EXPECT_EQ(judgeResult(term("J K (K 1)")).status, "range");
  EXPECT_EQ(judgeResult(term("J K (J I K)")).status, "range");
  EXPECT_EQ(judgeResult(term("00")).status, "range");
  EXPECT_EQ(judgeResult(leaf(byteBlockText("ab"))).status, "range");
}

}  // namespace
}  // namespace quorl
