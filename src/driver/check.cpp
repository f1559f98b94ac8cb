// Internal checks and the debug log.
#include "driver/check.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace quorl {

void checkFailure(const char* source, int line) {
  // stderr is unbuffered, so the line is out before abort() runs.
  std::fprintf(stderr, "ASSERTION FAILED:%s:%d\n", source, line);
  std::abort();
}

void internalFailure(const char* message) {
  std::fprintf(stdout, "QUORLFAIL: %s\n", message);
  std::fflush(stdout);
  checkFailure(kCoreModule, 634);
}

// Writes all of text, resuming after short writes.  False when a write
// fails outright, so the caller can give up instead of spinning.
static bool writeFully(int fd, std::string_view text) {
  const char* cursor = text.data();
  size_t remaining = text.size();
  while (remaining > 0) {
    ssize_t written = ::write(fd, cursor, remaining);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) return false;
    cursor += written;
    remaining -= static_cast<size_t>(written);
  }
  return true;
}

void appendToFile(const char* path, std::string_view text) {
  // The log lives at a predictable path in a shared directory: refusing to
  // follow a symbolic link there keeps another user from redirecting our
  // appends into a file of their choosing.  A log that cannot be written is
  // skipped; it must never stop a run.
  int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return;
  writeFully(fd, text);
  ::close(fd);
}

void debugLog(std::string_view text) { appendToFile(kDebugLogPath, text); }

}  // namespace quorl
