// Test support: one program run in the engine and in the substituting
// engine it replaced, whose values must agree.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "compile/compile.hpp"
#include "compile/link.hpp"
#include "compile/rewrite.hpp"
#include "eval/engine.hpp"
#include "front/prelude.hpp"
#include "reference_engine.hpp"
#include "term/tables.hpp"

namespace quorl::testing {

class EngineAgreementTest : public ::testing::Test {
 protected:
  void TearDown() override { resetGlobalTables(); }

  // The value of the program's main applied to 0, reduced by `engine`.
  NodeRef value(const std::string& program, NodeRef (*engine)(NodeRef)) {
    compilePrelude();
    EXPECT_TRUE(compileProgram(program).ok()) << program.substr(0, 200);
    RunOutcome linked = linkProgram();
    EXPECT_TRUE(linked.ok()) << linked.message;
    return engine(apply(*findDefinition(""), leaf("0")));
  }
  // The value of the program in the engine, checked against substitution.
  std::string agreed(const std::string& program) {
    std::string expected = termText(value(program, evaluateBySubstitution));
    resetGlobalTables();
    std::string actual = termText(value(program, evaluate));
    EXPECT_EQ(actual, expected) << program.substr(0, 400);
    return actual;
  }
};

}  // namespace quorl::testing
