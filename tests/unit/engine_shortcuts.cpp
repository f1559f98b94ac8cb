// The engine's shortcuts past cells it would build and take apart at once:
// a body's outer spine goes straight onto the continuation, a builtin is
// called as soon as its last arguments wait as values, a parameterless name
// is contracted in place.  Each must give what the plain rules give.
#include <gtest/gtest.h>

#include "engine_terms.hpp"
#include "eval/engine.hpp"
#include "eval/failure_record.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

using testing::define;
using testing::shown;
using testing::term;
using testing::tickCount;

using EngineShortcutTest = testing::ReductionTest;

TEST_F(EngineShortcutTest, BodiesWithMoreArgumentsThanTheirHeadTakes) {
  // The arguments beyond K's two arrive through the spine; K still leaves
  // its second argument alone.
  define("f", "\\x K x (tick 1) 9");
  EXPECT_EQ(reduced("f (V 1)"), "((V 1) 9)");
  EXPECT_EQ(tickCount(), 0);
  // A lambda head and a wing head with arguments to spare: the bound
  // values are computed once, and the spare arguments are not lost.
  define("g", "\\x (\\y V y x) (tick x) K");
  EXPECT_EQ(reduced("g 5"), "5");
  EXPECT_EQ(tickCount(), 1);
  define("w", "\\x {y (tick x) (V y)} x H");
  EXPECT_EQ(reduced("w 4"), "4");
  EXPECT_EQ(tickCount(), 2);
}

TEST_F(EngineShortcutTest, BuiltinsTakeTheArgumentsWaitingForThem) {
  define("op", "plus");
  EXPECT_EQ(reduced("op 2 3"), "5");
  // An argument still to compute is computed first, once, whichever side.
  EXPECT_EQ(reduced("op (tick 2) 3"), "5");
  EXPECT_EQ(reduced("op 2 (tick 3)"), "5");
  EXPECT_EQ(tickCount(), 2);
  // A partial application of a builtin, shared by two calls.
  EXPECT_EQ(reduced("{p (op 10) (V (p 1) (p 2))}"), "((V 11) 12)");
  // A failure record ends the evaluation with every pending frame dropped.
  define("stop", "fail");
  NodeRef result = evaluate(term("I (stop 0) 1 2"));
  ASSERT_TRUE(result.isApp());
  EXPECT_EQ(result.fun().text(), "]");
  EXPECT_EQ(readFailureRecord(result.arg().text()).status, "stops");
}

TEST_F(EngineShortcutTest, ArgumentsOfABodyAreBuiltWhenFirstUsed) {
  // Both branches of a conditional wait unbuilt; only the chosen one runs.
  define("pick", "\\x \\y less x y (V x) (tick (J y)) 7");
  EXPECT_EQ(reduced("pick 1 2"), "((V 1) 7)");
  EXPECT_EQ(tickCount(), 0);
  EXPECT_EQ(reduced("pick 2 1"), "((J 1) 7)");
  EXPECT_EQ(tickCount(), 1);
  // Waiting arguments a builtin takes, computed once each; one value in
  // several of them.
  define("add", "\\x \\y I plus (tick x) (plus y x)");
  EXPECT_EQ(reduced("add 2 3"), "7");
  EXPECT_EQ(reduced("{p (add 1 1) (V p p)}"), "((V 3) 3)");
  EXPECT_EQ(tickCount(), 3);
  // A failure drops the arguments still waiting, built or not.
  define("halt", "\\x I (fail x) (V x) (tick x)");
  NodeRef result = evaluate(term("halt 5"));
  ASSERT_TRUE(result.isApp());
  EXPECT_EQ(result.fun().text(), "]");
  EXPECT_EQ(tickCount(), 3);
}

TEST_F(EngineShortcutTest, WaitingArgumentsReachTheirConsumersUnchanged) {
  define("fib", "\\n less n 2 n (plus (fib (dash n 1)) (fib (dash n 2)))");
  EXPECT_EQ(reduced("fib 15"), "610");
  // A branch chosen unbuilt, with arguments of its own that wait unbuilt
  // too; each tick in the chosen branch runs once, the other branch's never.
  define("nest", "\\x \\y less x y (K (V (tick x)) (tick y)) (I W (plus (tick x) y)) 0");
  EXPECT_EQ(reduced("nest 1 2"), "((V 1) 0)");
  EXPECT_EQ(tickCount(), 1);
  EXPECT_EQ(reduced("nest 2 1"), "K");
  EXPECT_EQ(tickCount(), 2);
  // A builtin's waiting arguments, each computed once, also when the
  // call's value is needed twice.
  define("sq", "\\x I (mult (tick (plus x 1))) (tick (dash x 1))");
  EXPECT_EQ(reduced("sq 4"), "15");
  EXPECT_EQ(tickCount(), 4);
  EXPECT_EQ(reduced("{p (sq 2) (plus p p)}"), "6");
  EXPECT_EQ(tickCount(), 6);
}

