// Memory exhaustion and over-long texts end the run with a message.
#include "driver/limits.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <stdexcept>
#include <string_view>

namespace quorl {

namespace {

// Freed before the report, so that flushing the streams finds room even
// when the last allocation took everything.
constexpr size_t kReserveBytes = size_t{1} << 20;
void* reserve = nullptr;
bool installed = false;

constexpr std::string_view kMemoryMessage =
    "Out of memory: the run needed more memory than the system would give it.\n";
constexpr std::string_view kLengthMessage =
    "Length limit: the run built a text longer than the longest one there can be.\n";

void writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t written = ::write(fd, text.data(), text.size());
    if (written <= 0) return;
    text.remove_prefix(static_cast<size_t>(written));
  }
}

// operator new calls this when it finds no memory.  Returning would only
// make it try again; there is nothing to free but the reserve, and that is
// kept for the report.
void onNoMemory() { reportLimit(Limit::memory); }

// An exception that escapes where none may (a destructor, a noexcept
// function) or that nothing catches ends up here.
[[noreturn]] void onTerminate() {
  if (std::exception_ptr current = std::current_exception()) {
    try {
      std::rethrow_exception(current);
    } catch (const std::bad_alloc&) {
      reportLimit(Limit::memory);
    } catch (const std::length_error&) {
      reportLimit(Limit::length);
    } catch (...) {
    }
  }
  std::abort();
}

}  // namespace

void installLimitHandlers() {
  if (installed) return;
  installed = true;
  reserve = std::malloc(kReserveBytes);
  std::set_new_handler(onNoMemory);
  std::set_terminate(onTerminate);
}

void reportLimit(Limit limit) {
  std::free(reserve);
  reserve = nullptr;
  std::fflush(nullptr);  // what the program printed so far is not lost
  writeAll(STDERR_FILENO, limit == Limit::memory ? kMemoryMessage : kLengthMessage);
  ::_exit(1);
}

void runWithinLimits(const std::function<void()>& work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    reportLimit(Limit::memory);
  } catch (const std::length_error&) {
    reportLimit(Limit::length);
  }
}

}  // namespace quorl
