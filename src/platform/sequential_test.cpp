// Sequential text units: line ends, line numbers, backspace, and lines that
// cross or exceed the reader's buffer.
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

constexpr int kLun = 9;

class SequentialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = ::testing::TempDir() + "sequential_test_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
  }
  void TearDown() override {
    platform::close_unit(kLun);
    platform::testing::reset_stdin();
    std::remove(path_.c_str());
  }
  void write_file(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  std::string path_;
};

std::vector<std::string> all_lines(int lun) {
  std::vector<std::string> lines;
  std::string line;
  while (platform::read_line(lun, line) == platform::kOk) lines.push_back(line);
  return lines;
}

TEST_F(SequentialTest, LineEndsAndLineNumbers) {
  write_file("first\r\n\nthird has a\rCR inside\r\nlast without LF");
  ASSERT_EQ(platform::open_sequential(kLun, path_), platform::kOk);
  EXPECT_EQ(platform::line_number(kLun), 0);
  std::string line;
  ASSERT_EQ(platform::read_line(kLun, line), platform::kOk);
  EXPECT_EQ(line, "first");
  ASSERT_EQ(platform::read_line(kLun, line), platform::kOk);
  EXPECT_EQ(line, "");
  ASSERT_EQ(platform::read_line(kLun, line), platform::kOk);
  EXPECT_EQ(line, "third has a\rCR inside");
  EXPECT_EQ(platform::line_number(kLun), 3);
  ASSERT_EQ(platform::read_line(kLun, line), platform::kOk);
  EXPECT_EQ(line, "last without LF");
  EXPECT_EQ(platform::read_line(kLun, line), platform::kEndOfFile);
  EXPECT_EQ(platform::read_line(kLun, line), platform::kEndOfFile);
  EXPECT_EQ(platform::line_number(kLun), 4);
}

TEST_F(SequentialTest, EmptyFileAndTrailingLineFeed) {
  write_file("");
  ASSERT_EQ(platform::open_sequential(kLun, path_), platform::kOk);
  EXPECT_TRUE(all_lines(kLun).empty());
  platform::close_unit(kLun);
  write_file("a\nb\n");
  ASSERT_EQ(platform::open_sequential(kLun, path_), platform::kOk);
  EXPECT_EQ(all_lines(kLun), (std::vector<std::string>{"a", "b"}));
}

TEST_F(SequentialTest, BackspaceStepsBackOneLine) {
  write_file("one\ntwo\nthree\n");
  ASSERT_EQ(platform::open_sequential(kLun, path_), platform::kOk);
  EXPECT_EQ(platform::backspace(kLun), platform::kOk);  // nothing read yet: no move
  std::string line;
  platform::read_line(kLun, line);
  platform::read_line(kLun, line);
  ASSERT_EQ(platform::backspace(kLun), platform::kOk);
  EXPECT_EQ(platform::line_number(kLun), 1);
  EXPECT_EQ(platform::backspace(kLun), platform::kNoEarlierLine);
  ASSERT_EQ(platform::read_line(kLun, line), platform::kOk);
  EXPECT_EQ(line, "two");
  EXPECT_EQ(platform::line_number(kLun), 2);
  std::array<char, 8> field{};
  ASSERT_EQ(platform::read_field(kLun, field), platform::kOk);
  EXPECT_EQ(std::string(field.data(), field.size()), "three   ");
  std::array<char, 2> narrow{};
  ASSERT_EQ(platform::backspace(kLun), platform::kOk);
  ASSERT_EQ(platform::read_field(kLun, narrow), platform::kOk);
  EXPECT_EQ(std::string(narrow.data(), narrow.size()), "th");
}

