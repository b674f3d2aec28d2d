// The picture of a grid from a file: title and detail lines from the
// identifier and the parameter table, the colour range (the values', or the
// one asked for), and map geometry only where the navigation has one that
// fits the grid.
#include "plot/grid_picture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using gridfile::Vcoord;

params::Table small_table() {
  std::string error;
  auto table = params::Table::parse(
      "TMPK | air_temperature | K | Temperature\n"
      "PMSL | air_pressure_at_mean_sea_level | hPa | Mean sea-level pressure\n"
      "XUNT | - | | Unitless thing\n",
      error);
  EXPECT_TRUE(table) << error;
  return *table;
}

gridfile::Grid grid_of(std::vector<float> values, int nx, int ny, gridfile::GridId id) {
  gridfile::Grid grid;
  grid.info.number = 2;
  grid.info.nx = nx;
  grid.info.ny = ny;
  grid.info.id = std::move(id);
  grid.values = std::move(values);
  return grid;
}

gridfile::Navigation ced(int nx, int ny) {
  gridfile::Navigation nav;
  nav.projection = "CED";
  nav.nx = nx;
  nav.ny = ny;
  nav.lat1 = 30;
  nav.lon1 = -100;
  nav.lat2 = 37.5f;
  nav.lon2 = -86;
  return nav;
}

TEST(GridPictureTest, TitleFromTheTableAndTheIdentifier) {
  const params::Table table = small_table();
  gridfile::GridId id{
      .time1 = "910823/1200", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres};
  EXPECT_EQ(plot::title_text(id, &table), "TMPK  Temperature (K)");
  EXPECT_EQ(plot::title_text(id, nullptr), "TMPK");
  EXPECT_EQ(plot::when_where_text(id), "1991-08-23T12:00Z  level 850 PRES");

  id.param = "XUNT";
  EXPECT_EQ(plot::title_text(id, &table), "XUNT  Unitless thing");
  id.param = "NOPE";
  EXPECT_EQ(plot::title_text(id, &table), "NOPE");

  gridfile::GridId forecast{.time1 = "910823/1200F012",
                            .time2 = "910824/0000",
                            .param = "HGHT",
                            .level1 = 500,
                            .level2 = 300,
                            .vcoord = Vcoord::kHght};
  EXPECT_EQ(plot::when_where_text(forecast),
            "1991-08-23T12:00Z F012 and 1991-08-24T00:00Z  level 500 to 300 HGHT");
  gridfile::GridId timeless{.param = "ZSFC", .level1 = 0, .vcoord = Vcoord::kNone};
  EXPECT_EQ(plot::when_where_text(timeless), "level 0 NONE");
  // The year read in the window: 2026 by default, 1926 in the old one.
  const gridfile::GridId late{
      .time1 = "261215/1200F006", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres};
  EXPECT_EQ(plot::when_where_text(late), "2026-12-15T12:00Z F006  level 850 PRES");
  EXPECT_EQ(plot::when_where_text(late, gridfile::YearWindow::starting(1921).value()),
            "1926-12-15T12:00Z F006  level 850 PRES");
}

TEST(GridPictureTest, DetailsRangeAndGeometry) {
  const params::Table table = small_table();
  const gridfile::GridId id{
      .time1 = "910823/1200", .param = "PMSL", .level1 = 0, .vcoord = Vcoord::kNone};
  std::vector<float> values = {1010, 1012.5f, -9999, 1020, 1001, 1015};
  plot::PictureOptions options;
  options.file_label = "f.grd";
  auto picture = plot::grid_picture(grid_of(values, 3, 2, id), ced(3, 2), &table, options);
  EXPECT_EQ(picture.title, "PMSL  Mean sea-level pressure (hPa)");
  ASSERT_EQ(picture.details.size(), 2u);
  EXPECT_EQ(picture.details[1], "f.grd grid 2: 3 x 2 CED; values 1001 to 1020, 1 missing");
  ASSERT_TRUE(picture.range);
  EXPECT_EQ(picture.range->first, 1001);
  EXPECT_EQ(picture.range->second, 1020);
  EXPECT_FALSE(picture.lines.empty());
  // 7 degrees of longitude by 7.5 of latitude, around 33.75N.
  EXPECT_NEAR(picture.cell_aspect, 7 * std::cos(33.75 * M_PI / 180) / 7.5, 1e-6);
  EXPECT_EQ(picture.map.name(), "viridis");

  options.range = std::pair{990.0, 1030.0};
  options.latlon_lines = false;
  options.map = "coolwarm";
  picture = plot::grid_picture(grid_of(values, 3, 2, id), ced(3, 2), &table, options);
  EXPECT_EQ(picture.range, (std::pair{990.0, 1030.0}));
  EXPECT_TRUE(picture.lines.empty());
  EXPECT_EQ(picture.map.name(), "coolwarm");
  // The detail line still gives the values themselves.
  EXPECT_EQ(picture.details[1], "f.grd grid 2: 3 x 2 CED; values 1001 to 1020, 1 missing");
}

