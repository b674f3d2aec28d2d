// Wind arrows: a constant westerly points east on a latitude-longitude grid,
// turns with the meridians on polar stereographic and Lambert grids (along the
// latitude circle through each point), and is left as it is when relative to
// the grid; missing components leave gaps; the key speed is round; the names
// of the components come from the parameter table.
#include "plot/wind.h"

#include <gtest/gtest.h>

#include <cmath>

#include "plot/map_lines.h"
#include "plot/picture_test_support.h"
#include "plot/wind_names.h"

namespace {

using plot::testing::navigation;

struct Field {
  std::vector<float> u, v;
};

Field westerly(int nx, int ny, float speed) {
  const auto n = static_cast<std::size_t>(nx * ny);
  return {std::vector<float>(n, speed), std::vector<float>(n, 0.0f)};
}

// The direction of east on the grid at an arrow's point, from the latitude
// circle's neighbouring points.
double east_direction(const mapproj::Projection& p, const plot::GridPoint& at) {
  const auto ll = p.latlon(at.i, at.j);
  const plot::GridMapper mapper(p);
  const auto a = mapper.locate(ll->lat, ll->lon - 0.5), b = mapper.locate(ll->lat, ll->lon + 0.5);
  return std::atan2((b->j - a->j) * std::abs(p.dy()), (b->i - a->i) * std::abs(p.dx()));
}

TEST(WindTest, WesterlyPointsEastOnALatLonGrid) {
  const auto p = mapproj::Projection::from(navigation("CED", 10, 8, 20, -120, 55, -75, 0, 0, 0));
  ASSERT_TRUE(p.ok());
  Field f = westerly(10, 8, 12);
  f.u[0] = gridfile::kMissing;  // point (1,1): no arrow
  const auto arrows = plot::wind_arrows({&f.u, &f.v, true}, 10, 8, 3, &*p);
  ASSERT_EQ(arrows.size(), 4u * 3u - 1);  // columns 1,4,7,10; rows 1,4,7
  for (const plot::Arrow& a : arrows) {
    EXPECT_NEAR(a.right, 12, 1e-9);
    EXPECT_NEAR(a.up, 0, 1e-9);
    EXPECT_EQ((static_cast<int>(a.at.i) - 1) % 3, 0);
  }
  EXPECT_EQ(plot::key_speed(arrows), 10);
}

TEST(WindTest, WesterlyFollowsTheMapsRotation) {
  for (const auto& nav : {navigation("NPS", 30, 30, 15, -140, 15, 40, 90, -100, 0),
                          navigation("LCC", 40, 30, 20, -120, 50, -60, 33, -97, 45)}) {
    const auto p = mapproj::Projection::from(nav);
    ASSERT_TRUE(p.ok());
    const Field f = westerly(nav.nx, nav.ny, 20);
    const auto arrows = plot::wind_arrows({&f.u, &f.v, true}, nav.nx, nav.ny, 4, &*p);
    ASSERT_GT(arrows.size(), 20u) << nav.projection;
    double least = 10, most = -10;
    for (const plot::Arrow& a : arrows) {
      EXPECT_NEAR(std::hypot(a.right, a.up), 20, 1e-6);
      const double angle = std::atan2(a.up, a.right);
      EXPECT_NEAR(std::remainder(angle - east_direction(*p, a.at), 2 * M_PI), 0, 0.02)
          << nav.projection << " at " << a.at.i << "," << a.at.j;
      least = std::min(least, angle);
      most = std::max(most, angle);
    }
    // The arrows turn across the map: round the pole, fanning on the cone.
    EXPECT_GT(most - least, nav.projection == "NPS" ? 3.0 : 0.3) << nav.projection;
  }
  // On the polar grid, straight under the pole on the meridian that runs up
  // the grid (100W), east is to the right.
  const auto nps =
      mapproj::Projection::from(navigation("NPS", 30, 30, 15, -140, 15, 40, 90, -100, 0));
  const auto below = nps->grid_point(60, -100);
  EXPECT_NEAR(east_direction(*nps, {below->i, below->j}), 0, 1e-3);
}

TEST(WindTest, GridRelativeWindIsNotTurned) {
  const auto p =
      mapproj::Projection::from(navigation("LCC", 40, 30, 20, -120, 50, -60, 33, -97, 45));
  const Field f = westerly(40, 30, 7);
  for (const plot::Arrow& a : plot::wind_arrows({&f.u, &f.v, false}, 40, 30, 5, &*p)) {
    EXPECT_EQ(a.right, 7);
    EXPECT_EQ(a.up, 0);
  }
  EXPECT_TRUE(plot::wind_arrows({&f.u, &f.v, true}, 40, 31, 5, &*p).empty());  // sizes disagree
  EXPECT_EQ(plot::key_speed({}), 0);
  EXPECT_EQ(plot::key_speed({{{1, 1}, 0.3, 0.4}}), 0.5);
  EXPECT_EQ(plot::key_speed({{{1, 1}, 19, 0}}), 10);
}

TEST(WindTest, ComponentNames) {
  EXPECT_EQ(plot::parse_wind_names("urel,vrel"), (plot::WindNames{"UREL", "VREL"}));
  for (const char* bad : {"UREL", ",V", "U,", "U,V,W", ""}) {
    EXPECT_FALSE(plot::parse_wind_names(bad)) << bad;
  }
  std::string error;
  const auto table = params::Table::parse(
      "UWND | eastward_wind | m s-1 | Eastward\nVWND | northward_wind | m s-1 | Northward\n"
      "UREL | x_wind | m s-1 | Along x\nVREL | y_wind | m s-1 | Along y\n",
      error);
  ASSERT_TRUE(table) << error;
  EXPECT_EQ(plot::default_wind_names(&*table),
            (std::vector<plot::WindNames>{{"UWND", "VWND"}, {"UREL", "VREL"}}));
  EXPECT_FALSE(plot::earth_relative("UREL", &*table));
  EXPECT_TRUE(plot::earth_relative("UWND", &*table));
  EXPECT_TRUE(plot::earth_relative("UREL", nullptr));
  EXPECT_EQ(plot::default_wind_names(nullptr).front(), (plot::WindNames{"UREL", "VREL"}));
}

}  // namespace
