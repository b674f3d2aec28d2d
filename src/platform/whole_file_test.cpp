// Whole-file writes: the bytes arrive exactly, an existing file is replaced,
// and a write that cannot be done fails with the OS's reason and leaves
// neither a partial file nor a temporary one behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

class WholeFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("whole_file_test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::vector<fs::path> entries() const {
    std::vector<fs::path> found;
    for (const auto& e : fs::directory_iterator(dir_)) found.push_back(e.path().filename());
    return found;
  }
  fs::path dir_;
};

std::vector<unsigned char> bytes_of(std::string_view text) {
  return {text.begin(), text.end()};
}

TEST_F(WholeFileTest, WritesEveryByteAndReplacesAnEarlierFile) {
  const fs::path target = dir_ / "out.bin";
  std::vector<unsigned char> data(70000);
  for (std::size_t k = 0; k < data.size(); ++k) data[k] = static_cast<unsigned char>(k * 7 + 3);
  ASSERT_EQ(platform::write_whole_file(target.string(), data), platform::kOk);
  const std::string back = read(target);
  ASSERT_EQ(back.size(), data.size());
  EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin(), [](unsigned char a, char b) {
    return a == static_cast<unsigned char>(b);
  }));

  ASSERT_EQ(platform::write_whole_file(target.string(), bytes_of("short")), platform::kOk);
  EXPECT_EQ(read(target), "short");
  EXPECT_EQ(entries(), std::vector<fs::path>{"out.bin"});  // no temporary left

  ASSERT_EQ(platform::write_whole_file(target.string(), {}), platform::kOk);
  EXPECT_EQ(fs::file_size(target), 0u);
}

TEST_F(WholeFileTest, FailureNamesTheReasonAndLeavesNothingBehind) {
  const int missing_dir =
      platform::write_whole_file((dir_ / "no" / "out.bin").string(), bytes_of("x"));
  EXPECT_EQ(missing_dir, ENOENT);
  EXPECT_EQ(platform::status_text(missing_dir), "No such file or directory");

  // A folder in the way: the rename is refused and the temporary removed.
  fs::create_directory(dir_ / "taken");
  fs::create_directory(dir_ / "taken" / "inner");
  EXPECT_NE(platform::write_whole_file((dir_ / "taken").string(), bytes_of("x")), platform::kOk);
  EXPECT_TRUE(fs::is_directory(dir_ / "taken"));
  EXPECT_EQ(entries(), std::vector<fs::path>{"taken"});
}

TEST_F(WholeFileTest, RuntimeStatusesHaveTheirOwnText) {
  EXPECT_EQ(platform::status_text(platform::kOk), "success");
  EXPECT_EQ(platform::status_text(platform::kEndOfFile), "end of file");
  EXPECT_EQ(platform::status_text(platform::kNotOpen), "unit not open");
}

}  // namespace
