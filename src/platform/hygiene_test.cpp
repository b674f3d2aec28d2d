// Files that must never hang or grow memory without bound: FIFOs, devices and
// folders are refused at open; lines of any length are read in bounded
// memory, their rest skipped; closed standard descriptors are filled.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

constexpr int kLun = 9;

class HygieneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = ::testing::TempDir() + "hygiene_test_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    platform::close_unit(kLun);
    std::filesystem::remove_all(dir_);
  }
  std::string dir_;
};

TEST_F(HygieneTest, FifoDeviceAndFolderAreRefusedAtOnce) {
  const std::string fifo = dir_ + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Without a writer, a plain open of a FIFO would wait for ever.
  EXPECT_EQ(platform::open_sequential(kLun, fifo), platform::kNotRegularFile);
  EXPECT_EQ(platform::open_direct_read_only(kLun, fifo, 512), platform::kNotRegularFile);
  EXPECT_EQ(platform::open_direct(kLun, fifo, false, 512), platform::kNotRegularFile);
  EXPECT_EQ(platform::open_sequential(kLun, "/dev/zero"), platform::kNotRegularFile);
  EXPECT_EQ(platform::open_direct_read_only(kLun, "/dev/null", 512), platform::kNotRegularFile);
  EXPECT_EQ(platform::open_sequential(kLun, dir_), EISDIR);
  EXPECT_EQ(platform::open_direct_read_only(kLun, dir_, 512), EISDIR);
  EXPECT_FALSE(platform::is_open(kLun));
  EXPECT_NE(platform::status_text(platform::kNotRegularFile).find("not a regular file"),
            std::string::npos);
}

// A 3 MB line without any LF, then a long line with one: each is cut to the
// limit; the next line and backspace still work.
TEST_F(HygieneTest, LongLinesAreCutAndTheirRestSkipped) {
  const std::string path = dir_ + "/long.txt";
  const std::string head(platform::kMaxLineBytes, 'a');
  {
    std::ofstream out(path, std::ios::binary);
    out << head << std::string(3u << 20, 'b') << "\r\n"
        << "1.5\n"
        << head << "tail";
  }
  ASSERT_EQ(platform::open_sequential(kLun, path), platform::kOk);
  std::string line;
  ASSERT_EQ(platform::read_line(kLun, line), platform::kOk);
  EXPECT_EQ(line, head);
  float value = 0.0f;
  ASSERT_EQ(platform::read_real(kLun, value), platform::kOk);
  EXPECT_EQ(value, 1.5f);
  EXPECT_EQ(platform::backspace(kLun), platform::kOk);
  ASSERT_EQ(platform::read_line(kLun, line), platform::kOk);
  EXPECT_EQ(line, "1.5");
  ASSERT_EQ(platform::read_line(kLun, line), platform::kOk);
  EXPECT_EQ(line, head);  // the last line, without LF, cut as well
  EXPECT_EQ(platform::read_line(kLun, line), platform::kEndOfFile);
  EXPECT_EQ(platform::line_number(kLun), 3);
}

// A file of NUL bytes and no line end at all is one line, read in bounded
// memory: the whole 64 MB are skipped, not held.
TEST_F(HygieneTest, HugeLineWithoutLineEnd) {
  const std::string path = dir_ + "/zeros.txt";
  {
    std::ofstream out(path, std::ios::binary);
    const std::string block(1u << 20, '\0');
    for (int i = 0; i < 64; ++i) out << block;
  }
  ASSERT_EQ(platform::open_sequential(kLun, path), platform::kOk);
  std::string line;
  ASSERT_EQ(platform::read_line(kLun, line), platform::kOk);
  EXPECT_EQ(line.size(), platform::kMaxLineBytes);
  EXPECT_EQ(platform::read_line(kLun, line), platform::kEndOfFile);
}

