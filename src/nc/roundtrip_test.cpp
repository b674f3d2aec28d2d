// Round trips grid file -> grid2nc -> nc2grid: the same navigation, grids,
// identifiers and values, byte for byte where nothing was packed; and the
// export as netCDF-C reads it. Also the export's refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "nc/nc_test_support.h"
#include "strings/concat.h"

namespace nc {
namespace {

using gridfile::Vcoord;

using namespace nc::testing;
using gridfile::GridFile;
using gridfile::GridId;
using gridfile::Navigation;

std::vector<char> bytes(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

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

// The grids of `back` are those of `original`, in order, with missing values
// written as exactly -9999.0.
void expect_same_grids(const Contents& original, const Contents& back) {
  EXPECT_EQ(back.nav, original.nav);
  ASSERT_EQ(back.grids.size(), original.grids.size());
  for (std::size_t k = 0; k < original.grids.size(); ++k) {
    const gridfile::Grid& a = original.grids[k];
    const gridfile::Grid& b = back.grids[k];
    EXPECT_EQ(b.info.id, a.info.id) << a.info.id.text() << " / " << b.info.id.text();
    ASSERT_EQ(b.info.nx, a.info.nx);
    ASSERT_EQ(b.info.ny, a.info.ny);
    for (std::size_t p = 0; p < a.values.size(); ++p) {
      const float want = gridfile::is_missing(a.values[p]) ? gridfile::kMissing : a.values[p];
      ASSERT_EQ(std::bit_cast<std::uint32_t>(b.values[p]), std::bit_cast<std::uint32_t>(want))
          << a.info.id.text() << " point " << p << ": " << b.values[p] << " vs " << want;
    }
  }
}

class RoundTrip : public NcTest {};

// The converter's own output, through both netCDF formats.
TEST_F(RoundTrip, TextToGridToNetcdfAndBackIsByteIdentical) {
  const std::string answers = path("answers.txt");
  {
    std::ifstream in(std::string(T2G_SOURCE_DIR) + "/examples/answers.txt");
    std::ofstream out(answers);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
      ++n;
      if (n == 3) line = std::string(T2G_SOURCE_DIR) + "/examples/input.txt";
      if (n == 4) line = strings::concat({"^", path("ex.grd")});
      out << line << "\n";
    }
  }
  const std::string cmd =
      std::string(TEXT2GRID_PATH) + " < " + answers + " > " + path("t2g.out") + " 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  for (const bool classic : {false, true}) {
    const std::string nc = path(classic ? "classic.nc" : "ex.nc");
    const std::string back = path(classic ? "classic.grd" : "back.grd");
    std::vector<std::string> args{path("ex.grd"), nc};
    if (classic) args.push_back("--classic");
    ASSERT_EQ(grid2nc(args), kExitOk) << err_;
    EXPECT_NE(out_.find("8 grids in 2 variables"), std::string::npos) << out_;
    int ncid = -1, format = 0;
    ASSERT_EQ(nc_open(nc.c_str(), NC_NOWRITE, &ncid), NC_NOERR);
    nc_inq_format(ncid, &format);
    nc_close(ncid);
    EXPECT_EQ(format, classic ? NC_FORMAT_64BIT_OFFSET : NC_FORMAT_NETCDF4);

    ASSERT_EQ(nc2grid({nc, back}), kExitOk) << err_;
    EXPECT_NE(out_.find("grid 8 written: 910824/0000 0 NONE PMSL"), std::string::npos) << out_;
    EXPECT_EQ(bytes(back), bytes(path("ex.grd")));
    EXPECT_TRUE(gridfile::check(back).ok());
  }
}

struct Case {
  const char* name;
  Navigation nav;
};

// Every projection, forecasts, layers, second times, all vertical
// coordinates, missing values near and at -9999, and a packed grid.
TEST_F(RoundTrip, EveryProjectionAndIdentifierComesBackValueForValue) {
  const Case cases[] = {
      {"lcc", {"LCC", 7, 5, 12.19f, -133.459f, 57.29f, -49.385f, 25, -95, 25}},
      {"lcc_south", {"LCC", 6, 4, -45, 110, -10, 160, -30, 135, -60}},
      {"nps", {"NPS", 5, 5, 40, -150, 40, 30, 0, -105, 0}},
      {"str_south", {"STR", 5, 4, -40, 45, -40, -135, -90, 90, 0}},
      {"mer", {"MER", 6, 5, -20, 100, 20, 150, 10, 120, 0}},
      {"ced_dateline", {"CED", 9, 4, -30, 160, 0, -160, 0, 0, 0}},
      {"ced_north_first", {"CED", 5, 4, 60, -10, 45, 10, 0, 0, 0}},
  };
  std::mt19937 rng(14);
  std::uniform_real_distribution<float> value(-50, 50);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string grd = path(std::string(c.name) + ".grd");
    {
      auto f = GridFile::create(grd, c.nav, 100);
      ASSERT_TRUE(f.ok()) << f.error().text;
      const std::size_t n = static_cast<std::size_t>(c.nav.nx * c.nav.ny);
      auto write = [&](const GridId& id, gridfile::Packing packing = {}) {
        std::vector<float> v(n);
        for (float& x : v) x = value(rng);
        v[0] = gridfile::kMissing;
        v[n - 1] = -9999.05f;  // missing within the tolerance
        v[1] = -9998.8f;       // just outside it: a value
        v[2] = -0.0f;          // the sign of zero comes back
        ASSERT_TRUE(f->write(v, c.nav.nx, c.nav.ny, id, packing).ok()) << id.text();
      };
      write({.time1 = "240101/0000F006", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres});
      write({.time1 = "240101/0000F006", .param = "TMPK", .level1 = 500, .vcoord = Vcoord::kPres});
      write({.time1 = "240101/0000F012", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres});
      write({.time1 = "240101/0000F00130", .param = "PMSL", .level1 = 0, .vcoord = Vcoord::kNone});
      write({.time1 = "240101/0000F006",
             .param = "THCK",
             .level1 = 850,
             .level2 = 500,
             .vcoord = Vcoord::kPres});
      write({.time1 = "240101/0000F012", .param = "TMPK", .level1 = 2, .vcoord = Vcoord::kHght});
      write({.time1 = "240101/0000F012", .param = "PRES", .level1 = 305, .vcoord = Vcoord::kThta});
      write({.time1 = "240101/0000F012", .param = "RELH", .level1 = 9950, .vcoord = Vcoord::kSgma});
      write({.time1 = "231231/1200",
             .time2 = "231231/0000",
             .param = "P12M",
             .level1 = 0,
             .vcoord = Vcoord::kNone});
      write({.param = "ZSFC", .level1 = 0, .vcoord = Vcoord::kNone});
      write({.time1 = "240101/0000F012",
             .param = "UNKNOWNPARAM",
             .level1 = 0,
             .vcoord = Vcoord::kNone},
            {gridfile::PackingType::kGrib, 12});
      ASSERT_TRUE(f->close().ok());
    }
    const std::string nc = path(std::string(c.name) + ".nc");
    const std::string back = path(std::string(c.name) + "_back.grd");
    ASSERT_EQ(grid2nc({grd, nc}), kExitOk) << err_;
    ASSERT_EQ(nc2grid({nc, back}), kExitOk) << err_;
    EXPECT_EQ(err_, "") << "no warning expected for our own export";
    expect_same_grids(read_all(grd), read_all(back));
  }
}

