// The C library bridge: one row per builtin, each one library call.
//
// Most rows hand the library function itself to `call`; a small adapter
// stands in where the C++ headers overload the function, where the result
// must be narrowed or widened, or where the call must be guarded.
#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <strings.h>

#include "builtins/clib_addrinfo.hpp"
#include "builtins/clib_call.hpp"
#include "builtins/clib_streams.hpp"

namespace quorl {

namespace {

using RealFunction = double (*)(double);
using RealFunction2 = double (*)(double, double);

// `assert`: K passes, H is an internal failure of the program's own making,
// anything else is not a truth value.
NodeRef assertBuiltin(NodeRef redex) {
  const Node* truth = redexArgument(redex.get(), 1, 1);
  if (isLeaf(truth) && leafTextLength(truth) == 1) {
    if (leafChars(truth)[0] == 'K') return sharedLeaf('I');
    if (leafChars(truth)[0] == 'H') checkFailure(kLibraryModule, 242);
  }
  return failureValue();
}

// The character tests and conversions are defined for the bytes (and EOF)
// only; the C library indexes a table with the value, so anything else is
// answered here without calling it.
template <int (*Test)(int)>
int byteTest(int c) {
  return c >= 0 && c <= UCHAR_MAX && Test(c) != 0;
}
template <int (*Convert)(int)>
int byteConversion(int c) {
  return c >= 0 && c <= UCHAR_MAX ? Convert(c) : c;
}

// `strtol` and `strtoul` read a 32-bit long: a value beyond its range is
// clamped to the nearest end, with errno ERANGE as the library reports it.
int32_t longOf32Bits(const char* text, char** end, int base) {
  long value = std::strtol(text, end, base);
  if (value > INT32_MAX || value < INT32_MIN) {
    errno = ERANGE;
    return value > 0 ? INT32_MAX : INT32_MIN;
  }
  return static_cast<int32_t>(value);
}

// The writers that read `bytes` bytes from a buffer argument: a byte block or
// constant must hold them all, or the call is refused.
bool bufferHolds(const NativeArg& buffer, uint64_t size, uint64_t count) {
  uint64_t bytes;
  if (__builtin_mul_overflow(size, count, &bytes)) return buffer.text == nullptr;
  return buffer.holds(bytes);
}

// `strcpy` and `strcat` copy the source with its NUL as one move, so a
// source that overlaps the destination (a program moving text within its
// own buffer) is copied as it was.
char* copyText(char* destination, const char* source) {
  std::memmove(destination, source, std::strlen(source) + 1);
  return destination;
}
char* appendText(char* destination, const char* source) {
  copyText(destination + std::strlen(destination), source);
  return destination;
}

// The buffer must hold length * count bytes; a call without a count
// multiplies by 1.
template <auto Fn, size_t BufferIndex, size_t LengthIndex, size_t CountIndex = SIZE_MAX>
NodeRef checkedWrite(NodeRef redex, const char* classes) {
  NativeArg args[kMaxBridgeArity];
  if (!readNativeArgs(redex.get(), classes, args)) return failureValue();
  uint64_t length = static_cast<uint64_t>(args[LengthIndex].integer);
  uint64_t count = 1;
  if constexpr (CountIndex != SIZE_MAX) count = static_cast<uint64_t>(args[CountIndex].integer);
  if (!bufferHolds(args[BufferIndex], length, count)) return failureValue();
  using Params = typename CSignature<Fn>::Params;
  return invokeNative<Fn, Yield::natural>(args,
                                          std::make_index_sequence<std::tuple_size_v<Params>>{});
}

NodeRef fwriteBuiltin(NodeRef redex) {
  return checkedWrite<onOpenStream<&std::fwrite, 0>, 0, 1, 2>(redex, "SIII");
}
NodeRef writeBuiltin(NodeRef redex) { return checkedWrite<&::write, 1, 2>(redex, "ISI"); }
NodeRef sendBuiltin(NodeRef redex) { return checkedWrite<&::send, 1, 2>(redex, "ISII"); }
NodeRef sendtoBuiltin(NodeRef redex) { return checkedWrite<&::sendto, 1, 2>(redex, "ISIIII"); }

constexpr BridgeRow kRows[] = {
    // Process and environment.
    call<&std::abort>("abort"),
    special("assert", 1, assertBuiltin),
    call<&std::exit, 'I'>("exit"),
    call<&std::getenv, 'S'>("getenv"),
    call<&std::system, 'S'>("system"),
    call<&std::raise, 'I'>("raise"),
    call<&std::rand>("rand"),
    call<&std::srand, 'I'>("srand"),
    call<&std::perror, 'S'>("perror"),
    // Memory.
    call<&std::malloc, 'I'>("malloc"),
    call<&std::calloc, 'I', 'I'>("calloc"),
    call<&std::realloc, 'I', 'I'>("realloc"),
    call<&std::free, 'I'>("free"),
    call<+[](const void* p, int byte, size_t n) { return std::memchr(p, byte, n); }, 'I', 'I',
         'I'>("memchr"),
    call<&std::memcmp, 'I', 'I', 'I'>("memcmp"),
    call<&std::memcpy, 'I', 'I', 'I'>("memcpy"),
    call<&std::memmove, 'I', 'I', 'I'>("memmove"),
    call<&std::memset, 'I', 'I', 'I'>("memset"),
    call<+[](void* p, size_t n) { std::memset(p, 0, n); }, 'I', 'I'>("bzero"),
    // Strings.
    call<&::strcasecmp, 'S', 'S'>("strcasecmp"),
    call<&appendText, 'I', 'S'>("strcat"),
    call<+[](const char* s, int byte) { return std::strchr(s, byte); }, 'S', 'I'>("strchr"),
    call<+[](const char* a, const char* b) {
      int order = std::strcmp(a, b);
      return (order > 0) - (order < 0);
    }, 'S', 'S'>("strcmp"),
    call<&copyText, 'I', 'S'>("strcpy"),
    call<&::strdup, 'S'>("strdup"),
    call<&std::strerror, 'I'>("strerror"),
    call<&std::strlen, 'S'>("strlen"),
    call<&::strncasecmp, 'S', 'S', 'I'>("strncasecmp"),
    call<&std::strncat, 'I', 'S', 'I'>("strncat"),
    call<&std::strncmp, 'S', 'S', 'I'>("strncmp"),
    call<&std::strncpy, 'I', 'I', 'I'>("strncpy"),
    call<&::strnlen, 'S', 'I'>("strnlen"),
    call<+[](const char* s, const char* set) { return std::strpbrk(s, set); }, 'S', 'S'>(
        "strpbrk"),
    call<+[](const char* s, int byte) { return std::strrchr(s, byte); }, 'S', 'I'>("strrchr"),
    call<&std::strspn, 'S', 'S'>("strspn"),
    call<+[](const char* s, const char* part) { return std::strstr(s, part); }, 'S', 'S'>(
        "strstr"),
    call<&std::strtod, 'S', 'I'>("strtod"),
    call<&std::strtok, 'I', 'S'>("strtok"),
    call<&::strtok_r, 'I', 'S', 'I'>("strtok_r"),
    call<&longOf32Bits, 'S', 'I', 'I'>("strtol"),
    call<+[](const char* text, char** end, int base) {
      return static_cast<uint64_t>(int64_t{longOf32Bits(text, end, base)});
    }, 'S', 'I', 'I'>("strtoul"),
    call<&std::atof, 'S'>("atof"),
    call<&std::atoi, 'S'>("atoi"),
    call<&std::atol, 'S'>("atol"),
    // Characters.
    test<&byteTest<std::isalnum>, 'I'>("isalnum"),
    test<&byteTest<std::isalpha>, 'I'>("isalpha"),
    test<+[](int64_t c) { return static_cast<uint32_t>(c) < 128; }, 'I'>("isascii"),
    test<&byteTest<std::isblank>, 'I'>("isblank"),
    test<&byteTest<std::isdigit>, 'I'>("isdigit"),
    test<&byteTest<std::isgraph>, 'I'>("isgraph"),
    test<&byteTest<std::islower>, 'I'>("islower"),
    test<&byteTest<std::isprint>, 'I'>("isprint"),
    test<&byteTest<std::ispunct>, 'I'>("ispunct"),
    test<&byteTest<std::isspace>, 'I'>("isspace"),
    test<&byteTest<std::isupper>, 'I'>("isupper"),
    call<+[](int64_t c) { return c & 0x7F; }, 'I'>("toascii"),
    call<&byteConversion<std::tolower>, 'I'>("tolower"),
    call<&byteConversion<std::toupper>, 'I'>("toupper"),
    // Integer maths.  The magnitude is unsigned, so the most negative value
    // has one too.
    call<+[](int64_t v) { return v < 0 ? 0 - static_cast<uint64_t>(v) : v; }, 'I'>("abs"),
    call<+[](int32_t v) { return v < 0 ? -int64_t{v} : v; }, 'I'>("labs"),
    // Real maths.
    call<RealFunction{std::acos}, 'R'>("acos"),
    call<RealFunction{std::asin}, 'R'>("asin"),
    call<RealFunction{std::atan}, 'R'>("atan"),
    call<RealFunction{std::ceil}, 'R'>("ceil"),
    call<RealFunction{std::cos}, 'R'>("cos"),
    call<RealFunction{std::cosh}, 'R'>("cosh"),
    call<RealFunction{std::erf}, 'R'>("erf"),
    call<RealFunction{std::erfc}, 'R'>("erfc"),
    call<RealFunction{std::exp}, 'R'>("exp"),
    call<RealFunction{std::fabs}, 'R'>("fabs"),
    call<RealFunction{std::floor}, 'R'>("floor"),
    call<RealFunction2{std::fmod}, 'R', 'R'>("fmod"),
    call<static_cast<double (*)(double, int*)>(std::frexp), 'R', 'I'>("frexp"),
    call<RealFunction2{std::hypot}, 'R', 'R'>("hypot"),
    call<static_cast<double (*)(double, int)>(std::ldexp), 'R', 'I'>("ldexp"),
    call<RealFunction{std::log}, 'R'>("log"),
    call<static_cast<double (*)(double, double*)>(std::modf), 'R', 'I'>("modf"),
    call<RealFunction2{std::nextafter}, 'R', 'R'>("nextafter"),
    call<RealFunction2{std::pow}, 'R', 'R'>("pow"),
    call<RealFunction{std::sin}, 'R'>("sin"),
    call<RealFunction{std::sinh}, 'R'>("sinh"),
    call<RealFunction{std::sqrt}, 'R'>("sqrt"),
    call<RealFunction{std::tan}, 'R'>("tan"),
    call<RealFunction{std::tanh}, 'R'>("tanh"),
    // Streams: only open ones are handed to the library.
    call<&openStream, 'S', 'S'>("fopen"),
    call<&openDescriptorStream, 'I', 'S'>("fdopen"),
    call<&closeStream, 'I'>("fclose"),
    call<onOpenStream<&std::feof>, 'I'>("feof"),
    call<onOpenStream<&std::ferror>, 'I'>("ferror"),
    call<onOpenStream<&std::clearerr>, 'I'>("clearerr"),
    call<&flushStream, 'I'>("fflush"),
    call<onOpenStream<&std::fgetc>, 'I'>("fgetc"),
    call<onOpenStream<+[](std::FILE* stream) { return std::getc(stream); }>, 'I'>("getc"),
    call<onOpenStandardStream<&std::getchar, &stdin>>("getchar"),
    call<onOpenStream<&std::fgets, nullptr>, 'I', 'I', 'I'>("fgets"),
    call<onOpenStream<&std::fputc>, 'I', 'I'>("fputc"),
    call<onOpenStream<+[](int byte, std::FILE* stream) { return std::putc(byte, stream); }>, 'I',
         'I'>("putc"),
    call<onOpenStandardStream<&std::putchar, &stdout>, 'I'>("putchar"),
    call<onOpenStream<&std::fputs>, 'I', 'I'>("fputs"),
    call<onOpenStandardStream<&std::puts, &stdout>, 'S'>("puts"),
    call<onOpenStream<&std::fread, 0>, 'I', 'I', 'I', 'I'>("fread"),
    special("fwrite", 4, fwriteBuiltin),
    call<onOpenStream<&std::fseek, -1>, 'I', 'I', 'I'>("fseek"),
    call<onOpenStream<&std::ftell, -1>, 'I'>("ftell"),
    call<onOpenStream<&std::rewind>, 'I'>("rewind"),
    call<onOpenStream<&std::fgetpos, -1>, 'I', 'I'>("fgetpos"),
    call<onOpenStream<&std::fsetpos, -1>, 'I', 'I'>("fsetpos"),
    call<onOpenStream<&std::setbuf>, 'I', 'I'>("setbuf"),
    call<onOpenStream<&std::ungetc>, 'I', 'I'>("ungetc"),
    call<onOpenStream<&::fileno, -1>, 'I'>("fileno"),
    call<&openTemporaryStream>("tmpfile"),
    call<+[](char* buffer) { return std::tmpnam(buffer); }, 'I'>("tmpnam"),
    call<&std::remove, 'S'>("remove"),
    call<&std::rename, 'S', 'S'>("rename"),
    call<+[] { return stdout; }>("stdout"),
    call<+[] { return stderr; }>("stderr"),
    // Descriptors.
    call<&::read, 'I', 'I', 'I'>("read"),
    special("write", 3, writeBuiltin),
    // Time.
    call<&std::time, 'I'>("time"),
    call<&std::ctime, 'I'>("ctime"),
    call<&std::asctime, 'I'>("asctime"),
    call<&std::gmtime, 'I'>("gmtime"),
    call<&std::localtime, 'I'>("localtime"),
    call<&std::mktime, 'I'>("mktime"),
    call<&std::difftime, 'I', 'I'>("difftime"),
    call<&std::strftime, 'I', 'I', 'S', 'I'>("strftime"),
    // Sockets.
    call<&::socket, 'I', 'I', 'I'>("socket"),
    call<&::bind, 'I', 'I', 'I'>("bind"),
    call<&::listen, 'I', 'I'>("listen"),
    call<&::accept, 'I', 'I', 'I'>("accept"),
    call<&::connect, 'I', 'I', 'I'>("connect"),
    call<&::getpeername, 'I', 'I', 'I'>("getpeername"),
    call<&::recv, 'I', 'I', 'I', 'I'>("recv"),
    call<&::recvfrom, 'I', 'I', 'I', 'I', 'I', 'I'>("recvfrom"),
    special("send", 4, sendBuiltin),
    special("sendto", 6, sendtoBuiltin),
    call<&::setsockopt, 'I', 'I', 'I', 'I', 'I'>("setsockopt"),
    call<&::shutdown, 'I', 'I'>("shutdown"),
    call<&::close, 'I'>("closesocket"),
    call<+[](uint32_t v) { return static_cast<int32_t>(htonl(v)); }, 'I'>("htonl"),
    call<+[](uint16_t v) { return static_cast<int32_t>(htons(v)); }, 'I'>("htons"),
    call<+[](uint32_t v) { return ntohl(v); }, 'I'>("ntohl"),
    call<+[](uint16_t v) { return ntohs(v); }, 'I'>("ntohs"),
    call<&::inet_ntop, 'I', 'I', 'I', 'I'>("inet_ntop"),
    call<&::inet_pton, 'I', 'I', 'I'>("inet_pton"),
    call<&::gethostname, 'I', 'I'>("gethostname"),
    call<&resolveAddress, 'I', 'I', 'I', 'I'>("getaddrinfo"),
    call<&releaseAddresses, 'I'>("freeaddrinfo"),
    call<&::getnameinfo, 'I', 'I', 'I', 'I', 'I', 'I', 'I'>("getnameinfo"),
    call<&::gai_strerror, 'I'>("gai_strerror"),
};

}  // namespace

BridgeRows libraryRows() { return {kRows, std::size(kRows)}; }

}  // namespace quorl
