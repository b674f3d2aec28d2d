// The publishing layer: switches as people write them, inputs that are not
// regular files, outputs that appear only when complete and never replace
// anything, and the end of a run whose standard output failed.
#include "platform/publish.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

namespace fs = std::filesystem;

class PublishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "publish_test_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::size_t entries() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), {}));
  }
  std::string dir_;
};

TEST(ParseSwitch, UsualSpellingsOrNothing) {
  for (const char* on : {"1", "yes", "TRUE", " on ", "Yes\n", " 1"}) {
    EXPECT_EQ(platform::parse_switch(on), std::optional<bool>(true)) << on;
  }
  for (const char* off : {"0", "no", "False", "OFF ", ""}) {
    if (std::string_view(off).empty()) {
      EXPECT_EQ(platform::parse_switch(off), std::nullopt);
      continue;
    }
    EXPECT_EQ(platform::parse_switch(off), std::optional<bool>(false)) << off;
  }
  for (const char* bad : {"2", "yess", "y", "o n", "-1"}) {
    EXPECT_EQ(platform::parse_switch(bad), std::nullopt) << bad;
  }
}

TEST_F(PublishTest, InputsMustBeRegularFilesAndAreNotOpened) {
  const std::string fifo = dir_ + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(platform::check_input_file(fifo), platform::kNotRegularFile);  // returns at once
  EXPECT_EQ(platform::check_input_file("/dev/zero"), platform::kNotRegularFile);
  EXPECT_EQ(platform::check_input_file(dir_), EISDIR);
  EXPECT_EQ(platform::check_input_file(dir_ + "/none"), ENOENT);
  std::ofstream(dir_ + "/f") << "x";
  EXPECT_EQ(platform::check_input_file(dir_ + "/f"), platform::kOk);
}

TEST_F(PublishTest, OutputAppearsOnlyWhenPublishedAndNeverReplaces) {
  const std::string out = dir_ + "/out.nc";
  {
    platform::PendingOutput p;
    ASSERT_EQ(p.reserve(out), platform::kOk);
    EXPECT_FALSE(fs::exists(out));
    std::ofstream(p.temp_path()) << "complete";
    ASSERT_EQ(p.publish(), platform::kOk);
  }
  std::ifstream in(out);
  std::string text;
  in >> text;
  EXPECT_EQ(text, "complete");
  EXPECT_EQ(entries(), 1u);  // no temporary file left

  platform::PendingOutput again;
  EXPECT_EQ(again.reserve(out), EEXIST);
  EXPECT_TRUE(again.temp_path().empty());

  // A name taken while the output was written is not replaced.
  const std::string late = dir_ + "/late";
  platform::PendingOutput p;
  ASSERT_EQ(p.reserve(late), platform::kOk);
  std::ofstream(late) << "theirs";
  EXPECT_EQ(p.publish(), EEXIST);
  p.abandon();
  std::ifstream theirs(late);
  theirs >> text;
  EXPECT_EQ(text, "theirs");
  EXPECT_EQ(entries(), 2u);
}

TEST_F(PublishTest, DanglingLinkIsRefusedAndKept) {
  const std::string link = dir_ + "/out.grd";
  ASSERT_EQ(::symlink("nowhere", link.c_str()), 0);
  EXPECT_EQ(platform::check_output_name(link), EEXIST);
  platform::PendingOutput p;
  EXPECT_EQ(p.reserve(link), EEXIST);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(entries(), 1u);
}

TEST_F(PublishTest, AbandonedOutputLeavesNothing) {
  {
    platform::PendingOutput p;
    ASSERT_EQ(p.reserve(dir_ + "/x"), platform::kOk);
    std::ofstream(p.temp_path()) << "half";
  }
  EXPECT_EQ(entries(), 0u);
}

TEST_F(PublishTest, WholeFileDoesNotReplaceAFifo) {
  const std::string fifo = dir_ + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const unsigned char bytes[] = {1, 2, 3};
  EXPECT_EQ(platform::write_whole_file(fifo, bytes), platform::kNotRegularFile);
  struct stat st {};
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// Runs `body` in a child with standard output and error on files; its status.
int in_child(const std::string& out, const std::string& err, void (*body)()) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(o, 1);
    ::dup2(e, 2);
    body();
    ::_exit(99);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(PublishTest, StandardOutputFailureFailsTheRunOnce) {
  const int status = in_child("/dev/full", dir_ + "/err", [] {
    platform::write_line("a line that cannot be written");
    platform::report_stdout_failure("prog");
    ::_exit(platform::finish_program("prog", 0));
  });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(slurp(dir_ + "/err"),
            "prog: standard output could not be written: "
            "No space left on device\n");
}

TEST_F(PublishTest, DurableValueNotUnderstoodStopsTheProgram) {
  const int status = in_child(dir_ + "/out", dir_ + "/err", [] {
    ::setenv("T2G_DURABLE", "maybe", 1);
    ::_exit(platform::start_program("prog") ? 0 : 2);
  });
  EXPECT_EQ(status, 2);
  EXPECT_NE(slurp(dir_ + "/err").find("prog: T2G_DURABLE=\"maybe\" is neither on"),
            std::string::npos);
}

}  // namespace
