// Stored values to grid values: the order of the CF rules (unsigned bytes,
// range and missing values on the stored value, then scale and offset, then
// the units' conversion), what cannot be a 32-bit real, and the sign of zero.
#include "nc/import_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(UnpackingTest, MissingAndRangeApplyToTheStoredValue) {
  nc::Unpacking u;
  u.scale = 0.5;
  u.offset = 100;
  u.missing = {-32767};
  u.valid_min = -100;
  u.valid_max = 100;
  nc::ValueNotes notes;
  EXPECT_EQ(u.value(10, notes), 105.0f);
  EXPECT_EQ(u.value(-100, notes), 50.0f);  // the range is inclusive
  EXPECT_EQ(u.value(100, notes), 150.0f);
  // The unpacked 50.5 lies in the range, the stored 101 does not.
  EXPECT_EQ(u.value(101, notes), gridfile::kMissing);
  EXPECT_EQ(u.value(-32767, notes), gridfile::kMissing);
  EXPECT_FALSE(notes.nan || notes.out_of_range);
  EXPECT_EQ(u.value(std::numeric_limits<double>::quiet_NaN(), notes), gridfile::kMissing);
  EXPECT_TRUE(notes.nan);
  EXPECT_FALSE(notes.out_of_range);  // NaN is not a value out of range
}

TEST(UnpackingTest, ValuesNoRealHoldsAreMissingAndFlagged) {
  nc::Unpacking u;
  nc::ValueNotes notes;
  EXPECT_EQ(u.value(3.4e38, notes), 3.4e38f);
  EXPECT_FALSE(notes.out_of_range);
  EXPECT_EQ(u.value(1e39, notes), gridfile::kMissing);
  EXPECT_TRUE(notes.out_of_range);
  notes = {};
  EXPECT_EQ(u.value(-std::numeric_limits<double>::infinity(), notes), gridfile::kMissing);
  EXPECT_TRUE(notes.out_of_range);
}

TEST(UnpackingTest, UnsignedBytesUnitsAndNegativeZero) {
  nc::Unpacking u;
  u.wrap = 256;  // _Unsigned = "true" on a byte
  u.missing = {255};
  nc::ValueNotes notes;
  EXPECT_EQ(u.value(-56, notes), 200.0f);
  EXPECT_EQ(u.value(-1, notes), gridfile::kMissing);
  EXPECT_EQ(u.value(127, notes), 127.0f);
  nc::Unpacking c;
  c.convert = *nc::unit_conversion("degC", "K");
  EXPECT_EQ(c.value(10, notes), 283.15f);
  c.convert = *nc::unit_conversion("Pa", "hPa");
  EXPECT_EQ(c.value(101325, notes), 1013.25f);
  const float zero = nc::Unpacking{}.value(-0.0, notes);
  EXPECT_TRUE(zero == 0.0f && std::signbit(zero));
  EXPECT_FALSE(nc::unit_conversion("K", "hPa").has_value());
  EXPECT_FALSE(nc::unit_conversion("furlong", "m").has_value());
  EXPECT_NEAR(nc::unit_conversion("degF", "degC")->scale * 212 +
                  nc::unit_conversion("degF", "degC")->offset,
              100.0, 1e-9);
}

}  // namespace
