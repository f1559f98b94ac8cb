// A way to stop an evaluation from outside, for harnesses that run
// programs they cannot trust to end (the fuzz targets): the engine asks
// once per step whether to give up, and then ends the evaluation with Z.
//
// Only a build that defines QUORL_INTERRUPTIBLE asks; in every other build
// the question is a constant and costs nothing.
#pragma once

namespace quorl {

#ifdef QUORL_INTERRUPTIBLE
// Set by the harness; null means "never stop".
extern bool (*evaluationInterrupt)();
inline bool evaluationInterrupted() { return evaluationInterrupt != nullptr && evaluationInterrupt(); }
#else
inline constexpr bool evaluationInterrupted() { return false; }
#endif

}  // namespace quorl
