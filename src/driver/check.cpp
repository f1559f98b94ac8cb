// Internal checks.
#include "driver/check.hpp"

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

}  // namespace quorl
