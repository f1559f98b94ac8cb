// The C library bridge called through the builtin table: argument classes,
// result conversions, the guarded calls and the native records.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "builtins/clib_call.hpp"
#include "builtins/table.hpp"
#include "compile/layouts.hpp"
#include "front/prelude.hpp"
#include "numbers/real.hpp"
#include "term/tables.hpp"

namespace quorl {
namespace {

class ClibBridge : public ::testing::Test {
 protected:
  // Classifying constants annotates them, which needs the combinators.
  void SetUp() override { compilePrelude(); }
  void TearDown() override { resetGlobalTables(); }
};

NodeRef L(std::string_view text) { return leaf(text); }
NodeRef num(int64_t v) { return numberFromInt64(v); }
NodeRef addr(const void* p) { return numberFromInt64(reinterpret_cast<intptr_t>(p)); }
NodeRef block(std::string_view payload) { return makeByteBlock(payload); }

NodeRef call(const char* name, std::vector<NodeRef> args) {
  const BuiltinEntry* entry = findBuiltin(name);
  EXPECT_NE(entry, nullptr) << name;
  EXPECT_EQ(entry->arity, args.size()) << name;
  NodeRef redex = L(name);
  for (NodeRef& a : args) redex = apply(redex, std::move(a));
  return entry->handler(std::move(redex));
}

std::string shown(const NodeRef& r) {
  if (!r.isLeafNode()) return "<application>";
  if (isRealLeaf(r.get())) return "r" + realText(r);
  return std::string(r.text());
}

std::string run(const char* name, std::vector<NodeRef> args) {
  return shown(call(name, std::move(args)));
}

int64_t integerResult(const NodeRef& r) {
  int64_t v = 0;
  EXPECT_TRUE(isNumber(r.get()) && tryNumberToInt64(r, v)) << shown(r);
  return v;
}

template <typename T>
T* pointerResult(const NodeRef& r) {
  return reinterpret_cast<T*>(static_cast<intptr_t>(integerResult(r)));
}

// --- argument classes ---------------------------------------------------------

TEST_F(ClibBridge, RealFunctionsTakeRealsOnly) {
  EXPECT_EQ(run("sqrt", {num(4)}), "Z");
  EXPECT_EQ(run("sqrt", {block("4")}), "Z");
  EXPECT_EQ(run("sqrt", {makeReal(2.25)}), "r1.500000e+00");
  EXPECT_EQ(run("pow", {makeReal(2), num(3)}), "Z");
  EXPECT_EQ(run("pow", {makeReal(2), makeReal(10)}), "r1.024000e+03");
  EXPECT_EQ(run("fabs", {makeReal(-0.0)}), "r0.000000e+00");
  EXPECT_EQ(run("ldexp", {makeReal(1.5), num(4)}), "r2.400000e+01");
  int exponent = 0;
  EXPECT_EQ(run("frexp", {makeReal(8), addr(&exponent)}), "r5.000000e-01");
  EXPECT_EQ(exponent, 4);
}

TEST_F(ClibBridge, TextArgumentsAreBlocksAddressesOrConstants) {
  const char* native = "native";
  EXPECT_EQ(integerResult(call("strlen", {block("abc")})), 3);
  EXPECT_EQ(integerResult(call("strlen", {block(std::string("ab\0cd", 5))})), 2);
  EXPECT_EQ(integerResult(call("strlen", {addr(native)})), 6);
  // A constant is seen with its brackets, packed when it is an application.
  EXPECT_EQ(integerResult(call("strlen", {L("[ab]")})), 4);
  EXPECT_EQ(integerResult(call("strlen", {apply(L("[ab]"), L("[c]"))})), 7);
  EXPECT_EQ(run("strlen", {makeReal(1)}), "Z");
  EXPECT_EQ(run("strlen", {L("x")}), "Z");
  EXPECT_EQ(integerResult(call("strcmp", {block("abc"), L("[abc]")})), 1);
  EXPECT_EQ(integerResult(call("strcmp", {block("\xff"), block("a")})), 1);
  EXPECT_EQ(integerResult(call("strcmp", {block("a"), addr("a")})), 0);
  EXPECT_EQ(integerResult(call("strcmp", {block("a"), block("b")})), -1);
}

TEST_F(ClibBridge, FirstBadArgumentStopsTheCallBeforeTheLibrary) {
  char destination[8] = "keep";
  EXPECT_EQ(run("strcpy", {block("x"), block("new")}), "Z");
  EXPECT_EQ(run("memcpy", {addr(destination), addr("abc"), block("3")}), "Z");
  EXPECT_EQ(run("strncpy", {addr(destination), block("abc"), num(3)}), "Z");
  EXPECT_STREQ(destination, "keep");
  EXPECT_EQ(integerResult(call("strcpy", {addr(destination), L("[ab]")})),
            reinterpret_cast<intptr_t>(destination));
  EXPECT_STREQ(destination, "[ab]");
  EXPECT_EQ(run("fopen", {makeReal(1), block("r")}), "Z");
  EXPECT_EQ(run("free", {block("")}), "Z");
}

// --- results ------------------------------------------------------------------

TEST_F(ClibBridge, NumbersComeBackAtTheWidthOfTheirType) {
  EXPECT_EQ(run("strtoul", {block("-1"), num(0), num(10)}), "18446744073709551615");
  EXPECT_EQ(run("strtol", {block("99999999999"), num(0), num(10)}), "2147483647");
  EXPECT_EQ(run("strtol", {block("-99999999999"), num(0), num(10)}), "02147483648");
  char* end = nullptr;
  const char* text = "42abc";
  EXPECT_EQ(run("strtol", {addr(text), addr(&end), num(10)}), "42");
  EXPECT_EQ(end, text + 2);
  EXPECT_EQ(run("labs", {num(4294967295)}), "1");
  EXPECT_EQ(run("abs", {num(INT64_MIN)}), "9223372036854775808");
  EXPECT_EQ(run("abs", {num(-7)}), "7");
  EXPECT_EQ(run("htonl", {num(1)}), "16777216");
  EXPECT_EQ(run("htonl", {num(128)}), "02147483648");
  EXPECT_EQ(run("ntohl", {num(128)}), "2147483648");
  EXPECT_EQ(run("srand", {num(1)}), "I");
  EXPECT_EQ(run("strchr", {addr(text), num('z')}), "0");
}

TEST_F(ClibBridge, CharacterTestsAnswerTruthValuesForAnyInteger) {
  EXPECT_EQ(run("isalpha", {num('q')}), "K");
  EXPECT_EQ(run("isdigit", {num('q')}), "H");
  EXPECT_EQ(run("isascii", {num(-1)}), "H");
  EXPECT_EQ(run("isascii", {num(127)}), "K");
  EXPECT_EQ(run("toascii", {num(200)}), "72");
  // Values outside the bytes never reach the library's tables.
  EXPECT_EQ(run("isalpha", {num(100000)}), "H");
  EXPECT_EQ(run("isspace", {num(-100000)}), "H");
  EXPECT_EQ(run("toupper", {num(97)}), "65");
  EXPECT_EQ(run("toupper", {num(-100000)}), "0100000");
  EXPECT_EQ(run("isupper", {block("A")}), "Z");
}

TEST_F(ClibBridge, AssertPassesTrueAndRefusesNonTruthValues) {
  EXPECT_EQ(run("assert", {L("K")}), "I");
  EXPECT_EQ(run("assert", {num(1)}), "Z");
  EXPECT_DEATH(call("assert", {L("H")}), "ASSERTION FAILED:l:242");
}

// --- buffers ------------------------------------------------------------------

TEST_F(ClibBridge, WritersNeverReadPastABlock) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  EXPECT_EQ(run("write", {num(fds[1]), block("hello"), num(6)}), "Z");
  EXPECT_EQ(run("write", {num(fds[1]), block("hello"), num(-1)}), "Z");
  EXPECT_EQ(run("write", {num(fds[1]), block("hello"), num(5)}), "5");
  EXPECT_EQ(run("write", {num(fds[1]), L("[ok]"), num(4)}), "4");
  EXPECT_EQ(run("send", {num(fds[1]), block("abc"), num(4), num(0)}), "Z");
  char got[16] = {};
  EXPECT_EQ(run("read", {num(fds[0]), addr(got), num(9)}), "9");
  EXPECT_STREQ(got, "hello[ok]");
  close(fds[0]);
  close(fds[1]);

