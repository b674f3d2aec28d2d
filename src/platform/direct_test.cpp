// Direct-access units: record layout on disk, end-of-file handling, access
// errors and the fault-injection seam.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

using platform::testing::Op;

constexpr int kLun = 41;
constexpr int kRecl = 512;

class DirectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "direct_test_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".dat";
    std::remove(path_.c_str());
    platform::testing::clear_faults();
    platform::testing::reset_io_counts();
  }
  void TearDown() override {
    platform::close_unit(kLun);
    platform::testing::clear_faults();
    std::remove(path_.c_str());
  }
  std::vector<unsigned char> file_bytes() const {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::string path_;
};

std::array<std::int32_t, 128> pattern(std::int32_t base) {
  std::array<std::int32_t, 128> words{};
  for (std::size_t k = 0; k < words.size(); ++k) words[k] = base + static_cast<std::int32_t>(k);
  return words;
}

TEST_F(DirectTest, RecordsLandAtTheirOffsetsAndReadBack) {
  ASSERT_EQ(platform::open_direct(kLun, path_, true, kRecl), platform::kOk);
  EXPECT_EQ(platform::write_record(kLun, 1, pattern(1000)), platform::kOk);
  EXPECT_EQ(platform::write_record(kLun, 3, pattern(3000)), platform::kOk);
  std::int64_t size = 0;
  ASSERT_EQ(platform::file_size(kLun, size), platform::kOk);
  EXPECT_EQ(size, 3 * 512);

  // Record 3 starts at byte 1024; words are stored in host (little-endian) order.
  const std::vector<unsigned char> bytes = file_bytes();
  ASSERT_EQ(bytes.size(), 1536u);
  EXPECT_EQ(bytes[1024], 3000 & 0xff);
  EXPECT_EQ(bytes[1025], 3000 >> 8);
  EXPECT_EQ(bytes[512], 0);  // record 2 is a hole

  std::array<std::int32_t, 128> got{};
  EXPECT_EQ(platform::read_record(kLun, 3, got), platform::kOk);
  EXPECT_EQ(got, pattern(3000));
  got.fill(7);
  EXPECT_EQ(platform::read_record(kLun, 2, got), platform::kOk);
  EXPECT_EQ(got, (std::array<std::int32_t, 128>{}));
}

TEST_F(DirectTest, ReadsBeyondTheEndGiveEndOfFileWithoutATransfer) {
  ASSERT_EQ(platform::open_direct(kLun, path_, true, kRecl), platform::kOk);
  const std::array<std::int32_t, 1> one{-9999};
  ASSERT_EQ(platform::write_record(kLun, 50, one), platform::kOk);
  std::int64_t size = 0;
  platform::file_size(kLun, size);
  EXPECT_EQ(size, 49 * 512 + 4);
  EXPECT_EQ(file_bytes().size(), 49u * 512 + 4);

  platform::testing::reset_io_counts();
  std::array<std::int32_t, 128> got = pattern(5);
  EXPECT_EQ(platform::read_record(kLun, 51, got), platform::kEndOfFile);
  EXPECT_EQ(got, (std::array<std::int32_t, 128>{}));
  EXPECT_EQ(platform::testing::io_counts().record_reads, 0);

  // Record 50 is cut short by the end of the file: its first word, zeros after.
  got = pattern(5);
  EXPECT_EQ(platform::read_record(kLun, 50, got), platform::kEndOfFile);
  EXPECT_EQ(got[0], -9999);
  EXPECT_EQ(got[1], 0);
  EXPECT_EQ(got[127], 0);
  EXPECT_EQ(platform::testing::io_counts().record_reads, 1);

  // A write that grows the file makes the record readable without reopening.
  ASSERT_EQ(platform::write_record(kLun, 51, pattern(51)), platform::kOk);
  EXPECT_EQ(platform::read_record(kLun, 51, got), platform::kOk);
  EXPECT_EQ(got, pattern(51));
  EXPECT_EQ(platform::testing::io_counts().record_writes, 1);
}

