// The map over a picture, read back the way a user sees it: coastline pixels
// where the continents are (the Strait of Gibraltar and Florida on the global
// latitude-longitude grid, Greenland on a polar one) and none in open sea or
// inside land; latitude and longitude labels on at least two edges of every
// kind of grid, read back from the SVG's text; lines that reach the raster's
// edges; a one-line note, never a failure, without the coastline data.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>

#include "gridfile/gridfile.h"
#include "platform/platform_test.h"
#include "plot/grid_picture.h"
#include "plot/gridplot.h"
#include "plot/map_lines.h"
#include "plot/picture_test_support.h"
#include "plot/shorelines.h"

namespace {

namespace fs = std::filesystem;
using plot::testing::Decoded;

std::vector<unsigned char> read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Geometry {
  const char* name;
  const char* projection;
  int nx, ny;
  float lat1, lon1, lat2, lon2, a1, a2, a3;
};

constexpr Geometry kGlobal = {"global CED", "CED", 37, 19, -90, -180, 90, 180, 0, 0, 0};
constexpr Geometry kPolar = {"NPS", "NPS", 50, 50, 10, -140, 10, 40, 90, -100, 0};

gridfile::Navigation navigation(const Geometry& g) {
  return plot::testing::navigation(g.projection, g.nx, g.ny, g.lat1, g.lon1, g.lat2, g.lon2, g.a1,
                                   g.a2, g.a3);
}

class MapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("map_test-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
    platform::testing::capture_stderr(true);
  }
  void TearDown() override {
    platform::testing::take_stderr();
    platform::testing::capture_stderr(false);
    fs::remove_all(dir_);
  }

  // A file of one grid of one value (so no contours) on the geometry.
  std::string write_grid(const Geometry& g) {
    const std::string path = (dir_ / "map.grd").string();
    fs::remove(path);
    auto file = gridfile::GridFile::create(path, navigation(g));
    EXPECT_TRUE(file.ok()) << g.name << ": " << file.error().text;
    const std::vector<float> values(static_cast<std::size_t>(g.nx * g.ny), 280.0f);
    EXPECT_TRUE(file->write(values, g.nx, g.ny,
                            {.time1 = "261201/0000",
                             .param = "TMPK",
                             .level1 = 850,
                             .vcoord = gridfile::Vcoord::kPres})
                    .ok());
    EXPECT_TRUE(file->close().ok());
    return path;
  }

  int run(std::vector<std::string> args, const std::string& shorelines = plot::kShorelineFolder) {
    args.insert(args.begin(), "gridplot");
    gridplot::Setup setup;
    setup.shoreline_folder = shorelines;
    platform::testing::take_stderr();
    const int status = gridplot::run(args, setup);
    err_ = platform::testing::take_stderr();
    return status;
  }

  static std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path dir_;
  std::string err_;
};

bool have_shorelines() {
  return fs::exists(plot::shoreline_file(plot::kShorelineFolder, plot::Shoreline::kCoast));
}

// Coastline ink within `radius` pixels of a place on a picture without fill.
class Sampler {
 public:
  Sampler(const std::string& grid_path, const std::string& png, const plot::PictureOptions& o)
      : image_(read_bytes(png)) {
    auto file = gridfile::GridFile::open(grid_path);
    auto grid = file->read(1);
    nav_ = file->navigation();
    layout_ = plot::layout_picture(plot::grid_picture(*grid, nav_, nullptr, o));
  }
  bool ink_near(double lat, double lon, int radius) const {
    const auto projection = mapproj::Projection::from(nav_);
    const auto g = plot::GridMapper(*projection).locate(lat, lon);
    const double x = layout_.raster.x + (g->i - 0.5) * layout_.cell_w;
    const double y = layout_.raster.y + layout_.raster.h - (g->j - 0.5) * layout_.cell_h;
    for (int dy = -radius; dy <= radius; ++dy) {
      for (int dx = -radius; dx <= radius; ++dx) {
        const auto p = image_.at(x + dx, y + dy);
        if (p.r + p.g + p.b < 3 * 140) return true;
      }
    }
    return false;
  }
  bool ok() const { return image_.ok(); }

 private:
  Decoded image_;
  gridfile::Navigation nav_;
  plot::Layout layout_;
};

TEST_F(MapTest, CoastlinesWhereTheContinentsAre) {
  if (!have_shorelines()) GTEST_SKIP() << "gmt-gshhg-low is not installed";
  plot::PictureOptions o;
  o.fill = false;
  o.latlon_lines = false;
  o.borders = false;
  o.width = 2000;
  o.height = 1100;
  o.shoreline_folder = plot::kShorelineFolder;
  std::string grid = write_grid(kGlobal);
  const std::string png = (dir_ / "global.png").string();
  ASSERT_EQ(run({grid, "-o", png, "--fill", "none", "--no-latlon", "--no-borders", "--size",
                 "2000x1100"}),
            gridplot::kExitOk)
      << err_;
  o.file_label = grid;
  const Sampler global(grid, png, o);
  ASSERT_TRUE(global.ok());
  EXPECT_TRUE(global.ink_near(36.0, -5.6, 2));     // Strait of Gibraltar
  EXPECT_TRUE(global.ink_near(25.77, -80.15, 2));  // Miami, Florida's east coast
  EXPECT_TRUE(global.ink_near(27.9, -82.7, 2));    // Tampa Bay, its west coast
  EXPECT_FALSE(global.ink_near(26, -85, 3));       // the Gulf of Mexico
  EXPECT_FALSE(global.ink_near(30, -40, 5));       // the open Atlantic
  EXPECT_FALSE(global.ink_near(23, 10, 5));        // the Sahara

  grid = write_grid(kPolar);
  const std::string polar_png = (dir_ / "polar.png").string();
  ASSERT_EQ(run({grid, "-o", polar_png, "--fill", "none", "--no-latlon", "--no-borders", "--size",
                 "1000x1000"}),
            gridplot::kExitOk);
  o.width = o.height = 1000;
  o.file_label = grid;
  const Sampler polar(grid, polar_png, o);
  EXPECT_TRUE(polar.ink_near(59.78, -43.9, 2));  // Cape Farewell, Greenland's south
  EXPECT_TRUE(polar.ink_near(70.5, -22, 3));     // Scoresby Sund, its east coast
  EXPECT_FALSE(polar.ink_near(74, -40, 3));      // the ice sheet
  EXPECT_FALSE(polar.ink_near(40, -40, 4));      // mid-Atlantic
}

