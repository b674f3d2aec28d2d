// The GRIB2 parameter table: the shipped file, the reverse lookup by code
// and surface, unit conversions, and the faults a hand-edited line can have.
#include "grib/parameter_table.h"

#include <gtest/gtest.h>

namespace grib {
namespace {

ParameterTable shipped() {
  std::string error;
  auto t = ParameterTable::load(std::string(T2G_SOURCE_DIR) + "/tables/grib2.tbl", error);
  EXPECT_TRUE(t.has_value()) << error;
  return t.value_or(ParameterTable{});
}

TEST(ParameterTable, ShippedTableNamesTheCodesBothWays) {
  const ParameterTable t = shipped();
  const GribParameter* tmpk = t.find("tmpk");
  ASSERT_NE(tmpk, nullptr);
  EXPECT_EQ(tmpk->short_name, "t");
  EXPECT_EQ(t.find(0, 0, 0, 100), tmpk);  // TMPC and TMPF come back as TMPK
  // The first line of a code whose surface fits: surface pressure and
  // orography on the ground, pressure and height elsewhere.
  EXPECT_EQ(t.find(0, 3, 0, 1)->name, "PSFC");
  EXPECT_EQ(t.find(0, 3, 0, 100)->name, "PRES");
  EXPECT_EQ(t.find(0, 3, 5, 1)->name, "ZSFC");
  EXPECT_EQ(t.find(0, 3, 5, 100)->name, "HGHT");
  EXPECT_EQ(t.find(0, 3, 1, 101)->name, "PMSL");
  EXPECT_EQ(t.find(0, 3, 1, 1), nullptr);
  EXPECT_EQ(t.find(255, 255, 1, 1), nullptr);
  // Units: hPa to Pa, degrees Celsius to kelvin, and back.
  const GribParameter* pmsl = t.find("PMSL");
  EXPECT_EQ(pmsl->none_surface(), 101);
  EXPECT_DOUBLE_EQ(pmsl->to_grib(1013.25), 101325.0);
  EXPECT_EQ(static_cast<float>(pmsl->to_grid(pmsl->to_grib(1013.25f))), 1013.25f);
  EXPECT_DOUBLE_EQ(t.find("TMPC")->to_grib(-40.0), 233.15);
  EXPECT_NEAR(t.find("TMPF")->to_grib(32.0), 273.15, 1e-9);
  EXPECT_EQ(tmpk->none_surface(), kGroundSurface);
}

TEST(ParameterTable, MalformedLinesAreRefusedWithTheirNumber) {
  const struct {
    const char* text;
    const char* why;
  } cases[] = {
      {"! c\nTMPK | 0 | 0 | 0 | t\n", "line 2: expected"},
      {"TMPK | 0 | 0 | 256 | t | -\n", "line 1: discipline"},
      {"TMPK | 0 | x | 0 | t | -\n", "line 1: discipline"},
      {"TMPK | 0 | 0 | 0 | t | surf\n", "line 1: the surface"},
      {"TMPK | 0 | 0 | 0 | t | - | 0\n", "line 1: the factor"},
      {"TMPK | 0 | 0 | 0 | t | - | 1 | K\n", "line 1: the factor"},
      {"TOO LONG | 0 | 0 | 0 | t | -\n", "line 1: the name"},
      {"TMPK | 0 | 0 | 0 | t | -\n\ntmpk | 0 | 0 | 1 | x | -\n",
       "line 3: the name TMPK is listed twice"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParameterTable::parse(c.text, error).has_value()) << c.text;
    EXPECT_NE(error.find(c.why), std::string::npos) << c.text << " -> " << error;
  }
  std::string error;
  EXPECT_FALSE(ParameterTable::load("/nonexistent/grib2.tbl", error).has_value());
  EXPECT_NE(error.find("cannot read the GRIB2 parameter table"), std::string::npos) << error;
}

}  // namespace
}  // namespace grib