// What CF readers see, checked through netCDF-C.
TEST_F(RoundTrip, ExportCarriesCFMetadataAndExactValues) {
  const Navigation nav{"LCC", 7, 5, 12.19f, -133.459f, 57.29f, -49.385f, 25, -95, 25};
  const std::string grd = path("a.grd");
  {
    auto f = GridFile::create(grd, nav, 10);
    ASSERT_TRUE(f.ok());
    std::vector<float> v(35, 273.15f);
    v[3] = -9999.09f;
    ASSERT_TRUE(
        f->write(
             v, 7, 5,
             {.time1 = "240101/0000F012", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres})
            .ok());
    v[3] = 1.5f;
    ASSERT_TRUE(
        f->write(
             v, 7, 5,
             {.time1 = "240101/0600F012", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres})
            .ok());
  }
  ASSERT_EQ(grid2nc({grd, path("a.nc"), "--first-year", "2000"}), kExitOk) << err_;
  int ncid = -1;
  ASSERT_EQ(nc_open(path("a.nc").c_str(), NC_NOWRITE, &ncid), NC_NOERR);
  auto text = [&](const char* var, const char* att) {
    int v = NC_GLOBAL;
    if (var != nullptr) nc_inq_varid(ncid, var, &v);
    std::size_t len = 0;
    nc_inq_attlen(ncid, v, att, &len);
    std::string s(len, '\0');
    nc_get_att_text(ncid, v, att, s.data());
    return s;
  };
  auto doubles = [&](const char* var) {
    int v = -1;
    EXPECT_EQ(nc_inq_varid(ncid, var, &v), NC_NOERR) << var;
    int ndims = 0;
    nc_inq_varndims(ncid, v, &ndims);
    std::vector<int> dims(static_cast<std::size_t>(ndims));
    nc_inq_vardimid(ncid, v, dims.data());
    std::size_t n = 1;
    for (int d : dims) {
      std::size_t len = 0;
      nc_inq_dimlen(ncid, d, &len);
      n *= len;
    }
    std::vector<double> out(n);
    nc_get_var_double(ncid, v, out.data());
    return out;
  };
  EXPECT_EQ(text(nullptr, "Conventions"), "CF-1.8");
  EXPECT_EQ(text("time", "units"), "minutes since 2024-01-01 12:00:00");
  EXPECT_EQ(doubles("time"), (std::vector<double>{0, 360}));
  // The time dimension is unlimited (exports join along it), its length set
  // by the times written.
  int unlimited = -1, time_dim = -2;
  nc_inq_unlimdim(ncid, &unlimited);
  nc_inq_dimid(ncid, "time", &time_dim);
  EXPECT_EQ(unlimited, time_dim);
  EXPECT_EQ(doubles("forecast_reference_time"), (std::vector<double>{-720, -360}));
  EXPECT_EQ(doubles("forecast_period"), (std::vector<double>{720, 720}));
  EXPECT_EQ(text("crs", "grid_mapping_name"), "lambert_conformal_conic");
  EXPECT_EQ(text("TMPK", "grid_mapping"), "crs");
  EXPECT_EQ(text("TMPK", "coordinates"), "lat lon");  // CDO assigns the forecast times itself
  EXPECT_EQ(text("TMPK", "standard_name"), "air_temperature");
  EXPECT_EQ(text("TMPK", "units"), "K");
  EXPECT_EQ(text("pressure", "positive"), "down");
  const std::vector<double> lat = doubles("lat"), lon = doubles("lon");
  EXPECT_NEAR(lat.front(), 12.19, 1e-6);
  EXPECT_NEAR(lon.front(), -133.459, 1e-6);
  EXPECT_NEAR(lat.back(), 57.29, 1e-6);
  EXPECT_NEAR(lon.back(), -49.385, 1e-6);
  const std::vector<double> x = doubles("x");
  EXPECT_NEAR(x[1] - x[0], (x[6] - x[0]) / 6, 1e-6);
  const std::vector<double> t = doubles("TMPK");
  EXPECT_EQ(t[3], -9999.0);  // within the tolerance: exactly the fill value
  EXPECT_EQ(t[35 + 3], 1.5);
  EXPECT_EQ(t[0], static_cast<double>(273.15f));
  nc_close(ncid);
}

