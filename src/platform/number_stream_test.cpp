// Free-layout reads: every number in order whatever separates them, across
// buffer refills and lines of any length; bad items, the end of the text and
// the count of items left.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

constexpr int kIn = platform::kStdinUnit;

class NumberStreamTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::testing::reset_stdin(); }

  // Reads n numbers; the status, and the values in `got`.
  int read(std::size_t n, bool commas = false) {
    got.assign(n, 0.0f);
    std::size_t count = 0;
    const int status = platform::read_numbers(kIn, got, count, commas, &bad);
    got.resize(count);
    return status;
  }

  std::vector<float> got;
  std::string bad;
};

TEST_F(NumberStreamTest, NumbersInAnyLayout) {
  platform::testing::set_stdin("1 2.5\t-3e2\r\n\n  4\r\n5,6\n7");
  ASSERT_EQ(read(4), platform::kOk);
  EXPECT_EQ(got, (std::vector<float>{1.0f, 2.5f, -300.0f, 4.0f}));
  EXPECT_EQ(platform::line_number(kIn), 3);
  // Without --layout csv a comma is part of an item, which is no number.
  EXPECT_EQ(read(1), platform::kBadItem);
  EXPECT_EQ(bad, "5,6");
  EXPECT_EQ(platform::line_number(kIn), 4);
  std::int64_t rest = 0;
  ASSERT_EQ(platform::count_items(kIn, false, rest), platform::kOk);
  EXPECT_EQ(rest, 1);  // "7", the last item without a line end

  platform::testing::set_stdin("5,6,,7\n1D2 nan");
  ASSERT_EQ(read(5, true), platform::kOk);
  EXPECT_EQ(got[2], 7.0f) << "a run of separators counts as one";
  EXPECT_EQ(got[3], 100.0f);
  EXPECT_TRUE(std::isnan(got[4]));
  EXPECT_TRUE(platform::read_not_finite(kIn));
  EXPECT_EQ(read(1, true), platform::kEndOfFile);
  EXPECT_TRUE(got.empty());
}

// A file of one line far longer than the line reader keeps and than one
// buffer: every number, also those cut by a refill.
TEST_F(NumberStreamTest, OneLineOfManyBuffers) {
  const std::string path = ::testing::TempDir() + "number_stream_line.txt";
  constexpr std::size_t kCount = 400000;  // about 3 MB
  {
    std::ofstream file(path, std::ios::binary);
    for (std::size_t k = 0; k < kCount; ++k) file << (k * 7 % 1000) << '.' << (k % 100) << ' ';
  }
  constexpr int kLun = 40;
  ASSERT_EQ(platform::open_sequential(kLun, path), platform::kOk);
  std::vector<float> values(kCount);
  std::size_t count = 0;
  ASSERT_EQ(platform::read_numbers(kLun, values, count, false), platform::kOk);
  ASSERT_EQ(count, kCount);
  for (std::size_t k = 0; k < kCount; ++k) {
    const std::string text = std::to_string(k * 7 % 1000) + "." + std::to_string(k % 100);
    ASSERT_EQ(values[k], std::stof(text)) << "value " << k;
  }
  EXPECT_FALSE(platform::read_not_finite(kLun));
  std::int64_t rest = -1;
  ASSERT_EQ(platform::count_items(kLun, false, rest), platform::kOk);
  EXPECT_EQ(rest, 0);
  platform::close_unit(kLun);
  std::remove(path.c_str());
}

}  // namespace
