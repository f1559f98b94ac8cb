// `quorl --why`: where the failures of a run began.
//
// A builtin given an argument it cannot use answers Z, and Z spreads
// silently through everything computed from it.  While watched, the engine
// notes the first few builtin calls that answered Z although none of their
// arguments was Z (the calls where a failure began, not those that passed
// one on), each with its arguments and the global functions pending at
// that moment, and the failure record that ended the run, if one did.  The
// account is written to standard error when the process ends, however it
// ends (a program may call exit).
//
// Builtins are answered in several places: by their handlers, and on the
// engine's own values (word arithmetic, the onValues column), where a call
// stands or as the machine performs it.  Each place tests whyWatching()
// once per call, a flag that is false unless --why was given, and calls
// into this file only when it is set, so that an ordinary run pays one
// well-predicted branch.
#pragma once

#include <cstdint>
#include <string>

#include "eval/values.hpp"
#include "term/node.hpp"

namespace quorl {

struct BuiltinEntry;
struct Code;
class FrameStack;

namespace why_detail {
extern bool watching;
}  // namespace why_detail

inline bool whyWatching() { return why_detail::watching; }

// Starts watching a run of the program at `path`, whose text is `text`
// (for the places of definitions).
void watchWhy(std::string path, std::string text);

// The frame stacks of the machines running now, innermost last: a report
// names the functions their frames belong to.
void whyMachineStarts(FrameStack* stack);
void whyMachineEnds();

// A builtin call seen while watching: made before the call, from its
// arguments (borrowed), and told the answer after it.  `at`: the code of
// the call, when it is known; without it, a redex may be a part of a body.
class WatchedCall {
 public:
  WatchedCall(const BuiltinEntry& builtin, const Value* args, int count, const Code* at);
  WatchedCall(const BuiltinEntry& builtin, Node* redex, const Code* at);
  WatchedCall(const WatchedCall&) = delete;
  WatchedCall& operator=(const WatchedCall&) = delete;
  ~WatchedCall();

  // The call's answer (borrowed): Z, a failure record, or anything else.
  void answered(const Node* answer);
  void answered(Value answer);

 private:
  void recordRaised(const Node* record);
  static constexpr int kMaxArguments = 12;
  void keep(Value argument);

  const BuiltinEntry& builtin_;
  const Code* at_;
  std::string innermost_;    // the function of a redex that has no code
  bool noted_;               // the report wants this call's arguments
  bool anyFailure_ = false;  // some argument was Z
  int count_ = 0;
  // Each argument is held until the answer, or, when it is a block or a
  // text (which a builtin may change in place when nothing else holds it),
  // its text is taken before the call.
  Value held_[kMaxArguments];
  bool isHeld_[kMaxArguments] = {};
  std::string texts_[kMaxArguments];
};

// Calls a builtin's handler with its redex (consumed) as a WatchedCall.
NodeRef callWatched(const BuiltinEntry& builtin, Node* redex, const Code* at);

// The failure record that ends the run when a constant needs its own
// value.  (One that a builtin raises is its call's answer.)
void whyCycleRaised(std::string_view constant, const Node* record);

}  // namespace quorl