TEST_F(EngineShortcutTest, BodiesWhoseFirstStepsAreKnownBeforeSubstitution) {
  define("build", "\\n \\l same n 0 l (build (dash n 1) (J n l))");
  define("count", "\\l \\a l a (\\h \\t count t (plus a 1))");
  EXPECT_EQ(reduced("count (build 40 K) 0"), "40");
  // A computed argument inside a partial application of a global function.
  define("part", "\\x \\y plus (plus x (tick y))");
  EXPECT_EQ(reduced("part 1 2 3"), "6");
  EXPECT_EQ(tickCount(), 1);
  // Heads that decide otherwise: a linear one takes its argument as it is,
  // a variable is only known once substituted, a constant applied to a
  // variable may become a constant.
  define("lin", "\\x \\y K (V x) (tick (plus y 1)) 7");
  EXPECT_EQ(reduced("lin 1 2"), "((V 1) 7)");
  EXPECT_EQ(tickCount(), 1);
  define("vh", "\\f \\x f (plus x 1) (tick x)");
  EXPECT_EQ(reduced("vh plus 2"), "5");
  EXPECT_EQ(reduced("vh V 2"), "((V 3) 2)");
  EXPECT_EQ(tickCount(), 3);
  define("pair", "\\p \\q p q");
  define("con", "\\x pair ([a] x) (tick 5)");
  EXPECT_EQ(reduced("con [b]"), "H");
  EXPECT_EQ(tickCount(), 4);
  // A linear head's parameter may hold a term still to compute: pair's
  // first argument is computed, and fails, before its second.
  define("loop", "I loop");
  define("Lazy", "\\x pair x (fail 2)");
  for (int call = 0; call < 2; call++) {
    NodeRef result = evaluate(term("Lazy loop"));
    ASSERT_TRUE(result.isApp());
    EXPECT_EQ(readFailureRecord(result.arg().text()).status, "cycle") << shown(result);
  }
}

TEST_F(EngineShortcutTest, AFalseConditionFollowsTheCurrentIdentity) {
  define("pick", "\\x less x 2 (V x) (plus x 1)");
  EXPECT_EQ(reduced("pick 5"), "6");
  define("I", "\\a J a");  // H a b is I b, whatever I is now
  EXPECT_EQ(reduced("pick 5"), "(J 6)");
  EXPECT_EQ(reduced("pick 1"), "(V 1)");
}

TEST_F(EngineShortcutTest, BodiesHeadedByParameterlessNames) {
  define("op", "less");
  define("f", "\\x op x 3 V (J x)");
  EXPECT_EQ(reduced("f 2"), "V");
  define("op", "gteq");  // a new definition is honoured at once
  EXPECT_EQ(reduced("f 2"), "(J 2)");
  // A constant still to compute is computed once and remembered.
  define("c", "I (tick less)");
  define("g", "\\x c x 3 V (J x)");
  EXPECT_EQ(reduced("g 2"), "V");
  EXPECT_EQ(reduced("g 5"), "(J 5)");
  EXPECT_EQ(tickCount(), 1);
  // A constant that needs its own value is still a cycle.
  define("loop", "I loop");
  define("h", "\\x loop x V");
  NodeRef result = evaluate(term("h 1"));
  ASSERT_TRUE(result.isApp());
  EXPECT_EQ(result.fun().text(), "]");
  EXPECT_EQ(readFailureRecord(result.arg().text()).status, "cycle");
}

// A tree of word operations answered on the words hands over whatever it
// cannot answer so, and the builtins' answer comes back: beyond the word,
// a division by zero, a real or a text among the leaves, a comparison at
// its root fed by them.
TEST_F(EngineShortcutTest, TreesOfWordsLeaveWhatIsNoWordToTheBuiltins) {
  define("t", "\\x \\y \\z cent (plus (mult x y) z) (plus (dash y z) 1)");
  EXPECT_EQ(reduced("t 3 4 1"), "1");
  EXPECT_EQ(reduced("t 03 4 2"), "2");
  EXPECT_EQ(reduced("t 4611686018427387904 4 0"), "1");
  EXPECT_EQ(reduced("t 9223372036854775807 1 1"), "0");
  EXPECT_EQ(reduced("t 3 4 5"), "Z");
  EXPECT_EQ(reduced("t (real 1) 4 1"), shown(evaluate(term("cent (real 5) (real 4)"))));
  define("c", "\\x \\y less (mult x x) (plus y 1) K H");
  EXPECT_EQ(reduced("c 3 9"), "K");
  EXPECT_EQ(reduced("c 3 8"), "H");
  EXPECT_EQ(reduced("c 3037000500 9223372036854775807"), "H");
  EXPECT_EQ(reduced("c [a] 8"), shown(evaluate(term("less (mult [a] [a]) 9 K H"))));
}

}  // namespace
}  // namespace quorl