  // A stream the program opened: the stream builtins take no other.
  auto* sink = reinterpret_cast<FILE*>(integerResult(call("tmpfile", {})));
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(run("fwrite", {block("abcd"), num(2), num(3), addr(sink)}), "Z");
  EXPECT_EQ(run("fwrite", {block("abcd"), num(int64_t{1} << 62), num(8), addr(sink)}), "Z");
  EXPECT_EQ(run("fwrite", {block("abcd"), num(2), num(2), addr(sink)}), "2");
  EXPECT_EQ(run("ftell", {addr(sink)}), "4");
  EXPECT_EQ(run("fclose", {addr(sink)}), "0");
}

TEST_F(ClibBridge, StreamsReadAFileByPathBlock) {
  std::string path = ::testing::TempDir() + "clib_stream.txt";
  std::ofstream(path) << "first line\nsecond\n";
  // The path ends at the block's first NUL byte.
  NodeRef stream = call("fopen", {block(path + std::string("\0junk", 5)), L("[r]")});
  EXPECT_EQ(shown(stream), "0");  // the mode "[r]" is not a mode
  stream = call("fopen", {block(path + std::string("\0junk", 5)), block("r")});
  ASSERT_NE(integerResult(stream), 0);
  char line[32];
  EXPECT_EQ(integerResult(call("fgets", {addr(line), num(sizeof line), stream})),
            reinterpret_cast<intptr_t>(line));
  EXPECT_STREQ(line, "first line\n");
  EXPECT_EQ(run("fgetc", {stream}), "115");
  EXPECT_EQ(run("feof", {stream}), "0");
  EXPECT_EQ(run("fclose", {stream}), "0");
  EXPECT_EQ(run("remove", {block(path)}), "0");
}

// --- records and constants ----------------------------------------------------

TEST_F(ClibBridge, ConstantsAndSizes) {
  EXPECT_EQ(findBuiltin("ai_passive")->handler, findBuiltin("sock_stream")->handler);
  EXPECT_EQ(run("ai_passive", {}), "1");
  EXPECT_EQ(run("sock_stream", {}), "1");
  EXPECT_EQ(run("af_unspec", {}), "0");
  EXPECT_EQ(run("ebadf", {}), std::to_string(EBADF));
  EXPECT_EQ(run("addrinfo", {}), "48");
  EXPECT_EQ(run("dirent", {}), "296");
  EXPECT_EQ(run("time_t", {}), "8");
  errno = EINTR;
  EXPECT_EQ(run("errno", {}), std::to_string(EINTR));
  EXPECT_EQ(integerResult(call("rand_max", {})), RAND_MAX);
}

TEST_F(ClibBridge, SocketSetsHoldEachSocketOnce) {
  std::vector<char> set(recordSize("fd_set"), 0);
  auto count = [&] {
    uint32_t c;
    std::memcpy(&c, set.data(), sizeof c);
    return c;
  };
  auto slot = [&](int i) {
    int64_t s;
    std::memcpy(&s, set.data() + 8 + 8 * i, sizeof s);
    return s;
  };
  EXPECT_EQ(run("fd_set", {num(7), addr(set.data())}), "I");
  EXPECT_EQ(run("fd_set", {num(9), addr(set.data())}), "I");
  EXPECT_EQ(run("fd_set", {num(7), addr(set.data())}), "I");
  EXPECT_EQ(count(), 2u);
  EXPECT_EQ(slot(0), 7);
  EXPECT_EQ(slot(1), 9);
  for (int s = 100; s < 200; s++) call("fd_set", {num(s), addr(set.data())});
  EXPECT_EQ(count(), 64u);
  EXPECT_EQ(slot(63), 161);
  EXPECT_EQ(run("fd_set", {block("7"), addr(set.data())}), "Z");
}

TEST_F(ClibBridge, DirectoriesListEveryEntryInTheDirentLayout) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(::testing::TempDir()) / "clib_dir_test";
  fs::remove_all(dir);
  fs::create_directories(dir / "sub");
  std::ofstream(dir / "file.txt") << "x";

