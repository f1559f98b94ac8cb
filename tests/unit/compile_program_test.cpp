// Program compilation: what is stored for each kind of piece, and the
// failures it reports.
#include <gtest/gtest.h>

#include <string>

#include "builtins/table.hpp"
#include "compile/compile.hpp"
#include "compile/rewrite.hpp"
#include "front/prelude.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

NodeRef L(std::string_view text) { return leaf(text); }
NodeRef A(NodeRef g, NodeRef x) { return apply(std::move(g), std::move(x)); }
NodeRef lambda(std::string_view v, NodeRef body) { return apply3(L("\\"), L(v), std::move(body)); }

class CompileTest : public ::testing::Test {
 protected:
  void SetUp() override { compilePrelude(); }
  void TearDown() override { resetGlobalTables(); }

  // The names the program itself defined (not the Prelude or a builtin).
  static NameSet programNames() {
    NameSet names;
    for (const auto& [name, term] : definitionTable())
      if (preludeSnapshot().count(name) == 0 && findBuiltin(name) == nullptr) names.insert(name);
    return names;
  }

  static void expectStored(std::string_view name, const NodeRef& expected) {
    const NodeRef* stored = findDefinition(name);
    ASSERT_NE(stored, nullptr) << name;
    EXPECT_EQ(compare(*stored, expected), 0) << termText(*stored) << " vs " << termText(expected);
  }
};

TEST_F(CompileTest, MainExpressionAloneOrEmpty) {
  ASSERT_TRUE(compileProgram("x").ok());
  EXPECT_EQ(programNames(), NameSet{""});
  expectStored("", L("x"));

  ASSERT_TRUE(compileProgram(",id\\a\\a").ok());
  EXPECT_EQ(programNames(), (NameSet{"", "id"}));
  expectStored("", L("}"));
  expectStored("id", lambda("a", L("a")));
}

TEST_F(CompileTest, PiecesThatAreNotDefinitionsAreSkipped) {
  ASSERT_TRUE(compileProgram("m,note: this is ignored,gg\\x\\x,m,hh x\\x,12\\x,[q]\\x").ok());
  EXPECT_EQ(programNames(), (NameSet{"", "gg"}));
  expectStored("", L("m"));
}

TEST_F(CompileTest, NullaryAndPlainFormsReplaceEachOther) {
  ASSERT_TRUE(compileProgram("m,now()\\plus 1 2").ok());
  expectStored("now", A(L("I"), A(A(L("plus"), L("1")), L("2"))));
  EXPECT_EQ(nullaryNames().count("now"), 1u);

  ASSERT_TRUE(compileProgram("m,now()\\1,now\\2").ok());
  expectStored("now", L("2"));
  EXPECT_EQ(nullaryNames().count("now"), 0u);
}

TEST_F(CompileTest, LastDefinitionWinsAndProgramsReplacePreludeEntries) {
  ASSERT_TRUE(compileProgram("m,gg\\1,gg\\2,[+]\\a\\b\\a,K\\7").ok());
  expectStored("gg", L("2"));
  expectStored("+", lambda("a", lambda("b", L("a"))));
  expectStored("K", L("7"));
}

TEST_F(CompileTest, BuiltinsArePredefinedAsLambdasAroundZ) {
  ASSERT_TRUE(compileProgram("m").ok());
  expectStored("plus", lambda("a", lambda("b", L("Z"))));
  expectStored("cork", lambda("a", lambda("b", lambda("c", L("Z")))));
  expectStored("abort", L("Z"));
  size_t stored = 0;
  for (const auto& [name, row] : builtinTable()) stored += findDefinition(name) != nullptr;
  EXPECT_EQ(stored, builtinTable().size());
}

TEST_F(CompileTest, GlobalNamesMayNotBeLowercaseLettersOrBuiltins) {
  RunOutcome lower = compileProgram("m,a\\1");
  EXPECT_EQ(lower.status, "lower");
  EXPECT_EQ(lower.message, "Single lowercase letters (a) cannot be defined as global variables.");
  EXPECT_EQ(lower.vip, "____b");
  EXPECT_EQ(lower.tip, "a");

  RunOutcome builtin = compileProgram("m,gg\\1,plus\\a\\b\\a");
  EXPECT_EQ(builtin.status, "built");
  EXPECT_EQ(builtin.message, "Built in function [plus] cannot be re-defined.");
  EXPECT_EQ(builtin.vip, "____g");
  EXPECT_EQ(builtin.tip, "plus");

  RunOutcome lambdaKey = compileProgram("m,[\\]\\x");
  EXPECT_EQ(lambdaKey.message, "Built in function [\\] cannot be re-defined.");
  EXPECT_EQ(lambdaKey.tip, "\\");
  EXPECT_EQ(compileProgram("m,[{]()\\x").message, "Built in function [{] cannot be re-defined.");
}

TEST_F(CompileTest, PositionsCountInTheNormalisedText) {
  // Raw offset of the 'a' is 16; after normalisation the text is "m,gg\1,a\1".
  RunOutcome outcome = compileProgram("  m ,\n  gg\\ 1,\n a\\1");
  EXPECT_EQ(outcome.status, "lower");
  EXPECT_EQ(outcome.vip, "____g");
}

TEST_F(CompileTest, BracketFailuresStopBeforeAnythingIsStored) {
  resetGlobalTables();
  RunOutcome outcome = compileProgram("m,gg\\(x");
  EXPECT_EQ(outcome.status, "match");
  EXPECT_EQ(outcome.message, "Dangling left-parenthesis at [____e].");
  EXPECT_EQ(findDefinition(""), nullptr);
  EXPECT_EQ(findDefinition("plus"), nullptr);
  EXPECT_EQ(compileProgram("m,gg\\(a,b)").status, "comma");
}

}  // namespace
}  // namespace quorl
