// The builtin table: one row per builtin, name, arity and handler.
//
// This table is the single owner of builtin names: compilation reads it to
// refuse user definitions of them and to predefine their placeholders, and
// the reduction engine reads it to dispatch.
#include "builtins/table.hpp"

#include <span>

#include "builtins/block_values.hpp"
#include "builtins/clib_call.hpp"
#include "builtins/language.hpp"
#include "compile/runtime_definition.hpp"
#include "eval/kinds.hpp"
#include "eval/real_values.hpp"
#include "numbers/arith_builtins.hpp"

namespace quorl {

namespace {

struct Row {
  const char* name;
  uint8_t arity;
  BuiltinHandler handler;
};

// Built on first use, in main: finding the bridge's handlers allocates,
// and memory that runs out must find the driver's handlers in place, as
// it cannot while static objects are being made before main.
std::span<const Row> tableRows() {
  static const Row rows[] = {
      // The language's own operations.
      {"buck", 1, buckBuiltin}, {"cape", 1, capeBuiltin}, {"cent", 2, centBuiltin},
      {"cmpr", 2, cmprBuiltin}, {"copy", 2, copyBuiltin}, {"cork", 3, corkBuiltin},
      {"dash", 2, dashBuiltin}, {"diff", 2, diffBuiltin}, {"gteq", 2, gteqBuiltin},
      {"init", 1, initBuiltin}, {"leaf", 1, leafBuiltin}, {"leak", 1, leakBuiltin},
      {"left", 1, leftBuiltin}, {"less", 2, lessBuiltin}, {"lisp", 1, lispBuiltin},
      {"lits", 1, litsBuiltin}, {"load", 1, loadBuiltin}, {"look", 2, lookBuiltin},
      {"lots", 1, lotsBuiltin}, {"mult", 2, multBuiltin}, {"over", 2, overBuiltin},
      {"plus", 2, plusBuiltin}, {"post", 2, postBuiltin}, {"powa", 2, powaBuiltin},
      {"rank", 1, rankBuiltin}, {"raws", 2, rawsBuiltin}, {"real", 1, realBuiltin},
      {"refh", 1, refhBuiltin}, {"refi", 1, refiBuiltin}, {"refj", 1, refjBuiltin},
      {"refk", 1, refkBuiltin}, {"refl", 2, reflBuiltin}, {"refm", 2, refmBuiltin},
      {"refn", 2, refnBuiltin}, {"refo", 2, refoBuiltin}, {"rght", 1, rghtBuiltin},
      {"road", 1, roadBuiltin}, {"same", 2, sameBuiltin}, {"tern", 1, ternBuiltin},
      {"trim", 3, trimBuiltin}, {"type", 1, typeBuiltin}, {"wave", 1, waveBuiltin},
      {"zits", 1, zitsBuiltin},
      // Process and environment.
      {"abort", 0, bridgeHandler("abort")}, {"assert", 1, bridgeHandler("assert")},
      {"exit", 1, bridgeHandler("exit")}, {"getenv", 1, bridgeHandler("getenv")},
      {"system", 1, bridgeHandler("system")}, {"raise", 1, bridgeHandler("raise")},
      {"rand", 0, bridgeHandler("rand")}, {"srand", 1, bridgeHandler("srand")},
      {"perror", 1, bridgeHandler("perror")},
      // Memory.
      {"malloc", 1, bridgeHandler("malloc")}, {"calloc", 2, bridgeHandler("calloc")},
      {"realloc", 2, bridgeHandler("realloc")}, {"free", 1, bridgeHandler("free")},
      {"memchr", 3, bridgeHandler("memchr")}, {"memcmp", 3, bridgeHandler("memcmp")},
      {"memcpy", 3, bridgeHandler("memcpy")}, {"memmove", 3, bridgeHandler("memmove")},
      {"memset", 3, bridgeHandler("memset")}, {"bzero", 2, bridgeHandler("bzero")},
      // Strings.
      {"strcasecmp", 2, bridgeHandler("strcasecmp")}, {"strcat", 2, bridgeHandler("strcat")},
      {"strchr", 2, bridgeHandler("strchr")}, {"strcmp", 2, bridgeHandler("strcmp")},
      {"strcpy", 2, bridgeHandler("strcpy")}, {"strdup", 1, bridgeHandler("strdup")},
      {"strerror", 1, bridgeHandler("strerror")}, {"strlen", 1, bridgeHandler("strlen")},
      {"strncasecmp", 3, bridgeHandler("strncasecmp")}, {"strncat", 3, bridgeHandler("strncat")},
      {"strncmp", 3, bridgeHandler("strncmp")}, {"strncpy", 3, bridgeHandler("strncpy")},
      {"strnlen", 2, bridgeHandler("strnlen")}, {"strpbrk", 2, bridgeHandler("strpbrk")},
      {"strrchr", 2, bridgeHandler("strrchr")}, {"strspn", 2, bridgeHandler("strspn")},
      {"strstr", 2, bridgeHandler("strstr")}, {"strtod", 2, bridgeHandler("strtod")},
      {"strtok", 2, bridgeHandler("strtok")}, {"strtok_r", 3, bridgeHandler("strtok_r")},
      {"strtol", 3, bridgeHandler("strtol")}, {"strtoul", 3, bridgeHandler("strtoul")},
      {"atof", 1, bridgeHandler("atof")}, {"atoi", 1, bridgeHandler("atoi")},
      {"atol", 1, bridgeHandler("atol")},
      // Characters.
      {"isalnum", 1, bridgeHandler("isalnum")}, {"isalpha", 1, bridgeHandler("isalpha")},
      {"isascii", 1, bridgeHandler("isascii")}, {"isblank", 1, bridgeHandler("isblank")},
      {"isdigit", 1, bridgeHandler("isdigit")}, {"isgraph", 1, bridgeHandler("isgraph")},
      {"islower", 1, bridgeHandler("islower")}, {"isprint", 1, bridgeHandler("isprint")},
      {"ispunct", 1, bridgeHandler("ispunct")}, {"isspace", 1, bridgeHandler("isspace")},
      {"isupper", 1, bridgeHandler("isupper")}, {"toascii", 1, bridgeHandler("toascii")},
      {"tolower", 1, bridgeHandler("tolower")}, {"toupper", 1, bridgeHandler("toupper")},
      // Integer maths.
      {"abs", 1, bridgeHandler("abs")}, {"labs", 1, bridgeHandler("labs")},
      // Real maths.
      {"acos", 1, bridgeHandler("acos")}, {"asin", 1, bridgeHandler("asin")},
      {"atan", 1, bridgeHandler("atan")}, {"ceil", 1, bridgeHandler("ceil")},
      {"cos", 1, bridgeHandler("cos")}, {"cosh", 1, bridgeHandler("cosh")},
      {"erf", 1, bridgeHandler("erf")}, {"erfc", 1, bridgeHandler("erfc")},
      {"exp", 1, bridgeHandler("exp")}, {"fabs", 1, bridgeHandler("fabs")},
      {"floor", 1, bridgeHandler("floor")}, {"fmod", 2, bridgeHandler("fmod")},
      {"frexp", 2, bridgeHandler("frexp")}, {"hypot", 2, bridgeHandler("hypot")},
      {"ldexp", 2, bridgeHandler("ldexp")}, {"log", 1, bridgeHandler("log")},
      {"modf", 2, bridgeHandler("modf")}, {"nextafter", 2, bridgeHandler("nextafter")},
      {"pow", 2, bridgeHandler("pow")}, {"sin", 1, bridgeHandler("sin")},
      {"sinh", 1, bridgeHandler("sinh")}, {"sqrt", 1, bridgeHandler("sqrt")},
      {"tan", 1, bridgeHandler("tan")}, {"tanh", 1, bridgeHandler("tanh")},
      // Streams.
      {"fopen", 2, bridgeHandler("fopen")}, {"fdopen", 2, bridgeHandler("fdopen")},
      {"fclose", 1, bridgeHandler("fclose")}, {"feof", 1, bridgeHandler("feof")},
      {"ferror", 1, bridgeHandler("ferror")}, {"clearerr", 1, bridgeHandler("clearerr")},
      {"fflush", 1, bridgeHandler("fflush")}, {"fgetc", 1, bridgeHandler("fgetc")},
      {"getc", 1, bridgeHandler("getc")}, {"getchar", 0, bridgeHandler("getchar")},
      {"fgets", 3, bridgeHandler("fgets")}, {"fputc", 2, bridgeHandler("fputc")},
      {"putc", 2, bridgeHandler("putc")}, {"putchar", 1, bridgeHandler("putchar")},
      {"fputs", 2, bridgeHandler("fputs")}, {"puts", 1, bridgeHandler("puts")},
      {"fread", 4, bridgeHandler("fread")}, {"fwrite", 4, bridgeHandler("fwrite")},
      {"fseek", 3, bridgeHandler("fseek")}, {"ftell", 1, bridgeHandler("ftell")},
      {"rewind", 1, bridgeHandler("rewind")}, {"fgetpos", 2, bridgeHandler("fgetpos")},
      {"fsetpos", 2, bridgeHandler("fsetpos")}, {"setbuf", 2, bridgeHandler("setbuf")},
      {"ungetc", 2, bridgeHandler("ungetc")}, {"fileno", 1, bridgeHandler("fileno")},
      {"tmpfile", 0, bridgeHandler("tmpfile")}, {"tmpnam", 1, bridgeHandler("tmpnam")},
      {"remove", 1, bridgeHandler("remove")}, {"rename", 2, bridgeHandler("rename")},
      {"stdout", 0, bridgeHandler("stdout")}, {"stderr", 0, bridgeHandler("stderr")},
      // Descriptors.
      {"read", 3, bridgeHandler("read")}, {"write", 3, bridgeHandler("write")},
      // Time.
      {"time", 1, bridgeHandler("time")}, {"ctime", 1, bridgeHandler("ctime")},
      {"asctime", 1, bridgeHandler("asctime")}, {"gmtime", 1, bridgeHandler("gmtime")},
      {"localtime", 1, bridgeHandler("localtime")}, {"mktime", 1, bridgeHandler("mktime")},
      {"difftime", 2, bridgeHandler("difftime")}, {"strftime", 4, bridgeHandler("strftime")},
      // Sockets.
      {"socket", 3, bridgeHandler("socket")}, {"bind", 3, bridgeHandler("bind")},
      {"listen", 2, bridgeHandler("listen")}, {"accept", 3, bridgeHandler("accept")},
      {"connect", 3, bridgeHandler("connect")}, {"getpeername", 3, bridgeHandler("getpeername")},
      {"recv", 4, bridgeHandler("recv")}, {"recvfrom", 6, bridgeHandler("recvfrom")},
      {"send", 4, bridgeHandler("send")}, {"sendto", 6, bridgeHandler("sendto")},
      {"setsockopt", 5, bridgeHandler("setsockopt")}, {"shutdown", 2, bridgeHandler("shutdown")},
      {"closesocket", 1, bridgeHandler("closesocket")}, {"htonl", 1, bridgeHandler("htonl")},
      {"htons", 1, bridgeHandler("htons")}, {"ntohl", 1, bridgeHandler("ntohl")},
      {"ntohs", 1, bridgeHandler("ntohs")}, {"inet_ntop", 4, bridgeHandler("inet_ntop")},
      {"inet_pton", 3, bridgeHandler("inet_pton")},
      {"gethostname", 2, bridgeHandler("gethostname")},
      {"getaddrinfo", 4, bridgeHandler("getaddrinfo")},
      {"freeaddrinfo", 1, bridgeHandler("freeaddrinfo")},
      {"getnameinfo", 7, bridgeHandler("getnameinfo")},
      {"gai_strerror", 1, bridgeHandler("gai_strerror")},
      // Directories.
      {"opendir", 1, bridgeHandler("opendir")}, {"readdir", 1, bridgeHandler("readdir")},
      {"closedir", 1, bridgeHandler("closedir")},
      // Socket sets.
      {"fd_set", 2, bridgeHandler("fd_set")},
      // Sizes and constants.
      {"addrinfo", 0, bridgeHandler("addrinfo")}, {"dirent", 0, bridgeHandler("dirent")},
      {"time_t", 0, bridgeHandler("time_t")}, {"af_unspec", 0, bridgeHandler("af_unspec")},
      {"ai_passive", 0, bridgeHandler("ai_passive")},
      {"sock_stream", 0, bridgeHandler("sock_stream")}, {"rand_max", 0, bridgeHandler("rand_max")},
      {"errno", 0, bridgeHandler("errno")}, {"eacces", 0, bridgeHandler("eacces")},
      {"ebadf", 0, bridgeHandler("ebadf")}, {"econnaborted", 0, bridgeHandler("econnaborted")},
      {"efault", 0, bridgeHandler("efault")}, {"eintr", 0, bridgeHandler("eintr")},
      {"einval", 0, bridgeHandler("einval")}, {"eio", 0, bridgeHandler("eio")},
      {"emfile", 0, bridgeHandler("emfile")}, {"enfile", 0, bridgeHandler("enfile")},
      {"enodev", 0, bridgeHandler("enodev")}, {"enomem", 0, bridgeHandler("enomem")},
      {"enotsock", 0, bridgeHandler("enotsock")}, {"enxio", 0, bridgeHandler("enxio")},
      {"eopnotsupp", 0, bridgeHandler("eopnotsupp")}, {"eoverflow", 0, bridgeHandler("eoverflow")},
      {"ewouldblock", 0, bridgeHandler("ewouldblock")},
  };
  return rows;
}

// Builtins that answer the engine's numbers without their redex.
struct WordRow {
  const char* name;
  WordOp op;
};
const WordRow kWordRows[] = {
    {"plus", WordOp::Plus}, {"dash", WordOp::Dash}, {"mult", WordOp::Mult},
    {"over", WordOp::Over}, {"cent", WordOp::Cent}, {"less", WordOp::Less},
    {"gteq", WordOp::Gteq}, {"same", WordOp::Same}, {"diff", WordOp::Diff},
    {"powa", WordOp::Powa},
};

// Builtins that answer byte blocks, texts and machine integers on the
// engine's values, without their redex.
struct ValueRow {
  const char* name;
  ValueAnswer answer;
};
const ValueRow kValueRows[] = {
    {"look", lookOnValues}, {"cork", corkOnValues}, {"rank", rankOnValues},
    {"trim", trimOnValues}, {"buck", buckOnValues}, {"wave", waveOnValues},
    {"init", initOnValues}, {"plus", plusOnValues}, {"real", realOnValues},
};

void fillRows(BuiltinMap& rows) {
  for (const Row& row : tableRows()) rows.emplace(row.name, BuiltinEntry{row.arity, row.handler});
  for (const WordRow& w : kWordRows) rows.at(w.name).wordOp = w.op;
  for (const ValueRow& v : kValueRows) rows.at(v.name).onValues = v.answer;
}

}  // namespace

const BuiltinMap& builtinTable() {
  BuiltinMap& rows = builtinStorage();
  // A reset of the global tables empties the rows; the next reader refills them.
  if (rows.empty()) fillRows(rows);
  return rows;
}

const BuiltinEntry* findBuiltin(std::string_view name) {
  const BuiltinMap& rows = builtinTable();
  auto it = rows.find(name);
  return it == rows.end() ? nullptr : &it->second;
}

}  // namespace quorl
