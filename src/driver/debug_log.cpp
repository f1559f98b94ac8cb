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
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
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

// The signal that ends a process writing past its file-size limit is
// ignored while a log is written, so that such a write only fails.
template <typename Work>
void withFileSizeSignalIgnored(Work work) {
  struct sigaction ignore {}, previous{};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  bool changed = ::sigaction(SIGXFSZ, &ignore, &previous) == 0;
  work();
  if (changed) ::sigaction(SIGXFSZ, &previous, nullptr);
}

// Whether the descriptor is still the file at `path`: a trim by another
// run replaces the file, and what went into the old one would be lost.
bool stillAtPath(int fd, const char* path) {
  struct stat open, named;
  return ::fstat(fd, &open) == 0 && ::lstat(path, &named) == 0 && open.st_dev == named.st_dev &&
         open.st_ino == named.st_ino;
}

// Appends text at the end; a write cut short (the file-size limit, a full
// disk) is taken back, so the file never ends inside an entry.
void appendWhole(int fd, std::string_view text) {
  off_t end = ::lseek(fd, 0, SEEK_END);
  if (end < 0) return;
  if (!writeFully(fd, text)) (void)::ftruncate(fd, end);
}

// Puts the newest whole lines of the file, at most `keep` bytes of them,
// and then text into a new file beside it, and renames that over it.  A
// trim cut short at any point leaves the old file or the new one, whole.
void replaceByNewest(int fd, const char* path, off_t size, size_t keep, std::string_view text) {
  std::string kept(keep, '\0');
  if (::pread(fd, kept.data(), keep, size - static_cast<off_t>(keep)) != static_cast<ssize_t>(keep))
    return;
  size_t lineStart = kept.find('\n');
  kept.erase(0, lineStart == std::string::npos ? kept.size() : lineStart + 1);
  kept += text;
  std::string temporary = std::string(path) + ".XXXXXX";
  int out = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (out < 0) return;
  bool written = writeFully(out, kept);
  if (::close(out) != 0) written = false;
  if (!written || ::rename(temporary.c_str(), path) != 0) ::unlink(temporary.c_str());
}

// Appends under the file's lock, trimming first when the file would pass
// `limit`.  Other runs of this user may write it at the same time; a lock
// is only held for one append, and a run that finds it held skips its
// entry rather than wait.
void appendLocked(const char* path, int access, std::string_view text, size_t limit) {
  int fd = openOwnRegularFile(path, access);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    if (stillAtPath(fd, path)) {
      off_t size = ::lseek(fd, 0, SEEK_END);
      if (size >= 0 && static_cast<size_t>(size) + text.size() > limit)
        replaceByNewest(fd, path, size, std::min(static_cast<size_t>(size), limit / 2), text);
      else if (size >= 0)
        appendWhole(fd, text);
    }
    ::flock(fd, LOCK_UN);
  }
  ::close(fd);
}

}  // namespace

void appendToFile(const char* path, std::string_view text) {
  withFileSizeSignalIgnored([&] { appendLocked(path, O_WRONLY, text, SIZE_MAX); });
}

void appendToBoundedFile(const char* path, std::string_view text, size_t limit) {
  // An entry too long to sit in the log beside its predecessors is cut.
  std::string clipped;
  if (text.size() > limit / 2) {
    clipped.assign(text.substr(0, limit / 2 - 4));
    clipped += "...\n";
    text = clipped;
  }
  withFileSizeSignalIgnored([&] { appendLocked(path, O_RDWR, text, limit); });
}

void debugLog(std::string_view text) { appendToBoundedFile(kDebugLogPath, text, kDebugLogLimit); }

}  // namespace quorl
