// Reading a program file whole.
#include "driver/source_file.hpp"

#include <cstdio>

#include "driver/check.hpp"

namespace quorl {

namespace {
constexpr size_t kReadChunk = 4095;
}  // namespace

bool readWholeFile(const char* path, std::string& text) {
  FILE* file = std::fopen(path, "r");
  if (!file) return false;
  char chunk[kReadChunk];
  size_t count;
  while ((count = std::fread(chunk, 1, kReadChunk, file)) > 0) text.append(chunk, count);
  bool readFailed = std::ferror(file) != 0;
  if (std::fclose(file) != 0) checkFailure(kDriverModule, 5467);
  return !readFailed;
}

}  // namespace quorl
