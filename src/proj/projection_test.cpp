// Tests of the grid geometry against values worked out independently: CED
// points exactly, spherical closed forms of the Lambert, polar stereographic
// and Mercator projections, and a published Lambert grid (NCEP grid 211:
// 93 x 65 points, 81.2705 km at 25N, on the 6371.2 km sphere).
#include "proj/projection.h"

#include <gtest/gtest.h>

#include <cmath>

#include "services/test_env.h"

namespace mapproj {
namespace {

gridfile::Navigation nav(std::string proj, int nx, int ny, float lat1, float lon1, float lat2,
                         float lon2, float a1 = 0, float a2 = 0, float a3 = 0) {
  gridfile::Navigation n;
  n.projection = std::move(proj);
  n.nx = nx;
  n.ny = ny;
  n.lat1 = lat1;
  n.lon1 = lon1;
  n.lat2 = lat2;
  n.lon2 = lon2;
  n.angle1 = a1;
  n.angle2 = a2;
  n.angle3 = a3;
  return n;
}

Projection make(const gridfile::Navigation& n) {
  auto p = Projection::from(n);
  if (!p.ok()) ADD_FAILURE() << p.error().text;
  return std::move(p).value();
}

gridfile::Navigation grid211() {
  return nav("LCC", 93, 65, 12.19f, -133.459f, 57.29f, -49.385f, 25, -95, 25);
}

// Every point of the grid goes to latitude/longitude and back to itself.
void expect_round_trips(const Projection& p) {
  for (int j = 1; j <= p.ny(); j += std::max(1, p.ny() / 7)) {
    for (int i = 1; i <= p.nx(); i += std::max(1, p.nx() / 7)) {
      const auto ll = p.latlon(i, j);
      ASSERT_TRUE(ll.has_value()) << i << "," << j;
      const auto g = p.grid_point(ll->lat, ll->lon);
      ASSERT_TRUE(g.has_value()) << i << "," << j;
      EXPECT_NEAR(g->i, i, 1e-6);
      EXPECT_NEAR(g->j, j, 1e-6);
    }
  }
}

// CED: points evenly spaced in degrees.

TEST(LatLonGrid, PointsAreExactAndLongitudeRunsAcross180) {
  const Projection p = make(nav("CED", 5, 3, -10, 170, 10, -150));
  EXPECT_EQ(p.kind(), Kind::kLatLon);
  EXPECT_FALSE(p.metres());
  EXPECT_EQ(p.dx(), 10.0);
  EXPECT_EQ(p.dy(), 10.0);
  EXPECT_EQ(p.xs(), (std::vector<double>{170, 180, 190, 200, 210}));
  EXPECT_EQ(p.ys(), (std::vector<double>{-10, 0, 10}));
  const auto ll = p.latlon(3, 2);
  ASSERT_TRUE(ll.has_value());
  EXPECT_EQ(ll->lat, 0.0);
  EXPECT_EQ(ll->lon, 190.0);
  const auto g = p.grid_point(0, -170);  // -170 is 190
  ASSERT_TRUE(g.has_value());
  EXPECT_EQ(g->i, 3.0);
  EXPECT_EQ(g->j, 2.0);
  const auto h = p.grid_point(5, -150);
  EXPECT_EQ(h->i, 5.0);
  EXPECT_EQ(h->j, 2.5);
  expect_round_trips(p);
}

TEST(LatLonGrid, StoredValuesAreReadAsWritten) {
  // 0.1-degree grid: 12.3f as a double is 12.3000001907..., the grid's corner is 12.3.
  const Projection p = make(nav("CED", 11, 11, 12.3f, 1.1f, 13.3f, 2.1f));
  EXPECT_EQ(p.latlon(1, 1)->lat, 12.3);
  EXPECT_EQ(p.latlon(1, 1)->lon, 1.1);
  EXPECT_NEAR(p.latlon(11, 11)->lat, 13.3, 1e-12);
  EXPECT_NEAR(p.dx(), 0.1, 1e-12);
}

TEST(LatLonGrid, NorthToSouthGridHasNegativeSpacing) {
  const Projection p = make(nav("CED", 2, 3, 50, 0, 40, 5));
  EXPECT_EQ(p.dy(), -5.0);
  EXPECT_EQ(p.ys(), (std::vector<double>{50, 45, 40}));
  expect_round_trips(p);
}

// LCC.

TEST(Lambert, PublishedGridSpacingAndCornersComeBack) {
  const Projection p = make(grid211());
  EXPECT_EQ(p.kind(), Kind::kLambert);
  EXPECT_TRUE(p.metres());
  // Published 81.2705 km; the corners are given to 0.001 degree.
  EXPECT_NEAR(p.dx(), 81270.5, 5.0);
  EXPECT_NEAR(p.dy(), 81270.5, 5.0);
  const auto c1 = p.latlon(1, 1);
  const auto c2 = p.latlon(93, 65);
  ASSERT_TRUE(c1 && c2);
  EXPECT_NEAR(c1->lat, 12.19, 1e-6);
  EXPECT_NEAR(c1->lon, -133.459, 1e-6);
  EXPECT_NEAR(c2->lat, 57.29, 1e-6);
  EXPECT_NEAR(c2->lon, -49.385, 1e-6);
  expect_round_trips(p);
}

TEST(Lambert, CoordinatesMatchTheSphericalClosedForm) {
  const Projection p = make(grid211());
  // rho = R F / tan^n(pi/4 + lat/2), n = sin 25, x = rho sin(n dlon),
  // y = rho0 - rho cos(n dlon); worked separately for both corners.
  EXPECT_NEAR(p.x(1), -4226087.760893, 1e-3);
  EXPECT_NEAR(p.y(1), -832694.470815, 1e-3);
  EXPECT_NEAR(p.x(93), 3250790.425496, 1e-3);
  EXPECT_NEAR(p.y(65), 4368703.803539, 1e-3);
  EXPECT_NEAR(p.dx(), 81270.4151, 1e-3);
  EXPECT_NEAR(p.dy(), 81271.8480, 1e-3);
  // The central meridian is x = 0.
  const auto g = p.grid_point(40, -95);
  ASSERT_TRUE(g.has_value());
  EXPECT_NEAR(p.x(g->i), 0.0, 1e-6);
}

TEST(Lambert, SecantAndSouthernConesWork) {
  expect_round_trips(make(nav("LCC", 20, 15, 30, -10, 60, 40, 35, 10, 55)));
  const Projection south = make(nav("LCC", 20, 15, -50, 110, -10, 160, -30, 135, -30));
  const auto c = south.latlon(20, 15);
  EXPECT_NEAR(c->lat, -10, 1e-6);
  EXPECT_NEAR(c->lon, 160, 1e-6);
  expect_round_trips(south);
}

// Polar stereographic.

TEST(PolarStereographic, PoleAtTheCentreAndCentralMeridianRunsUp) {
  // Corners at 60N, 45 degrees either side of the central meridian -105 and
  // opposite it: the pole is point (2,2).
  const Projection p = make(nav("NPS", 3, 3, 60, -150, 60, 30, 0, -105, 0));
  EXPECT_EQ(p.pole(), 1);
  EXPECT_EQ(p.angle1(), 90.0);
  // rho(60N) = 2 R tan(15 deg) = 3414315.789634; corner x = -rho / sqrt 2.
  EXPECT_NEAR(p.x(1), -3414315.789634 / std::sqrt(2.0), 1e-3);
  EXPECT_NEAR(p.y(1), -3414315.789634 / std::sqrt(2.0), 1e-3);
  EXPECT_NEAR(p.latlon(2, 2)->lat, 90.0, 1e-9);
  const auto below = p.latlon(2, 1);
  EXPECT_NEAR(below->lon, -105.0, 1e-9);
  EXPECT_NEAR(below->lat, 68.542833756782, 1e-9);
  const auto above = p.latlon(2, 3);
  EXPECT_NEAR(above->lon, 75.0, 1e-9);
  expect_round_trips(p);
}

TEST(PolarStereographic, StrTakesThePoleFromAngle1AndSpsImpliesSouth) {
  const Projection str = make(nav("STR", 3, 3, 60, -150, 60, 30, 90, -105, 0));
  EXPECT_EQ(str.pole(), 1);
  EXPECT_NEAR(str.latlon(2, 2)->lat, 90.0, 1e-9);
  const Projection sps = make(nav("SPS", 3, 3, -60, 0, -60, 180, 12, 45, 0));
  EXPECT_EQ(sps.pole(), -1);
  EXPECT_EQ(sps.angle1(), -90.0);
  EXPECT_NEAR(sps.latlon(2, 2)->lat, -90.0, 1e-9);
  const Projection south = make(nav("STR", 3, 3, -60, 0, -60, 180, -90, 45, 0));
  EXPECT_NEAR(south.x(1), sps.x(1), 1e-6);
  expect_round_trips(sps);
  EXPECT_EQ(Projection::from(nav("STR", 3, 3, 60, 0, 70, 10, 45, 0, 0)).error().code, kBadGeometry);
}

// Mercator.

TEST(Mercator, SpacingAndLatitudeFollowTheTrueLatitude) {
  const Projection p = make(nav("MER", 5, 3, 0, -20, 45, 20, 20, 0, 0));
  // x = R cos(20) lon, y = R cos(20) ln tan(pi/4 + lat/2).
  EXPECT_NEAR(p.dx(), 1044923.321828, 1e-3);
  EXPECT_NEAR(p.y(3), 5276756.894249, 1e-3);
  EXPECT_NEAR(p.y(1), 0.0, 1e-6);
  expect_round_trips(p);
  EXPECT_NE(p.wkt().find("Mercator"), std::string::npos);
}

// Refusals and descriptions.

TEST(Geometry, UnknownNamesHaveNone) {
  for (const char* name : {"POL", "LIN", "", "lcc", "CE"}) {
    const auto p = Projection::from(nav(name, 3, 3, 0, 0, 1, 1));
    ASSERT_FALSE(p.ok()) << name;
    EXPECT_EQ(p.error().code, kNoGeometry);
    EXPECT_NE(p.error().text.find("no map geometry"), std::string::npos);
  }
}

TEST(Geometry, UnusableNavigationIsRefused) {
  const gridfile::Navigation cases[] = {
      nav("CED", 0, 3, 0, 0, 1, 1),                 // no columns
      nav("CED", 3, 3, 95, 0, 1, 1),                // latitude beyond the pole
      nav("CED", 3, 3, 10, 0, 10, 1),               // zero span in y
      nav("CED", 3, 3, 0, 5, 1, 5),                 // zero span in x
      nav("CED", 3, 3, NAN, 0, 1, 1),               // not a number
      nav("LCC", 3, 3, 30, 0, 40, 10, 30, 0, -30),  // cone of a zero constant
      nav("MER", 3, 3, 0, 0, 90, 10, 0, 0, 0),      // Mercator of the pole
      nav("MER", 3, 3, 0, 0, 10, 10, 90, 0, 0),     // true at the pole
  };
  for (const auto& n : cases) {
    const auto p = Projection::from(n);
    ASSERT_FALSE(p.ok()) << n.projection << " " << n.lat1 << " " << n.angle3;
    EXPECT_EQ(p.error().code, kBadGeometry) << p.error().text;
    EXPECT_FALSE(p.error().text.empty());
  }
}

TEST(Geometry, SinglePointGridsHaveZeroSpacing) {
  const Projection p = make(nav("LCC", 1, 1, 40, -100, 40, -100, 25, -95, 25));
  EXPECT_EQ(p.dx(), 0.0);
  EXPECT_NEAR(p.latlon(1, 1)->lat, 40, 1e-9);
  EXPECT_EQ(p.grid_point(40, -100)->i, 1.0);
}

TEST(Geometry, DefinitionsNameTheSphere) {
  const Projection p = make(grid211());
  EXPECT_EQ(p.proj_definition(),
            "+proj=lcc +lat_1=25 +lat_2=25 +lat_0=25 +lon_0=-95 +R=6371200 +units=m +no_defs");
  const std::string wkt = p.wkt();
  EXPECT_NE(wkt.find("Lambert_Conformal_Conic"), std::string::npos) << wkt;
  EXPECT_NE(wkt.find("6371200"), std::string::npos) << wkt;
  const Projection ced = make(nav("CED", 2, 2, 0, 0, 1, 1));
  EXPECT_NE(ced.wkt().find("6371200"), std::string::npos);
  EXPECT_TRUE(ced.latlon(1, 1).has_value());
  EXPECT_FALSE(ced.grid_point(91, 0).has_value());
}

}  // namespace
}  // namespace mapproj

