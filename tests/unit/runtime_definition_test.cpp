// load and road: source compiled while a program runs.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "compile/compile.hpp"
#include "compile/link.hpp"
#include "compile/runtime_definition.hpp"
#include "eval/engine.hpp"
#include "eval/failure_record.hpp"
#include "front/chars.hpp"
#include "front/parser.hpp"
#include "front/prelude.hpp"
#include "numbers/number.hpp"
#include "numbers/real.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

class RuntimeDefinitionTest : public ::testing::Test {
 protected:
  // A linked program is running: its own definitions are global.
  void SetUp() override {
    compilePrelude();
    ASSERT_TRUE(compileProgram("0,count\\a\\a").ok());
    ASSERT_TRUE(linkProgram().ok());
  }
  void TearDown() override { resetGlobalTables(); }

  static NodeRef evaluateSource(std::string_view expression) {
    return evaluate(parseExpression(normaliseSource(expression)));
  }
  static int64_t integerOf(std::string_view expression) {
    NodeRef value = evaluateSource(expression);
    EXPECT_TRUE(isNumber(value.get())) << expression;
    return isNumber(value.get()) ? numberToInt64(value) : -999;
  }
  static bool isFailureValue(const NodeRef& value) {
    return value.isLeafNode() && value.text() == "Z";
  }
  // What road reports for a source; the success outcome when it passes.
  static RunOutcome roadOutcome(std::string_view source) {
    NodeRef value = roadBuiltin(apply(leaf("road"), leaf("[" + std::string(source) + "]")));
    if (value.isApp() && value.fun().isLeafNode() && value.fun().text() == "]")
      return readFailureRecord(value.arg().text());
    EXPECT_TRUE(value.isApp() && value.fun().text() == "I") << source;
    return RunOutcome();
  }
  static void expectReport(std::string_view source, std::string_view status,
                           std::string_view message, std::string_view vip = {},
                           std::string_view tip = {}, std::string_view way = {}) {
    RunOutcome o = roadOutcome(source);
    EXPECT_EQ(o.status, status) << source;
    EXPECT_EQ(o.message, message) << source;
    EXPECT_EQ(o.vip, vip) << source;
    EXPECT_EQ(o.tip, tip) << source;
    EXPECT_EQ(o.way, way) << source;
  }
};

TEST_F(RuntimeDefinitionTest, SourceComesFromTextsBlocksAndIntegers) {
  EXPECT_EQ(integerOf("load [1]"), 1);
  EXPECT_EQ(integerOf("load [6*7]"), 42);
  // An integer is its own compact text, so it loads as itself.
  EXPECT_EQ(integerOf("load 12"), 12);
  EXPECT_EQ(integerOf("load (0-5)"), -5);
  EXPECT_EQ(integerOf("road [2+3]"), 5);
  NodeRef block = leaf(byteBlockText("count 9"));
  EXPECT_EQ(numberToInt64(evaluate(apply(leaf("load"), block))), 9);
  // Reals, binary numbers and functions have no source text.
  EXPECT_TRUE(isFailureValue(evaluate(apply(leaf("load"), makeReal(1.5)))));
  EXPECT_TRUE(isFailureValue(evaluateSource("load 00")));
  EXPECT_TRUE(isFailureValue(evaluateSource("load K")));
  EXPECT_TRUE(isFailureValue(evaluateSource("road (K 1)")));
}

TEST_F(RuntimeDefinitionTest, LoadedDefinitionsJoinTheRunningProgram) {
  // Only definitions: the result is the unit I.
  NodeRef defined = evaluateSource("load [,twice\\f\\x\\f(f x)]");
  EXPECT_TRUE(defined.isLeafNode() && defined.text() == "I");
  EXPECT_EQ(integerOf("load [twice(plus 1)5]"), 7);
  // Loaded source uses the program's names and long parameter names.
  EXPECT_EQ(integerOf("road [thrice count 4,thrice\\fun\\x\\fun(fun(fun x))]"), 4);
  // Names of the running program, the Prelude and the builtins stay as they are.
  EXPECT_TRUE(isFailureValue(evaluateSource("load [,twice\\f\\x\\x]")));
  EXPECT_TRUE(isFailureValue(evaluateSource("load [,K\\a\\b\\b]")));
  EXPECT_TRUE(isFailureValue(evaluateSource("load [,plus\\a\\b\\b]")));
  EXPECT_EQ(integerOf("twice(plus 1)5"), 7);
  // A single letter, the lambda or the wing cannot be defined.
  EXPECT_TRUE(isFailureValue(evaluateSource("load [,g\\x\\x]")));
  EXPECT_TRUE(isFailureValue(evaluateSource("load [,[{]\\x\\x]")));
}