TEST_F(DirectTest, OpenStatusesAndUnitChecks) {
  EXPECT_EQ(platform::open_direct(kLun, path_, false, kRecl), ENOENT);
  EXPECT_FALSE(platform::is_open(kLun));
  ASSERT_EQ(platform::open_direct(kLun, path_, true, kRecl), platform::kOk);
  EXPECT_EQ(platform::open_direct(kLun, path_, true, kRecl), platform::kUnitInUse);
  EXPECT_EQ(platform::open_direct(kLun + 1, path_, true, kRecl), EEXIST);
  EXPECT_FALSE(platform::is_open(kLun + 1));
  EXPECT_TRUE(platform::file_exists(path_));
  std::string name;
  EXPECT_EQ(platform::unit_name(kLun, name), platform::kOk);
  EXPECT_EQ(name, path_);

  std::array<std::int32_t, 128> words{};
  EXPECT_EQ(platform::read_record(kLun, 0, words), EINVAL);
  std::array<std::int32_t, 129> too_long{};
  EXPECT_EQ(platform::write_record(kLun, 1, too_long), EINVAL);
  EXPECT_EQ(platform::read_record(kLun + 1, 1, words), platform::kNotOpen);
  EXPECT_EQ(platform::read_record(100, 1, words), platform::kNotOpen);
  EXPECT_EQ(platform::read_record(-1, 1, words), platform::kNotOpen);
  EXPECT_EQ(platform::read_record(platform::kStdinUnit, 1, words), platform::kWrongAccess);
  std::string line;
  EXPECT_EQ(platform::read_line(kLun, line), platform::kWrongAccess);

  ASSERT_EQ(platform::write_record(kLun, 2, pattern(2)), platform::kOk);
  EXPECT_EQ(platform::close_unit(kLun), platform::kOk);
  EXPECT_EQ(platform::close_unit(kLun), platform::kNotOpen);

  // Reopened "old", the file keeps its size and records.
  ASSERT_EQ(platform::open_direct(kLun, path_, false, kRecl), platform::kOk);
  std::int64_t size = 0;
  platform::file_size(kLun, size);
  EXPECT_EQ(size, 1024);
  EXPECT_EQ(platform::read_record(kLun, 2, words), platform::kOk);
  EXPECT_EQ(words, pattern(2));
}

TEST_F(DirectTest, ReadOnlyUnitsReadButRefuseWrites) {
  EXPECT_EQ(platform::open_direct_read_only(kLun, path_, kRecl), ENOENT);
  ASSERT_EQ(platform::open_direct(kLun, path_, true, kRecl), platform::kOk);
  ASSERT_EQ(platform::write_record(kLun, 1, pattern(7)), platform::kOk);
  ASSERT_EQ(platform::close_unit(kLun), platform::kOk);

  // A file its owner may not write still opens for reading.
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  EXPECT_EQ(platform::open_direct_read_only(kLun, path_, kRecl), platform::kOk);
  std::array<std::int32_t, 128> words{};
  EXPECT_EQ(platform::read_record(kLun, 1, words), platform::kOk);
  EXPECT_EQ(words, pattern(7));
  EXPECT_EQ(platform::write_record(kLun, 1, pattern(8)), EBADF);
  EXPECT_EQ(platform::close_unit(kLun), platform::kOk);
  const std::vector<unsigned char> bytes = file_bytes();
  EXPECT_EQ(bytes.size(), 512u);
  EXPECT_EQ(bytes[4], 8u);  // word 2 still holds 7 + 1 from the first write
  ::chmod(path_.c_str(), 0644);
}

TEST_F(DirectTest, InjectedFaultsHitTheChosenOperationOnly) {
  platform::testing::fail_nth(Op::kOpen, kLun, 1, EACCES);
  EXPECT_EQ(platform::open_direct(kLun, path_, true, kRecl), EACCES);
  EXPECT_FALSE(platform::file_exists(path_));
  ASSERT_EQ(platform::open_direct(kLun, path_, true, kRecl), platform::kOk);

  platform::testing::fail_nth(Op::kRecordWrite, kLun, 3, EIO);
  platform::testing::fail_nth(Op::kRecordRead, 77, 1, EIO);  // another unit: never hit
  EXPECT_EQ(platform::write_record(kLun, 1, pattern(1)), platform::kOk);
  EXPECT_EQ(platform::write_record(kLun, 2, pattern(2)), platform::kOk);
  EXPECT_EQ(platform::write_record(kLun, 3, pattern(3)), EIO);
  EXPECT_EQ(platform::write_record(kLun, 3, pattern(3)), platform::kOk);
  EXPECT_EQ(platform::testing::io_counts().record_writes, 3);

  std::array<std::int32_t, 128> got{};
  EXPECT_EQ(platform::read_record(kLun, 3, got), platform::kOk);
  EXPECT_EQ(got, pattern(3));

  platform::testing::fail_nth(Op::kRecordRead, -1, 2, ENOSPC);
  EXPECT_EQ(platform::read_record(kLun, 1, got), platform::kOk);
  EXPECT_EQ(platform::read_record(kLun, 1, got), ENOSPC);
  EXPECT_EQ(platform::testing::io_counts().record_reads, 2);

  // A failing close still releases the unit.
  platform::testing::fail_nth(Op::kClose, kLun, 1, EIO);
  EXPECT_EQ(platform::close_unit(kLun), EIO);
  EXPECT_FALSE(platform::is_open(kLun));
}

