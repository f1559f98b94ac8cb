// Internal checks, the append-only log file and the large-stack runner.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

TEST(AppendToFileTest, NeverWaitsOnAFifoNorWritesIntoOne) {
  ScratchDir dir;
  std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  // With nobody reading, an open for writing would wait forever.
  EXPECT_EXIT(
      {
        alarm(10);
        appendToFile(fifo.c_str(), "stuck\n");
        appendToBoundedFile(fifo.c_str(), "stuck\n", 4096);
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "");
  // With a reader, nothing reaches it.
  int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  appendToFile(fifo.c_str(), "leaked\n");
  appendToBoundedFile(fifo.c_str(), "leaked\n", 4096);
  char buffer[16];
  EXPECT_LE(read(reader, buffer, sizeof buffer), 0);
  close(reader);
}

TEST(AppendToFileTest, LeavesAnotherUsersFileAlone) {
  ScratchDir dir;
  std::string planted = dir.file("planted");
  { std::ofstream(planted) << "theirs\n"; }
  chmod(planted.c_str(), 0666);
  if (chown(planted.c_str(), 65534, 65534) != 0) GTEST_SKIP() << "cannot give a file away";
  appendToFile(planted.c_str(), "program text\n");
  appendToBoundedFile(planted.c_str(), "program text\n", 4096);
  EXPECT_EQ(readFile(planted), "theirs\n");
}

TEST(AppendToFileTest, LeavesAFileWithAnotherNameAlone) {
  // A hard link at the path would make one of our own files the log, and
  // bounding the log would cut it.
  ScratchDir dir;
  std::string own = dir.file("own");
  std::string path = dir.file("log");
  { std::ofstream(own) << std::string(100, 'x') << "\n"; }
  ASSERT_EQ(link(own.c_str(), path.c_str()), 0);
  appendToBoundedFile(path.c_str(), std::string(100, 'y') + "\n", 128);
  EXPECT_EQ(readFile(own), std::string(100, 'x') + "\n");
}

TEST(AppendToFileTest, ABoundedFileKeepsItsNewestWholeLines) {
  ScratchDir dir;
  std::string log = dir.file("log");
  constexpr size_t kLimit = 4096;
  int last = 0;
  for (int i = 1; i <= 2000; i++) {
    appendToBoundedFile(log.c_str(), "entry " + std::to_string(i) + "\n", kLimit);
    last = i;
    ASSERT_LE(readFile(log).size(), kLimit) << i;
  }
  std::string kept = readFile(log);
  EXPECT_GE(kept.size(), kLimit / 2 - 16);
  // Whole lines, consecutive, ending with the newest.
  std::istringstream lines(kept);
  std::string line;
  std::vector<int> numbers;
  while (std::getline(lines, line)) {
    ASSERT_EQ(line.rfind("entry ", 0), 0u) << line;
    numbers.push_back(std::stoi(line.substr(6)));
  }
  ASSERT_FALSE(numbers.empty());
  EXPECT_EQ(numbers.back(), last);
  for (size_t i = 1; i < numbers.size(); i++) EXPECT_EQ(numbers[i], numbers[i - 1] + 1);
  // An entry longer than half the bound is cut, and still ends its line.
  appendToBoundedFile(log.c_str(), std::string(3 * kLimit, 'z') + "\n", kLimit);
  kept = readFile(log);
  EXPECT_LE(kept.size(), kLimit);
  EXPECT_EQ(kept.substr(kept.size() - 4), "...\n");
}

// Another run holding the file's lock: the entry is skipped at once, not
// waited for.
TEST(AppendToFileTest, SkipsAtOnceWhenAnotherRunHoldsTheLock) {
  ScratchDir dir;
  std::string log = dir.file("log");
  appendToBoundedFile(log.c_str(), "First a: x\n", 4096);
  int holder = open(log.c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(flock(holder, LOCK_EX), 0);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 50; i++) {
    appendToBoundedFile(log.c_str(), "First b: y\n", 4096);
    appendToFile(log.c_str(), "First c: z\n");
  }
  auto waited = std::chrono::steady_clock::now() - start;
  close(holder);
  EXPECT_LT(waited, std::chrono::seconds(1));
  EXPECT_EQ(readFile(log), "First a: x\n");
}

// Past the file-size limit a write fails instead of ending the process
// with SIGXFSZ, and what part of the entry went in is taken back.
TEST(AppendToFileTest, AWritePastTheFileSizeLimitIsTakenBack) {
  ScratchDir dir;
  std::string log = dir.file("log");
  std::string old(4000, 'x');
  old += "\n";
  { std::ofstream(log) << old; }
  chmod(log.c_str(), 0600);
  EXPECT_EXIT(
      {
        rlimit size;
        size.rlim_cur = size.rlim_max = 4010;
        if (setrlimit(RLIMIT_FSIZE, &size) != 0) std::_Exit(3);
        appendToBoundedFile(log.c_str(), "First long_name: entry\n", 1 << 20);
        appendToFile(log.c_str(), "First long_name: entry\n");
        // Trimming writes the kept lines to a new file, which fails too.
        appendToBoundedFile(log.c_str(), "First long_name: entry\n", 4096);
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(readFile(log), old);
}

// A trim writes the kept lines to a new file and puts it in the old one's
// place; the old file is never cut in place, so a run stopped half-way
// leaves it whole.
TEST(AppendToFileTest, TrimmingReplacesTheFileWhole) {
  ScratchDir dir;
  std::string log = dir.file("log");
  std::string old;
  for (int i = 0; i < 100; i++) old += "First old" + std::to_string(i) + ": x\n";
  { std::ofstream(log) << old; }
  chmod(log.c_str(), 0600);
  int before = open(log.c_str(), O_RDONLY);
  ASSERT_GE(before, 0);
  appendToBoundedFile(log.c_str(), "First new: y\n", old.size());
  std::string kept = readFile(log);
  EXPECT_LE(kept.size(), old.size());
  EXPECT_EQ(kept.substr(kept.size() - 13), "First new: y\n");
  EXPECT_EQ(kept.rfind("First old", 0), 0u);
  EXPECT_NE(old.find(kept.substr(0, kept.size() - 13)), std::string::npos);
  std::string unchanged(old.size(), '\0');
  EXPECT_EQ(pread(before, unchanged.data(), unchanged.size(), 0), static_cast<ssize_t>(old.size()));
  EXPECT_EQ(unchanged, old);
  close(before);
  // Nothing is left beside it.
  EXPECT_EQ(std::system(("test $(ls '" + dir.path + "' | wc -l) -eq 1").c_str()), 0);
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
