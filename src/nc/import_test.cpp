// Imports of netCDF files shaped as other tools write them (regular grids
// north to south, pressure in Pa, packed shorts, forecasts, a projected
// Lambert grid on another earth), and every refusal of bad metadata: the
// grid file is then never created.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <fstream>
#include <limits>
#include <utility>

#include "nc/nc_test_support.h"
#include "proj/projection.h"
#include "strings/concat.h"

namespace nc {
namespace {

using namespace nc::testing;

// A regular latitude-longitude file as CDO writes it; the fields let tests
// break one thing at a time.
struct LatLonFile {
  std::vector<double> lat = even(60, -2.5, 5);  // north to south
  std::vector<double> lon = even(-10, 5, 6);
  std::vector<double> plev = {100000, 85000, 50000};
  std::string plev_units = "Pa";
  std::string plev_name = "plev";
  std::vector<double> times = {0, 6};
  std::string time_units = "hours since 2024-01-01 00:00:00";
  std::string calendar = "proleptic_gregorian";
  std::string var = "t";
  std::string standard_name = "air_temperature";
  std::string units = "K";
  std::string grid_mapping;  // empty: none
  bool second_variable = false;
  bool same_variable_twice = false;  // a copy "ta" of "t"
  int extra_dim = 0;                 // size of an extra leading dimension, 0 for none
  bool x_before_y = false;           // (lon, lat) as the last two dimensions

  // The value of (time t, level l, latitude index j, longitude index i).
  static double value(std::size_t t, std::size_t l, std::size_t j, std::size_t i) {
    return 200.0 + 100.0 * static_cast<double>(t) + 10.0 * static_cast<double>(l) +
           static_cast<double>(j) + 0.25 * static_cast<double>(i);
  }

