// Colour maps: the tables are what the maps promise (lightness rising steadily
// for the sequential maps, a neutral middle for the diverging one), lookups
// hit the anchors exactly and interpolate between them, and the missing grey
// cannot be mistaken for any value's colour.
#include "plot/colour_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using plot::ColourMap;
using plot::Rgb;

// CIE L* of an sRGB colour: the lightness a perceptually uniform map steps through.
double lightness(const Rgb& c) {
  auto linear = [](double x) {
    return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
  };
  const double y = 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
  return y > 0.008856 ? 116 * std::cbrt(y) - 16 : 903.3 * y;
}

double distance255(const Rgb& a, const Rgb& b) {
  return 255 * std::sqrt((a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) +
                         (a.b - b.b) * (a.b - b.b));
}

TEST(ColourMapTest, NamesAndLookup) {
  const auto names = ColourMap::names();
  ASSERT_GE(names.size(), 2u);
  EXPECT_EQ(names.front(), "viridis");
  for (const std::string& name : names) {
    const auto map = ColourMap::find(name);
    ASSERT_TRUE(map) << name;
    EXPECT_EQ(map->name(), name);
  }
  ASSERT_TRUE(ColourMap::find("VIRIDIS"));
  EXPECT_EQ(ColourMap::find("Cividis")->name(), "cividis");
  EXPECT_FALSE(ColourMap::find("jet"));
  EXPECT_FALSE(ColourMap::find(""));
  EXPECT_FALSE(ColourMap::find("viridis2"));
}

TEST(ColourMapTest, PublishedEndsAndMiddle) {
  const ColourMap viridis = *ColourMap::find("viridis");
  EXPECT_EQ(viridis.at(0), plot::rgb_from_hex(0x440154));
  EXPECT_EQ(viridis.at(1), plot::rgb_from_hex(0xFDE725));
  const ColourMap coolwarm = *ColourMap::find("coolwarm");
  EXPECT_EQ(coolwarm.at(0), plot::rgb_from_hex(0x3B4CC0));
  EXPECT_EQ(coolwarm.at(0.5), plot::rgb_from_hex(0xDDDDDD));
  EXPECT_EQ(coolwarm.at(1), plot::rgb_from_hex(0xB40426));
}

TEST(ColourMapTest, SequentialMapsGrowLighterAtEveryAnchor) {
  for (const char* name : {"viridis", "cividis", "magma"}) {
    const ColourMap map = *ColourMap::find(name);
    ASSERT_GE(map.anchor_count(), 32u) << name;
    for (std::size_t k = 1; k < map.anchor_count(); ++k) {
      EXPECT_GT(lightness(map.anchor_colour(k)), lightness(map.anchor_colour(k - 1)))
          << name << " anchor " << k;
    }
  }
}

TEST(ColourMapTest, DivergingMapIsLightestInTheMiddleAndBalanced) {
  const ColourMap map = *ColourMap::find("coolwarm");
  const std::size_t n = map.anchor_count();
  ASSERT_EQ(n % 2, 1u);
  const std::size_t mid = n / 2;
  for (std::size_t k = 1; k <= mid; ++k) {
    EXPECT_GT(lightness(map.anchor_colour(k)), lightness(map.anchor_colour(k - 1))) << k;
    // The two halves are equally light at equal distances from the middle.
    EXPECT_NEAR(lightness(map.anchor_colour(mid - k)), lightness(map.anchor_colour(mid + k)), 3.0)
        << k;
  }
  EXPECT_GT(map.at(0).b, map.at(0).r);  // cool end blue
  EXPECT_GT(map.at(1).r, map.at(1).b);  // warm end red
}

TEST(ColourMapTest, AnchorsExactAndLinearBetween) {
  for (const std::string& name : ColourMap::names()) {
    const ColourMap map = *ColourMap::find(name);
    EXPECT_DOUBLE_EQ(map.anchor_position(0), 0.0);
    EXPECT_DOUBLE_EQ(map.anchor_position(map.anchor_count() - 1), 1.0);
    for (std::size_t k = 0; k + 1 < map.anchor_count(); ++k) {
      const double t0 = map.anchor_position(k), t1 = map.anchor_position(k + 1);
      const Rgb a = map.anchor_colour(k), b = map.anchor_colour(k + 1);
      const Rgb at_anchor = map.at(t0);
      EXPECT_NEAR(at_anchor.r, a.r, 1e-12) << name << " " << k;
      EXPECT_NEAR(at_anchor.g, a.g, 1e-12) << name << " " << k;
      EXPECT_NEAR(at_anchor.b, a.b, 1e-12) << name << " " << k;
      const Rgb mid = map.at((t0 + t1) / 2);
      EXPECT_NEAR(mid.r, (a.r + b.r) / 2, 1e-9) << name << " " << k;
      EXPECT_NEAR(mid.g, (a.g + b.g) / 2, 1e-9) << name << " " << k;
      EXPECT_NEAR(mid.b, (a.b + b.b) / 2, 1e-9) << name << " " << k;
    }
  }
}

TEST(ColourMapTest, OutsideTheRangeTakesTheEnds) {
  const ColourMap map = *ColourMap::find("magma");
  EXPECT_EQ(map.at(-3), map.at(0));
  EXPECT_EQ(map.at(7), map.at(1));
  EXPECT_EQ(map.at(std::numeric_limits<double>::quiet_NaN()), map.at(0));
  EXPECT_EQ(map.at(std::numeric_limits<double>::infinity()), map.at(1));
  EXPECT_EQ(map.at(-std::numeric_limits<double>::infinity()), map.at(0));
}

TEST(ColourMapTest, MissingGreyIsNeutralAndFarFromEveryMapColour) {
  const Rgb grey = plot::rgb_from_hex(plot::kMissingHex);
  EXPECT_EQ(grey.r, grey.g);
  EXPECT_EQ(grey.g, grey.b);
  for (const std::string& name : ColourMap::names()) {
    const ColourMap map = *ColourMap::find(name);
    double nearest = 1e9;
    for (int k = 0; k <= 1000; ++k)
      nearest = std::min(nearest, distance255(map.at(k / 1000.0), grey));
    EXPECT_GT(nearest, 20.0) << name;
  }
}

}  // namespace
