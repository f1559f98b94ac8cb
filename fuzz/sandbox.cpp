// The sandbox of the fuzz targets.
#include "sandbox.hpp"

#include <sanitizer/allocator_interface.h>

#include <cstdlib>
#include <set>
#include <string>

#include "builtins/args.hpp"
#include "eval/interrupt.hpp"
#include "front/prelude.hpp"
#include "term/tables.hpp"

namespace quorl::fuzz {

namespace {

// A single request beyond this, or a heap beyond the second figure, is
// treated as the memory running out.  Both stay well below libFuzzer's own
// limits, which would report the input as a finding.
constexpr size_t kLargestRequest = size_t{256} << 20;
constexpr size_t kLargestHeap = size_t{1} << 30;

// The builtins a program may use freely: the language's own (bar those
// that read or write native memory at an address) and the bridge rows that
// take no address and leave the process alone.
const std::set<std::string, std::less<>> kAllowed = {
    // The language.
    "buck", "cape", "cent", "cmpr", "cork", "dash", "diff", "gteq", "init", "leaf", "leak",
    "left", "less", "lisp", "lits", "load", "look", "lots", "mult", "over", "plus", "powa",
    "rank", "raws", "real", "rght", "road", "same", "tern", "trim", "type", "wave", "zits",
    // Characters and integers.
    "isalnum", "isalpha", "isascii", "isblank", "isdigit", "isgraph", "islower", "isprint",
    "ispunct", "isspace", "isupper", "toascii", "tolower", "toupper", "abs", "labs", "htonl",
    "htons", "ntohl", "ntohs", "rand", "srand", "strerror", "gai_strerror", "difftime",
    // Reals.
    "acos", "asin", "atan", "ceil", "cos", "cosh", "erf", "erfc", "exp", "fabs", "floor",
    "fmod", "hypot", "ldexp", "log", "nextafter", "pow", "sin", "sinh", "sqrt", "tan", "tanh",
    // Sizes and constants.
    "addrinfo", "dirent", "time_t", "af_unspec", "ai_passive", "sock_stream", "rand_max",
    "errno", "eacces", "ebadf", "econnaborted", "efault", "eintr", "einval", "eio", "emfile",
    "enfile", "enodev", "enomem", "enotsock", "enxio", "eopnotsupp", "eoverflow",
    "ewouldblock"};

NodeRef refused(NodeRef) { return failureValue(); }

uint64_t stepsLeft = 0;

bool outOfBudget() {
  if (stepsLeft == 0) return true;
  --stepsLeft;
  // Reading the heap's size on every step would cost more than the step.
  return (stepsLeft & 1023) == 0 && __sanitizer_get_current_allocated_bytes() > kLargestHeap;
}

}  // namespace

void freshTables() {
  compilePrelude();
  for (auto& [name, entry] : builtinStorage())
    if (kAllowed.count(name) == 0) entry.handler = refused;
  evaluationInterrupt = outOfBudget;
}

void armStepBudget() { stepsLeft = kStepBudget; }

}  // namespace quorl::fuzz

// Allocation through operator new, with the limits above.  Cells, texts and
// tables all come this way.
// The heap's size is looked at for large requests and every so many small
// ones: reading it costs more than a small allocation.
void* operator new(size_t bytes) {
  static unsigned smallRequests = 0;
  bool look = bytes >= (size_t{1} << 16) || (++smallRequests & 255) == 0;
  if (bytes > quorl::fuzz::kLargestRequest ||
      (look && __sanitizer_get_current_allocated_bytes() > quorl::fuzz::kLargestHeap))
    throw std::bad_alloc();
  if (void* p = std::malloc(bytes == 0 ? 1 : bytes)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t bytes) { return ::operator new(bytes); }
// Every other form goes to malloc and free as well, or the sanitizer would
// see memory from its own operator new reach free.
void* operator new(size_t bytes, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(bytes);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](size_t bytes, const std::nothrow_t& tag) noexcept {
  return ::operator new(bytes, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
