// Conversions found to misbehave by the conversion fuzz target, kept as
// regression tests: each runs the whole program in-process.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "driver/convert.h"
#include "driver/convert_test_support.h"
#include "driver/text2grid.h"
#include "platform/platform_test.h"

namespace {

class ConvertRegressionTest : public convert_test::ConversionFixture {
 protected:
  void SetUp() override { prepare("convert_regression"); }
  int run(const std::string& answers) {
    platform::testing::set_stdin(answers);
    const int status = driver::run_text2grid();
    stdout_ = platform::testing::take_stdout();
    platform::testing::take_stderr();
    return status;
  }

  std::string stdout_;
};

// A grid size of 0 or less in X once made the value reader write through a
// null grid buffer. Such a grid holds no value; the answer is now refused
// before the input is read or any file is created.
TEST_F(ConvertRegressionTest, NonPositiveGridSizeReadsNoValue) {
  convert_test::write_file(in_, "1\n2\n3\n");
  const std::string answers2 = "910823/1200\nT\n1\n1\n0\n850\n";
  for (const auto& [nx, ny] : {std::pair{-2, 1}, std::pair{0, 3}, std::pair{3, -1}}) {
    const std::string out = dir_ + "/g" + std::to_string(nx) + "_" + std::to_string(ny) + ".grd";
    const int status = run(convert_test::stage_one(nx, ny, in_, out, 0, 1, 1) + answers2);
    EXPECT_EQ(status, driver::kBadAnswerStatus) << nx << " x " << ny;
    EXPECT_EQ(stdout_.find(" IN_BDTA"), std::string::npos) << stdout_;
    EXPECT_FALSE(std::filesystem::exists(out)) << out;
  }
}

}  // namespace