TEST_F(RoundTrip, SelectionsExportOnlyTheirGrids) {
  const Navigation nav{"CED", 3, 2, 0, 0, 1, 2, 0, 0, 0};
  const std::string grd = path("s.grd");
  {
    auto f = GridFile::create(grd, nav, 10);
    const std::vector<float> v(6, 1.0f);
    for (const char* t : {"240101/0000", "240101/0600"}) {
      for (int l : {850, 500})
        ASSERT_TRUE(
            f->write(v, 3, 2, {.time1 = t, .param = "TMPK", .level1 = l, .vcoord = Vcoord::kPres})
                .ok());
      ASSERT_TRUE(
          f->write(v, 3, 2, {.time1 = t, .param = "PMSL", .level1 = 0, .vcoord = Vcoord::kNone})
              .ok());
    }
  }
  ASSERT_EQ(
      grid2nc({grd, path("s.nc"), "--param", "tmpk", "--level", "500", "--time", "240101/0600"}),
      kExitOk)
      << err_;
  EXPECT_NE(out_.find("1 grids in 1 variables"), std::string::npos) << out_;
  ASSERT_EQ(nc2grid({path("s.nc"), path("s_back.grd")}), kExitOk) << err_;
  const Contents back = read_all(path("s_back.grd"));
  ASSERT_EQ(back.grids.size(), 1u);
  EXPECT_EQ(back.grids[0].info.id.text(), "240101/0600 500 PRES TMPK");
  ASSERT_EQ(grid2nc({grd, path("g.nc"), "--grid", "3", "--grid", "6"}), kExitOk) << err_;
  ASSERT_EQ(nc2grid({path("g.nc"), path("g_back.grd")}), kExitOk) << err_;
  const Contents g = read_all(path("g_back.grd"));
  ASSERT_EQ(g.grids.size(), 2u);
  EXPECT_EQ(g.grids[1].info.id.param, "PMSL");
  // Ranges of valid times, both ends included, in either form and program.
  ASSERT_EQ(grid2nc({grd, path("r.nc"), "--first-year", "2000", "--time-range",
                     "2024-01-01T06:00Z,240101/0600"}),
            kExitOk)
      << err_;
  EXPECT_NE(out_.find("3 grids in 2 variables"), std::string::npos) << out_;
  ASSERT_EQ(grid2nc({grd, path("a.nc"), "--first-year", "2000"}), kExitOk) << err_;
  ASSERT_EQ(nc2grid({path("a.nc"), path("r_back.grd"), "--time-range",
                     "2023-12-31 23:00,2024-01-01T05:59Z"}),
            kExitOk)
      << err_;
  const Contents r = read_all(path("r_back.grd"));
  ASSERT_EQ(r.grids.size(), 3u);
  EXPECT_EQ(r.grids[0].info.id.time1, "240101/0000");
  EXPECT_EQ(grid2nc({grd, path("x.nc"), "--time-range", "240101/0600,240101/0000"}), kExitUsage);
  EXPECT_NE(err_.find("the range ends before it begins"), std::string::npos) << err_;
  EXPECT_EQ(nc2grid({path("g.nc"), path("x.grd"), "--time-range", "tomorrow"}), kExitUsage);
}

