// Internal checks, the append-only log file and the large-stack runner.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "driver/check.hpp"
#include "driver/driver.hpp"
#include "driver/large_stack.hpp"

namespace quorl {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// A fresh private directory, removed with its files at the end of a test.
struct ScratchDir {
  std::string path;
  ScratchDir() {
    char pattern[] = "/tmp/quorl-check-XXXXXX";
    path = mkdtemp(pattern);
  }
  ~ScratchDir() { std::system(("rm -rf '" + path + "'").c_str()); }
  std::string file(const char* name) const { return path + "/" + name; }
};

TEST(CheckDeathTest, CheckFailureNamesModuleAndLineThenAborts) {
  EXPECT_EXIT(checkFailure(kDriverModule, 57), testing::KilledBySignal(SIGABRT),
              "^ASSERTION FAILED:quorl:57\n$");
  EXPECT_EXIT(QUORL_CHECK(1 + 1 == 3, 7006), testing::KilledBySignal(SIGABRT),
              "^ASSERTION FAILED:b:7006\n$");
}

TEST(CheckDeathTest, AnEmptyArgumentVectorIsADriverCheckFailure) {
  char* noArguments[] = {nullptr};
  EXPECT_EXIT(driverMain(0, noArguments), testing::KilledBySignal(SIGABRT),
              "^ASSERTION FAILED:quorl:57\n$");
}

TEST(CheckDeathTest, InternalFailureWritesItsMessageToStdoutFirst) {
  ScratchDir dir;
  std::string out = dir.file("stdout");
  EXPECT_EXIT(
      {
        if (!std::freopen(out.c_str(), "w", stdout)) std::_Exit(3);
        internalFailure("charnopq");
      },
      testing::KilledBySignal(SIGABRT), "^ASSERTION FAILED:b:634\n$");
  EXPECT_EQ(readFile(out), "QUORLFAIL: charnopq\n");
}

TEST(AppendToFileTest, AppendsWholeTextsInOrderToAPrivateFile) {
  ScratchDir dir;
  std::string log = dir.file("log");
  appendToFile(log.c_str(), "First a: x\n");
  std::string big(3 << 20, 'q');
  big += std::string("\0\xFF", 2);
  appendToFile(log.c_str(), big);
  appendToFile(log.c_str(), "");
  EXPECT_EQ(readFile(log), "First a: x\n" + big);
  struct stat info;
  ASSERT_EQ(stat(log.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(AppendToFileTest, SkipsQuietlyWhenTheFileCannotBeWritten) {
  ScratchDir dir;
  appendToFile(dir.file("missing/log").c_str(), "lost\n");
  appendToFile(dir.path.c_str(), "a directory\n");
  appendToFile("/dev/full", "no room\n");
  SUCCEED();  // reaching here is the point: none of these stops the process
}

TEST(AppendToFileTest, RefusesToFollowASymbolicLink) {
  ScratchDir dir;
  std::string victim = dir.file("victim");
  std::string link = dir.file("link");
  { std::ofstream(victim) << "precious\n"; }
  ASSERT_EQ(symlink(victim.c_str(), link.c_str()), 0);
  appendToFile(link.c_str(), "injected\n");
  EXPECT_EQ(readFile(victim), "precious\n");
  // A dangling link must not create its target either.
  std::string dangling = dir.file("dangling");
  ASSERT_EQ(symlink(dir.file("created").c_str(), dangling.c_str()), 0);
  appendToFile(dangling.c_str(), "injected\n");
  EXPECT_NE(access(dir.file("created").c_str(), F_OK), 0);
}

// Recursion that needs far more than a default thread's 8 MiB of stack.
// Each frame's buffer is read after the call returns, so the compiler cannot
// turn the recursion into a loop.
[[gnu::noinline]] int descend(int depth) {
  volatile char frame[256];
  frame[0] = 1;
  int below = depth == 0 ? 0 : descend(depth - 1);
  return below + frame[0];
}

TEST(LargeStackTest, RunsDeepRecursionToCompletion) {
  int reached = -1;
  runWithLargeStack([&] { reached = descend(500000); });
  EXPECT_EQ(reached, 500001);
}

}  // namespace
}  // namespace quorl
