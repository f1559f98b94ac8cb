// Lambdas as programs nest them, keep them and pass them around, run as
// compiled code with closures: each program here gives the value and the
// order of work (every `tick` records what it was given) of the engine
// that substitutes, and the engine itself substitutes nothing on the way.
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

using testing::tickLog;
using testing::tickRecording;

class EngineClosuresTest : public ::testing::Test {
 protected:
  void TearDown() override { resetGlobalTables(); }

  // The value of `main` applied to 7, then what was ticked.
  std::string run(const std::string& program, NodeRef (*engine)(NodeRef)) {
    compilePrelude();
    builtinTable();
    builtinStorage().emplace("tick", BuiltinEntry{1, tickRecording});
    tickLog().clear();
    EXPECT_TRUE(compileProgram(program).ok()) << program;
    RunOutcome linked = linkProgram();
    EXPECT_TRUE(linked.ok()) << linked.message;
    NodeRef result = engine(apply(*findDefinition(""), leaf("7")));
    return termText(result) + " after " + tickLog();
  }

  // What both engines give; unless the program looks at a lambda's term,
  // the engine must build no term by substitution on the way.
  std::string agreed(const std::string& program, bool looksAtTerms = false) {
    std::string expected = run(program, evaluateBySubstitution);
    uint64_t before = substitutionsMade();
    std::string actual = run(program, evaluate);
    if (!looksAtTerms) EXPECT_EQ(substitutionsMade(), before) << "substituted: " << program;
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
  EXPECT_EQ(agreed("main,main\\a\\lisp(v\\a + 1)", true), "[\\v8] after ");
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

}  // namespace
}  // namespace quorl