TEST_F(SequentialTest, LinesAcrossBufferRefillsSurviveBackspace) {
  // About 3 MiB of lines of varying length, so refills fall inside lines.
  std::vector<std::string> expected;
  std::string text;
  for (int k = 0; text.size() < (3u << 20); ++k) {
    expected.push_back(std::to_string(k) + std::string(static_cast<std::size_t>(k % 97), 'x'));
    text += expected.back() + (k % 2 == 0 ? "\n" : "\r\n");
  }
  write_file(text);
  ASSERT_EQ(platform::open_sequential(kLun, path_), platform::kOk);
  std::string line;
  std::string again;
  for (std::size_t k = 0; k < expected.size(); ++k) {
    ASSERT_EQ(platform::read_line(kLun, line), platform::kOk) << k;
    ASSERT_EQ(line, expected[k]);
    ASSERT_EQ(platform::backspace(kLun), platform::kOk);
    ASSERT_EQ(platform::read_line(kLun, again), platform::kOk);
    ASSERT_EQ(again, expected[k]);
  }
  EXPECT_EQ(platform::read_line(kLun, line), platform::kEndOfFile);
  EXPECT_EQ(platform::line_number(kLun), static_cast<int>(expected.size()));
}

// A line longer than the buffer and the line limit comes back cut to the
// limit; the lines around it are whole.
TEST_F(SequentialTest, LineLongerThanTheBuffer) {
  const std::string long_line(5u << 20, 'q');
  write_file("short\n" + long_line + "\nend");
  ASSERT_EQ(platform::open_sequential(kLun, path_), platform::kOk);
  EXPECT_EQ(all_lines(kLun), (std::vector<std::string>{
                                 "short", long_line.substr(0, platform::kMaxLineBytes), "end"}));
}

TEST_F(SequentialTest, OpenErrorsAndStandardInput) {
  EXPECT_EQ(platform::open_sequential(kLun, path_ + ".missing"), ENOENT);
  EXPECT_FALSE(platform::is_open(kLun));
  write_file("x\n");
  ASSERT_EQ(platform::open_sequential(kLun, path_), platform::kOk);
  EXPECT_EQ(platform::open_sequential(kLun, path_), platform::kUnitInUse);
  std::array<std::int32_t, 128> words{};
  EXPECT_EQ(platform::read_record(kLun, 1, words), platform::kWrongAccess);

  platform::testing::set_stdin("typed\r\nanswers");
  EXPECT_EQ(all_lines(platform::kStdinUnit), (std::vector<std::string>{"typed", "answers"}));
  EXPECT_TRUE(platform::is_open(platform::kStdinUnit));
  EXPECT_EQ(platform::close_unit(platform::kStdinUnit), platform::kOk);
  EXPECT_TRUE(platform::is_open(platform::kStdinUnit));
}

// A UTF-8 byte-order mark is skipped at the start of a file or of standard
// input, and only there.
TEST_F(SequentialTest, ByteOrderMarkAtTheStartIsSkipped) {
  write_file(
      "\xEF\xBB\xBF"
      "1.5\n\xEF\xBB\xBF"
      "2\n");
  ASSERT_EQ(platform::open_sequential(kLun, path_), platform::kOk);
  EXPECT_EQ(all_lines(kLun), (std::vector<std::string>{"1.5",
                                                       "\xEF\xBB\xBF"
                                                       "2"}));
  platform::close_unit(kLun);

  write_file("\xEF\xBB\xBF");
  ASSERT_EQ(platform::open_sequential(kLun, path_), platform::kOk);
  EXPECT_EQ(all_lines(kLun), std::vector<std::string>{});
  platform::close_unit(kLun);

  write_file("\xEF\xBB");  // not a whole mark: kept
  ASSERT_EQ(platform::open_sequential(kLun, path_), platform::kOk);
  EXPECT_EQ(all_lines(kLun), std::vector<std::string>{"\xEF\xBB"});

  platform::testing::set_stdin(
      "\xEF\xBB\xBF"
      "3\n4\n");
  int n = 0;
  const std::array item{platform::ReadItem::integer(n)};
  ASSERT_EQ(platform::read_list(platform::kStdinUnit, item), platform::kOk);
  EXPECT_EQ(n, 3);
  EXPECT_EQ(platform::line_number(platform::kStdinUnit), 1);
}

}  // namespace
