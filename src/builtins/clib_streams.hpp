// The streams the stream builtins accept: the three standard ones and
// those this run has opened, until they are closed.
//
// A stream is an integer to a program, so any number can reach fclose or
// fgetc as a FILE*.  The C library takes it on trust and aborts or
// corrupts memory on a stream closed twice (a common slip) or made up;
// the bridge answers as C does for a bad stream instead: the function's
// failure value, with errno EBADF.
#pragma once

#include <cerrno>
#include <cstdio>
#include <tuple>
#include <type_traits>

#include "builtins/clib_call.hpp"

namespace quorl {

bool isOpenStream(std::FILE* stream);

// fopen, fdopen and tmpfile, each noting the stream it opens.
std::FILE* openStream(const char* path, const char* mode);
std::FILE* openDescriptorStream(int descriptor, const char* mode);
std::FILE* openTemporaryStream();
// fclose of an open stream, which then is no longer one.
int closeStream(std::FILE* stream);
// fflush of an open stream, or of every stream when given none (0).
int flushStream(std::FILE* stream);

template <typename P>
bool acceptedArgument(P) {
  return true;
}
inline bool acceptedArgument(std::FILE* stream) { return isOpenStream(stream); }

// Calls Fn when every stream among its arguments is open; otherwise sets
// errno to EBADF and answers Bad (nothing for a function without result).
template <auto Fn, auto Bad, typename Params = typename CSignature<Fn>::Params>
struct OnOpenStream;
template <auto Fn, auto Bad, typename... P>
struct OnOpenStream<Fn, Bad, std::tuple<P...>> {
  using Result = typename CSignature<Fn>::Result;
  static Result call(P... args) {
    if ((acceptedArgument(args) && ...)) return Fn(args...);
    errno = EBADF;
    if constexpr (!std::is_void_v<Result>) return static_cast<Result>(Bad);
  }
};
template <auto Fn, auto Bad = EOF>
inline constexpr auto onOpenStream = &OnOpenStream<Fn, Bad>::call;

// The same for a function that reads or writes a standard stream of its
// own accord (puts, putchar, getchar), which a program may have closed.
template <auto Fn, std::FILE** Stream, typename Params = typename CSignature<Fn>::Params>
struct OnOpenStandardStream;
template <auto Fn, std::FILE** Stream, typename... P>
struct OnOpenStandardStream<Fn, Stream, std::tuple<P...>> {
  static int call(P... args) {
    if (isOpenStream(*Stream)) return Fn(args...);
    errno = EBADF;
    return EOF;
  }
};
template <auto Fn, std::FILE** Stream>
inline constexpr auto onOpenStandardStream = &OnOpenStandardStream<Fn, Stream>::call;

}  // namespace quorl
