// Ways to stop an evaluation from outside.  When asked, the engine ends the
// evaluation with Z.
//
// - Harnesses that run programs they cannot trust to end (the fuzz
//   targets) set a hook that the engine asks once per step.  Only a build
//   that defines QUORL_INTERRUPTIBLE asks; in every other build the
//   question is a constant and costs nothing.
// - The prompt stops an evaluation on Ctrl-C: its signal handler requests
//   an interruption.  Only evaluations started while interruptions are
//   watched look at the request, once per step; the others run a loop
//   that does not test it, so a program run from a file pays nothing.
#pragma once

#include <csignal>

namespace quorl {

#ifdef QUORL_INTERRUPTIBLE
// Set by the harness; null means "never stop".
extern bool (*evaluationInterrupt)();
inline bool evaluationInterrupted() { return evaluationInterrupt != nullptr && evaluationInterrupt(); }
#else
inline constexpr bool evaluationInterrupted() { return false; }
#endif

namespace interrupt_detail {
extern volatile std::sig_atomic_t requested;
extern bool watched;
}  // namespace interrupt_detail

// Whether evaluations started from now on look at interruption requests.
inline void watchInterrupts(bool on) { interrupt_detail::watched = on; }
inline bool interruptsWatched() { return interrupt_detail::watched; }
// Safe to call from a signal handler.  The request stays until cleared, so
// that an evaluation nested in a builtin and the one around it both end.
inline void requestInterrupt() { interrupt_detail::requested = 1; }
inline bool interruptRequested() { return interrupt_detail::requested != 0; }
inline void clearInterrupt() { interrupt_detail::requested = 0; }

}  // namespace quorl
