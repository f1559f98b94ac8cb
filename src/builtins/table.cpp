// The builtin table: one row per builtin, name, arity and handler.
//
// This table is the single owner of builtin names: compilation reads it to
// refuse user definitions of them and to predefine their placeholders, and
// the reduction engine reads it to dispatch.  A family whose handlers are
// not written yet points at `notBuiltYet`, which stops the run naming the
// builtin rather than returning a value a program could mistake for a
// result.
#include "builtins/table.hpp"

#include <string>

#include "builtins/language.hpp"
#include "compile/runtime_definition.hpp"
#include "driver/check.hpp"
#include "eval/kinds.hpp"
#include "numbers/arith_builtins.hpp"

namespace quorl {

namespace {

struct Row {
  const char* name;
  uint8_t arity;
  BuiltinHandler handler;
};

// The builtin's name is the leaf at the head of the redex.
NodeRef notBuiltYet(NodeRef redex) {
  const Node* head = redex.get();
  while (isApplication(head)) head = functionOf(head);
  std::string message = "builtin " + std::string(leafChars(head)) + " is not available yet";
  internalFailure(message.c_str());
}

constexpr BuiltinHandler pending = notBuiltYet;

const Row kRows[] = {
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
    {"abort", 0, pending}, {"assert", 1, pending}, {"exit", 1, pending},
    {"getenv", 1, pending}, {"system", 1, pending}, {"raise", 1, pending},
    {"rand", 0, pending}, {"srand", 1, pending}, {"perror", 1, pending},
    // Memory.
    {"malloc", 1, pending}, {"calloc", 2, pending}, {"realloc", 2, pending},
    {"free", 1, pending}, {"memchr", 3, pending}, {"memcmp", 3, pending},
    {"memcpy", 3, pending}, {"memmove", 3, pending}, {"memset", 3, pending},
    {"bzero", 2, pending},
    // Strings.
    {"strcasecmp", 2, pending}, {"strcat", 2, pending}, {"strchr", 2, pending},
    {"strcmp", 2, pending}, {"strcpy", 2, pending}, {"strdup", 1, pending},
    {"strerror", 1, pending}, {"strlen", 1, pending}, {"strncasecmp", 3, pending},
    {"strncat", 3, pending}, {"strncmp", 3, pending}, {"strncpy", 3, pending},
    {"strnlen", 2, pending}, {"strpbrk", 2, pending}, {"strrchr", 2, pending},
    {"strspn", 2, pending}, {"strstr", 2, pending}, {"strtod", 2, pending},
    {"strtok", 2, pending}, {"strtok_r", 3, pending}, {"strtol", 3, pending},
    {"strtoul", 3, pending}, {"atof", 1, pending}, {"atoi", 1, pending},
    {"atol", 1, pending},
    // Characters.
    {"isalnum", 1, pending}, {"isalpha", 1, pending}, {"isascii", 1, pending},
    {"isblank", 1, pending}, {"isdigit", 1, pending}, {"isgraph", 1, pending},
    {"islower", 1, pending}, {"isprint", 1, pending}, {"ispunct", 1, pending},
    {"isspace", 1, pending}, {"isupper", 1, pending}, {"toascii", 1, pending},
    {"tolower", 1, pending}, {"toupper", 1, pending},
    // Integer maths.
    {"abs", 1, pending}, {"labs", 1, pending},
    // Real maths.
    {"acos", 1, pending}, {"asin", 1, pending}, {"atan", 1, pending}, {"ceil", 1, pending},
    {"cos", 1, pending}, {"cosh", 1, pending}, {"erf", 1, pending}, {"erfc", 1, pending},
    {"exp", 1, pending}, {"fabs", 1, pending}, {"floor", 1, pending}, {"fmod", 2, pending},
    {"frexp", 2, pending}, {"hypot", 2, pending}, {"ldexp", 2, pending}, {"log", 1, pending},
    {"modf", 2, pending}, {"nextafter", 2, pending}, {"pow", 2, pending}, {"sin", 1, pending},
    {"sinh", 1, pending}, {"sqrt", 1, pending}, {"tan", 1, pending}, {"tanh", 1, pending},
    // Streams.
    {"fopen", 2, pending}, {"fdopen", 2, pending}, {"fclose", 1, pending},
    {"feof", 1, pending}, {"ferror", 1, pending}, {"clearerr", 1, pending},
    {"fflush", 1, pending}, {"fgetc", 1, pending}, {"getc", 1, pending},
    {"getchar", 0, pending}, {"fgets", 3, pending}, {"fputc", 2, pending},
    {"putc", 2, pending}, {"putchar", 1, pending}, {"fputs", 2, pending},
    {"puts", 1, pending}, {"fread", 4, pending}, {"fwrite", 4, pending},
    {"fseek", 3, pending}, {"ftell", 1, pending}, {"rewind", 1, pending},
    {"fgetpos", 2, pending}, {"fsetpos", 2, pending}, {"setbuf", 2, pending},
    {"ungetc", 2, pending}, {"fileno", 1, pending}, {"tmpfile", 0, pending},
    {"tmpnam", 1, pending}, {"remove", 1, pending}, {"rename", 2, pending},
    {"stdout", 0, pending}, {"stderr", 0, pending},
    // Descriptors.
    {"read", 3, pending}, {"write", 3, pending},
    // Time.
    {"time", 1, pending}, {"ctime", 1, pending}, {"asctime", 1, pending},
    {"gmtime", 1, pending}, {"localtime", 1, pending}, {"mktime", 1, pending},
    {"difftime", 2, pending}, {"strftime", 4, pending},
    // Sockets.
    {"socket", 3, pending}, {"bind", 3, pending}, {"listen", 2, pending},
    {"accept", 3, pending}, {"connect", 3, pending}, {"getpeername", 3, pending},
    {"recv", 4, pending}, {"recvfrom", 6, pending}, {"send", 4, pending},
    {"sendto", 6, pending}, {"setsockopt", 5, pending}, {"shutdown", 2, pending},
    {"closesocket", 1, pending}, {"htonl", 1, pending}, {"htons", 1, pending},
    {"ntohl", 1, pending}, {"ntohs", 1, pending}, {"inet_ntop", 4, pending},
    {"inet_pton", 3, pending}, {"gethostname", 2, pending}, {"getaddrinfo", 4, pending},
    {"freeaddrinfo", 1, pending}, {"getnameinfo", 7, pending}, {"gai_strerror", 1, pending},
    // Directories.
    {"opendir", 1, pending}, {"readdir", 1, pending}, {"closedir", 1, pending},
    // Socket sets.
    {"fd_set", 2, pending},
    // Sizes and constants.
    {"addrinfo", 0, pending}, {"dirent", 0, pending}, {"time_t", 0, pending},
    {"af_unspec", 0, pending}, {"ai_passive", 0, pending}, {"sock_stream", 0, pending},
    {"rand_max", 0, pending}, {"errno", 0, pending}, {"eacces", 0, pending},
    {"ebadf", 0, pending}, {"econnaborted", 0, pending}, {"efault", 0, pending},
    {"eintr", 0, pending}, {"einval", 0, pending}, {"eio", 0, pending},
    {"emfile", 0, pending}, {"enfile", 0, pending}, {"enodev", 0, pending},
    {"enomem", 0, pending}, {"enotsock", 0, pending}, {"enxio", 0, pending},
    {"eopnotsupp", 0, pending}, {"eoverflow", 0, pending}, {"ewouldblock", 0, pending},
};

void fillRows(BuiltinMap& rows) {
  for (const Row& row : kRows) rows.emplace(row.name, BuiltinEntry{row.arity, row.handler});
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
