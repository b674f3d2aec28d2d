// run_contained: how the child ended reaches the caller as one of a few
// kinds, a step that takes too long is stopped, and the memory limit holds.
#include "platform/contain.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

using Kind = platform::ContainOutcome::Kind;

TEST(Contain, ExitStatusCrashAndTimeout) {
  platform::ContainLimits limits;
  limits.step_seconds = 0.5;
  EXPECT_EQ(platform::run_contained([] { return 7; }, limits).status, 7);

  const platform::ContainOutcome crash = platform::run_contained(
      [] {
        std::raise(SIGSEGV);
        return 0;
      },
      limits);
  EXPECT_EQ(crash.kind, Kind::kSignalled);
  EXPECT_EQ(platform::signal_name(crash.signal), "SIGSEGV");

  const auto start = std::chrono::steady_clock::now();
  const platform::ContainOutcome hang = platform::run_contained(
      [] {
        for (;;) ::pause();
        return 0;
      },
      limits);
  EXPECT_EQ(hang.kind, Kind::kTimedOut);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// Steps that each come in time let a longer piece of work finish.
TEST(Contain, EveryStepRestartsTheTime) {
  platform::ContainLimits limits;
  limits.step_seconds = 0.3;
  const platform::ContainOutcome out = platform::run_contained(
      [] {
        for (int k = 0; k < 5; ++k) {
          ::usleep(100'000);
          platform::contained_step();
        }
        return 0;
      },
      limits);
  EXPECT_EQ(out.kind, Kind::kExited);
  EXPECT_EQ(out.status, 0);
}

TEST(Contain, MemoryLimitMakesAllocationsFail) {
  if (!platform::memory_limit_applies()) GTEST_SKIP() << "no memory limit in this build";
  platform::ContainLimits limits;
  limits.memory_bytes = std::uint64_t{512} << 20;
  const platform::ContainOutcome out = platform::run_contained(
      [] {
        // Kept in a volatile so that no optimiser may drop the allocation.
        char* volatile big = new char[std::size_t{1} << 30];
        big[12] = 'x';
        const int status = big[12] == 'x' ? 0 : 1;
        delete[] big;
        return status;
      },
      limits);
  EXPECT_EQ(out.kind, Kind::kOutOfMemory);
}

TEST(Contain, LeftoversOfAKilledWriterAreRemoved) {
  const std::string dir = ::testing::TempDir() + "contain_test_left";
  std::filesystem::create_directories(dir);
  const std::string out = dir + "/out.grd";
  std::ofstream(out + ".incomplete.4242") << "x";
  std::ofstream(out + ".incomplete.4242.1") << "x";
  std::ofstream(out + ".incomplete.4243") << "someone else's";
  platform::remove_pending_of(out, 4242);
  EXPECT_FALSE(std::filesystem::exists(out + ".incomplete.4242"));
  EXPECT_FALSE(std::filesystem::exists(out + ".incomplete.4242.1"));
  EXPECT_TRUE(std::filesystem::exists(out + ".incomplete.4243"));
  std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

// Tests that capture the standard streams see what the contained work wrote.
TEST(Contain, CapturedStreamsComeBack) {
  platform::testing::capture_stdout(true);
  platform::testing::capture_stderr(true);
  const platform::ContainOutcome out = platform::run_contained(
      [] {
        platform::contained_step();
        platform::write_line("from the child");
        platform::write_error_line(std::string(1000, 'e'));
        return 3;
      },
      {});
  const std::string text = platform::testing::take_stdout();
  const std::string err = platform::testing::take_stderr();
  platform::testing::capture_stdout(false);
  platform::testing::capture_stderr(false);
  EXPECT_EQ(out.status, 3);
  EXPECT_EQ(text, "from the child\n");
  EXPECT_EQ(err, std::string(1000, 'e') + "\n");
}

}  // namespace