TEST(GridPictureTest, NoGeometryWithoutAFittingProjection) {
  const gridfile::GridId id{
      .time1 = "910823/1200", .param = "TMPK", .level1 = 0, .vcoord = Vcoord::kNone};
  const std::vector<float> values(6, 280.0f);
  gridfile::Navigation nav = ced(3, 2);
  nav.projection = "XYZ";  // a name without geometry: drawn all the same
  auto picture = plot::grid_picture(grid_of(values, 3, 2, id), nav, nullptr, {});
  EXPECT_TRUE(picture.lines.empty());
  EXPECT_EQ(picture.cell_aspect, 1.0);
  EXPECT_NE(picture.details[1].find("values 280 to 280"), std::string::npos);

  // A grid of another size than the navigation's: its geometry is unknown.
  picture = plot::grid_picture(grid_of(values, 2, 3, id), ced(3, 2), nullptr, {});
  EXPECT_TRUE(picture.lines.empty());

  const std::vector<float> none(6, -9999.0f);
  picture = plot::grid_picture(grid_of(none, 3, 2, id), ced(3, 2), nullptr, {});
  EXPECT_FALSE(picture.range);
  EXPECT_NE(picture.details[1].find("no values, 6 missing"), std::string::npos);
}

TEST(GridPictureTest, CoolwarmCentredOnZeroOrTheCentreAsked) {
  const gridfile::GridId id{
      .time1 = "910823/1200", .param = "TMPC", .level1 = 0, .vcoord = Vcoord::kNone};
  const std::vector<float> values = {-2, 0, 3, 10, -9999, 1};
  plot::PictureOptions options;
  options.map = "coolwarm";
  auto range = [&] {
    return plot::grid_picture(grid_of(values, 3, 2, id), ced(3, 2), nullptr, options).range;
  };
  EXPECT_EQ(range(), (std::pair{-10.0, 10.0}));
  options.centre = 5.0;
  EXPECT_EQ(range(), (std::pair{-2.0, 12.0}));
  options.map = "viridis";  // a centre asked for holds for any map
  EXPECT_EQ(range(), (std::pair{-2.0, 12.0}));
  options.centre.reset();
  EXPECT_EQ(range(), (std::pair{-2.0, 10.0}));
  options.map = "coolwarm";
  options.range = std::pair{-1.0, 4.0};  // a fixed range wins
  EXPECT_EQ(range(), (std::pair{-1.0, 4.0}));
  // One sign only: the values' own range.
  options.range.reset();
  const std::vector<float> positive = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(plot::grid_picture(grid_of(positive, 3, 2, id), ced(3, 2), nullptr, options).range,
            (std::pair{1.0, 6.0}));
}

TEST(GridPictureTest, NorthFirstGridDrawnNorthUpWithANote) {
  const gridfile::GridId id{
      .time1 = "910823/1200", .param = "TMPK", .level1 = 0, .vcoord = Vcoord::kNone};
  gridfile::Navigation nav = ced(3, 2);
  std::swap(nav.lat1, nav.lat2);  // row 1 is the north row
  const std::vector<float> values = {1, 2, 3, 4, 5, 6};
  plot::PictureOptions options;
  options.title = "my own title";
  const auto picture = plot::grid_picture(grid_of(values, 3, 2, id), nav, nullptr, options);
  EXPECT_EQ(picture.values, (std::vector<float>{4, 5, 6, 1, 2, 3}));  // south row first
  EXPECT_NE(picture.details[1].find("stored north first, drawn north up"), std::string::npos);
  EXPECT_EQ(picture.title, "my own title");
  // Its lines are those of the same grid stored south first.
  const auto south_first = plot::grid_picture(grid_of(values, 3, 2, id), ced(3, 2), nullptr, {});
  ASSERT_EQ(picture.lines.size(), south_first.lines.size());
  for (std::size_t k = 0; k < picture.lines.size(); ++k) {
    EXPECT_EQ(picture.lines[k].label, south_first.lines[k].label);
  }
  EXPECT_EQ(south_first.details[1].find("north first"), std::string::npos);

  // Wind along the stored rows runs south; eastward and northward wind stays.
  const auto u = grid_of({1, 1, 1, 1, 1, 1}, 3, 2, id), v = grid_of({2, 2, 2, 2, 2, 2}, 3, 2, id);
  plot::Overlays wind{nullptr, &u, &v, false, "m s-1"};
  auto arrows = plot::grid_picture(grid_of(values, 3, 2, id), nav, nullptr, {}, wind).arrows;
  ASSERT_FALSE(arrows.empty());
  EXPECT_EQ(arrows[0].up, -2);
  wind.earth_relative = true;
  arrows = plot::grid_picture(grid_of(values, 3, 2, id), nav, nullptr, {}, wind).arrows;
  EXPECT_EQ(arrows[0].up, 2);
}

}  // namespace