TEST_F(MapTest, WithoutTheDataANoteAndAPicture) {
  const std::string grid = write_grid(kGlobal);
  const std::string png = (dir_ / "x.png").string();
  ASSERT_EQ(run({grid, "-o", png}, (dir_ / "absent").string()), gridplot::kExitOk);
  EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
  EXPECT_NE(err_.find("note: coastlines and borders not drawn"), std::string::npos) << err_;
  EXPECT_NE(err_.find("gmt-gshhg-low"), std::string::npos) << err_;
  EXPECT_TRUE(Decoded(read_bytes(png)).ok());
  // Left out on request: no note.
  ASSERT_EQ(run({grid, "-o", png, "--no-coastlines", "--no-borders"}, (dir_ / "absent").string()),
            gridplot::kExitOk);
  EXPECT_EQ(err_, "");
}

// Where a label read back from the SVG sits: the raster edge beside it.
std::string edge_of(double x, double y, const plot::Box& r) {
  if (y > r.y + r.h) return "bottom";
  if (y < r.y) return "top";
  return x < r.x ? "left" : "right";
}

TEST_F(MapTest, LabelsOnTwoEdgesOfEveryKindOfGrid) {
  const std::vector<Geometry> table = {
      kGlobal,
      {"global CED north first", "CED", 37, 19, 90, -180, -90, 180, 0, 0, 0},
      {"CED 80S-80N", "CED", 37, 17, -80, -180, 80, 180, 0, 0, 0},
      {"CED 0-350E", "CED", 36, 19, -90, 0, 90, 350, 0, 0, 0},
      {"LCC tangent", "LCC", 60, 40, 20, -120, 50, -60, 40, -97, 40},
      {"LCC secant", "LCC", 300, 200, 20, -120, 50, -60, 33, -97, 45},
      kPolar,
      {"SPS", "SPS", 50, 50, -20, -135, -20, 45, -90, 0, 0},
      {"MER", "MER", 60, 40, -60, -180, 60, 180, 0, 0, 0},
  };
  const std::regex text_element(
      R"re(<text class="(latitude|longitude)" x="([-0-9.]+)" y="([-0-9.]+)">([^<]*)</text>)re");
  for (const Geometry& g : table) {
    const std::string grid = write_grid(g);
    const std::string svg = (dir_ / "labels.svg").string();
    ASSERT_EQ(run({grid, "-o", svg, "--no-coastlines", "--no-borders"}), gridplot::kExitOk)
        << g.name << ": " << err_;
    auto file = gridfile::GridFile::open(grid);
    plot::PictureOptions o;
    o.file_label = grid;
    const plot::Picture picture =
        plot::grid_picture(*file->read(1), file->navigation(), nullptr, o);
    const plot::Layout layout = plot::layout_picture(picture);
    const std::string text = read_text(svg);
    std::set<std::string> edges, kinds;
    for (auto m = std::sregex_iterator(text.begin(), text.end(), text_element);
         m != std::sregex_iterator(); ++m) {
      kinds.insert((*m)[1]);
      edges.insert(edge_of(std::stod((*m)[2]), std::stod((*m)[3]), layout.raster));
    }
    EXPECT_EQ(kinds.size(), 2u) << g.name << ": latitude and longitude labels both";
    EXPECT_GE(edges.size(), 2u) << g.name;

    // Every piece of line ends outside the raster, unless it closes on itself,
    // meets a pole or goes on as another piece (across 180 degrees).
    const auto projection = mapproj::Projection::from(file->navigation());
    for (const plot::GraticuleLine& line : picture.lines) {
      auto goes_on = [&line](const plot::GridPoint& end, const plot::GridLine* own) {
        for (const auto& other : line.segments) {
          if (&other == own) continue;
          for (const plot::GridPoint& q : other) {
            if (std::hypot(q.i - end.i, q.j - end.j) < 0.3) return true;
          }
        }
        return false;
      };
      for (const auto& piece : line.segments) {
        const bool closed =
            std::hypot(piece.front().i - piece.back().i, piece.front().j - piece.back().j) < 0.5;
        for (const plot::GridPoint& end : {piece.front(), piece.back()}) {
          const bool inside =
              end.i > 0.5 && end.i < g.nx + 0.5 && end.j > 0.5 && end.j < g.ny + 0.5;
          const auto ll = projection->latlon(end.i, end.j);
          EXPECT_TRUE(!inside || closed || (ll && std::abs(ll->lat) > 89) || goes_on(end, &piece))
              << g.name << " " << line.label << " ends inside at " << end.i << "," << end.j;
        }
      }
    }
  }
}

}  // namespace
