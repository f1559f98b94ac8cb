// The two limits that end a run from anywhere: memory running out, and a
// text (or any other sequence) grown past the longest length there can be.
//
// Both reach the interpreter as standard-library exceptions, from operator
// new, from a container, or thrown on purpose where a size is known to be
// out of reach before anything is allocated.  They are not program errors
// (those are values), and nothing can be rescued once they happen, so the
// process ends: one line on standard error that names the limit, standard
// output flushed, exit status 1.  Nothing aborts.
#pragma once

#include <functional>

namespace quorl {

enum class Limit { memory, length, fault };

// Sets aside a small reserve and installs the new handler and the
// terminate handler that report a limit.  Idempotent.
void installLimitHandlers();

// Writes the limit's line, flushes the output streams and ends the process
// with status 1.  Safe to call when memory is gone.
[[noreturn]] void reportLimit(Limit limit);

// Runs work; a std::bad_alloc or std::length_error that leaves it ends the
// process through reportLimit, and so does a memory fault (a program that
// hands a C library builtin an address it may not use: `strlen 0`), which
// would otherwise end it by a signal.
void runWithinLimits(const std::function<void()>& work);

}  // namespace quorl