// Export refusals: nothing is left at the output path, an existing file is untouched.
TEST_F(RoundTrip, ExportRefusalsLeaveNoFile) {
  const std::vector<float> v(6, 1.0f);
  {
    auto f = GridFile::create(path("pol.grd"), {"POL", 3, 2, 0, 0, 1, 2, 0, 0, 0}, 10);
    ASSERT_TRUE(
        f->write(v, 3, 2,
                 {.time1 = "240101/0000", .param = "T", .level1 = 0, .vcoord = Vcoord::kNone})
            .ok());
  }
  EXPECT_EQ(grid2nc({path("pol.grd"), path("pol.nc")}), kExitFailed);
  EXPECT_NE(err_.find("no map geometry"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(path("pol.nc")));

  {
    auto f = GridFile::create(path("dup.grd"), {"CED", 3, 2, 0, 0, 1, 2, 0, 0, 0}, 10);
    ASSERT_TRUE(
        f->write(v, 3, 2,
                 {.time1 = "240101/0000F012", .param = "T", .level1 = 0, .vcoord = Vcoord::kNone})
            .ok());
    ASSERT_TRUE(
        f->write(v, 3, 2,
                 {.time1 = "240101/0600F006", .param = "T", .level1 = 0, .vcoord = Vcoord::kNone})
            .ok());
  }
  EXPECT_EQ(grid2nc({path("dup.grd"), path("dup.nc")}), kExitFailed);
  EXPECT_NE(err_.find("valid at the same time"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(path("dup.nc")));
  EXPECT_EQ(grid2nc({path("dup.grd"), path("one.nc"), "--time", "240101/0000F012"}), kExitOk);

  std::ofstream(path("exists.nc")) << "keep";
  EXPECT_EQ(grid2nc({path("dup.grd"), path("exists.nc"), "--grid", "1"}), kExitFailed);
  EXPECT_EQ(bytes(path("exists.nc")), (std::vector<char>{'k', 'e', 'e', 'p'}));

  EXPECT_EQ(grid2nc({path("dup.grd"), path("none.nc"), "--param", "XYZ"}), kExitFailed);
  EXPECT_NE(err_.find("no grid to export"), std::string::npos);
  EXPECT_EQ(grid2nc({path("missing.grd"), path("m.nc")}), kExitFailed);
  EXPECT_FALSE(fs::exists(path("m.nc")));
  EXPECT_EQ(grid2nc({path("dup.grd")}), kExitUsage);
  EXPECT_EQ(grid2nc({path("dup.grd"), path("x.nc"), "--deflate", "12"}), kExitUsage);
}

}  // namespace
}  // namespace nc