  NodeRef handle = call("opendir", {block(dir.string())});
  ASSERT_NE(integerResult(handle), 0);
  std::set<std::string> names;
  const char* first = nullptr;
  uint32_t lastCookie = 0;
  for (;;) {
    const char* record = pointerResult<const char>(call("readdir", {handle}));
    if (record == nullptr) break;
    if (first == nullptr) first = record;
    EXPECT_EQ(record, first);  // one record, refilled
    std::string name = record + 28;
    uint64_t length;
    uint32_t type;
    uint16_t recordLength;
    std::memcpy(&length, record + 16, 8);
    std::memcpy(&type, record + 24, 4);
    std::memcpy(&recordLength, record + 8, 2);
    std::memcpy(&lastCookie, record + 4, 4);
    EXPECT_EQ(length, name.size());
    EXPECT_EQ(recordLength, 296);
    EXPECT_EQ(type, name == "file.txt" ? 0x8000u : 0x4000u) << name;
    names.insert(name);
  }
  EXPECT_EQ(names, (std::set<std::string>{".", "..", "file.txt", "sub"}));
  EXPECT_EQ(lastCookie, 0x7FFFFFFFu);
  EXPECT_EQ(run("closedir", {handle}), "0");

  errno = 0;
  EXPECT_EQ(run("opendir", {block("")}), "0");
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(run("opendir", {block((dir / "file.txt").string())}), "0");
  EXPECT_EQ(errno, ENOTDIR);
  EXPECT_EQ(run("closedir", {num(0)}), "01");
  EXPECT_EQ(run("errno", {}), std::to_string(EBADF));
  EXPECT_EQ(run("readdir", {makeReal(0)}), "Z");
  fs::remove_all(dir);
}

