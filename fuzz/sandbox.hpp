// What the fuzz targets share: fresh tables for every input, a sandbox
// around the builtins that act on the process or on raw memory, and limits
// on steps and memory that end a run which would not end by itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string_view>

namespace quorl::fuzz {

// The most reduction steps one input may take.
inline constexpr uint64_t kStepBudget = 300000;

// Compiles the Prelude into fresh tables and puts the sandbox in place:
// every builtin that could end or signal the process, touch files, print,
// wait on input or read and write native memory at an address the program
// names answers Z instead.  (Those reach the C library as a C program
// would, and a program that passes them a wild address crashes as a C
// program does; that is no finding.)
void freshTables();

// Arms the step budget for the next evaluation.
void armStepBudget();

// Runs work; memory exhaustion and over-long texts, which end the
// interpreter's process with a message, end only the input here.
template <class Work>
void withinLimits(Work&& work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
}

}  // namespace quorl::fuzz
