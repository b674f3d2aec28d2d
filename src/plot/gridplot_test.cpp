// gridplot run in-process on grid files written through the grid-file API:
// the chosen grid is the one drawn (colours of known points read back from
// the PNG, the missing grey where missing), selection needs exactly one fit,
// every refusal has its exit status and message and writes no picture, and
// the program itself runs from the command line.
#include "plot/gridplot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"
#include "params/params.h"
#include "platform/platform_test.h"
#include "plot/grid_picture.h"
#include "plot/picture_test_support.h"

namespace {

using gridfile::Vcoord;

namespace fs = std::filesystem;
using namespace plot::testing;

struct Outcome {
  int status = 0;
  std::string out, err;
};

constexpr int kNx = 8, kNy = 6;

// Point (i, j) of a grid: distinct everywhere, shifted per grid.
float value_at(int i, int j, float shift) {
  return shift + static_cast<float>(10 * j + i);
}

class GridplotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("gridplot_test-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    file_ = (dir_ / "three.grd").string();
    write_three_grids(file_, "CED");
    platform::testing::capture_stdout(true);
    platform::testing::capture_stderr(true);
  }
  void TearDown() override {
    platform::testing::take_stdout();
    platform::testing::take_stderr();
    platform::testing::capture_stdout(false);
    platform::testing::capture_stderr(false);
    fs::remove_all(dir_);
  }

  // TMPK at 850 and 500 hPa, and PMSL, on the example's 8 x 6 area; point
  // (2,3) of the 500 hPa grid is missing.
  static void write_three_grids(const std::string& path, const std::string& projection) {
    gridfile::Navigation nav;
    nav.projection = projection;
    nav.nx = kNx;
    nav.ny = kNy;
    nav.lat1 = 30;
    nav.lon1 = -100;
    nav.lat2 = 37.5f;
    nav.lon2 = -86;
    auto file = gridfile::GridFile::create(path, nav);
    ASSERT_TRUE(file.ok()) << file.error().text;
    const std::vector<std::pair<gridfile::GridId, float>> grids = {
        {{.time1 = "910823/1200", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres}, 200},
        {{.time1 = "910823/1200", .param = "TMPK", .level1 = 500, .vcoord = Vcoord::kPres}, 100},
        {{.time1 = "910824/0000", .param = "PMSL", .level1 = 0, .vcoord = Vcoord::kNone}, 1000}};
    for (const auto& [id, shift] : grids) {
      std::vector<float> values;
      for (int j = 1; j <= kNy; ++j) {
        for (int i = 1; i <= kNx; ++i) values.push_back(value_at(i, j, shift));
      }
      if (shift == 100) values[(3 - 1) * kNx + (2 - 1)] = gridfile::kMissing;
      ASSERT_TRUE(file->write(values, kNx, kNy, id).ok());
    }
    ASSERT_TRUE(file->close().ok());
  }

  Outcome run(std::vector<std::string> args) const {
    args.insert(args.begin(), "gridplot");
    platform::testing::take_stdout();
    platform::testing::take_stderr();
    gridplot::Setup setup;
    setup.table_path = std::string(T2G_BUILD_TBLDIR) + "/parameters.tbl";
    Outcome o;
    o.status = gridplot::run(args, setup);
    o.out = platform::testing::take_stdout();
    o.err = platform::testing::take_stderr();
    return o;
  }

  static std::vector<unsigned char> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // The picture gridplot should have drawn for grid `number`, to locate cells.
  plot::Picture expected_picture(int number, const plot::PictureOptions& options) const {
    auto file = gridfile::GridFile::open(file_);
    EXPECT_TRUE(file.ok());
    auto grid = file->read(number);
    EXPECT_TRUE(grid.ok());
    std::string error;
    const auto table =
        params::Table::load(std::string(T2G_BUILD_TBLDIR) + "/parameters.tbl", error);
    plot::PictureOptions o = options;
    o.file_label = file_;
    return plot::grid_picture(*grid, file->navigation(), table ? &*table : nullptr, o);
  }

