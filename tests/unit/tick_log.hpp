// `tick x`, a builtin the engine tests install: it records the text of x
// (its first 200 bytes) and returns x, so that the order in which work is
// done shows in the log.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "builtins/table.hpp"
#include "compile/compile.hpp"
#include "compile/link.hpp"
#include "compile/rewrite.hpp"
#include "front/prelude.hpp"
#include "term/node.hpp"
#include "term/tables.hpp"

namespace quorl::testing {

inline std::string& tickLog() {
  static std::string log;
  return log;
}

inline NodeRef tickRecording(NodeRef redex) {
  NodeRef x = redex.arg();
  tickLog() += termText(x).substr(0, 200) + ";";
  return x;
}

// The value of the program's `main` applied to 7 by `engine`, then what
// was ticked on the way.
inline std::string tickedRun(const std::string& program, NodeRef (*engine)(NodeRef)) {
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

}  // namespace quorl::testing
