// Internal invariant checks and the debug log.
//
// A failed check is a bug in the interpreter, never a program error: it
// names the module and the check number, and aborts at once.
#pragma once

#include <cstddef>
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
// opened or written.  Writes only into a regular file of this user's with no
// other name: never through a symbolic link, never into a FIFO or a device,
// never into another user's file, and never waits on any of these, nor on
// another run that is writing the file (the text is then skipped).  A write
// that fails part-way, past the file-size limit or on a full disk, is taken
// back; it never ends the process.
void appendToFile(const char* path, std::string_view text);
// The same, for a log that must not grow without bound: when the file would
// pass `limit` bytes, its oldest lines go first (about half of it is kept),
// in a new file that replaces the old one whole.  An entry longer than half
// the limit is cut and ends in "...".
void appendToBoundedFile(const char* path, std::string_view text, size_t limit);

// Appends text to the interpreter's debug log.
void debugLog(std::string_view text);

inline constexpr const char* kDebugLogPath = "/tmp/quorl.log";
inline constexpr size_t kDebugLogLimit = size_t{1} << 20;

}  // namespace quorl

// Guards an invariant of the interpreter core; `line` is the check number.
#define QUORL_CHECK(cond, line)                          \
  do {                                                   \
    if (!(cond)) [[unlikely]]                            \
      ::quorl::checkFailure(::quorl::kCoreModule, line); \
  } while (0)
