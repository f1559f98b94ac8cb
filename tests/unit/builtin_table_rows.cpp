// The builtin table holds exactly the published builtins with their arities.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "builtins/table.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

// The list as documented for users, one "name/arity" per entry.
const char* const kDocumented =
    "buck/1 cape/1 cent/2 cmpr/2 copy/2 cork/3 dash/2 diff/2 gteq/2 init/1 leaf/1 leak/1 "
    "left/1 less/2 lisp/1 lits/1 load/1 look/2 lots/1 mult/2 over/2 plus/2 post/2 powa/2 "
    "rank/1 raws/2 real/1 refh/1 refi/1 refj/1 refk/1 refl/2 refm/2 refn/2 refo/2 rght/1 "
    "road/1 same/2 tern/1 trim/3 type/1 wave/1 zits/1 "
    "abort/0 assert/1 exit/1 getenv/1 system/1 raise/1 rand/0 srand/1 perror/1 "
    "malloc/1 calloc/2 realloc/2 free/1 memchr/3 memcmp/3 memcpy/3 memmove/3 memset/3 bzero/2 "
    "strcasecmp/2 strcat/2 strchr/2 strcmp/2 strcpy/2 strdup/1 strerror/1 strlen/1 "
    "strncasecmp/3 strncat/3 strncmp/3 strncpy/3 strnlen/2 strpbrk/2 strrchr/2 strspn/2 "
    "strstr/2 strtod/2 strtok/2 strtok_r/3 strtol/3 strtoul/3 atof/1 atoi/1 atol/1 "
    "isalnum/1 isalpha/1 isascii/1 isblank/1 isdigit/1 isgraph/1 islower/1 isprint/1 "
    "ispunct/1 isspace/1 isupper/1 toascii/1 tolower/1 toupper/1 abs/1 labs/1 "
    "acos/1 asin/1 atan/1 ceil/1 cos/1 cosh/1 erf/1 erfc/1 exp/1 fabs/1 floor/1 fmod/2 "
    "frexp/2 hypot/2 ldexp/2 log/1 modf/2 nextafter/2 pow/2 sin/1 sinh/1 sqrt/1 tan/1 tanh/1 "
    "fopen/2 fdopen/2 fclose/1 feof/1 ferror/1 clearerr/1 fflush/1 fgetc/1 getc/1 getchar/0 "
    "fgets/3 fputc/2 putc/2 putchar/1 fputs/2 puts/1 fread/4 fwrite/4 fseek/3 ftell/1 "
    "rewind/1 fgetpos/2 fsetpos/2 setbuf/2 ungetc/2 fileno/1 tmpfile/0 tmpnam/1 remove/1 "
    "rename/2 stdout/0 stderr/0 read/3 write/3 "
    "time/1 ctime/1 asctime/1 gmtime/1 localtime/1 mktime/1 difftime/2 strftime/4 "
    "socket/3 bind/3 listen/2 accept/3 connect/3 getpeername/3 recv/4 recvfrom/6 send/4 "
    "sendto/6 setsockopt/5 shutdown/2 closesocket/1 htonl/1 htons/1 ntohl/1 ntohs/1 "
    "inet_ntop/4 inet_pton/3 gethostname/2 getaddrinfo/4 freeaddrinfo/1 getnameinfo/7 "
    "gai_strerror/1 opendir/1 readdir/1 closedir/1 fd_set/2 "
    "addrinfo/0 dirent/0 time_t/0 af_unspec/0 ai_passive/0 sock_stream/0 rand_max/0 errno/0 "
    "eacces/0 ebadf/0 econnaborted/0 efault/0 eintr/0 einval/0 eio/0 emfile/0 enfile/0 "
    "enodev/0 enomem/0 enotsock/0 enxio/0 eopnotsupp/0 eoverflow/0 ewouldblock/0";

std::map<std::string, int> documentedRows() {
  std::map<std::string, int> rows;
  std::istringstream words(kDocumented);
  std::string word;
  while (words >> word) {
    size_t slash = word.find('/');
    rows[word.substr(0, slash)] = std::stoi(word.substr(slash + 1));
  }
  return rows;
}

TEST(BuiltinTableRows, EveryDocumentedBuiltinWithItsArity) {
  std::map<std::string, int> expected = documentedRows();
  ASSERT_EQ(expected.size(), 221u);
  const BuiltinMap& table = builtinTable();
  EXPECT_EQ(table.size(), 221u);
  for (const auto& [name, arity] : expected) {
    const BuiltinEntry* entry = findBuiltin(name);
    ASSERT_NE(entry, nullptr) << name;
    EXPECT_EQ(entry->arity, arity) << name;
    EXPECT_NE(entry->handler, nullptr) << name;
  }
  for (const auto& row : table) EXPECT_EQ(expected.count(row.first), 1u) << row.first;
}

TEST(BuiltinTableRows, LookupIsExactAndTableRefillsAfterReset) {
  EXPECT_EQ(findBuiltin("plu"), nullptr);
  EXPECT_EQ(findBuiltin("plus "), nullptr);
  EXPECT_EQ(findBuiltin("K"), nullptr);
  resetGlobalTables();
  EXPECT_TRUE(builtinStorage().empty());
  EXPECT_EQ(builtinTable().size(), 221u);
  ASSERT_NE(findBuiltin("getnameinfo"), nullptr);
  EXPECT_EQ(findBuiltin("getnameinfo")->arity, 7);
}

TEST(BuiltinTableRows, TwoNamesShareTheConstantOneHandler) {
  EXPECT_EQ(findBuiltin("ai_passive")->handler, findBuiltin("sock_stream")->handler);
}

}  // namespace
}  // namespace quorl
