// Internal invariant checks and the debug log.
//
// A failed check is a bug in the interpreter, never a program error: it
// names the module and the check number, and aborts at once.
#pragma once

#include <string_view>

namespace quorl {

// Module names used in "ASSERTION FAILED:" lines.
inline constexpr const char* kCoreModule = "b";
inline constexpr const char* kDriverModule = "quorl";
inline constexpr const char* kLibraryModule = "l";

// Writes "ASSERTION FAILED:<source>:<line>\n" to stderr and aborts.
[[noreturn]] void checkFailure(const char* source, int line);

// Writes "QUORLFAIL: <message>\n" to stdout, then fails check 634.
[[noreturn]] void internalFailure(const char* message);

// Appends text to a file; silently does nothing when the file cannot be
// opened or written.  Never follows a symbolic link at the path.
void appendToFile(const char* path, std::string_view text);

// Appends text to the interpreter's debug log.
void debugLog(std::string_view text);

inline constexpr const char* kDebugLogPath = "/tmp/quorl.log";

}  // namespace quorl

// Guards an invariant of the interpreter core; `line` is the check number.
#define QUORL_CHECK(cond, line)                          \
  do {                                                   \
    if (!(cond)) [[unlikely]]                            \
      ::quorl::checkFailure(::quorl::kCoreModule, line); \
  } while (0)
