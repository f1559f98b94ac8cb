// `tick x`, a builtin the engine tests install: it records the text of x
// (its first 200 bytes) and returns x, so that the order in which work is
// done shows in the log.
#pragma once

#include <string>

#include "compile/rewrite.hpp"
#include "term/node.hpp"

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

}  // namespace quorl::testing
