// The whole-program checks and steps of linking, on hand-built tables.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "compile/layouts.hpp"
#include "compile/link.hpp"
#include "compile/rewrite.hpp"
#include "driver/check.hpp"
#include "term/tables.hpp"
#include "term_builders.hpp"

namespace quorl {
namespace {

using builders::A;
using builders::L;
using builders::lambda;
using builders::wing;
// n lambdas over a, b, c, ... around Z.
NodeRef lambdas(int n, std::string_view body = "Z") {
  NodeRef term = L(body);
  for (int i = n - 1; i >= 0; i--) term = lambda(std::string(1, char('a' + i)), std::move(term));
  return term;
}

void expectOutcome(const RunOutcome& outcome, std::string_view status, std::string_view message,
                   std::string_view vip = {}, std::string_view tip = {}) {
  EXPECT_EQ(outcome.status, status);
  EXPECT_EQ(outcome.message, message);
  EXPECT_EQ(outcome.vip, vip);
  EXPECT_EQ(outcome.tip, tip);
  EXPECT_EQ(outcome.way, "");
}

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override { resetGlobalTables(); }
  void TearDown() override { resetGlobalTables(); }
};

TEST(FindFunkyForm, FindsTheFirstBinderThatIsNoName) {
  EXPECT_FALSE(findFunkyForm(lambda("x", wing(L("[+]"), L("1"), L("x")))));
  NodeRef bad = lambda("1", L("x"));
  std::optional<NodeRef> found = findFunkyForm(A(L("g"), lambda("y", bad)));
  ASSERT_TRUE(found);
  EXPECT_TRUE(*found == bad);
  // Left before right: the function part's form is reported first.
  NodeRef left = wing(A(L("p"), L("q")), L("1"), L("p"));
  NodeRef right = lambda("2", L("x"));
  found = findFunkyForm(A(A(L("g"), left), right));
  ASSERT_TRUE(found);
  EXPECT_TRUE(*found == left);
  // A wing's value is looked at before its body.
  NodeRef inValue = lambda("A1", L("x"));
  found = findFunkyForm(wing(L("v"), lambda("w", inValue), right));
  ASSERT_TRUE(found);
  EXPECT_TRUE(*found == inValue);
}

TEST(GlobalRefs, BindersHideTheirNamesFromTheirScopeOnly) {
  // g\x\x (h y) [t] 12 }  refers to h, y and the empty operand.
  NodeRef term = lambda("x", A(L("x"), A(L("h"), L("y")), A(L("[t]"), L("12"), L("}"))));
  EXPECT_EQ(globalRefs(term), (NameSet{"h", "y", "}"}));
  // A wing's binder covers its body but not its value.
  EXPECT_EQ(globalRefs(wing(L("v"), L("v"), A(L("v"), L("w")))), (NameSet{"v", "w"}));
  // An operator bound as [+] hides the bare "+".
  EXPECT_EQ(globalRefs(lambda("[+]", A(L("+"), L("-"), L("1")))), (NameSet{"-"}));
  // A name bound again inside stays hidden after the inner scope ends.
  EXPECT_EQ(globalRefs(lambda("x", A(lambda("x", L("x")), L("x")))), NameSet{});
}

TEST_F(LinkTest, LivenessFollowsReferencesFromTheMainExpression) {
  DefinitionMap table;
  table.emplace("", A(L("f"), L("g")));
  table.emplace("f", lambda("x", L("x")));
  table.emplace("g", lambda("x", A(L("f"), L("x"))));
  table.emplace("dead", A(L("nowhere_defined"), L("y")));  // never reached
  EXPECT_TRUE(checkLiveness(table).ok());

  table.insert_or_assign("", A(L("f"), L("q")));
  expectOutcome(checkLiveness(table), "alive", "Alive function TOP references undefined q.",
                "TOP", "q");

  table.insert_or_assign("", A(L("f"), L("g")));
  table.insert_or_assign("g", lambda("x", A(L("q"), L("y"))));
  expectOutcome(checkLiveness(table), "alive", "Alive function g references undefined q.", "g",
                "q");
}

TEST_F(LinkTest, LivenessNamesTheLastReferrerAndFreeLetters) {
  DefinitionMap table;
  table.emplace("", A(L("f"), L("g")));
  table.emplace("f", A(L("q"), L("1")));
  table.emplace("g", A(L("q"), L("2")));
  expectOutcome(checkLiveness(table), "alive", "Alive function g references undefined q.", "g",
                "q");
  table.insert_or_assign("f", lambda("a", A(L("b"), L("a"))));
  table.insert_or_assign("g", L("1"));
  expectOutcome(checkLiveness(table), "alive", "Alive function f references undefined b.", "f",
                "b");
}

TEST_F(LinkTest, LivenessWithNamesDefinedElsewhere) {
  DefinitionMap global;
  global.emplace("old", L("1"));
  DefinitionMap local;
  local.emplace("", A(L("old"), L("fresh")));
  local.emplace("fresh", L("2"));
  EXPECT_TRUE(checkLiveness(local, &global).ok());
  local.insert_or_assign("", L("lost"));
  expectOutcome(checkLiveness(local, &global, "function "), "alive",
                "Alive function TOP references undefined function lost.", "TOP", "lost");
}

TEST_F(LinkTest, PruningDropsBrokenDefinitionsAndRestoresSavedOnes) {
  DefinitionMap saved;
  saved.emplace("K", lambdas(2, "a"));
  DefinitionMap table;
  table.emplace("", L("ok"));
  table.emplace("ok", L("1"));
  table.emplace("K", A(L("missing"), L("1")));  // a saved name replaced badly
  table.emplace("uses_k", A(L("K"), L("2")));   // broken through K
  table.emplace("deeper", A(L("uses_k"), L("3")));
  table.emplace("free", lambda("a", L("b")));  // a free letter is undefined too
  pruneBrokenDefinitions(table, saved);
  EXPECT_EQ(table.size(), 3u);
  ASSERT_EQ(table.count("K"), 1u);
  EXPECT_TRUE(table.at("K") == saved.at("K"));
  EXPECT_EQ(table.count("uses_k") + table.count("deeper") + table.count("free"), 0u);
}

TEST_F(LinkTest, PlaceCheckAllowsTwentySixBinders) {
  // 26 binders: 25 letters b..z and one long name that gets 'a'.
  NodeRef body = L("1");
  for (char c = 'z'; c >= 'b'; c--) body = lambda(std::string(1, c), std::move(body));
  DefinitionMap table;
  table.emplace("g", lambda("count", std::move(body)));
  ASSERT_TRUE(placeBinders(table).ok());
  EXPECT_EQ(termText(table.at("g")).substr(0, 9), "(\\a (\\b (");
  EXPECT_TRUE(binderNamesLong(table.at("g")).empty());

  NodeRef more = lambda("total", table.at("g"));
  table.insert_or_assign("g", more);
  expectOutcome(placeBinders(table), "place", "Place error in function g.", "g");
  table.erase("g");
  table.emplace("", more);
  expectOutcome(placeBinders(table), "place", "Place error.");
}

TEST_F(LinkTest, LongBindersTakeTheFirstFreeLettersInNameOrder) {
  // total\a\count\c\total+count
  NodeRef term = lambda("total", lambda("a", lambda("count", lambda("c",
                         A(L("+"), L("total"), L("count"))))));
  DefinitionMap table;
  table.emplace("sum_up", term);
  ASSERT_TRUE(placeBinders(table).ok());
  NodeRef expected = lambda("d", lambda("a", lambda("b", lambda("c", A(L("+"), L("d"), L("b"))))));
  EXPECT_EQ(compare(table.at("sum_up"), expected), 0) << termText(table.at("sum_up"));
}

TEST_F(LinkTest, PlaceCheckLogsTheDefinitionBeforeRenaming) {
  DefinitionMap table;
  table.emplace("logged_definition_xq", lambda("item", L("item")));
  ASSERT_TRUE(placeBinders(table).ok());
  std::ifstream log(kDebugLogPath);
  std::stringstream all;
  all << log.rdbuf();
  EXPECT_NE(all.str().find("First logged_definition_xq: (\\item item)\n"), std::string::npos);
}

TEST_F(LinkTest, ArityCountsLeadingLambdasUpToTen) {
  DefinitionMap table;
  table.emplace("ten", lambdas(10));
  table.emplace("inner", A(L("K"), lambdas(11)));  // not leading
  EXPECT_TRUE(checkArity(table).ok());
  table.emplace("g", lambdas(11));
  expectOutcome(checkArity(table), "arity", "Arity of function g may not exceed ten.", "g");
}

TEST_F(LinkTest, LocalCheckNamesTheLowestFreeLetter) {
  setDefinition("\\", lambdas(3));
  setDefinition("plus", lambdas(2));
  DefinitionMap table;
  table.emplace("g", lambda("a", A(L("plus"), L("a"), L("1"))));
  EXPECT_TRUE(checkLocals(table).ok());
  table.emplace("h", lambda("a", A(L("y"), L("x"), L("a"))));
  expectOutcome(checkLocals(table), "local", "Local variable x unbound in function h.", "h", "x");
  table.erase("h");
  table.emplace("", A(L("q"), L("1")));
  expectOutcome(checkLocals(table), "local", "Local variable q unbound.", "", "q");
}

TEST(RecordLayouts, DescribeEveryRecordWithItsPadding) {
  EXPECT_EQ(recordLayoutText(),
            "[[addrinfo[ai_flags[4]][ai_family[4]][ai_socktype[4]][ai_protocol[4]][ai_addrlen[8]]"
            "[ai_canonname[8]][ai_addr[8]][ai_next[8]]][dirent[d_ino[4]][d_off[4]][d_reclen[2]]"
            "[[6]][d_namlen[8]][d_type[4]][d_name[261]][[7]]][fd_set[[520]]][size_t[[8]]]"
            "[socklen_t[[4]]][time_t[[8]]]]");
}

TEST_F(LinkTest, LinkingSharesAnnotatesAndRecordsTheLayouts) {
  setDefinition("\\", lambdas(3));
  setDefinition("{", lambdas(3));
  setDefinition("K", lambdas(2, "a"));
  setDefinition("Z", lambdas(1));
  setDefinition("plus", lambdas(2));
  setDefinition("", A(L("first"), L("12345")));
  setDefinition("first", lambda("number", A(L("plus"), L("number"), L("12345"))));
  setDefinition("unused", A(L("K"), L("12345")));
  setDefinition("broken", A(L("undefined_name"), L("1")));
  preludeSnapshot().emplace("K", lambdas(2, "a"));

  ASSERT_TRUE(linkProgram().ok());
  const NodeRef* layout = findDefinition("_");
  ASSERT_NE(layout, nullptr);
  EXPECT_EQ(layout->text(), recordLayoutText());
  EXPECT_EQ(findDefinition("broken"), nullptr);
  EXPECT_TRUE(preludeSnapshot().empty());

  // The numeral is one Node everywhere, and the long binder became 'a'.
  const Node* mainNumber = argumentOf(findDefinition("")->get());
  const Node* firstBody = argumentOf(findDefinition("first")->get());
  EXPECT_EQ(argumentOf(firstBody), mainNumber);
  EXPECT_EQ(argumentOf(findDefinition("unused")->get()), mainNumber);
  EXPECT_EQ(termText(*findDefinition("first")), "(\\a (plus a 12345))");
  for (const auto& [name, term] : definitionTable()) EXPECT_TRUE(isAnnotated(term.get())) << name;
  // Only values stay interned.
  for (const NodeRef& term : internedTerms()) EXPECT_TRUE(isValue(term.get())) << termText(term);
}

TEST_F(LinkTest, LinkingStopsAtTheFirstFailureInStepOrder) {
  setDefinition("\\", lambdas(3));
  // Both malformed and undefined: the malformed binder is found first.
  setDefinition("", A(L("nothing"), L("1")));
  setDefinition("g", lambda("1", L("x")));
  expectOutcome(linkProgram(), "funky",
                "Funky key in expression \\1x in function g.", "g", "\\1x");
  resetGlobalTables();
  setDefinition("\\", lambdas(3));
  setDefinition("", lambda("7", L("x")));
  expectOutcome(linkProgram(), "funky", "Funky key in expression \\7x.", "", "\\7x");
}

}  // namespace
}  // namespace quorl
