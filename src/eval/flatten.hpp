// QUORL_FLATTEN marks the few functions whose whole call tree is inlined into
// them: the machine's ordinary loop and the comparisons it answers in place.
// A build with the sanitizers leaves them unflattened: with the sanitizers'
// checks the flattened loop took the compiler a quarter of an hour, and those
// builds are for finding faults, not for speed.
#pragma once

#ifdef QUORL_NO_FLATTEN
#define QUORL_FLATTEN
#else
#define QUORL_FLATTEN [[gnu::flatten]]
#endif
