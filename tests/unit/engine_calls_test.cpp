// Calls of global functions whose body is a spine go on in the caller's
// step, their parameters held by the view with no bindings under them;
// bindings are made only when a frame or a closure needs some of them.
// Each program here gives the value and the order of work (every `tick`
// records what it was given) of the engine that substitutes.
#include <gtest/gtest.h>

#include <string>

#include "eval/engine.hpp"
#include "reference_engine.hpp"
#include "term/tables.hpp"
#include "tick_log.hpp"

namespace quorl {
namespace {

class EngineCallsTest : public ::testing::Test {
 protected:
  void TearDown() override { resetGlobalTables(); }

  // The value of `main` applied to 7, then what was ticked.
  std::string run(const std::string& program, NodeRef (*engine)(NodeRef)) { return testing::tickedRun(program, engine); }

  std::string agreed(const std::string& program) {
    std::string expected = run(program, evaluateBySubstitution);
    resetGlobalTables();
    std::string actual = run(program, evaluate);
    EXPECT_EQ(actual, expected) << program;
    return actual;
  }
};

TEST_F(EngineCallsTest, ParametersReadByMatchesFramesAndClosures) {
  // A list parameter taken apart with its own letter for the tail: the list
  // the view holds must outlive the parts bound from it.
  EXPECT_EQ(agreed("main,main\\a\\walker(J 1 (J 2 (J a K)), 0),walker\\l\\n\\l n (x\\l\\walker(l, n + x))"), "10 after ");
  // An operand computed under a frame, the parameters after it kept for
  // the operands still to come; the frame's bindings shared by the next.
  EXPECT_EQ(agreed("main,main\\a\\outer(a, 2),outer\\x\\y\\V (twice(x)) (V (twice(y) + x) (twice(x * y))),twice\\n\\tick(n * 2)"),
            "(V14 (V11 28)) after 14;4;28;");
  // A closure made from the parameters, kept in a list and applied after
  // the call that made it has returned.
  EXPECT_EQ(agreed("main,main\\a\\maker(a, 3) K (f\\t\\f 4),maker\\x\\y\\J (z\\x * y + z) K"), "25 after ");
  // Two parameters of one letter (the first takes the body's occurrences),
  // and one that goes unused: every argument is computed, in order.
  EXPECT_EQ(agreed("main,main\\a\\V (second(tick 1, tick 2)) (first(tick a, tick 3)),second\\x\\x\\x,first\\x\\y\\x + 1"),
            "(V1 8) after 1;2;7;3;");
}

TEST_F(EngineCallsTest, BlocksGivenToCallsChangeInPlaceOnlyWhenHeldOnce) {
  // The block read again after cork keeps its byte: cork changes a copy.
  EXPECT_EQ(agreed("main,main\\a\\setter(init(0) * 3, 1),setter\\b\\i\\both(cork(b, i, 7), b),both\\c\\d\\V (look(c, 1)) (look(d, 1))"),
            "(V7 0) after ");
  // A loop's block, held by its call alone, changed step by step.
  EXPECT_EQ(agreed("main,main\\a\\filler(init(0) * 4, 0),"
                   "filler\\b\\i\\(i = 4) (look(b, 0) + look(b, 1) + look(b, 2) + look(b, 3)) (filler(cork(b, i, i + 1), i + 1))"),
            "10 after ");
}

TEST_F(EngineCallsTest, ParametersHandedOnByTheirLastRead) {
  // A block handed on twice: the second goes with the caller's count, the
  // first shares it, so cork on one of them changes a copy.
  EXPECT_EQ(agreed("main,main\\a\\twice(init(0) * 2),twice\\b\\pair(b, b),"
                   "pair\\c\\d\\V (look(cork(c, 0, 5), 0)) (look(d, 0))"),
            "(V5 0) after ");
  // A loop handing on its parameters while its caller still holds them.
  EXPECT_EQ(agreed("main,main\\a\\V (relay(a, J a K, 3)) a,"
                   "relay\\x\\l\\n\\(n = 0) (l 0 (h\\t\\h + x)) (relay(x, l, n - 1))"),
            "(V14 7) after ");
}

TEST_F(EngineCallsTest, CountersSteppedInTheirOwnBox) {
  // The box the first operand shares is not stepped for the second.
  EXPECT_EQ(agreed("main,main\\a\\step(a + 0),step\\x\\two(x, x - 1),two\\a\\b\\V a b"), "(V7 6) after ");
  // A loop's counter stepped in its box, another letter the step.
  EXPECT_EQ(agreed("main,main\\a\\sum(0, a + 0, 1),sum\\acc\\i\\d\\(i = 0) acc (sum(acc + i, i - d, d))"),
            "28 after ");
  // A counter whose leaf was made (ticked) is not stepped in place.
  EXPECT_EQ(agreed("main,main\\a\\down(a + 0),down\\i\\(i = 5) i (down(tick(i) - 1))"), "5 after 7;6;");
}

TEST_F(EngineCallsTest, LoopsCorkTheirParametersBlock) {
  // The byte's low eight bits, the index a letter or written in the body;
  // an index from the end and one past it go the handler's way.
  EXPECT_EQ(agreed("main,main\\a\\marks(init(0) * 4, 0, 300),"
                   "marks\\b\\i\\x\\(i = 4) (look(cork(b, 0 - 1, x), 3) + look(b, 0) + look(b, 2))"
                   " (marks(cork(b, i, x), i + 1, x + 1))"),
            "138 after ");
  EXPECT_EQ(agreed("main,main\\a\\past(init(1) * 2, a),past\\b\\i\\cork(b, i, 7)"), "Z after ");
  // A block the caller still reads keeps its bytes.
  EXPECT_EQ(agreed("main,main\\a\\keep(init(5) * 2, 1),keep\\b\\i\\V (look(b, 1)) (look(cork(b, i, 9), 1))"),
            "(V5 9) after ");
}

TEST_F(EngineCallsTest, OneLetterKeptByTheFrameOfACall) {
  // The kept value is the very node given, whatever came back from the call
  // in between, and a closure kept so is applied after it, in order.
  EXPECT_EQ(agreed("main,main\\a\\keeper(J a K, 3),keeper\\x\\n\\(n < 1) x (pick(keeper(x, n - 1), x)),"
                   "pick\\y\\x\\same(y, x) x 0"),
            "J7K after ");
  EXPECT_EQ(agreed("main,main\\a\\ap(x\\tick(x * a), 2),ap\\f\\n\\(n < 1) (f 1) (ap(f, n - 1) - (f 2))"),
            "021 after 7;14;14;");  // negatives are written from 0
  // A block kept for the operand after the call: cork changes a copy while
  // a caller still holds it, and each reads the block as it was.
  EXPECT_EQ(agreed("main,main\\a\\marks(init(0) * 3, 2),"
                   "marks\\b\\n\\(n < 1) (look(b, 0)) (marks(cork(b, 0, n), n - 1) + look(b, 0) * 10)"),
            "21 after ");
}

TEST_F(EngineCallsTest, CellsBuiltInTheCellsAMatchTookApart) {
  const std::string lists = ",upto\\n\\(n < 1) K (J n (upto(n - 1))),rev\\l\\f\\l f (h\\t\\rev(t, J h f)),"
                            "cat\\f\\b\\f b (h\\t\\J h (cat(t, b)))";
  // A list held by its call alone, reversed onto another and put in front
  // of one: each cell taken apart is dead once its parts are bound.
  EXPECT_EQ(agreed("main,main\\a\\V (rev(upto(3), J 9 K)) (cat(upto(2), J a K))" + lists), "(V (J1 (J2 (J3 J9K))) (J2 (J1 J7K))) after ");
  // The same list held twice, and by a letter read afterwards: its cells
  // must stay as they were.
  EXPECT_EQ(agreed("main,main\\a\\l{upto(3)}V (V (rev(l, K)) (cat(l, l))) l" + lists), "(V (V (J1 (J2 J3K)) (J3 (J2 (J1 (J3 (J2 J1K)))))) (J3 (J2 J1K))) after ");
  // The tail of a cell built again, read by an operand collected after it;
  // and a pair's first part kept in front of its second, computed.
  EXPECT_EQ(agreed("main,main\\a\\step(upto(a)),step\\l\\l K (h\\t\\both(J h K, t)),both\\x\\y\\J x y" + lists),
            "(J J7K (J6 (J5 (J4 (J3 (J2 J1K)))))) after ");
  EXPECT_EQ(agreed("main,main\\a\\bump(V (J a K) a),bump\\p\\p (x\\y\\V x (tick(y + 1)))"), "(V J7K 8) after 8;");
}

TEST_F(EngineCallsTest, BodiesThatBeginWithAChoiceOnTheirParameters) {
  // The parameter chosen is the very value given, and a value written in
  // the body is the very node written there.
  EXPECT_EQ(agreed("main,main\\a\\l{J a K}V (same(keepif(l, 0), l) 1 0) (keepif(l, 1)),keepif\\x\\n\\(n < 1) x K"),
            "V1K after ");
  // Numbers that are no machine integers (a real, a wide integer, a text)
  // are compared by the body itself.
  EXPECT_EQ(agreed("main,main\\a\\J (sign(real a)) (J (sign(0 - 10 ^ 30)) (J (sign(10 ^ 30)) (sign [7]))),sign\\x\\(x < 0) x 2"),
            "(J real[7.000000e+00] (J01000000000000000000000000000000 (J2 2))) after ");
  // Two parameters of one letter, an argument the body never reads, a
  // constant chosen: every argument is computed, in order, and dropped.
  EXPECT_EQ(agreed("main,main\\a\\V (dup(tick 1, tick 8)) (V (cap(1, tick 4)) (cap(tick a, 2))),"
                   "dup\\x\\x\\(x < 5) x 9,cap\\n\\m\\(n < 3) ten 3,ten\\5 + 5"),
            "(V1 (V10 3)) after 1;8;4;7;");
  // A function chosen and given more arguments than the call takes.
  EXPECT_EQ(agreed("main,main\\a\\ap(y\\tick(y + a), 2) 5,ap\\f\\n\\(n < 1) f (ap(f, n - 1))"), "12 after 12;");
}

TEST_F(EngineCallsTest, BodiesThatBeginWithAMatchOnTheirParameters) {
  const std::string lists = ",upto\\n\\(n<1) K (J n (upto(n-1)))";
  // The empty case is the very value given for its parameter, or the very
  // node written in the body; a tree of numbers written there is answered,
  // and a spine there is computed under the call's parameters.
  EXPECT_EQ(agreed("main,main\\a\\l{upto(2)}J (same(cat(K, l), l) 1 0) (J (same(ends(K), ends(K)) 1 0) "
                   "(J (neg(K)) (J (late(K, a)) (cat(upto(3), l))))),"
                   "cat\\f\\b\\f b (h\\t\\J h (cat(t, b))),ends\\l\\l (V K K) (h\\t\\h),"
                   "neg\\l\\l (0 - 1) (h\\t\\h),late\\l\\n\\l (tick(n + 1)) (h\\t\\late(t, n))" + lists),
            "(J1 (J1 (J01 (J8 (J3 (J2 (J1 (J2 J1K)))))))) after 8;");
  // The lambda's letter is the parameter's own, or the list matched is read
  // again in the case of a pair; a pair match given a pair, a list match
  // given a pair and a pair match given a list go the way the body would.
  EXPECT_EQ(agreed("main,main\\a\\J (walk(upto(3), 0)) (J (keepl(upto(2), K)) (J (swap(V a 1)) "
                   "(J (swap(J a 1)) (walk(V 1 2, 0))))),"
                   "walk\\l\\n\\l n (x\\l\\walk(l, n + x)),keepl\\l\\f\\l f (h\\t\\V (J h f) l),"
                   "swap\\p\\p (x\\y\\V y x)" + lists),
            "(J6 (J (V J2K (J2 J1K)) (J (V1 7) (J (V7 1) (K (\\x (\\l (walk l +0x)))))))) after ");
  // The match after a first choice, a text and a failure written as its
  // empty case, and an argument that is no list (a number).
  EXPECT_EQ(agreed("main,main\\a\\J (pick(1, upto(4))) (J (pick(0, K)) (J (pick(2, 5)) (nth(K, 0)))),"
                   "pick\\n\\l\\(n < 1) l (l [none] (h\\t\\(n < 2) h (pick(n - 1, t)))),"
                   "nth\\l\\i\\l Z (h\\t\\(i < 1) h (nth(t, i - 1)))" + lists),
            "(J4 (JK JKZ)) after ");
}

TEST_F(EngineCallsTest, LongLoopsOfCallsTakeNoNativeStack) {
  // A million calls in tail position, and a recursion whose frames are on
  // the heap: both run in one step of the machine's loop after another.
  EXPECT_EQ(run("main,main\\a\\looping(0, 1000000, 0),looping\\i\\n\\s\\(i = n) s (looping(i + 1, n, s + i))", evaluate),
            "499999500000 after ");
  EXPECT_EQ(run("main,main\\a\\downto(200000),downto\\n\\(n = 0) 0 (1 + downto(n - 1))", evaluate), "200000 after ");
}

}  // namespace
}  // namespace quorl