  void write(const std::string& path) const {
    NcBuilder b(path);
    const int dt = b.dim("time", times.size());
    const int dl = b.dim(plev_name, plev.size());
    const int dy = b.dim("lat", lat.size());
    const int dx = b.dim("lon", lon.size());
    const int de = extra_dim > 0 ? b.dim("member", static_cast<std::size_t>(extra_dim)) : -1;
    const int vt = b.var("time", NC_DOUBLE, {dt});
    b.text(vt, "standard_name", "time");
    b.text(vt, "units", time_units);
    b.text(vt, "calendar", calendar);
    b.text(vt, "axis", "T");
    const int vl = b.var(plev_name, NC_DOUBLE, {dl});
    b.text(vl, "standard_name", "air_pressure");
    b.text(vl, "units", plev_units);
    b.text(vl, "positive", "down");
    b.text(vl, "axis", "Z");
    const int vy = b.var("lat", NC_DOUBLE, {dy});
    b.text(vy, "standard_name", "latitude");
    b.text(vy, "units", "degrees_north");
    const int vx = b.var("lon", NC_DOUBLE, {dx});
    b.text(vx, "standard_name", "longitude");
    b.text(vx, "units", "degrees_east");
    std::vector<int> dims = {dt, dl, dy, dx};
    if (x_before_y) std::swap(dims[2], dims[3]);
    if (de >= 0) dims.insert(dims.begin(), de);
    const int v = b.var(var, NC_FLOAT, dims);
    if (!standard_name.empty()) b.text(v, "standard_name", standard_name);
    if (!units.empty()) b.text(v, "units", units);
    b.nums(v, "_FillValue", {1e20}, NC_FLOAT);
    if (!grid_mapping.empty()) b.text(v, "grid_mapping", grid_mapping);
    int v3 = -1;
    if (same_variable_twice) {
      v3 = b.var("ta", NC_FLOAT, dims);
      b.text(v3, "standard_name", standard_name);
      b.text(v3, "units", units);
    }
    int v2 = -1;
    if (second_variable) {
      v2 = b.var("z", NC_FLOAT, {dt, dy, dx});
      b.text(v2, "standard_name", "geopotential_height");
      b.text(v2, "units", "m");
    }
    b.put(vt, times);
    b.put(vl, plev);
    b.put(vy, lat);
    b.put(vx, lon);
    const std::size_t members = extra_dim > 0 ? static_cast<std::size_t>(extra_dim) : 1;
    std::vector<double> data;
    for (std::size_t e = 0; e < members; ++e) {
      for (std::size_t t = 0; t < times.size(); ++t) {
        for (std::size_t l = 0; l < plev.size(); ++l) {
          for (std::size_t j = 0; j < lat.size(); ++j) {
            for (std::size_t i = 0; i < lon.size(); ++i) data.push_back(value(t, l, j, i));
          }
        }
      }
    }
    data[1] = 1e20;                                      // _FillValue
    data[2] = std::numeric_limits<double>::quiet_NaN();  // NaN
    b.put(v, data);
    if (v3 >= 0) b.put(v3, data);
    if (v2 >= 0) b.put(v2, std::vector<double>(times.size() * lat.size() * lon.size(), 5500.0));
    b.close();
  }
};

class Import : public NcTest {
 protected:
  // Import that must be refused: status 1, the reason on standard error, no file.
  void expect_refused(const std::vector<std::string>& args, const std::string& reason) {
    const std::string out = args.size() > 1 ? args[1] : path("out.grd");
    EXPECT_EQ(nc2grid(args), kExitFailed) << out_;
    EXPECT_NE(err_.find(reason), std::string::npos) << "wanted \"" << reason << "\" in: " << err_;
    EXPECT_FALSE(fs::exists(out)) << reason;
  }
  void expect_refused(const LatLonFile& f, const std::string& reason) {
    f.write(path("in.nc"));
    expect_refused({path("in.nc"), path("out.grd")}, reason);
  }
};

TEST_F(Import, RegularGridStoredNorthToSouthWithPressureInPa) {
  LatLonFile f;
  f.write(path("in.nc"));
  ASSERT_EQ(nc2grid({path("in.nc"), path("out.grd")}), kExitOk) << err_;
  EXPECT_EQ(err_.find("two-digit years"), std::string::npos) << err_;  // 2024 is in 1950-2049
  auto g = gridfile::GridFile::open(path("out.grd"));
  ASSERT_TRUE(g.ok());
  const gridfile::Navigation& nav = g->navigation();
  EXPECT_EQ(nav.projection, "CED");
  EXPECT_EQ(nav.nx, 6);
  EXPECT_EQ(nav.ny, 5);
  EXPECT_EQ(nav.lat1, 50.0f);  // the southern row comes first
  EXPECT_EQ(nav.lon1, -10.0f);
  EXPECT_EQ(nav.lat2, 60.0f);
  EXPECT_EQ(nav.lon2, 15.0f);
  ASSERT_EQ(g->count(), 6);
  // Times, then variables, then levels, as the file lists them.
  const char* ids[] = {"240101/0000 1000 PRES TMPK", "240101/0000 850 PRES TMPK",
                       "240101/0000 500 PRES TMPK",  "240101/0600 1000 PRES TMPK",
                       "240101/0600 850 PRES TMPK",  "240101/0600 500 PRES TMPK"};
  for (int n = 1; n <= 6; ++n) {
    auto grid = g->read(n);
    ASSERT_TRUE(grid.ok());
    EXPECT_EQ(grid->info.id.text(), ids[n - 1]);
    const std::size_t t = static_cast<std::size_t>((n - 1) / 3),
                      l = static_cast<std::size_t>((n - 1) % 3);
    for (int j = 1; j <= 5; ++j) {
      for (int i = 1; i <= 6; ++i) {
        const std::size_t jin = static_cast<std::size_t>(5 - j),
                          iin = static_cast<std::size_t>(i - 1);
        float want = static_cast<float>(LatLonFile::value(t, l, jin, iin));
        if (n == 1 && jin == 0 && (iin == 1 || iin == 2)) want = gridfile::kMissing;
        EXPECT_EQ(grid->at(i, j), want) << n << " " << i << "," << j;
      }
    }
  }
  EXPECT_NE(out_.find("grid 6 written: 240101/0600 500 PRES TMPK <- t[time 2, level 3]"),
            std::string::npos)
      << out_;
}

// A 2024 file keeps 2024 through nc2grid and grid2nc with no option; a time
// outside the window is stored with a warning naming it and how to read it
// back; --time takes an ISO 8601 valid time.
TEST_F(Import, YearsSurviveTheRoundTripInTheWindow) {
  LatLonFile f;
  f.write(path("in.nc"));
  ASSERT_EQ(nc2grid({path("in.nc"), path("a.grd")}), kExitOk) << err_;
  ASSERT_EQ(grid2nc({path("a.grd"), path("a.nc")}), kExitOk) << err_;
  int ncid = -1;
  ASSERT_EQ(nc_open(path("a.nc").c_str(), NC_NOWRITE, &ncid), NC_NOERR);
  int vt = -1;
  ASSERT_EQ(nc_inq_varid(ncid, "time", &vt), NC_NOERR);
  std::size_t len = 0;
  nc_inq_attlen(ncid, vt, "units", &len);
  std::string units(len, '\0');
  nc_get_att_text(ncid, vt, "units", units.data());
  nc_close(ncid);
  EXPECT_EQ(units, "minutes since 2024-01-01 00:00:00");

  ASSERT_EQ(nc2grid({path("in.nc"), path("b.grd"), "--first-year", "1921"}), kExitOk);
  EXPECT_NE(err_.find("times outside 1921-2020 are stored with two-digit years"), std::string::npos)
      << err_;
  ASSERT_EQ(nc2grid({path("in.nc"), path("c.grd"), "--time", "2024-01-01T06:00Z"}), kExitOk)
      << err_;
  EXPECT_EQ(gridfile::GridFile::open(path("c.grd"))->count(), 3);  // three levels at 06Z
  EXPECT_EQ(nc2grid({path("in.nc"), path("d.grd"), "--time", "06Z"}), kExitUsage);
  EXPECT_EQ(nc2grid({path("in.nc"), path("d.grd"), "--first-year", "24"}), kExitUsage);
  EXPECT_FALSE(fs::exists(path("d.grd")));
}
TEST_F(Import, SelectionsAndPacking) {
  LatLonFile f;
  f.second_variable = true;
  f.write(path("in.nc"));
  ASSERT_EQ(nc2grid({path("in.nc"), path("a.grd"), "--var", "z"}), kExitOk) << err_;
  auto a = gridfile::GridFile::open(path("a.grd"));
  ASSERT_EQ(a->count(), 2);
  EXPECT_EQ(a->info(1)->id.text(), "240101/0000 0 NONE HGHT");
  ASSERT_EQ(nc2grid({path("in.nc"), path("b.grd"), "--time", "240101/0600", "--level", "850",
                     "--pack", "grib:16"}),
            kExitOk)
      << err_;
  auto b = gridfile::GridFile::open(path("b.grd"));
  ASSERT_EQ(b->count(), 1);
  EXPECT_EQ(b->info(1)->id.text(), "240101/0600 850 PRES TMPK");
  EXPECT_EQ(b->info(1)->packing.type, gridfile::PackingType::kGrib);
  const auto grid = b->read(1);
  EXPECT_NEAR(grid->at(3, 5), LatLonFile::value(1, 1, 0, 2), 0.01);
  EXPECT_EQ(nc2grid({path("in.nc"), path("c.grd"), "--pack", "zip:3"}), kExitUsage);
  EXPECT_FALSE(fs::exists(path("c.grd")));
}

TEST_F(Import, PackedShortsAreUnpackedAndMasked) {
  NcBuilder b(path("in.nc"));
  const int dy = b.dim("lat", 2), dx = b.dim("lon", 3);
  const int vy = b.var("lat", NC_FLOAT, {dy});
  b.text(vy, "units", "degrees_north");
  const int vx = b.var("lon", NC_FLOAT, {dx});
  b.text(vx, "units", "degrees_east");
  const int v = b.var("sp", NC_SHORT, {dy, dx});
  b.text(v, "standard_name", "surface_air_pressure");
  b.text(v, "units", "hPa");
  b.nums(v, "scale_factor", {0.5}, NC_FLOAT);
  b.nums(v, "add_offset", {1000}, NC_FLOAT);
  b.nums(v, "_FillValue", {-32767}, NC_SHORT);
  b.nums(v, "missing_value", {-32000}, NC_SHORT);
  b.nums(v, "valid_range", {-100, 100}, NC_SHORT);
  b.put(vy, {0, 1});
  b.put(vx, {0, 1, 2});
  b.put(v, {-32767, -32000, 20, -40, 101, 0});  // south row first
  b.close();
  ASSERT_EQ(nc2grid({path("in.nc"), path("out.grd")}), kExitOk) << err_;
  auto g = gridfile::GridFile::open(path("out.grd"));
  const auto grid = g->read(1);
  EXPECT_EQ(grid->info.id.text(), "- 0 NONE PSFC");
  EXPECT_EQ(grid->values, (std::vector<float>{-9999, -9999, 1010, 980, -9999, 1000}));
}

TEST_F(Import, ForecastReferenceTimesGiveForecastTexts) {
  NcBuilder b(path("in.nc"));
  const int dt = b.dim("time", 2), dy = b.dim("lat", 2), dx = b.dim("lon", 2);
  const int vt = b.var("time", NC_DOUBLE, {dt});
  b.text(vt, "units", "minutes since 2000-02-28 12:00");
  const int vr = b.var("reftime", NC_DOUBLE, {});
  b.text(vr, "standard_name", "forecast_reference_time");
  b.text(vr, "units", "hours since 2000-02-28 00:00");
  const int vp = b.var("step", NC_DOUBLE, {dt});
  b.text(vp, "standard_name", "forecast_period");
  b.text(vp, "units", "hours");
  const int vy = b.var("lat", NC_DOUBLE, {dy});
  b.text(vy, "units", "degrees_north");
  const int vx = b.var("lon", NC_DOUBLE, {dx});
  b.text(vx, "units", "degrees_east");
  const int v = b.var("tp", NC_DOUBLE, {dt, dy, dx});
  b.text(v, "standard_name", "precipitation_amount");
  b.text(v, "units", "kg m-2");
  b.put(vt, {0, 24 * 60 + 90});
  b.put(vr, {0});
  b.put(vp, {12, 37.5});
  b.put(vy, {0, 1});
  b.put(vx, {0, 1});
  b.put(v, {1, 2, 3, 4, 5, 6, 7, 8});
  b.close();
  ASSERT_EQ(nc2grid({path("in.nc"), path("out.grd")}), kExitOk) << err_;
  EXPECT_EQ(err_, "");  // 2000 lies in the library's window
  auto g = gridfile::GridFile::open(path("out.grd"));
  EXPECT_EQ(g->info(1)->id.text(), "000228/0000F012 0 NONE PRCP");
  EXPECT_EQ(g->info(2)->id.text(), "000228/0000F03730 0 NONE PRCP");  // crosses 29 February
}

// A Lambert grid as GDAL writes it: x/y in metres, rows north to south, the
// WGS 84 ellipsoid.
TEST_F(Import, ProjectedLambertGridOnAnotherEarth) {
  for (const bool wgs84 : {true, false}) {
    SCOPED_TRACE(wgs84 ? "WGS 84" : "our sphere");
    const std::string in = path(wgs84 ? "wgs.nc" : "sphere.nc");
    const std::string out = path(wgs84 ? "wgs.grd" : "sphere.grd");
    NcBuilder b(in);
    const int dy = b.dim("y", 4), dx = b.dim("x", 5);
    const int crs = b.var("lambert", NC_CHAR, {});
    b.text(crs, "grid_mapping_name", "lambert_conformal_conic");
    b.nums(crs, "standard_parallel", {33, 45});
    b.nums(crs, "longitude_of_central_meridian", {-97});
    b.nums(crs, "latitude_of_projection_origin", {40});
    b.nums(crs, "false_easting", {0});
    b.nums(crs, "false_northing", {0});
    if (wgs84) {
      b.nums(crs, "semi_major_axis", {6378137});
      b.nums(crs, "inverse_flattening", {298.257223563});
    } else {
      b.nums(crs, "earth_radius", {6371200});
    }
    const int vy = b.var("y", NC_DOUBLE, {dy});
    b.text(vy, "standard_name", "projection_y_coordinate");
    b.text(vy, "units", "m");
    const int vx = b.var("x", NC_DOUBLE, {dx});
    b.text(vx, "standard_name", "projection_x_coordinate");
    b.text(vx, "units", "km");
    const int v = b.var("Band1", NC_FLOAT, {dy, dx});
    b.text(v, "grid_mapping", "lambert");
    b.put(vy, even(600000, -200000, 4));  // north to south
    b.put(vx, even(-400, 200, 5));
    b.put(v, even(0, 1, 20));
    b.close();
    ASSERT_EQ(nc2grid({in, out}), kExitOk) << err_;
    EXPECT_NE(err_.find("BAND1"), std::string::npos) << err_;  // named after the variable
    EXPECT_EQ(err_.find("km (corners kept)") != std::string::npos, wgs84) << err_;
    auto g = gridfile::GridFile::open(out);
    const gridfile::Navigation nav = g->navigation();
    EXPECT_EQ(nav.projection, "LCC");
    EXPECT_EQ(nav.angle1, 33.0f);
    EXPECT_EQ(nav.angle2, -97.0f);
    EXPECT_EQ(nav.angle3, 45.0f);
    // Point (1,1) is the south-west corner: x = -400 km, y = 0 m.
    const auto t = mapproj::Transform::create(
        std::string("+proj=lcc +lat_1=33 +lat_2=45 +lat_0=40 +lon_0=-97 ") +
        (wgs84 ? "+ellps=WGS84" : "+R=6371200"));
    const auto sw = t->inverse(-400000, 0);
    EXPECT_NEAR(nav.lat1, sw->lat, 1e-5);
    EXPECT_NEAR(nav.lon1, sw->lon, 1e-5);
    const auto grid = g->read(1);
    EXPECT_EQ(grid->at(1, 1), 15.0f);  // the last stored row
    EXPECT_EQ(grid->at(5, 4), 4.0f);   // the end of the first stored row
    if (!wgs84) {
      // On our own sphere every point lands where the file puts it.
      const auto p = mapproj::Projection::from(nav);
      // Corners are stored as 32-bit reals: about 1e-6 degrees, 0.1 m.
      EXPECT_NEAR(p->dx(), 200000, 0.5);
      EXPECT_NEAR(p->dy(), 200000, 0.5);
    }
  }
}

TEST_F(Import, NamesFromTheTableOrTheVariable) {
  LatLonFile f;
  f.units = "degC";
  f.write(path("c.nc"));
  ASSERT_EQ(nc2grid({path("c.nc"), path("c.grd")}), kExitOk) << err_;
  EXPECT_EQ(gridfile::GridFile::open(path("c.grd"))->info(1)->id.param, "TMPC");

  f.units = "degR";  // not in the table: named after the variable, with a warning
  f.var = "temperature_at_level";
  f.write(path("r.nc"));
  ASSERT_EQ(nc2grid({path("r.nc"), path("r.grd")}), kExitOk) << err_;
  EXPECT_EQ(gridfile::GridFile::open(path("r.grd"))->info(1)->id.param, "TEMPERATURE_");
  EXPECT_NE(err_.find("not in the parameter table"), std::string::npos) << err_;
}

TEST_F(Import, NeverOverwritesAndReportsOnlyWrittenGrids) {
  LatLonFile f;
  f.write(path("in.nc"));
  std::ofstream(path("exists.grd")) << "keep";
  EXPECT_EQ(nc2grid({path("in.nc"), path("exists.grd")}), kExitFailed);
  std::ifstream in(path("exists.grd"));
  std::string kept;
  in >> kept;
  EXPECT_EQ(kept, "keep");

  // Every record write failing in turn: the grids reported written are in
  // the file, whole, and the file passes the structure check.
  int failed_runs = 0;
  for (int n = 1; n <= 40; ++n) {
    const std::string out = path(strings::concat({"f", std::to_string(n), ".grd"}));
    platform::testing::fail_nth(platform::testing::Op::kRecordWrite, -1, n, ENOSPC);
    const int status = nc2grid({path("in.nc"), out});
    platform::testing::clear_faults();
    if (status != kExitOk) ++failed_runs;
    std::size_t reported = 0;
    for (std::size_t at = 0; (at = out_.find(" written: ", at)) != std::string::npos; ++at) {
      ++reported;
    }
    if (!fs::exists(out)) {
      EXPECT_EQ(reported, 0u) << n;
      continue;
    }
    auto g = gridfile::GridFile::open(out);
    ASSERT_TRUE(g.ok()) << n << ": " << g.error().text << "\n" << out_ << err_;
    ASSERT_GE(static_cast<std::size_t>(g->count()), reported) << n;
    for (std::size_t k = 1; k <= reported; ++k) {
      const auto grid = g->read(static_cast<int>(k));
      ASSERT_TRUE(grid.ok()) << n << " grid " << k;
      EXPECT_EQ(grid->at(6, 1),
                static_cast<float>(LatLonFile::value((k - 1) / 3, (k - 1) % 3, 4, 5)));
    }
  }
  EXPECT_GT(failed_runs, 0);
}

// Bad metadata, one fault at a time.
TEST_F(Import, RefusesCoordinatesItCannotPlace) {
  LatLonFile f;
  f.lat = {60, 57.5, 55, 52, 50};
  expect_refused(f, "not evenly spaced");
  f = {};
  f.lon = {-10, -5, 0, -5, 10, 15};
  expect_refused(f, "not monotonic");
  f = {};
  f.lat = {95, 92.5, 90, 87.5, 85};
  expect_refused(f, "beyond the poles");
  f = {};
  f.grid_mapping = "nowhere";
  expect_refused(f, "not in the file");
  f = {};
  f.extra_dim = 3;
  expect_refused(f, "neither time nor a vertical coordinate");
  f = {};
  f.x_before_y = true;  // not silently passed over: the reason and the remedy
  expect_refused(f, "t: its last two dimensions are (lon, lat), x before y");
  expect_refused({path("in.nc"), path("out.grd"), "--var", "t"}, "ncpdq -a lat,lon");
}

TEST_F(Import, RefusesTimesAndLevelsItCannotFile) {
  LatLonFile f;
  f.time_units = "months since 2024-01-01";
  expect_refused(f, "unknown time units");
  f = {};
  f.time_units = "hours since 2024-01-01 00:00 +05:00";
  expect_refused(f, "UTC");
  f = {};
  f.calendar = "360_day";
  expect_refused(f, "calendar");
  f = {};
  f.times = {0, 0.25};
  f.time_units = "minutes since 2024-01-01";
  expect_refused(f, "whole minute");
  f = {};
  f.plev = {100000, 85000, 50};  // 0.5 hPa
  expect_refused(f, "not a whole number of hPa");
  f = {};
  f.plev_units = "furlongs";
  expect_refused(f, "expected Pa, hPa, mbar or kPa");
}

TEST_F(Import, RefusesMissingOrContradictoryGridMappings) {
  auto projected = [&](const std::string& name,
                       const std::vector<std::pair<std::string, std::vector<double>>>& attrs,
                       const char* xy_units, const std::string& reason) {
    NcBuilder b(path("p.nc"));
    const int dy = b.dim("y", 3), dx = b.dim("x", 3);
    const int crs = b.var("crs", NC_INT, {});
    if (!name.empty()) b.text(crs, "grid_mapping_name", name);
    for (const auto& [att, v] : attrs) b.nums(crs, att, v);
    const int vy = b.var("y", NC_DOUBLE, {dy});
    b.text(vy, "standard_name", "projection_y_coordinate");
    b.text(vy, "units", xy_units);
    const int vx = b.var("x", NC_DOUBLE, {dx});
    b.text(vx, "standard_name", "projection_x_coordinate");
    b.text(vx, "units", xy_units);
    const int v = b.var("data", NC_FLOAT, {dy, dx});
    b.text(v, "grid_mapping", "crs");
    b.put(vy, {0, 1000, 2000});
    b.put(vx, {0, 1000, 2000});
    b.put(v, std::vector<double>(9, 1));
    b.close();
    expect_refused({path("p.nc"), path("p.grd")}, reason);
  };
  const std::vector<double> v0{0}, v90{90}, v25{25};
  projected("lambert_conformal_conic", {{"longitude_of_central_meridian", v0}}, "m",
            "standard_parallel");
  projected("polar_stereographic",
            {{"latitude_of_projection_origin", {60}},
             {"straight_vertical_longitude_from_pole", v0},
             {"scale_factor_at_projection_origin", {1}}},
            "m", "not a pole");
  projected("polar_stereographic",
            {{"latitude_of_projection_origin", v90},
             {"straight_vertical_longitude_from_pole", v0},
             {"standard_parallel", {60}},
             {"scale_factor_at_projection_origin", {1}}},
            "m", "not both");
  projected("rotated_latitude_longitude", {}, "m", "unsupported grid mapping");
  projected("", {}, "m", "no grid_mapping_name");
  projected("lambert_conformal_conic",
            {{"standard_parallel", v25}, {"longitude_of_central_meridian", v0}}, "degrees",
            "not a length");
  projected("mercator",
            {{"longitude_of_projection_origin", v0},
             {"earth_radius", {6371000}},
             {"semi_major_axis", {6378137}}},
            "m", "contradicts");
}

TEST_F(Import, RefusesTypesSizesAndCountsBeforeCreatingTheFile) {
  // A text variable asked for by name.
  {
    NcBuilder b(path("s.nc"));
    const int d = b.dim("n", 4), w = b.dim("w", 3);
    b.var("names", NC_CHAR, {d, w});
    b.close();
  }
  expect_refused({path("s.nc"), path("s.grd"), "--var", "names"}, "unsupported type char");
  expect_refused({path("s.nc"), path("s.grd"), "--var", "nothere"}, "no variable nothere");
  expect_refused({path("s.nc"), path("s.grd")}, "no gridded variable");

  // 2^15 x 2^16 points: only the definitions are written.
  {
    NcBuilder b(path("big.nc"));
    const int dy = b.dim("lat", 1 << 15), dx = b.dim("lon", 1 << 16);
    const int vy = b.var("lat", NC_FLOAT, {dy});
    b.text(vy, "units", "degrees_north");
    const int vx = b.var("lon", NC_FLOAT, {dx});
    b.text(vx, "units", "degrees_east");
    b.var("t", NC_FLOAT, {dy, dx});
    b.close();
  }
  expect_refused({path("big.nc"), path("big.grd"), "--var", "t"}, "too many for a grid");

  // 10000 time steps of a 1 x 1 grid.
  {
    NcBuilder b(path("many.nc"));
    const int dt = b.dim("time", 10000), dy = b.dim("lat", 1), dx = b.dim("lon", 1);
    const int vt = b.var("time", NC_DOUBLE, {dt});
    b.text(vt, "units", "hours since 1990-01-01");
    const int vy = b.var("lat", NC_FLOAT, {dy});
    b.text(vy, "units", "degrees_north");
    const int vx = b.var("lon", NC_FLOAT, {dx});
    b.text(vx, "units", "degrees_east");
    const int v = b.var("t", NC_FLOAT, {dt, dy, dx});
    b.put(vt, even(0, 1, 10000));
    b.put(vy, {10});
    b.put(vx, {20});
    b.put(v, std::vector<double>(10000, 1));
    b.close();
  }
  expect_refused({path("many.nc"), path("many.grd")}, "at most 9999");
  ASSERT_EQ(nc2grid({path("many.nc"), path("few.grd"), "--time", "900101/0000"}), kExitOk) << err_;

  // Two variables that would file the same grids.
  LatLonFile f;
  f.same_variable_twice = true;
  f.write(path("a.nc"));
  expect_refused({path("a.nc"), path("a.grd")}, "would both give the grid");
}

TEST_F(Import, RefusesVariablesOnDifferentGrids) {
  NcBuilder b(path("two.nc"));
  const int dy = b.dim("lat", 2), dx = b.dim("lon", 2), dy2 = b.dim("lat2", 3);
  for (const auto& [name, dim, values] : {std::tuple{"lat", dy, std::vector<double>{0, 1}},
                                          std::tuple{"lat2", dy2, std::vector<double>{0, 1, 2}}}) {
    const int v = b.var(name, NC_DOUBLE, {dim});
    b.text(v, "units", "degrees_north");
    (void)values;
  }
  const int vx = b.var("lon", NC_DOUBLE, {dx});
  b.text(vx, "units", "degrees_east");
  b.var("a", NC_FLOAT, {dy, dx});
  b.var("b", NC_FLOAT, {dy2, dx});
  b.put(0, {0, 1});
  b.put(1, {0, 1, 2});
  b.put(vx, {0, 1});
  b.close();
  expect_refused({path("two.nc"), path("two.grd")}, "lie on different grids");
  ASSERT_EQ(nc2grid({path("two.nc"), path("b.grd"), "--var", "b"}), kExitOk) << err_;
}

TEST_F(Import, RefusesContradictoryForecastPeriods) {
  NcBuilder b(path("in.nc"));
  const int dt = b.dim("time", 1), dy = b.dim("lat", 2), dx = b.dim("lon", 2);
  const int vt = b.var("time", NC_DOUBLE, {dt});
  b.text(vt, "units", "hours since 2000-01-01");
  const int vr = b.var("reftime", NC_DOUBLE, {});
  b.text(vr, "standard_name", "forecast_reference_time");
  b.text(vr, "units", "hours since 2000-01-01");
  const int vp = b.var("step", NC_DOUBLE, {});
  b.text(vp, "standard_name", "forecast_period");
  b.text(vp, "units", "hours");
  const int vy = b.var("lat", NC_DOUBLE, {dy});
  b.text(vy, "units", "degrees_north");
  const int vx = b.var("lon", NC_DOUBLE, {dx});
  b.text(vx, "units", "degrees_east");
  b.var("v", NC_FLOAT, {dt, dy, dx});
  b.put(vt, {12});
  b.put(vr, {0});
  b.put(vp, {6});
  b.put(vy, {0, 1});
  b.put(vx, {0, 1});
  b.close();
  expect_refused({path("in.nc"), path("out.grd")}, "contradicts");
}

// Values as other readers read them: unsigned bytes, units the table gives
// otherwise (converted), and a name the table gives other units refused.
TEST_F(Import, UnsignedBytesAndUnitsOtherThanTheTables) {
  NcBuilder b(path("in.nc"), NC_CLASSIC_MODEL | NC_CLOBBER);
  const int dy = b.dim("lat", 2), dx = b.dim("lon", 3);
  const int vy = b.var("lat", NC_FLOAT, {dy});
  b.text(vy, "units", "degrees_north");
  const int vx = b.var("lon", NC_FLOAT, {dx});
  b.text(vx, "units", "degrees_east");
  const int cover = b.var("cover", NC_BYTE, {dy, dx});
  b.text(cover, "_Unsigned", "true");
  b.nums(cover, "_FillValue", {-1}, NC_BYTE);  // 255
  const int pmsl = b.var("pmsl", NC_FLOAT, {dy, dx});
  b.text(pmsl, "standard_name", "air_pressure_at_mean_sea_level");
  b.text(pmsl, "units", "Pa");
  const int tmpk = b.var("tmpk", NC_FLOAT, {dy, dx});
  b.text(tmpk, "units", "degC");
  const int relh = b.var("relh", NC_FLOAT, {dy, dx});
  b.text(relh, "units", "m");
  b.put(vy, {0, 1});
  b.put(vx, {0, 1, 2});
  b.put(cover, {0, 100, -56, -6, -128, -1});
  b.put(pmsl, {101325, 101000, 100900, 99000, 102000, 101500});
  b.put(tmpk, {10, 11, 12, 24.5, 0, 15});
  b.put(relh, {1, 2, 3, 4, 5, 6});
  b.close();
  ASSERT_EQ(
      nc2grid({path("in.nc"), path("a.grd"), "--var", "cover", "--var", "pmsl", "--var", "tmpk"}),
      kExitOk)
      << err_;
  auto g = gridfile::GridFile::open(path("a.grd"));
  EXPECT_EQ(g->read(1)->values, (std::vector<float>{0, 100, 200, 250, 128, gridfile::kMissing}));
  EXPECT_EQ(g->read(2)->info.id.param, "PMSL");
  EXPECT_EQ(g->read(2)->values, (std::vector<float>{1013.25f, 1010, 1009, 990, 1020, 1015}));
  EXPECT_EQ(g->read(3)->info.id.param, "TMPK");
  EXPECT_EQ(g->read(3)->values[0], 283.15f);
  EXPECT_NE(err_.find("tmpk is in degC; filed as TMPK, its values are converted to K"),
            std::string::npos)
      << err_;
  // RELH in metres converts into nothing: refused, unless named otherwise.
  expect_refused({path("in.nc"), path("b.grd"), "--var", "relh"},
                 "would be filed as RELH after its name");
  ASSERT_EQ(nc2grid({path("in.nc"), path("c.grd"), "--var", "relh", "--name", "depth"}), kExitOk)
      << err_;
  EXPECT_EQ(gridfile::GridFile::open(path("c.grd"))->info(1)->id.param, "DEPTH");
  expect_refused({path("in.nc"), path("d.grd"), "--name", "x"}, "names the grids of one variable");
}

// grid2nc's t2g_* hints after someone changed the CF metadata beside them:
// the CF metadata wins, with a warning.
TEST_F(Import, StaleHintsGiveWayToTheCFMetadata) {
  NcBuilder b(path("in.nc"));
  const int dl = b.dim("pressure", 2), dy = b.dim("lat", 2), dx = b.dim("lon", 2);
  const int vl = b.var("pressure", NC_DOUBLE, {dl});
  b.text(vl, "standard_name", "air_pressure");
  b.text(vl, "units", "Pa");  // was hPa
  b.nums(vl, "t2g_vcoord", {1}, NC_INT);
  b.nums(vl, "t2g_level2", {-1, -1}, NC_INT);
  const int vy = b.var("lat", NC_DOUBLE, {dy});
  b.text(vy, "units", "degrees_north");
  const int vx = b.var("lon", NC_DOUBLE, {dx});
  b.text(vx, "units", "degrees_east");
  const int t = b.var("TMPK", NC_FLOAT, {dl, dy, dx});
  b.text(t, "standard_name", "air_temperature");
  b.text(t, "units", "degC");  // was K
  b.text(t, "t2g_parameter", "TMPK");
  b.nums(t, "t2g_vcoord", {1}, NC_INT);
  const int band = b.var("band", NC_FLOAT, {dy, dx});  // one level taken out
  b.text(band, "t2g_parameter", "HGHT");
  b.nums(band, "t2g_vcoord", {1}, NC_INT);
  b.put(vl, {85000, 50000});
  b.put(vy, {0, 1});
  b.put(vx, {0, 1});
  b.close();
  ASSERT_EQ(nc2grid({path("in.nc"), path("out.grd")}), kExitOk) << err_;
  auto g = gridfile::GridFile::open(path("out.grd"));
  EXPECT_EQ(g->info(1)->id.text(), "- 850 PRES TMPC");
  EXPECT_EQ(g->info(2)->id.text(), "- 500 PRES TMPC");
  EXPECT_EQ(g->info(3)->id.text(), "- 0 NONE HGHT");
  for (const char* warning : {"t2g_parameter TMPK (K) no longer matches its units degC",
                              "t2g_vcoord (PRES) no longer matches its units \"Pa\"",
                              "variable band: its t2g_vcoord (PRES) does not match its levels"}) {
    EXPECT_NE(err_.find(warning), std::string::npos) << warning << " in " << err_;
  }
}

TEST_F(Import, AVcoordHintThatIsNoCodeGivesWayToTheCFMetadata) {
  NcBuilder b(path("in.nc"));
  const int dl = b.dim("pressure", 1), dy = b.dim("lat", 2), dx = b.dim("lon", 2);
  const int vl = b.var("pressure", NC_DOUBLE, {dl});
  b.text(vl, "standard_name", "air_pressure");
  b.text(vl, "units", "hPa");
  b.nums(vl, "t2g_vcoord", {1e30});
  const int vy = b.var("lat", NC_DOUBLE, {dy});
  b.text(vy, "units", "degrees_north");
  const int vx = b.var("lon", NC_DOUBLE, {dx});
  b.text(vx, "units", "degrees_east");
  const int t = b.var("TMPK", NC_FLOAT, {dl, dy, dx});
  b.nums(t, "t2g_vcoord", {1.5});
  b.put(vl, {850});
  b.put(vy, {0, 1});
  b.put(vx, {0, 1});
  b.close();
  ASSERT_EQ(nc2grid({path("in.nc"), path("out.grd")}), kExitOk) << err_;
  auto g = gridfile::GridFile::open(path("out.grd"));
  ASSERT_TRUE(g);
  EXPECT_EQ(g->info(1)->id.text(), "- 850 PRES TMPK");
  for (const char* warning : {"its t2g_vcoord 1e+30 is not a code",
                              "variable TMPK: its t2g_vcoord (1.500000) does not match"}) {
    EXPECT_NE(err_.find(warning), std::string::npos) << warning << " in " << err_;
  }
}

// Projected grids placed as their writer placed them: the prime meridian of
// the CF attributes, the crs_wkt over CF attributes that say otherwise.
TEST_F(Import, PrimeMeridianAndTheFilesOwnCoordinateSystem) {
  for (const bool web_mercator : {false, true}) {
    SCOPED_TRACE(web_mercator ? "crs_wkt" : "prime meridian");
    const std::string in = path(web_mercator ? "w.nc" : "p.nc");
    const std::string out = path(web_mercator ? "w.grd" : "p.grd");
    NcBuilder b(in);
    const int dy = b.dim("y", 2), dx = b.dim("x", 2);
    const int crs = b.var("crs", NC_CHAR, {});
    if (web_mercator) {  // as GDAL writes EPSG:3857
      b.text(crs, "grid_mapping_name", "mercator");
      b.nums(crs, "longitude_of_projection_origin", {0});
      b.nums(crs, "scale_factor_at_projection_origin", {1});
      b.nums(crs, "semi_major_axis", {6378137});
      b.nums(crs, "inverse_flattening", {298.257223563});
      b.text(crs, "crs_wkt", "EPSG:3857");
    } else {
      b.text(crs, "grid_mapping_name", "lambert_conformal_conic");
      b.nums(crs, "standard_parallel", {45.89891889, 47.69601444});
      b.nums(crs, "longitude_of_central_meridian", {0});
      b.nums(crs, "latitude_of_projection_origin", {46.8});
      b.nums(crs, "longitude_of_prime_meridian", {2.33722917});
      b.nums(crs, "false_easting", {600000});
      b.nums(crs, "false_northing", {2200000});
    }
    const int vy = b.var("y", NC_DOUBLE, {dy});
    b.text(vy, "standard_name", "projection_y_coordinate");
    const int vx = b.var("x", NC_DOUBLE, {dx});
    b.text(vx, "standard_name", "projection_x_coordinate");
    const int v = b.var("v", NC_FLOAT, {dy, dx});
    b.text(v, "grid_mapping", "crs");
    const std::vector<double> xs =
        web_mercator ? std::vector<double>{-950000, 950000} : std::vector<double>{500000, 800000};
    const std::vector<double> ys = web_mercator ? std::vector<double>{5050000, 5950000}
                                                : std::vector<double>{2000000, 2200000};
    b.put(vy, ys);
    b.put(vx, xs);
    b.close();
    ASSERT_EQ(nc2grid({in, out}), kExitOk) << err_;
    const gridfile::Navigation nav = gridfile::GridFile::open(out)->navigation();
    const auto t = mapproj::Transform::create(
        web_mercator ? "+proj=merc +R=6378137"
                     : "+proj=lcc +lat_1=45.89891889 +lat_2=47.69601444 +lat_0=46.8 "
                       "+lon_0=2.33722917 +x_0=600000 +y_0=2200000 +R=6371200");
    const auto sw = t->inverse(xs[0], ys[0]);
    EXPECT_NEAR(nav.lat1, sw->lat, 1e-5);
    EXPECT_NEAR(nav.lon1, sw->lon, 1e-5);
    if (!web_mercator) {
      EXPECT_NEAR(nav.angle2, 2.33722917, 1e-6);
    }
  }
}

// Variables it cannot import say why; one member of an extra dimension
// imports with --index.
TEST_F(Import, ReasonsPerVariableAndOneMemberOfAnExtraDimension) {
  LatLonFile f;
  f.extra_dim = 2;
  f.write(path("e.nc"));
  expect_refused({path("e.nc"), path("e.grd")}, "import one member with --index member=K");
  ASSERT_EQ(nc2grid({path("e.nc"), path("e.grd"), "--index", "member=2", "--level", "500"}),
            kExitOk)
      << err_;
  EXPECT_NE(out_.find("<- t[member 2][time 2, level 3]"), std::string::npos) << out_;
  EXPECT_EQ(nc2grid({path("e.nc"), path("x.grd"), "--index", "member"}), kExitUsage);

  NcBuilder b(path("c.nc"));
  const int dt = b.dim("time", NC_UNLIMITED), dy = b.dim("y", 2), dx = b.dim("x", 2);
  const int vt = b.var("time", NC_DOUBLE, {dt});
  b.text(vt, "units", "hours since 2000-01-01");
  for (const char* name : {"lat", "lon"}) {
    const int c = b.var(name, NC_DOUBLE, {dy, dx});
    b.text(c, "units", name == std::string("lat") ? "degrees_north" : "degrees_east");
  }
  const int v = b.var("curvy", NC_FLOAT, {dy, dx});
  b.text(v, "coordinates", "lat lon");
  int group = -1;
  ASSERT_EQ(nc_def_grp(b.id(), "forecast", &group), NC_NOERR);
  b.close();
  expect_refused({path("c.nc"), path("c.grd")}, "curvy: it lies on a curvilinear grid");
  EXPECT_NE(err_.find("group forecast: variables in netCDF-4 groups are not read"),
            std::string::npos)
      << err_;

  NcBuilder e(path("empty.nc"));  // an unlimited time axis never written
  const int et = e.dim("time", NC_UNLIMITED), ey = e.dim("lat", 2), ex = e.dim("lon", 2);
  const int evt = e.var("time", NC_DOUBLE, {et});
  e.text(evt, "units", "hours since 2000-01-01");
  const int ely = e.var("lat", NC_DOUBLE, {ey});
  e.text(ely, "units", "degrees_north");
  const int elx = e.var("lon", NC_DOUBLE, {ex});
  e.text(elx, "units", "degrees_east");
  e.var("tt", NC_FLOAT, {et, ey, ex});
  e.put(ely, {0, 1});
  e.put(elx, {0, 1});
  e.close();
  expect_refused({path("empty.nc"), path("empty.grd")}, "the time dimension of tt is empty");
}

}  // namespace
}  // namespace nc
