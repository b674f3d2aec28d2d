// Grid file -> grid2grib -> grib2grid: every projection with its navigation
// and identifiers as they were, values exact in IEEE packing and within half
// a packing step otherwise; the keys clients read; the export's refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "grib/grib_test_support.h"
#include "proj/projection.h"

namespace grib {
namespace {

using gridfile::Vcoord;

using namespace grib::testing;
using gridfile::GridFile;
using gridfile::GridId;
using gridfile::Navigation;

struct Contents {
  Navigation nav;
  std::vector<gridfile::Grid> grids;
};

Contents read_all(const std::string& path) {
  Contents c;
  auto f = GridFile::open(path);
  EXPECT_TRUE(f.ok()) << (f.ok() ? "" : f.error().text);
  if (!f.ok()) return c;
  c.nav = f->navigation();
  for (int n = 1; n <= f->count(); ++n) {
    auto g = f->read(n);
    EXPECT_TRUE(g.ok()) << n;
    if (g.ok()) c.grids.push_back(std::move(*g));
  }
  return c;
}

std::vector<GridSpec> sample_grids(const Navigation& nav, std::mt19937& rng) {
  std::uniform_real_distribution<float> value(200, 320);
  const std::size_t n = static_cast<std::size_t>(nav.nx * nav.ny);
  const GridId ids[] = {
      {.time1 = "240101/0000F006", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres},
      {.time1 = "240101/0000", .param = "TMPK", .level1 = 2, .vcoord = Vcoord::kHght},
      {.time1 = "240101/0600F01230",
       .param = "HGHT",
       .level1 = 1000,
       .level2 = 500,
       .vcoord = Vcoord::kPres},
      {.time1 = "240101/0000", .param = "RELH", .level1 = 330, .vcoord = Vcoord::kThta},
      {.time1 = "240101/0000I000", .param = "TMPK", .level1 = 9950, .vcoord = Vcoord::kSgma},
      {.time1 = "240101/0000", .param = "TSFC", .level1 = 0, .vcoord = Vcoord::kNone},
  };
  std::vector<GridSpec> out;
  for (const GridId& id : ids) {
    std::vector<float> v(n);
    for (float& x : v) x = value(rng);
    v[1] = gridfile::kMissing;
    out.push_back({id, std::move(v)});
  }
  return out;
}

// Grid points of two navigations lie within a hundredth of a kilometre.
void expect_same_points(const Navigation& a, const Navigation& b) {
  auto pa = mapproj::Projection::from(a);
  auto pb = mapproj::Projection::from(b);
  ASSERT_TRUE(pa.ok() && pb.ok());
  ASSERT_EQ(a.nx, b.nx);
  ASSERT_EQ(a.ny, b.ny);
  for (int j = 1; j <= a.ny; ++j) {
    for (int i = 1; i <= a.nx; ++i) {
      const auto la = pa->latlon(i, j), lb = pb->latlon(i, j);
      ASSERT_TRUE(la && lb);
      EXPECT_LT(mapproj::distance(*la, *lb), 10.0) << i << "," << j;
    }
  }
}

class RoundTrip : public GribTest {};

TEST_F(RoundTrip, EveryProjectionComesBackWithItsNavigationIdentifiersAndValues) {
  const struct {
    const char* name;
    Navigation nav;
    Navigation back;  // projection empty: as nav
  } cases[] = {
      {"lcc", {"LCC", 7, 5, 12.19f, -133.459f, 57.29f, -49.385f, 25, -95, 25}, {}},
      {"lcc_south", {"LCC", 6, 4, -45, 110, -10, 160, -30, 135, -60}, {}},
      {"nps", {"NPS", 5, 5, 40, -150, 40, 30, 90, -105, 0}, {}},
      {"sps", {"SPS", 5, 4, -40, 45, -40, -135, -90, 90, 0}, {}},
      {"mer", {"MER", 6, 5, -20, 100, 20, 150, 10, 0, 0}, {}},
      {"ced", {"CED", 8, 6, 30, -100, 37.5f, -86, 0, 0, 0}, {}},
      {"ced_north_first", {"CED", 5, 4, 60, -10, 45, 10, 0, 0, 0}, {}},
      {"ced_global", {"CED", 8, 4, -45, 0, 45, 315, 0, 0, 0}, {}},
      {"ced_from_180", {"CED", 8, 3, -10, -180, 10, 135, 0, 0, 0}, {}},
      {"ced_dateline", {"CED", 9, 4, -30, 160, 0, -160, 0, 0, 0}, {}},
      // GRIB2 has no names for the pole's projection nor a Mercator central
      // meridian: the same points come back under NPS/SPS and meridian 0.
      {"str_south",
       {"STR", 5, 4, -40, 45, -40, -135, -90, 90, 0},
       {"SPS", 5, 4, -40, 45, -40, -135, -90, 90, 0}},
      {"mer_meridian",
       {"MER", 6, 5, -20, 100, 20, 150, 10, 120, 0},
       {"MER", 6, 5, -20, 100, 20, 150, 10, 0, 0}},
  };
  std::mt19937 rng(27);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string grd = path(std::string(c.name) + ".grd");
    const std::string grib = path(std::string(c.name) + ".grib2");
    const std::string back = path(std::string(c.name) + "_back.grd");
    make_grid_file(grd, c.nav, sample_grids(c.nav, rng));
    ASSERT_EQ(grid2grib({grd, grib, "--packing", "ieee"}), kExitOk) << err_;
    ASSERT_EQ(grib2grid({grib, back}), kExitOk) << err_;
    const Contents a = read_all(grd), b = read_all(back);
    EXPECT_EQ(b.nav, c.back.projection.empty() ? c.nav : c.back);
    expect_same_points(a.nav, b.nav);
    ASSERT_EQ(a.grids.size(), b.grids.size());
    for (std::size_t k = 0; k < a.grids.size(); ++k) {
      EXPECT_EQ(b.grids[k].info.id, a.grids[k].info.id) << b.grids[k].info.id.text();
      EXPECT_EQ(b.grids[k].values, a.grids[k].values) << a.grids[k].info.id.text();
    }
  }
}

// The largest difference a message's packing allows: half of 2^E x 10^-D,
// in the grid's units, plus the rounding of a 32-bit real.
double half_step(grib_handle* h, double factor, float value) {
  const double e = static_cast<double>(key(h, "binaryScaleFactor"));
  const double d = static_cast<double>(key(h, "decimalScaleFactor"));
  return 0.5 * std::pow(2.0, e) * std::pow(10.0, -d) / factor + std::fabs(value) * 1e-7 * 1.5;
}

TEST_F(RoundTrip, PackedValuesComeBackWithinHalfTheirStep) {
  const Navigation nav{"CED", 30, 20, -10, 20, 9, 49, 0, 0, 0};
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> value(950, 1050);
  std::vector<float> pmsl(600), tmpc(600);
  for (float& x : pmsl) x = value(rng);
  for (std::size_t k = 0; k < tmpc.size(); ++k) tmpc[k] = static_cast<float>(k % 37) * 0.7f - 12;
  pmsl[7] = gridfile::kMissing;
  const std::string grd = path("packed.grd");
  make_grid_file(
      grd, nav,
      {{{.time1 = "240101/0000", .param = "PMSL", .level1 = 0, .vcoord = Vcoord::kNone}, pmsl},
       {{.time1 = "240101/0000", .param = "TMPC", .level1 = 850, .vcoord = Vcoord::kPres}, tmpc}});
  const std::vector<std::vector<std::string>> choices = {{"--packing", "simple", "--bits", "12"},
                                                         {"--packing", "complex", "--bits", "10"},
                                                         {"--bits", "24"},
                                                         {"--packing", "ccsds", "--bits", "8"},
                                                         {"--decimal", "2"},
                                                         {"--packing", "simple", "--bits", "32"},
                                                         {"--packing", "complex", "--decimal", "1"},
                                                         {"--packing", "simple", "--decimal", "1"}};
  int run = 0;
  for (const auto& choice : choices) {
    SCOPED_TRACE(choice.size() > 1 ? choice[1] + " " + choice.back() : choice[0]);
    const std::string grib = path("p" + std::to_string(run) + ".grib2");
    const std::string back = path("p" + std::to_string(run++) + ".grd");
    std::vector<std::string> args{grd, grib};
    args.insert(args.end(), choice.begin(), choice.end());
    ASSERT_EQ(grid2grib(args), kExitOk) << err_;
    ASSERT_EQ(grib2grid({grib, back}), kExitOk) << err_;
    const std::vector<Handle> messages = read_messages(grib);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(key(messages[0].get(), "bitmapPresent"), 1);
    EXPECT_EQ(key(messages[1].get(), "bitmapPresent"), 0);
    const Contents b = read_all(back);
    ASSERT_EQ(b.grids.size(), 2u);
    // TMPC comes back as TMPK, in kelvin (GRIB2 has one temperature).
    EXPECT_EQ(b.grids[1].info.id.param, "TMPK");
    for (std::size_t p = 0; p < pmsl.size(); ++p) {
      if (p == 7) {
        EXPECT_EQ(b.grids[0].values[p], gridfile::kMissing);
        continue;
      }
      ASSERT_LE(std::fabs(b.grids[0].values[p] - pmsl[p]),
                half_step(messages[0].get(), 100, pmsl[p]))
          << p;
      ASSERT_LE(std::fabs(b.grids[1].values[p] - (tmpc[p] + 273.15)),
                half_step(messages[1].get(), 1, 300) + 1e-4)
          << p;
    }
  }
  // Complex packing where this ecCodes keeps the values; simple, with a
  // warning, for a grid with missing values.
  const std::vector<Handle> complex10 = read_messages(path("p1.grib2"));
  EXPECT_EQ(key(complex10[0].get(), "dataRepresentationTemplateNumber"), 0);
  EXPECT_EQ(key(complex10[1].get(), "dataRepresentationTemplateNumber"), 3);
  // Decimal digits: values of the GRIB2 unit (Pa) to the hundredth, and tenth.
  const Contents ccsds = read_all(path("p4.grd")), complex = read_all(path("p6.grd")),
                 simple = read_all(path("p7.grd"));
  for (std::size_t p = 0; p < pmsl.size(); ++p) {
    if (p == 7) continue;
    ASSERT_LE(std::fabs(ccsds.grids[0].values[p] - pmsl[p]) * 100, 0.005 + pmsl[p] * 100 * 1e-7);
    ASSERT_LE(std::fabs(complex.grids[0].values[p] - pmsl[p]) * 100, 0.05 + pmsl[p] * 100 * 1e-7);
    ASSERT_LE(std::fabs(simple.grids[0].values[p] - pmsl[p]) * 100, 0.05 + pmsl[p] * 100 * 1e-7);
  }
}

TEST_F(RoundTrip, MessagesSayTheirGridTimeLevelAndPacking) {
  const Navigation ced{"CED", 4, 3, 50, 350, 40, 10, 0, 0, 0};  // north first, across 0
  const std::vector<float> v(12, 280.0f);
  make_grid_file(
      path("a.grd"), ced,
      {{{.time1 = "910823/1200F012", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres}, v},
       {{.time1 = "910823/1200", .param = "PMSL", .level1 = 0, .vcoord = Vcoord::kNone}, v}});
  ASSERT_EQ(grid2grib({path("a.grd"), path("a.grib2")}), kExitOk) << err_;
  EXPECT_NE(out_.find("2 GRIB2 messages, ccsds packing, 16 bits"), std::string::npos) << out_;
  const std::vector<Handle> m = read_messages(path("a.grib2"));
  ASSERT_EQ(m.size(), 2u);
  grib_handle* h = m[0].get();
  EXPECT_EQ(key(h, "edition"), 2);
  EXPECT_EQ(key(h, "gridDefinitionTemplateNumber"), 0);
  EXPECT_EQ(key(h, "shapeOfTheEarth"), 1);
  EXPECT_EQ(key(h, "scaledValueOfRadiusOfSphericalEarth"), 6371200);
  EXPECT_EQ(key(h, "latitudeOfFirstGridPoint"), 50000000);
  EXPECT_EQ(key(h, "longitudeOfFirstGridPoint"), 350000000);
  EXPECT_EQ(key(h, "longitudeOfLastGridPoint"), 10000000);
  EXPECT_EQ(key(h, "jScansPositively"), 0);
  EXPECT_EQ(key(h, "iDirectionIncrement"), 6666667);
  EXPECT_EQ(key(h, "dataDate"), 19910823);
  EXPECT_EQ(key(h, "dataTime"), 1200);
  EXPECT_EQ(key(h, "forecastTime"), 12);
  EXPECT_EQ(key(h, "indicatorOfUnitOfTimeRange"), 1);
  EXPECT_EQ(key(h, "typeOfProcessedData"), 1);
  EXPECT_EQ(key(h, "typeOfFirstFixedSurface"), 100);
  EXPECT_EQ(key(h, "level"), 850);  // ecCodes' hPa
  EXPECT_EQ(key(h, "parameterNumber"), 0);
  EXPECT_EQ(key(h, "dataRepresentationTemplateNumber"), 42);  // CCSDS
  h = m[1].get();
  EXPECT_EQ(key(h, "typeOfFirstFixedSurface"), 101);  // mean sea level, from the table
  EXPECT_EQ(key(h, "typeOfProcessedData"), 0);
  EXPECT_EQ(key(h, "parameterCategory"), 3);
  EXPECT_EQ(key(h, "parameterNumber"), 1);

  const Navigation lcc{"LCC", 10, 8, 20, -120, 50, -70, 25, -95, 25};
  make_grid_file(path("l.grd"), lcc,
                 {{{.time1 = "910823/1200", .param = "TMPK", .level1 = 0, .vcoord = Vcoord::kNone},
                   std::vector<float>(80, 1)}});
  ASSERT_EQ(grid2grib({path("l.grd"), path("l.grib2"), "--packing", "simple"}), kExitOk) << err_;
  const std::vector<Handle> l = read_messages(path("l.grib2"));
  ASSERT_EQ(l.size(), 1u);
  EXPECT_EQ(key(l[0].get(), "gridDefinitionTemplateNumber"), 30);
  EXPECT_EQ(key(l[0].get(), "Latin1"), 25000000);
  EXPECT_EQ(key(l[0].get(), "LoV"), 265000000);
  EXPECT_EQ(key(l[0].get(), "jScansPositively"), 1);
  EXPECT_EQ(key(l[0].get(), "typeOfFirstFixedSurface"), 1);
}

TEST_F(RoundTrip, SelectionsChooseTheGrids) {
  const Navigation nav{"CED", 3, 2, 0, 0, 1, 2, 0, 0, 0};
  const std::vector<float> v(6, 1.0f);
  make_grid_file(
      path("s.grd"), nav,
      {{{.time1 = "240101/0000", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres}, v},
       {{.time1 = "240101/0000", .param = "TMPK", .level1 = 500, .vcoord = Vcoord::kPres}, v},
       {{.time1 = "240101/0000", .param = "RELH", .level1 = 500, .vcoord = Vcoord::kPres}, v},
       {{.time1 = "240101/1200", .param = "RELH", .level1 = 500, .vcoord = Vcoord::kPres}, v}});
  ASSERT_EQ(grid2grib({path("s.grd"), path("a.grib2"), "--param", "relh", "--level", "500",
                       "--time", "240101/1200"}),
            kExitOk)
      << err_;
  EXPECT_EQ(read_messages(path("a.grib2")).size(), 1u);
  ASSERT_EQ(grid2grib({path("s.grd"), path("b.grib2"), "--grid", "1", "--grid", "3"}), kExitOk);
  ASSERT_EQ(grib2grid({path("b.grib2"), path("b.grd"), "--message", "2"}), kExitOk) << err_;
  const Contents b = read_all(path("b.grd"));
  ASSERT_EQ(b.grids.size(), 1u);
  EXPECT_EQ(b.grids[0].info.id.text(), "240101/0000 500 PRES RELH");
  EXPECT_EQ(grid2grib({path("s.grd"), path("c.grib2"), "--param", "UWND"}), kExitFailed);
  EXPECT_NE(err_.find("no grid to export matches the selection"), std::string::npos) << err_;
}

TEST_F(RoundTrip, ExportRefusalsLeaveNoFile) {
  const Navigation nav{"CED", 3, 2, 0, 0, 1, 2, 0, 0, 0};
  const std::vector<float> v(6, 1.0f);
  make_grid_file(
      path("u.grd"), nav,
      {{{.time1 = "240101/0000", .param = "TMPK", .level1 = 0, .vcoord = Vcoord::kNone}, v},
       {{.time1 = "240101/0000", .param = "MYPARAM", .level1 = 0, .vcoord = Vcoord::kNone}, v},
       {{.time1 = "240101/0000",
         .time2 = "240101/1200",
         .param = "PRCP",
         .level1 = 0,
         .vcoord = Vcoord::kNone},
        v}});
  EXPECT_EQ(grid2grib({path("u.grd"), path("u.grib2")}), kExitFailed);
  EXPECT_NE(err_.find("grid 2 (240101/0000 0 NONE MYPARAM): parameter MYPARAM is not in the "
                      "GRIB2 parameter table"),
            std::string::npos)
      << err_;
  EXPECT_NE(err_.find("grid 3"), std::string::npos) << err_;
  EXPECT_NE(err_.find("u.grib2 not written"), std::string::npos) << err_;
  EXPECT_EQ(files(), (std::vector<std::string>{"u.grd"}));

  // Never over an existing file, which stays as it was.
  { std::ofstream(path("kept.grib2")) << "mine"; }
  EXPECT_EQ(grid2grib({path("u.grd"), path("kept.grib2"), "--grid", "1"}), kExitFailed);
  EXPECT_NE(err_.find("exists; grid2grib never replaces a file"), std::string::npos) << err_;
  std::ifstream kept(path("kept.grib2"));
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "mine");

  // Command-line misuse.
  EXPECT_EQ(grid2grib({path("u.grd"), path("x.grib2"), "--bits", "8", "--decimal", "1"}),
            kExitUsage);
  EXPECT_EQ(grid2grib({path("u.grd"), path("x.grib2"), "--packing", "ieee", "--bits", "8"}),
            kExitUsage);
  EXPECT_EQ(grid2grib({path("u.grd"), path("x.grib2"), "--packing", "jpeg"}), kExitUsage);
  EXPECT_EQ(grid2grib({path("u.grd"), path("x.grib2"), "--bits", "33"}), kExitUsage);
  EXPECT_EQ(files(), (std::vector<std::string>{"kept.grib2", "u.grd"}));
}

}  // namespace
}  // namespace grib