TEST_F(RuntimeDefinitionTest, NullaryDefinitionsAreRecomputedLikeCompiledOnes) {
  ASSERT_EQ(integerOf("load [now+0,now()\\plus 1 2,later\\plus 3 4]"), 3);
  EXPECT_EQ(nullaryNames().count("now"), 1u);
  EXPECT_EQ(nullaryNames().count("later"), 0u);
  // The later definition of a key replaces the nullary one, and its mark.
  ASSERT_TRUE(roadOutcome("1,soon()\\5,soon\\6").ok());
  EXPECT_EQ(nullaryNames().count("soon"), 0u);
  EXPECT_EQ(integerOf("soon"), 6);
}

TEST_F(RuntimeDefinitionTest, RoadReportsWhatStoppedIt) {
  expectReport("x,a\\1", "lower",
               "Single lowercase letters (a) cannot be defined as global variables.", "____b", "a");
  expectReport("(", "match", "Dangling left-parenthesis at [_____].", "_____", "", "yes");
  expectReport("x+(a,b)", "comma", "Comma at [____d] is not part of a valid call list.", "____d");
  expectReport("1,[\\]\\a\\a", "built", "Built in function \\ cannot be re-defined.", "____b",
               "\\");
  expectReport(",plus\\x\\x", "roads", "Attempt to redefine function plus using the road function.",
               "plus");
  expectReport("fresh 1,fresh\\x\\qux x", "alive",
               "Alive function fresh references undefined function qux.", "fresh", "qux");
  expectReport("nowhere", "alive", "Alive function TOP references undefined function nowhere.",
               "TOP", "nowhere");
  expectReport("1,wide\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\k\\a", "arity",
               "Arity of function wide may not exceed ten.", "wide");
  expectReport("odd 2,odd\\x\\(1{x}x)", "funky",
               "Funky key in expression ({1x x) in function odd.", "odd", "({1x x))");
  // Renaming the binder also renames the free use of the same name.
  expectReport("(count\\count 1)count", "local", "Local variable a unbound.", "", "a");
}

TEST_F(RuntimeDefinitionTest, AFailedRoadLeavesTheProgramAsItWas) {
  size_t before = definitionTable().size();
  EXPECT_FALSE(roadOutcome("qux,fine\\x\\x").ok());
  EXPECT_FALSE(roadOutcome("(count\\count 1)count,fine\\x\\x").ok());
  EXPECT_FALSE(roadOutcome("1,fine\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\k\\a").ok());
  // So does a load that fails before its last check.
  EXPECT_TRUE(isFailureValue(evaluateSource("load [qux,fine\\x\\x]")));
  EXPECT_TRUE(isFailureValue(evaluateSource("load [1,fine\\1\\x]")));
  EXPECT_EQ(definitionTable().size(), before);
  EXPECT_EQ(findDefinition("fine"), nullptr);
}

TEST_F(RuntimeDefinitionTest, LoadChecksLocalVariablesAfterItsDefinitionsJoin) {
  // The main expression fails the check, and the definition has joined.
  EXPECT_TRUE(isFailureValue(evaluateSource("load [(count\\count 1)count,fine\\x\\x]")));
  EXPECT_EQ(integerOf("load [fine 3]"), 3);
  // A definition that fails it joins too, and keeps its name from being
  // loaded again.
  EXPECT_TRUE(isFailureValue(evaluateSource("load [0,gg\\x\\J x y]")));
  EXPECT_TRUE(isFailureValue(evaluateSource("load [0,gg\\x\\x]")));
  // Its unbound letter stands for Z, within the call's bindings.
  NodeRef pair = evaluateSource("load [gg 5]");
  ASSERT_TRUE(pair.isApp());
  EXPECT_EQ(pair.fun().arg().text(), "5");
  EXPECT_TRUE(isFailureValue(pair.arg()));
  // A lambda inside still binds its own letter.
  EXPECT_TRUE(isFailureValue(evaluateSource("load [1,mm\\x\\V ((z\\z+x) 1) z]")));
  NodeRef inner = evaluateSource("load [mm 5]");
  ASSERT_TRUE(inner.isApp());
  EXPECT_EQ(inner.fun().arg().text(), "6");
  EXPECT_TRUE(isFailureValue(inner.arg()));
}

