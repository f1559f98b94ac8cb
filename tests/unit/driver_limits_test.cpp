// Memory exhaustion and over-long texts end the process with a line that
// names the limit and status 1, wherever they happen; nothing aborts.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "driver/limits.hpp"
#include "term/node.hpp"

namespace quorl {
namespace {

constexpr const char* kMemoryLine = "^Out of memory: the run needed more memory than the system would give it.\n$";
constexpr const char* kLengthLine =
    "^Length limit: the run built a text longer than the longest one there can be.\n$";

TEST(LimitsDeathTest, ExceptionsLeavingTheRunAreReported) {
  EXPECT_EXIT(runWithinLimits([] { throw std::bad_alloc(); }), testing::ExitedWithCode(1),
              kMemoryLine);
  EXPECT_EXIT(runWithinLimits([] { std::string text; text.resize(text.max_size() + 1); }),
              testing::ExitedWithCode(1), kLengthLine);
}

[[gnu::noinline]] void throwLimit(bool memory) {
  if (memory) throw std::bad_alloc();
  throw std::length_error("too long");
}

[[gnu::noinline]] void throwsThroughNoexcept(bool memory) noexcept { throwLimit(memory); }

TEST(LimitsDeathTest, ExceptionsThatNothingMayCatchAreReportedToo) {
  // Thrown inside a noexcept function, they never reach a handler.
  EXPECT_EXIT(
      {
        installLimitHandlers();
        runWithinLimits([] { throwsThroughNoexcept(true); });
      },
      testing::ExitedWithCode(1), kMemoryLine);
  EXPECT_EXIT(
      {
        installLimitHandlers();
        throwsThroughNoexcept(false);
      },
      testing::ExitedWithCode(1), kLengthLine);
}

TEST(LimitsDeathTest, OperatorNewReportsWhenMemoryIsGone) {
  EXPECT_EXIT(
      {
        installLimitHandlers();
        std::get_new_handler()();
      },
      testing::ExitedWithCode(1), kMemoryLine);
#ifndef __SANITIZE_ADDRESS__  // the sanitizer's operator new has its own report
  EXPECT_EXIT(
      {
        installLimitHandlers();
        std::vector<char*> blocks;
        for (;;) blocks.push_back(new char[size_t{1} << 40]);
      },
      testing::ExitedWithCode(1), kMemoryLine);
#endif
}

TEST(LimitsDeathTest, WhatTheProgramPrintedIsFlushedFirst) {
  char path[] = "/tmp/quorl-limits-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  close(fd);
  EXPECT_EXIT(
      {
        if (!std::freopen(path, "w", stdout)) std::_Exit(3);
        std::fputs("printed before", stdout);
        runWithinLimits([] { throw std::bad_alloc(); });
      },
      testing::ExitedWithCode(1), kMemoryLine);
  std::ifstream in(path);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), "printed before");
  unlink(path);
}

#if !defined(QUORL_NO_POOL) && !defined(__SANITIZE_ADDRESS__)
// Allowed address space: what the process holds now and a little more.
rlim_t spaceInUseBytes() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0;
  statm >> pages;
  return static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
}

// Only cells are made, so the first allocation to fail is a new chunk of
// the pool.
void fillThePoolUnderALimit() {
  rlimit limit{};
  limit.rlim_cur = limit.rlim_max = spaceInUseBytes() + (rlim_t{64} << 20);
  if (setrlimit(RLIMIT_AS, &limit) != 0) std::_Exit(3);
  runWithinLimits([] {
    NodeRef list = leaf("K");
    for (;;) list = apply(leaf("1"), std::move(list));
  });
}

TEST(LimitsDeathTest, TheCellPoolRunningDryIsReported) {
  EXPECT_EXIT(fillThePoolUnderALimit(), testing::ExitedWithCode(1), kMemoryLine);
}
#endif

}  // namespace
}  // namespace quorl