// In a child whose descriptors 0, 1 and 2 are closed, the next file opened
// must not take one of them.
TEST_F(HygieneTest, ClosedStandardDescriptorsAreFilled) {
  const std::string path = dir_ + "/in.txt";
  std::ofstream(path) << "x\n";
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::close(0);
    ::close(1);
    ::close(2);
    platform::ensure_standard_streams();
    bool ok = ::fcntl(0, F_GETFD) != -1 && ::fcntl(1, F_GETFD) != -1 && ::fcntl(2, F_GETFD) != -1;
    const int fd = ::open(path.c_str(), O_RDONLY);
    ok = ok && fd > 2;
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

class PendingFileTest : public HygieneTest {
 protected:
  std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  int count_files() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir_)) ++n;
    return n;
  }
};

TEST_F(PendingFileTest, AppearsOnlyWhenPublishedAndNeverReplaces) {
  const std::string path = dir_ + "/grid.grd";
  ASSERT_EQ(platform::create_direct_pending(kLun, path, 512), platform::kOk);
  const std::array<std::int32_t, 128> words{7, 8, 9};
  ASSERT_EQ(platform::write_record(kLun, 1, words), platform::kOk);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(count_files(), 1);  // the temporary file, named after the file
  for (const auto& e : std::filesystem::directory_iterator(dir_)) {
    EXPECT_EQ(e.path().filename().string().rfind("grid.grd.incomplete.", 0), 0u);
  }
  ASSERT_EQ(platform::publish_direct(kLun), platform::kOk);
  EXPECT_EQ(count_files(), 1);
  EXPECT_EQ(std::filesystem::file_size(path), 512u);
  std::string name;
  ASSERT_EQ(platform::unit_name(kLun, name), platform::kOk);
  EXPECT_EQ(name, path);
  // Records still go to the same file after it got its name.
  ASSERT_EQ(platform::write_record(kLun, 2, words), platform::kOk);
  EXPECT_EQ(std::filesystem::file_size(path), 1024u);
  EXPECT_EQ(platform::close_unit(kLun), platform::kOk);
  EXPECT_TRUE(std::filesystem::exists(path));

  // An existing name refuses a new file, before anything is created ...
  EXPECT_EQ(platform::create_direct_pending(kLun, path, 512), EEXIST);
  EXPECT_EQ(count_files(), 1);
  // ... and a name that appears meanwhile is not replaced when publishing.
  const std::string other = dir_ + "/other.grd";
  ASSERT_EQ(platform::create_direct_pending(kLun, other, 512), platform::kOk);
  std::ofstream(other) << "someone else's";
  EXPECT_EQ(platform::publish_direct(kLun), EEXIST);
  EXPECT_EQ(read_all(other), "someone else's");
  EXPECT_EQ(platform::close_unit(kLun), platform::kOk);  // removes the temporary file
  EXPECT_EQ(count_files(), 2);
}

TEST_F(PendingFileTest, ClosedBeforePublishingLeavesNothing) {
  const std::string path = dir_ + "/gone.grd";
  ASSERT_EQ(platform::create_direct_pending(kLun, path, 512), platform::kOk);
  const std::array<std::int32_t, 128> words{1};
  ASSERT_EQ(platform::write_record(kLun, 3, words), platform::kOk);
  EXPECT_EQ(platform::close_unit(kLun), platform::kOk);
  EXPECT_EQ(count_files(), 0);
  // A missing folder fails as a plain creation would.
  EXPECT_EQ(platform::create_direct_pending(kLun, dir_ + "/no/such.grd", 512), ENOENT);
}

// A replacing file: the old one stays whole until the publish renames the
// new one over it; closed before that, the old one is left as it was.
TEST_F(PendingFileTest, ReplacingFileTakesTheOldOnesPlaceOnlyWhenPublished) {
  const std::string path = dir_ + "/grid.grd";
  std::ofstream(path) << "old";
  const std::array<std::int32_t, 128> words{7};
  ASSERT_EQ(platform::create_direct_replacing(kLun, path, 512), platform::kOk);
  ASSERT_EQ(platform::write_record(kLun, 1, words), platform::kOk);
  EXPECT_EQ(read_all(path), "old");
  EXPECT_EQ(platform::close_unit(kLun), platform::kOk);
  EXPECT_EQ(read_all(path), "old");
  EXPECT_EQ(count_files(), 1);

  ASSERT_EQ(platform::create_direct_replacing(kLun, path, 512), platform::kOk);
  ASSERT_EQ(platform::write_record(kLun, 1, words), platform::kOk);
  ASSERT_EQ(platform::publish_direct(kLun), platform::kOk);
  EXPECT_EQ(std::filesystem::file_size(path), 512u);
  EXPECT_EQ(count_files(), 1);
  EXPECT_EQ(platform::close_unit(kLun), platform::kOk);
  EXPECT_EQ(std::filesystem::file_size(path), 512u);
  // A folder is never replaced.
  std::filesystem::create_directory(dir_ + "/folder");
  EXPECT_EQ(platform::create_direct_replacing(kLun, dir_ + "/folder", 512), EISDIR);
}