  std::string out(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
  std::string file_;
};

TEST_F(GridplotTest, DrawsTheOneGridTheSelectionFits) {
  const std::string png = out("t500.png");
  const Outcome o = run({file_, "--param", "tmpk", "--level", "500", "--no-latlon", "-o", png});
  ASSERT_EQ(o.status, gridplot::kExitOk) << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(o.err, "");

  plot::PictureOptions options;
  options.latlon_lines = false;
  const plot::Picture p = expected_picture(2, options);
  EXPECT_EQ(p.title, "TMPK  Temperature (K)");
  const plot::Layout layout = plot::layout_picture(p);
  const Decoded image(read_bytes(png));
  ASSERT_TRUE(image.ok());
  EXPECT_EQ(image.width(), layout.width);
  EXPECT_EQ(image.height(), layout.height);
  const double lo = value_at(1, 1, 100), hi = value_at(kNx, kNy, 100);
  for (auto [i, j] : {std::pair{1, 1}, {kNx, 1}, {1, kNy}, {kNx, kNy}, {4, 3}}) {
    const double t = (value_at(i, j, 100) - lo) / (hi - lo);
    EXPECT_TRUE(near(image.at(layout.centre_x(i), layout.centre_y(j)), pixel_of(p.map.at(t))))
        << i << "," << j;
  }
  EXPECT_TRUE(near(image.at(layout.centre_x(2), layout.centre_y(3)),
                   pixel_of(plot::rgb_from_hex(plot::kMissingHex)), 0));
  EXPECT_GT(layout.missing_key.w, 0);
}

TEST_F(GridplotTest, ChoosingByNumberTimeAndVcoord) {
  EXPECT_EQ(run({file_, "3", "-o", out("a.png")}).status, gridplot::kExitOk);
  EXPECT_EQ(run({file_, "--time", "910824/0000", "-o", out("b.png")}).status, gridplot::kExitOk);
  EXPECT_EQ(run({file_, "--time", "1991-08-24T00:00Z", "-o", out("c.png")}).status,
            gridplot::kExitOk);
  EXPECT_EQ(run({file_, "--vcoord", "none", "-o", out("d.png")}).status, gridplot::kExitOk);
  EXPECT_EQ(run({file_, "--vcoord", "1", "--level", "850", "-o", out("e.png")}).status,
            gridplot::kExitOk);
  // The same grid, however chosen, gives the same picture.
  EXPECT_EQ(read_bytes(out("a.png")), read_bytes(out("b.png")));
  EXPECT_EQ(read_bytes(out("a.png")), read_bytes(out("c.png")));
  EXPECT_EQ(read_bytes(out("a.png")), read_bytes(out("d.png")));
  EXPECT_NE(read_bytes(out("a.png")), read_bytes(out("e.png")));
  // A number and criteria together must agree.
  EXPECT_EQ(run({file_, "1", "--level", "850", "-o", out("f.png")}).status, gridplot::kExitOk);
  EXPECT_EQ(read_bytes(out("e.png")), read_bytes(out("f.png")));
  const Outcome clash = run({file_, "1", "--level", "500", "-o", out("g.png")});
  EXPECT_EQ(clash.status, gridplot::kExitBadFile);
  EXPECT_FALSE(fs::exists(out("g.png")));
}

TEST_F(GridplotTest, NoneOrSeveralGridsFit) {
  Outcome o = run({file_, "--param", "RELH", "-o", out("x.png")});
  EXPECT_EQ(o.status, gridplot::kExitBadFile);
  EXPECT_NE(o.err.find("no grid fits --param RELH (3 grids in the file)"), std::string::npos)
      << o.err;

  o = run({file_, "--param", "TMPK", "-o", out("x.png")});
  EXPECT_EQ(o.status, gridplot::kExitBadFile);
  EXPECT_NE(o.err.find("2 grids fit --param TMPK"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("  1  910823/1200 850 PRES TMPK"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("  2  910823/1200 500 PRES TMPK"), std::string::npos) << o.err;
  EXPECT_EQ(o.err.find("PMSL"), std::string::npos) << o.err;

  o = run({file_, "-o", out("x.png")});  // no selection in a file of three
  EXPECT_EQ(o.status, gridplot::kExitBadFile);
  EXPECT_NE(o.err.find("3 grids fit no selection"), std::string::npos) << o.err;

  o = run({file_, "4", "-o", out("x.png")});
  EXPECT_EQ(o.status, gridplot::kExitBadFile);
  EXPECT_NE(o.err.find("no grid 4 (the file has 3 grids, numbered from 1)"), std::string::npos)
      << o.err;
  EXPECT_FALSE(fs::exists(out("x.png")));
  EXPECT_EQ(o.out, "");
}

TEST_F(GridplotTest, UnreadableFilesAndUnwritablePictures) {
  Outcome o = run({out("absent.grd"), "-o", out("x.png")});
  EXPECT_EQ(o.status, gridplot::kExitBadFile);
  EXPECT_NE(o.err.find(out("absent.grd")), std::string::npos) << o.err;

  { std::ofstream(out("text.grd")) << "not a grid file\n"; }
  o = run({out("text.grd"), "-o", out("x.png")});
  EXPECT_EQ(o.status, gridplot::kExitBadFile) << o.err;
  EXPECT_FALSE(fs::exists(out("x.png")));

  o = run({file_, "1", "-o", out("no/such/folder/x.png")});
  EXPECT_EQ(o.status, gridplot::kExitBadFile);
  EXPECT_NE(
      o.err.find("cannot write " + out("no/such/folder/x.png") + ": No such file or directory"),
      std::string::npos)
      << o.err;

  // A folder in the way: refused, and the folder left as it was.
  fs::create_directories(dir_ / "taken" / "inside");
  o = run({file_, "1", "-o", out("taken")});
  EXPECT_EQ(o.status, gridplot::kExitBadFile);
  EXPECT_TRUE(fs::is_directory(dir_ / "taken" / "inside"));

  // An earlier picture is replaced whole.
  { std::ofstream(out("old.png")) << "old"; }
  EXPECT_EQ(run({file_, "1", "-o", out("old.png")}).status, gridplot::kExitOk);
  EXPECT_TRUE(Decoded(read_bytes(out("old.png"))).ok());
}

TEST_F(GridplotTest, Misuse) {
  const std::string png = out("x.png");
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {file_, "1"},                                    // no -o
           {"-o", png},                                     // no file
           {file_, "0", "-o", png},                         // grids count from 1
           {file_, "1", "-o", png, "--range", "5", "1"},    // MIN above MAX
           {file_, "1", "-o", png, "--range", "5", "5"},    // empty range
           {file_, "1", "-o", png, "--range", "5"},         // one number
           {file_, "1", "-o", png, "--range", "a", "b"},    // not numbers
           {file_, "1", "-o", png, "--range", "nan", "1"},  // not finite
           {file_, "1", "-o", png, "--cmap", "jet"},        // unknown map
           {file_, "1", "-o", png, "--vcoord", "DEPTH"},    // unknown coordinate
           {file_, "1", "-o", png, "--level", "high"},      // not a level
           {file_, "1", "-o", png, "--colour"},             // unknown option
           {file_, "1", "-o", png, "--fill", "dots"},       // neither cells nor none
           {file_, "1", "-o", png, "--size", "10x10"},      // too small
           {file_, "1", "-o", png, "--size", "800"},        // not WxH
           {file_, "1", "-o", png, "--contour-interval", "0"},
           {file_, "1", "-o", png, "--contour-interval", "x"},
           {file_, "1", "-o", png, "--centre", "warm"},
           {file_, "1", "-o", png, "--barbs"},         // barbs need wind
           {file_, "1", "-o", png, "--wind", "UREL"},  // one name
       }) {
    const Outcome o = run(args);
    std::string words;
    for (const auto& a : args) words += a + " ";
    EXPECT_EQ(o.status, gridplot::kExitUsage) << words << "\n" << o.err;
    EXPECT_NE(o.err.find("Run gridplot --help"), std::string::npos) << words;
    EXPECT_FALSE(fs::exists(png)) << words;
  }
  const Outcome help = run({"--help"});
  EXPECT_EQ(help.status, gridplot::kExitOk);
  for (const char* word :
       {"-o",        "--svg",   "--param",  "--time",     "--level",         "--vcoord",
        "--range",   "--cmap",  "viridis",  "cividis",    "coolwarm",        "--no-latlon",
        "--contour", "--wind",  "--barbs",  "--fill",     "--no-coastlines", "--no-borders",
        "--size",    "--title", "--centre", "Exit status"}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
}

TEST_F(GridplotTest, RangeAndColourMapChoices) {
  const std::string png = out("r.png");
  ASSERT_EQ(
      run({file_, "1", "--no-latlon", "--range", "150", "300", "--cmap", "CIVIDIS", "-o", png})
          .status,
      gridplot::kExitOk);
  plot::PictureOptions options;
  options.latlon_lines = false;
  options.range = std::pair{150.0, 300.0};
  options.map = "cividis";
  const plot::Picture p = expected_picture(1, options);
  const plot::Layout layout = plot::layout_picture(p);
  const Decoded image(read_bytes(png));
  ASSERT_TRUE(image.ok());
  for (auto [i, j] : {std::pair{1, 1}, {kNx, kNy}}) {
    const double t = (value_at(i, j, 200) - 150) / 150;
    EXPECT_TRUE(near(image.at(layout.centre_x(i), layout.centre_y(j)), pixel_of(p.map.at(t))));
  }
  const double x = layout.bar.x + layout.bar.w / 2.0;
  EXPECT_TRUE(near(image.at(x, layout.bar.y), pixel_of(p.map.at(1)), 2));
  EXPECT_TRUE(near(image.at(x, layout.bar.y + layout.bar.h - 1), pixel_of(p.map.at(0)), 2));
}

TEST_F(GridplotTest, SvgByOptionOrName) {
  ASSERT_EQ(run({file_, "2", "--svg", "-o", out("p.img")}).status, gridplot::kExitOk);
  ASSERT_EQ(run({file_, "2", "-o", out("p.SVG")}).status, gridplot::kExitOk);
  for (const char* name : {"p.img", "p.SVG"}) {
    const auto bytes = read_bytes(out(name));
    const std::string svg(bytes.begin(), bytes.end());
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u) << name;
    EXPECT_NE(svg.find("</svg>"), std::string::npos) << name;
  }
  ASSERT_EQ(run({file_, "2", "-o", out("p.png")}).status, gridplot::kExitOk);
  EXPECT_TRUE(Decoded(read_bytes(out("p.png"))).ok());
}

TEST_F(GridplotTest, LinesOnlyWhereTheProjectionIsKnown) {
  const plot::Picture with = expected_picture(1, {});
  EXPECT_FALSE(with.lines.empty());
  const std::string other = out("other.grd");
  write_three_grids(other, "XYZ");
  const Outcome o = run({other, "1", "-o", out("l.png")});
  EXPECT_EQ(o.status, gridplot::kExitOk);
  EXPECT_EQ(o.err, "");  // no geometry is no error
  EXPECT_TRUE(Decoded(read_bytes(out("l.png"))).ok());
}

TEST_F(GridplotTest, AsAProgram) {
  const std::string png = out("prog.png");
  const std::string command = std::string(GRIDPLOT_PATH) + " '" + file_ + "' --param PMSL -o '" +
                              png + "' 2>" + out("err.txt");
  EXPECT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(Decoded(read_bytes(png)).ok());
  const std::string refused =
      std::string(GRIDPLOT_PATH) + " '" + file_ + "' -o '" + png + "' 2>" + out("err.txt");
  const int status = std::system(refused.c_str());
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), gridplot::kExitBadFile);
  const std::string misuse = std::string(GRIDPLOT_PATH) + " 2>" + out("err.txt");
  EXPECT_EQ(WEXITSTATUS(std::system(misuse.c_str())), gridplot::kExitUsage);
}

