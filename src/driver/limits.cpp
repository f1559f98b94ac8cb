// Memory exhaustion and over-long texts end the run with a message.
#include "driver/limits.hpp"

#include <signal.h>
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
constexpr std::string_view kFaultMessage =
    "Memory fault: the program gave a builtin an address it may not read or write.\n";

void writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t written = ::write(fd, text.data(), text.size());
    if (written <= 0) return;
    text.remove_prefix(static_cast<size_t>(written));
  }
}

// Sanitizer builds keep their own handlers, whose reports say more.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCatchFaults = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kCatchFaults = false;
#else
constexpr bool kCatchFaults = true;
#endif
#else
constexpr bool kCatchFaults = true;
#endif

// The handler runs on a stack of its own, since a fault may come from a
// stack that has no room left.
constexpr size_t kFaultStackBytes = size_t{64} << 10;
volatile sig_atomic_t inFault = 0;

void onFault(int) {
  if (inFault) ::_exit(1);  // the report itself faulted
  inFault = 1;
  // What the program printed is kept, unless the fault came from inside
  // the stream itself (puts of a bad address), whose lock is then held.
  if (ftrylockfile(stdout) == 0) {
    fflush_unlocked(stdout);
    funlockfile(stdout);
  }
  writeAll(STDERR_FILENO, kFaultMessage);
  ::_exit(1);
}

void catchFaultsOnThisThread() {
  if (!kCatchFaults) return;
  static thread_local void* altStack = nullptr;
  if (altStack == nullptr) {
    altStack = std::malloc(kFaultStackBytes);
    if (altStack == nullptr) return;
    stack_t stack{};
    stack.ss_sp = altStack;
    stack.ss_size = kFaultStackBytes;
    sigaltstack(&stack, nullptr);
  }
  struct sigaction action{};
  action.sa_handler = onFault;
  action.sa_flags = SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  sigaction(SIGSEGV, &action, nullptr);
  sigaction(SIGBUS, &action, nullptr);
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
  writeAll(STDERR_FILENO, limit == Limit::memory   ? kMemoryMessage
                          : limit == Limit::length ? kLengthMessage
                                                   : kFaultMessage);
  ::_exit(1);
}

void runWithinLimits(const std::function<void()>& work) {
  catchFaultsOnThisThread();
  try {
    work();
  } catch (const std::bad_alloc&) {
    reportLimit(Limit::memory);
  } catch (const std::length_error&) {
    reportLimit(Limit::length);
  }
}

}  // namespace quorl
