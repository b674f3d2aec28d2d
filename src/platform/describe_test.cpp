// Status texts and the read probe, as a program meets them for files it
// cannot use.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "platform/platform.h"

namespace {

TEST(DescribeTest, ProbeGivesTheOperatingSystemsReason) {
  const std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / "describe_probe";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "here.grd").string();
  std::ofstream(file) << "x";
  EXPECT_EQ(platform::probe_read(file), platform::kOk);
  EXPECT_EQ(platform::probe_read((dir / "absent").string()), ENOENT);
  EXPECT_EQ(platform::probe_read((dir / "here.grd/below").string()), ENOTDIR);
  EXPECT_EQ(platform::probe_read(""), EINVAL);
  EXPECT_EQ(platform::probe_read(std::string("a\0b", 3)), EINVAL);
  std::filesystem::remove_all(dir);
}

TEST(DescribeTest, StatusTexts) {
  EXPECT_EQ(platform::status_text(ENOENT), "No such file or directory");
  EXPECT_EQ(platform::status_text(EACCES), "Permission denied");
  EXPECT_EQ(platform::status_text(platform::kEndOfFile), "end of file");
  EXPECT_EQ(platform::status_text(platform::kNotOpen), "the unit has no open file");
  EXPECT_EQ(platform::status_text(-7), "status -7");
}

}  // namespace
