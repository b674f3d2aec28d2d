// The library's message lines: standard output by default, the caller's sink
// when one is set, and in the Error of the call that wrote them.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"
#include "platform/platform_test.h"

namespace gridfile {
namespace {

namespace fs = std::filesystem;

class MessageSinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // One folder per test: ctest runs the tests side by side.
    dir_ = fs::path(::testing::TempDir()) /
           ("gridfile_sink_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    platform::testing::capture_stdout(true);
    platform::testing::take_stdout();
  }
  void TearDown() override {
    set_message_sink({});
    platform::testing::capture_stdout(false);
    fs::remove_all(dir_);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // Fails to create an existing file: the library writes FL, DM and GD lines.
  Error failed_create() {
    const std::string p = path("exists.grd");
    if (!fs::exists(p)) {
      EXPECT_TRUE(GridFile::create(p, Navigation{"CED", 2, 2, 0, 0, 1, 1, 0, 0, 0}));
    }
    Result<GridFile> f = GridFile::create(p, Navigation{"CED", 2, 2, 0, 0, 1, 1, 0, 0, 0});
    EXPECT_FALSE(f);
    return f ? Error{} : f.error();
  }

  fs::path dir_;
};

// Quiet by default: the lines go into the Error only.
TEST_F(MessageSinkTest, QuietByDefaultWithTheLinesInTheError) {
  const Error e = failed_create();
  EXPECT_EQ(platform::testing::take_stdout(), "");
  EXPECT_EQ(e.code, -1);
  EXPECT_TRUE(e.exists()) << e.text;
  ASSERT_EQ(e.library_lines.size(), 3u);
  EXPECT_TRUE(e.library_lines[0].starts_with("[FL 17]")) << e.library_lines[0];
  EXPECT_TRUE(e.library_lines[1].starts_with("[DM -1]")) << e.library_lines[1];
  EXPECT_EQ(e.text.find('^'), std::string::npos) << e.text;
}

TEST_F(MessageSinkTest, SinkReceivesEveryLineAndNothingReachesStandardOutput) {
  std::vector<std::string> lines;
  set_message_sink([&](std::string_view line) { lines.emplace_back(line); });
  (void)failed_create();
  EXPECT_EQ(platform::testing::take_stdout(), "");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0].starts_with("[FL 17]")) << lines[0];
  EXPECT_TRUE(lines[1].starts_with("[DM -1]")) << lines[1];
  EXPECT_TRUE(lines[2].starts_with("[GD -1]")) << lines[2];

  set_message_sink({});  // quiet again
  (void)failed_create();
  EXPECT_EQ(platform::testing::take_stdout(), "");
  EXPECT_EQ(lines.size(), 3u);
}

TEST_F(MessageSinkTest, ErrorsOfLaterCallsDoNotCarryEarlierLines) {
  std::vector<std::string> lines;
  set_message_sink([&](std::string_view line) { lines.emplace_back(line); });
  (void)failed_create();
  Result<GridFile> missing = GridFile::open(path("missing.grd"));
  ASSERT_FALSE(missing);
  const std::vector<std::string>& own = missing.error().library_lines;
  ASSERT_FALSE(own.empty());
  EXPECT_TRUE(own[0].starts_with("[FL 2]")) << own[0];
  for (const std::string& l : own) EXPECT_FALSE(l.starts_with("[GD -1]")) << l;
  EXPECT_EQ(lines.size(), 5u);  // FL and DM of the failed open
}

}  // namespace
}  // namespace gridfile
