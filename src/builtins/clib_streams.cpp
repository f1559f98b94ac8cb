// The streams this run has open, for the stream builtins' checks.
#include "builtins/clib_streams.hpp"

#include <unordered_set>

namespace quorl {

namespace {

// Made on first use, with the standard streams in it, and never torn
// down: the check of standard output at exit reads it after static
// objects have gone.
std::unordered_set<std::FILE*>& openStreams() {
  static auto* streams = new std::unordered_set<std::FILE*>{stdin, stdout, stderr};
  return *streams;
}

// The stream last found open: a loop reading or writing byte by byte asks
// about one stream again and again.
std::FILE* lastFound = nullptr;

std::FILE* noted(std::FILE* stream) {
  if (stream != nullptr) openStreams().insert(stream);
  return stream;
}

}  // namespace

bool isOpenStream(std::FILE* stream) {
  if (stream == lastFound && stream != nullptr) return true;
  if (stream == nullptr || openStreams().count(stream) == 0) return false;
  lastFound = stream;
  return true;
}

std::FILE* openStream(const char* path, const char* mode) { return noted(std::fopen(path, mode)); }

std::FILE* openDescriptorStream(int descriptor, const char* mode) {
  return noted(::fdopen(descriptor, mode));
}

std::FILE* openTemporaryStream() { return noted(std::tmpfile()); }

int closeStream(std::FILE* stream) {
  if (!isOpenStream(stream)) {
    errno = EBADF;
    return EOF;
  }
  // Closed even when the close fails: the stream is gone either way.
  openStreams().erase(stream);
  if (stream == lastFound) lastFound = nullptr;
  return std::fclose(stream);
}

int flushStream(std::FILE* stream) {
  if (stream != nullptr && !isOpenStream(stream)) {
    errno = EBADF;
    return EOF;
  }
  return std::fflush(stream);
}

}  // namespace quorl
