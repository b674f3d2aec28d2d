// nc2grid's program flow: the netCDF library contained (crashes, hangs and
// runaway memory on damaged files become one line and no file), inputs and
// outputs that are refused before anything is read, and metadata that is
// refused or warned about instead of filed wrong or dropped.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "nc/nc_test_support.h"
#include "platform/contain.h"

namespace nc {
namespace {

using namespace nc::testing;

const std::string kCorpus = std::string(T2G_SOURCE_DIR) + "/fuzz/corpus/nc_import_fuzz/";

// One variable t(time, lat, lon) of 3 x 4 values, with attributes to break.
struct SmallFile {
  std::string time_units = "hours since 1991-01-01 00:00";
  std::string time_name = "time";
  bool time_standard_name = true;
  std::vector<double> grid_numbers;  // t2g_grid_numbers of t; empty: none
  std::size_t ntimes = 1;
  double level2 = 0;  // t2g_level2 of a one-level axis; 0: no level axis
  double scale = 1;
  bool all_missing_second = false;  // the second time holds only fill values

  void write(const std::string& path) const {
    NcBuilder b(path);
    const int dt = b.dim(time_name, ntimes);
    const int dl = level2 != 0 ? b.dim("lev", 1) : -1;
    const int dy = b.dim("lat", 3);
    const int dx = b.dim("lon", 4);
    const int vt = b.var(time_name, NC_DOUBLE, {dt});
    if (time_standard_name) b.text(vt, "standard_name", "time");
    b.text(vt, "units", time_units);
    int vl = -1;
    if (dl >= 0) {
      vl = b.var("lev", NC_DOUBLE, {dl});
      b.text(vl, "standard_name", "air_pressure");
      b.text(vl, "units", "hPa");
      // As grid2nc writes it: t2g_level2 counts only beside the t2g_vcoord
      // that matches the axis's units.
      b.nums(vl, "t2g_vcoord", {gridfile::vcoord_code(gridfile::Vcoord::kPres)});
      b.nums(vl, "t2g_level2", {level2});
    }
    const int vy = b.var("lat", NC_DOUBLE, {dy});
    b.text(vy, "standard_name", "latitude");
    b.text(vy, "units", "degrees_north");
    const int vx = b.var("lon", NC_DOUBLE, {dx});
    b.text(vx, "standard_name", "longitude");
    b.text(vx, "units", "degrees_east");
    std::vector<int> dims = {dt, dy, dx};
    if (dl >= 0) dims.insert(dims.begin() + 1, dl);
    const int v = b.var("t", NC_FLOAT, dims);
    b.text(v, "standard_name", "air_temperature");
    b.text(v, "units", "K");
    b.nums(v, "_FillValue", {-1e30}, NC_FLOAT);
    if (scale != 1) b.nums(v, "scale_factor", {scale});
    if (!grid_numbers.empty()) b.nums(v, "t2g_grid_numbers", grid_numbers);
    std::vector<double> times;
    for (std::size_t k = 0; k < ntimes; ++k) times.push_back(6.0 * static_cast<double>(k));
    b.put(vt, times);
    if (vl >= 0) b.put(vl, {850});
    b.put(vy, {10, 20, 30});
    b.put(vx, {0, 10, 20, 30});
    std::vector<double> data;
    for (std::size_t k = 0; k < ntimes * 12; ++k) {
      data.push_back(all_missing_second && k >= 12 && k < 24 ? -1e30
                                                             : 280.0 + static_cast<double>(k));
    }
    b.put(v, data);
    b.close();
  }
};

class Nc2gridFlow : public NcTest {
 protected:
  // Refused: status 1, `reason` on standard error, nothing at the output's
  // name and no temporary file in the folder.
  void expect_refused(std::vector<std::string> args, const std::string& reason) {
    const std::string out = args[1];
    EXPECT_EQ(nc2grid(std::move(args)), kExitFailed) << out_;
    EXPECT_NE(err_.find(reason), std::string::npos) << "wanted \"" << reason << "\" in: " << err_;
    EXPECT_EQ(out_, "");
    EXPECT_FALSE(fs::exists(out));
    for (const auto& e : fs::directory_iterator(dir_)) {
      EXPECT_EQ(e.path().string().find(".incomplete."), std::string::npos) << e.path();
    }
  }
  void expect_file_refused(const SmallFile& f, const std::string& reason) {
    f.write(path("in.nc"));
    expect_refused(std::vector<std::string>{path("in.nc"), path("out.grd")}, reason);
  }
};

// Files that crash or hang the netCDF/HDF5 libraries (ncdump too).
TEST_F(Nc2gridFlow, LibraryCrashesAndHangsBecomeOneLineAndNoFile) {
#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer catches HDF5's own fault inside the contained child and
  // ends it its own way; the containment is checked in the other builds.
  GTEST_SKIP() << "the sanitizer reports the netCDF/HDF5 libraries' faults itself";
#endif
  for (const char* name : {"crash-hdf5-segv-1.nc", "crash-hdf5-segv-2.nc", "hang-hdf5-1.nc"}) {
    const auto start = std::chrono::steady_clock::now();
    expect_refused({kCorpus + name, path("out.grd"), "--timeout", "1"},
                   "the netCDF library failed reading " + kCorpus + name +
                       ": the file is damaged or not netCDF");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << name;
  }
}

// A classic header whose sizes make netCDF-C claim gigabytes in nc_open.
TEST_F(Nc2gridFlow, RunawayMemoryOfTheLibraryIsStoppedByTheLimit) {
  if (!platform::memory_limit_applies()) GTEST_SKIP() << "no memory limit in this build";
  expect_refused({kCorpus + "memory-classic-1.nc", path("out.grd"), "--memory-limit", "1024"},
                 "the netCDF library failed reading " + kCorpus +
                     "memory-classic-1.nc: the file is damaged or not netCDF");
}

TEST_F(Nc2gridFlow, MemoryIsCheckedBeforeItIsTaken) {
  // 32768 x 32768 points, never written: the grid would take 16 GiB.
  {
    NcBuilder b(path("big.nc"), NC_CLASSIC_MODEL | NC_NETCDF4 | NC_CLOBBER);
    const int dy = b.dim("lat", 32768), dx = b.dim("lon", 32768);
    const int vy = b.var("lat", NC_DOUBLE, {dy}), vx = b.var("lon", NC_DOUBLE, {dx});
    b.text(vy, "units", "degrees_north");
    b.text(vx, "units", "degrees_east");
    b.var("t", NC_FLOAT, {dy, dx});
    b.put(vy, even(-80, 160.0 / 32767, 32768));
    b.put(vx, even(-170, 340.0 / 32767, 32768));
    b.close();
  }
  expect_refused({path("big.nc"), path("out.grd"), "--memory-limit", "2048"},
                 "more than the memory limit of 2048 MiB (--memory-limit)");
}

TEST_F(Nc2gridFlow, FifoAndNamesInTheWayAreRefusedAtOnce) {
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
  expect_refused(std::vector<std::string>{path("fifo"), path("out.grd")}, "not a regular file");
  SmallFile{}.write(path("in.nc"));
  // A dangling link at the output's name stays as it was.
  ASSERT_EQ(::symlink("nowhere", path("out.grd").c_str()), 0);
  EXPECT_EQ(nc2grid({path("in.nc"), path("out.grd")}), kExitFailed);
  EXPECT_NE(err_.find("exists"), std::string::npos) << err_;
  EXPECT_TRUE(fs::is_symlink(path("out.grd")));
}

TEST_F(Nc2gridFlow, TimesAndLevelsThatDoNotConvertAreRefusedEvenOnOneStep) {
  SmallFile f;
  f.time_standard_name = false;
  for (const char* units : {"hours since", "hours after 1991-01-01", ""}) {
    f.time_units = units;
    expect_file_refused(f, "which are not UNIT since DATE");
  }
  f.time_name = "valid";
  f.time_units = "hours after 1991-01-01";
  expect_file_refused(f, "which are not UNIT since DATE");
  f = {};  // named a time coordinate outright
  f.time_units = "hours since";
  expect_file_refused(f, "time coordinate time");
  f = {};
  f.level2 = 1e30;
  expect_file_refused(f, "t2g_level2 1e+30 of lev is not a whole number");
}

TEST_F(Nc2gridFlow, KeptGridNumbersNeverDropAGridThatHoldsValues) {
  // Two places grid2nc left empty (0), one of which a tool filled since.
  SmallFile f;
  f.ntimes = 3;
  f.grid_numbers = {2, 0, 0};
  f.all_missing_second = true;
  f.write(path("in.nc"));
  ASSERT_EQ(nc2grid({path("in.nc"), path("out.grd")}), kExitOk) << err_;
  EXPECT_NE(err_.find("t[time 3] holds values although t2g_grid_numbers says no grid"),
            std::string::npos)
      << err_;
  auto g = gridfile::GridFile::open(path("out.grd"));
  ASSERT_TRUE(g.ok());
  EXPECT_EQ(g->count(), 2);
  EXPECT_EQ(g->read(2)->at(1, 1), 280.0f + 24);

  // Numbers that are no grid numbers are ignored with a warning.
  f = {};
  f.ntimes = 2;
  f.grid_numbers = {1e9, 1};
  f.write(path("in2.nc"));
  ASSERT_EQ(nc2grid({path("in2.nc"), path("out2.grd")}), kExitOk) << err_;
  EXPECT_NE(err_.find("t2g_grid_numbers ignored"), std::string::npos) << err_;
  EXPECT_EQ(gridfile::GridFile::open(path("out2.grd"))->count(), 2);
}

TEST_F(Nc2gridFlow, ScaleFactorZeroIsWarned) {
  SmallFile f;
  f.scale = 0;
  f.write(path("in.nc"));
  EXPECT_EQ(nc2grid({path("in.nc"), path("out.grd")}), kExitOk) << err_;
  EXPECT_NE(err_.find("scale_factor 0"), std::string::npos) << err_;
}

}  // namespace
}  // namespace nc
