// Stored values to grid values: the order of the CF rules (range and missing
// values on the stored value, then scale and offset) and what cannot be a
// 32-bit real.
#include "nc/import_values.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(UnpackingTest, MissingAndRangeApplyToTheStoredValue) {
  nc::Unpacking u;
  u.scale = 0.5;
  u.offset = 100;
  u.missing = {-32767};
  u.valid_min = -100;
  u.valid_max = 100;
  bool clipped = false;
  EXPECT_EQ(u.value(10, clipped), 105.0f);
  EXPECT_EQ(u.value(-100, clipped), 50.0f);  // the range is inclusive
  EXPECT_EQ(u.value(100, clipped), 150.0f);
  // The unpacked 50.5 lies in the range, the stored 101 does not.
  EXPECT_EQ(u.value(101, clipped), gridfile::kMissing);
  EXPECT_EQ(u.value(-32767, clipped), gridfile::kMissing);
  EXPECT_EQ(u.value(std::numeric_limits<double>::quiet_NaN(), clipped), gridfile::kMissing);
  EXPECT_FALSE(clipped);  // none of these is a value out of range
}

TEST(UnpackingTest, ValuesNoRealHoldsAreMissingAndFlagged) {
  nc::Unpacking u;
  bool clipped = false;
  EXPECT_EQ(u.value(3.4e38, clipped), 3.4e38f);
  EXPECT_FALSE(clipped);
  EXPECT_EQ(u.value(1e39, clipped), gridfile::kMissing);
  EXPECT_TRUE(clipped);
  clipped = false;
  EXPECT_EQ(u.value(-std::numeric_limits<double>::infinity(), clipped), gridfile::kMissing);
  EXPECT_TRUE(clipped);
}

}  // namespace