namespace mapproj {
namespace {

// Transforms of other definitions, as imports meet them.

TEST(Transform, ShiftedOriginDescribesTheSameGrid) {
  // The same cone with the origin at 40N and a false easting: coordinates
  // differ by a translation only, so the corners land on the same points.
  const auto t = Transform::create(
      "+proj=lcc +lat_1=25 +lat_2=25 +lat_0=40 +lon_0=-95 +x_0=500000 +R=6371200");
  ASSERT_TRUE(t.ok()) << t.error().text;
  const auto xy = t->forward(12.19, -133.459);
  ASSERT_TRUE(xy.has_value());
  const auto back = t->inverse(xy->first, xy->second);
  EXPECT_NEAR(back->lat, 12.19, 1e-9);
  EXPECT_NEAR(back->lon, -133.459, 1e-9);
  EXPECT_FALSE(Transform::create("+proj=nonsense").ok());
  EXPECT_EQ(Transform::create("+proj=nonsense").error().code, kBadGeometry);
}

TEST(Transform, DistanceOnTheSphere) {
  // One degree of a great circle on the 6,371,200 m sphere: 111,198.8 m.
  EXPECT_NEAR(distance({0, 0}, {0, 1}), 6371200.0 * M_PI / 180.0, 1e-3);
  EXPECT_NEAR(distance({45, 10}, {45, 10}), 0.0, 1e-9);
}

// Other software in the process (Python's ecmwflibs, for one) may point
// PROJ_LIB and PROJ_DATA at folders without PROJ's database.
TEST(Geometry, WktWithTheEnvironmentPointingElsewhere) {
  const services::testing::ScopedEnv lib("PROJ_LIB", "/nonexistent/share/proj");
  const services::testing::ScopedEnv data("PROJ_DATA", "/nonexistent/share/proj");
  const Projection p = make(grid211());
  EXPECT_NE(p.wkt().find("Lambert_Conformal_Conic"), std::string::npos);
  EXPECT_NEAR(p.latlon(1, 1)->lat, grid211().lat1, 1e-4);
}

}  // namespace
}  // namespace mapproj