TEST_F(PendingFileTest, TruncateAndDurableSync) {
  const std::string path = dir_ + "/cut.grd";
  ASSERT_EQ(platform::open_direct(kLun, path, true, 512), platform::kOk);
  const std::array<std::int32_t, 128> words{1};
  for (int r = 1; r <= 3; ++r) ASSERT_EQ(platform::write_record(kLun, r, words), platform::kOk);
  ASSERT_EQ(platform::truncate_direct(kLun, 1024), platform::kOk);
  std::int64_t bytes = 0;
  ASSERT_EQ(platform::file_size(kLun, bytes), platform::kOk);
  EXPECT_EQ(bytes, 1024);
  EXPECT_EQ(std::filesystem::file_size(path), 1024u);
  std::array<std::int32_t, 128> back{};
  EXPECT_EQ(platform::read_record(kLun, 3, back), platform::kEndOfFile);
  platform::set_durable(true);
  EXPECT_TRUE(platform::durable());
  EXPECT_EQ(platform::sync_direct(kLun), platform::kOk);
  platform::set_durable(false);
  EXPECT_FALSE(platform::durable());
  EXPECT_EQ(platform::sync_direct(kLun), platform::kOk);
}

// The crash hook: change k and all later ones do not reach the file, while
// the caller is told they succeeded.
TEST_F(PendingFileTest, CrashAtChangeDropsThatChangeAndEveryLaterOne) {
  const std::string path = dir_ + "/crash.grd";
  ASSERT_EQ(platform::open_direct(kLun, path, true, 512), platform::kOk);
  std::array<std::int32_t, 128> words{};
  platform::testing::crash_at_change(3);
  for (int r = 1; r <= 4; ++r) {
    words[0] = r;
    EXPECT_EQ(platform::write_record(kLun, r, words), platform::kOk);
  }
  EXPECT_TRUE(platform::testing::crashed());
  EXPECT_EQ(platform::truncate_direct(kLun, 0), platform::kOk);
  platform::testing::clear_faults();
  EXPECT_FALSE(platform::testing::crashed());
  EXPECT_EQ(std::filesystem::file_size(path), 1024u);  // records 1 and 2 only
  std::array<std::int32_t, 128> back{};
  ASSERT_EQ(platform::read_record(kLun, 2, back), platform::kOk);
  EXPECT_EQ(back[0], 2);
}

// The full-disk hook: a write passing the limit writes what fits, then ENOSPC.
TEST_F(PendingFileTest, SizeLimitWritesWhatFitsThenFails) {
  const std::string path = dir_ + "/full.grd";
  ASSERT_EQ(platform::open_direct(kLun, path, true, 512), platform::kOk);
  const std::array<std::int32_t, 128> words{5};
  platform::testing::limit_file_size(700);
  EXPECT_EQ(platform::write_record(kLun, 1, words), platform::kOk);
  EXPECT_EQ(platform::write_record(kLun, 2, words), ENOSPC);
  EXPECT_EQ(std::filesystem::file_size(path), 700u);
  EXPECT_EQ(platform::write_record(kLun, 1, words), platform::kOk);  // rewrites fit
  platform::testing::clear_faults();
  EXPECT_EQ(platform::write_record(kLun, 2, words), platform::kOk);
  EXPECT_EQ(std::filesystem::file_size(path), 1024u);
}

}  // namespace