// A run of records goes out in one system call and lands byte for byte where
// the records written one at a time would; each record passes the test hooks
// in turn, so a fault, a size limit or a crash stops the run at its record.
TEST_F(DirectTest, RunsOfRecordsInOneCallStopAtTheFailingRecord) {
  std::vector<std::array<std::int32_t, 128>> words;
  for (int k = 0; k < 6; ++k) words.push_back(pattern(1000 * (k + 1)));
  std::vector<std::span<const std::int32_t>> run(words.begin(), words.end());
  int nwritten = -1;

  ASSERT_EQ(platform::open_direct(kLun, path_, true, kRecl), platform::kOk);
  EXPECT_EQ(platform::write_records(kLun, 2, run, nwritten), platform::kOk);
  EXPECT_EQ(nwritten, 6);
  EXPECT_EQ(platform::testing::io_counts().record_writes, 6);
  EXPECT_EQ(platform::testing::io_counts().write_calls, 1);
  std::int64_t size = 0;
  ASSERT_EQ(platform::file_size(kLun, size), platform::kOk);
  EXPECT_EQ(size, 7 * 512);
  std::array<std::int32_t, 128> got{};
  for (int k = 0; k < 6; ++k) {
    ASSERT_EQ(platform::read_record(kLun, 2 + k, got), platform::kOk);
    EXPECT_EQ(got, words[static_cast<std::size_t>(k)]) << k;
  }

  // The third record's write fails: two are written (one call), none after.
  platform::testing::reset_io_counts();
  platform::testing::fail_nth(Op::kRecordWrite, kLun, 3, EIO);
  EXPECT_EQ(platform::write_records(kLun, 11, run, nwritten), EIO);
  EXPECT_EQ(nwritten, 2);
  EXPECT_EQ(platform::testing::io_counts().write_calls, 1);
  ASSERT_EQ(platform::file_size(kLun, size), platform::kOk);
  EXPECT_EQ(size, 12 * 512);

  // A full disk inside the fifth record (record 24): four whole records and
  // the 100 bytes of the fifth that fit, then ENOSPC.
  platform::testing::limit_file_size(23 * 512 + 100);
  EXPECT_EQ(platform::write_records(kLun, 20, run, nwritten), ENOSPC);
  EXPECT_EQ(nwritten, 4);
  ASSERT_EQ(platform::file_size(kLun, size), platform::kOk);
  EXPECT_EQ(size, 23 * 512 + 100);
  EXPECT_EQ(file_bytes().size(), 23u * 512 + 100);
  platform::testing::clear_faults();

  // A crash at the second record's change: the first is written, the rest are
  // not, and the caller is told every one succeeded.
  platform::testing::crash_at_change(2);
  EXPECT_EQ(platform::write_records(kLun, 30, run, nwritten), platform::kOk);
  EXPECT_EQ(nwritten, 6);
  EXPECT_TRUE(platform::testing::crashed());
  EXPECT_EQ(file_bytes().size(), 30u * 512);
  platform::testing::clear_faults();

  // Only whole records make a run.
  const std::array<std::int32_t, 3> short_record{1, 2, 3};
  const std::array<std::span<const std::int32_t>, 1> bad{short_record};
  EXPECT_EQ(platform::write_records(kLun, 1, bad, nwritten), EINVAL);
  EXPECT_EQ(nwritten, 0);
}

}  // namespace