TEST_F(GridplotTest, ContoursAndWindFromGridsOfTheSameTimeAndLevel) {
  // PMSL at 910824/0000 level 0, with its wind beside it.
  {
    auto file = gridfile::GridFile::open(file_, gridfile::Mode::kUpdate);
    ASSERT_TRUE(file.ok()) << file.error().text;
    const std::vector<float> u(kNx * kNy, 8.0f), v(kNx * kNy, -3.0f);
    ASSERT_TRUE(
        file->write(u, kNx, kNy,
                    {.time1 = "910824/0000", .param = "UREL", .level1 = 0, .vcoord = Vcoord::kNone})
            .ok());
    ASSERT_TRUE(
        file->write(v, kNx, kNy,
                    {.time1 = "910824/0000", .param = "VREL", .level1 = 0, .vcoord = Vcoord::kNone})
            .ok());
    ASSERT_TRUE(file->close().ok());
  }
  const std::string svg = out("chart.svg");
  Outcome o = run({file_, "--param", "PMSL", "--contour", "--wind", "--fill", "none", "--title",
                   "Sea level", "-o", svg});
  ASSERT_EQ(o.status, gridplot::kExitOk) << o.err;
  const auto bytes = read_bytes(svg);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find(">Sea level</text>"), std::string::npos);
  EXPECT_NE(text.find("class=\"contour\""), std::string::npos);
  EXPECT_NE(text.find("class=\"wind\" x=\""), std::string::npos);
  EXPECT_NE(text.find(">5 m s-1</text>"), std::string::npos);  // 8.5 m/s: a key of 5
  EXPECT_EQ(text.find("class=\"bar\""), std::string::npos);    // no colours, no colour bar

  EXPECT_EQ(run({file_, "--param", "PMSL", "--contour", "urel", "--wind", "UREL,VREL", "--barbs",
                 "-o", out("b.png")})
                .status,
            gridplot::kExitOk);
  o = run({file_, "--param", "PMSL", "--contour", "RELH", "-o", out("c.png")});
  EXPECT_EQ(o.status, gridplot::kExitBadFile);
  EXPECT_NE(o.err.find("contours of RELH"), std::string::npos) << o.err;
  o = run({file_, "--param", "TMPK", "--level", "850", "--wind", "-o", out("c.png")});
  EXPECT_EQ(o.status, gridplot::kExitBadFile);
  EXPECT_NE(o.err.find("no wind at the time and level of 910823/1200 850 PRES TMPK"),
            std::string::npos)
      << o.err;
  EXPECT_FALSE(fs::exists(out("c.png")));
}

TEST_F(GridplotTest, SizeAndFill) {
  const std::string png = out("s.png");
  ASSERT_EQ(run({file_, "3", "--size", "1000x700", "--fill", "none", "--no-coastlines",
                 "--no-borders", "-o", png})
                .status,
            gridplot::kExitOk);
  const Decoded image(read_bytes(png));
  ASSERT_TRUE(image.ok());
  EXPECT_EQ(image.width(), 1000);
  EXPECT_EQ(image.height(), 700);
  plot::PictureOptions options;
  options.width = 1000;
  options.height = 700;
  options.fill = false;
  const plot::Layout layout = plot::layout_picture(expected_picture(3, options));
  EXPECT_GT(layout.text_scale, 1);  // a raster over 600 pixels: larger text
  EXPECT_LE(layout.raster.x + layout.raster.w, 1000);
  // A corner cell, clear of contours and lines: white without fill.
  EXPECT_TRUE(near(image.at(layout.raster.x + 3, layout.raster.y + layout.raster.h - 3),
                   {255, 255, 255}, 0));
}

}  // namespace