TEST_F(RuntimeDefinitionTest, LoadTakesMoreThanTenParameters) {
  EXPECT_EQ(integerOf("load [1,wide\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\k\\a]"), 1);
  // An arity stops counting at eleven: all the arguments never arrive.
  NodeRef partial = evaluateSource("load [wide 1 2 3 4 5 6 7 8 9 10 11 12]");
  EXPECT_TRUE(partial.isApp() && partial.arg().text() == "12");
}

TEST_F(RuntimeDefinitionTest, DeadDefinitionsThatUseUndefinedNamesAreDropped) {
  // Nothing live reaches the broken ones; the sound one is kept.
  ASSERT_EQ(integerOf("load [1,fine\\x\\x,broken\\x\\qux,leans\\broken 1]"), 1);
  EXPECT_NE(findDefinition("fine"), nullptr);
  EXPECT_EQ(findDefinition("broken"), nullptr);
  EXPECT_EQ(findDefinition("leans"), nullptr);
  EXPECT_EQ(integerOf("load [fine 3]"), 3);
}

TEST_F(RuntimeDefinitionTest, DeadDefinitionsAreStillChecked) {
  // A free letter is an unbound variable, never a name defined elsewhere,
  // and a dead definition joins the program all the same.
  expectReport("0,gg\\x\\y", "local", "Local variable y unbound in function gg.", "gg", "y");
  expectReport("0,gg\\1\\x", "funky", "Funky key in expression \\1x in function gg.", "gg",
               "\\1x");
  expectReport("0,gg\\x\\(1{x}qux)", "funky",
               "Funky key in expression ({1x qux) in function gg.", "gg", "({1x qux))");
  expectReport("0,gg\\a\\b\\c\\d\\e\\f\\g\\h\\i\\j\\k\\qux", "arity",
               "Arity of function gg may not exceed ten.", "gg");
  size_t before = definitionTable().size();
  EXPECT_TRUE(isFailureValue(evaluateSource("load [0,gg\\1\\x]")));
  EXPECT_TRUE(isFailureValue(evaluateSource("load [0,gg\\x\\(1{x}qux)]")));
  EXPECT_EQ(definitionTable().size(), before);
}

TEST_F(RuntimeDefinitionTest, SourceGetsNoPairOrBackquoteRewrite) {
  // A two-name binder is two names, a backquote an undefined name; long
  // names are renamed as in a program's own definitions.
  expectReport("p q{V 6 7}p*q", "alive", "Alive function TOP references undefined function p.",
               "TOP", "p");
  expectReport("`(6*7) H", "alive", "Alive function TOP references undefined function `.", "TOP",
               "`");
  EXPECT_TRUE(isFailureValue(evaluateSource("load [product(V 6 7),product\\pair\\a b{pair}a*b]")));
  EXPECT_TRUE(isFailureValue(evaluateSource("load [source_of 5 H,source_of\\value\\`value]")));
  EXPECT_EQ(integerOf("load [twice 21,twice\\number\\number*2]"), 42);
}

TEST_F(RuntimeDefinitionTest, ARoadFailureEndsTheEvaluation) {
  NodeRef value = evaluateSource("plus 1 (road [x,a\\1])");
  ASSERT_TRUE(value.isApp());
  EXPECT_EQ(value.fun().text(), "]");
  EXPECT_EQ(readFailureRecord(value.arg().text()).status, "lower");
  // A failed load is an ordinary value that absorbs what uses it.
  EXPECT_TRUE(isFailureValue(evaluateSource("plus 1 (load [x,a\\1])")));
}

}  // namespace
}  // namespace quorl
