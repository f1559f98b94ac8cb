// Appending to files at predictable paths, and the debug log.
//
// The debug log lives in a directory that every user shares, so another
// user can plant anything at its path before we first write it: a link to
// one of our files, a FIFO that would block every run, or a file of their
// own that would collect our programs' text.  A write happens only into a
// regular file that this user owns and that has no other name; anything
// else at the path is left alone and the log skipped, since a log must
// never stop, hold up or endanger a run.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "driver/check.hpp"

namespace quorl {

namespace {

// Writes all of text at the file's current offset, resuming after short
// writes.  False when a write fails outright, so the caller can give up
// instead of spinning.
bool writeFully(int fd, std::string_view text) {
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

// Opens the file at path for writing, creating it private to this user,
// or returns -1.  O_NOFOLLOW refuses a symbolic link and O_NONBLOCK keeps a
// FIFO from holding the open up; the checks after the open refuse whatever
// else is not a plain file of ours (a hard link could make one of our own
// files answer to the path).
int openOwnRegularFile(const char* path, int access) {
  int fd = ::open(path, access | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
      info.st_nlink != 1) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Other runs of this user may write the log at the same time.  The lock
// is only ever held for one append, so a short wait is enough; past it the
// entry is skipped rather than the run held up.
bool lockForAWhile(int fd) {
  constexpr int kAttempts = 200;
  for (int attempt = 0; attempt < kAttempts; attempt++) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    ::usleep(500);
  }
  return false;
}

// Cuts the file down to its last `keep` bytes, starting at a line.
bool keepNewestLines(int fd, off_t size, size_t keep) {
  std::string tail(keep, '\0');
  off_t from = size - static_cast<off_t>(keep);
  ssize_t got = ::pread(fd, tail.data(), keep, from);
  if (got != static_cast<ssize_t>(keep)) return false;
  size_t lineStart = tail.find('\n');
  tail.erase(0, lineStart == std::string::npos ? tail.size() : lineStart + 1);
  if (::lseek(fd, 0, SEEK_SET) != 0 || !writeFully(fd, tail)) return false;
  return ::ftruncate(fd, static_cast<off_t>(tail.size())) == 0;
}

}  // namespace

void appendToFile(const char* path, std::string_view text) {
  int fd = openOwnRegularFile(path, O_WRONLY | O_APPEND);
  if (fd < 0) return;
  writeFully(fd, text);
  ::close(fd);
}

void appendToBoundedFile(const char* path, std::string_view text, size_t limit) {
  // An entry too long to sit in the log beside its predecessors is cut.
  std::string clipped;
  if (text.size() > limit / 2) {
    clipped.assign(text.substr(0, limit / 2 - 4));
    clipped += "...\n";
    text = clipped;
  }
  int fd = openOwnRegularFile(path, O_RDWR);
  if (fd < 0) return;
  if (lockForAWhile(fd)) {
    off_t size = ::lseek(fd, 0, SEEK_END);
    bool room = size >= 0;
    if (room && static_cast<size_t>(size) + text.size() > limit) {
      room = keepNewestLines(fd, size, std::min(static_cast<size_t>(size), limit / 2)) &&
             ::lseek(fd, 0, SEEK_END) >= 0;
    }
    if (room) writeFully(fd, text);
    ::flock(fd, LOCK_UN);
  }
  ::close(fd);
}

void debugLog(std::string_view text) { appendToBoundedFile(kDebugLogPath, text, kDebugLogLimit); }

}  // namespace quorl