// Each bridge handler reads as many arguments as its table row says.
TEST_F(ClibBridge, BridgeRowsAgreeWithTheTable) {
  for (BridgeRows family : {libraryRows(), structureRows()}) {
    for (size_t i = 0; i < family.count; i++) {
      const BridgeRow& row = family.rows[i];
      const BuiltinEntry* entry = findBuiltin(row.name);
      ASSERT_NE(entry, nullptr) << row.name;
      EXPECT_EQ(entry->arity, row.arity) << row.name;
      EXPECT_EQ(entry->handler, row.handler) << row.name;
    }
  }
}

}  // namespace
}  // namespace quorl

namespace quorl {
namespace {

TEST_F(ClibBridge, ResolvedAddressesUseThePublishedLayout) {
  std::vector<char> hints(recordSize("addrinfo"), 0);
  int32_t flags = AI_NUMERICHOST | AI_NUMERICSERV;
  int32_t family = AF_INET;
  int32_t type = SOCK_STREAM;
  std::memcpy(hints.data() + 0, &flags, 4);
  std::memcpy(hints.data() + 4, &family, 4);
  std::memcpy(hints.data() + 8, &type, 4);
  char* list = nullptr;
  EXPECT_EQ(run("getaddrinfo", {addr("127.0.0.1"), addr("8080"), addr(hints.data()), addr(&list)}),
            "0");
  ASSERT_NE(list, nullptr);
  int32_t gotFamily, gotType;
  uint64_t length;
  const sockaddr_in* address;
  char* next;
  std::memcpy(&gotFamily, list + 4, 4);
  std::memcpy(&gotType, list + 8, 4);
  std::memcpy(&length, list + 16, 8);
  std::memcpy(&address, list + 32, 8);
  std::memcpy(&next, list + 40, 8);
  EXPECT_EQ(gotFamily, AF_INET);
  EXPECT_EQ(gotType, SOCK_STREAM);
  EXPECT_EQ(length, sizeof(sockaddr_in));
  EXPECT_EQ(ntohs(address->sin_port), 8080);
  EXPECT_EQ(ntohl(address->sin_addr.s_addr), 0x7F000001u);
  EXPECT_EQ(next, nullptr);
  EXPECT_EQ(run("freeaddrinfo", {addr(list)}), "I");
  // An address the bridge did not hand out is not freed.
  EXPECT_EQ(run("freeaddrinfo", {addr(hints.data())}), "I");
  EXPECT_NE(run("getaddrinfo", {addr("not a number"), num(0), addr(hints.data()), addr(&list)}),
            "0");
}

}  // namespace
}  // namespace quorl

namespace quorl {
namespace {

TEST_F(ClibBridge, CopiesWithinOneBufferAndTimeConversions) {
  char text[16] = "abcdef";
  EXPECT_EQ(pointerResult<char>(call("strcpy", {addr(text + 2), addr(text)})), text + 2);
  EXPECT_STREQ(text, "ababcdef");
  EXPECT_EQ(pointerResult<char>(call("strcat", {addr(text), block("!")})), text);
  EXPECT_STREQ(text, "ababcdef!");

  int64_t seconds = 86400;
  NodeRef broken = call("gmtime", {addr(&seconds)});
  ASSERT_NE(integerResult(broken), 0);
  char day[32];
  EXPECT_EQ(run("strftime", {addr(day), num(sizeof day), block("%Y-%m-%d"), broken}), "10");
  EXPECT_STREQ(day, "1970-01-02");
  EXPECT_EQ(run("difftime", {num(5), num(2)}), "r3.000000e+00");
  EXPECT_EQ(run("difftime", {makeReal(5), num(2)}), "Z");
  int64_t now = 0;
  EXPECT_EQ(integerResult(call("time", {addr(&now)})), now);
  EXPECT_GT(now, 1600000000);
}

}  // namespace
}  // namespace quorl
