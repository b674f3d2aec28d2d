// Shared by the nc tests: a scratch folder per test, the programs run
// in-process with their output captured, and a small builder of netCDF files
// (through netCDF-C) for imports of every shape, good and bad.
#pragma once

#include <gtest/gtest.h>
#include <netcdf.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"
#include "nc/grid2nc.h"
#include "nc/nc2grid.h"
#include "platform/platform_test.h"

namespace nc::testing {

namespace fs = std::filesystem;

inline const std::string kTableDir = std::string(T2G_SOURCE_DIR) + "/tables";
inline const TableDirs kDirs{"", "", kTableDir};

class NcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    (void)gridfile::check("");  // start the library
    dir_ = fs::path(::testing::TempDir()) /
           ("nc_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    platform::testing::clear_faults();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  // Runs a program's command line in-process; its output lands in out_ and err_.
  int run(int (*program)(std::span<const std::string>, const TableDirs&),
          std::vector<std::string> args) {
    platform::testing::capture_stdout(true);
    platform::testing::capture_stderr(true);
    const int status = program(args, kDirs);
    out_ = platform::testing::take_stdout();
    err_ = platform::testing::take_stderr();
    platform::testing::capture_stdout(false);
    platform::testing::capture_stderr(false);
    return status;
  }
  int grid2nc(std::vector<std::string> args) {
    args.insert(args.begin(), "grid2nc");
    return run(run_grid2nc, std::move(args));
  }
  int nc2grid(std::vector<std::string> args) {
    args.insert(args.begin(), "nc2grid");
    return run(run_nc2grid, std::move(args));
  }

  fs::path dir_;
  std::string out_, err_;
};

// Writes a netCDF file step by step; every netCDF-C failure fails the test.
class NcBuilder {
 public:
  explicit NcBuilder(const std::string& path, int mode = NC_NETCDF4 | NC_CLOBBER) {
    check(nc_create(path.c_str(), mode, &ncid_));
  }
  ~NcBuilder() {
    if (ncid_ >= 0) nc_close(ncid_);
  }
  int dim(const std::string& name, std::size_t len) {
    int id = -1;
    check(nc_def_dim(ncid_, name.c_str(), len, &id));
    return id;
  }
  int var(const std::string& name, nc_type type, std::vector<int> dims) {
    int id = -1;
    check(nc_def_var(ncid_, name.c_str(), type, static_cast<int>(dims.size()), dims.data(), &id));
    return id;
  }
  void text(int var, const std::string& name, const std::string& value) {
    check(nc_put_att_text(ncid_, var, name.c_str(), value.size(), value.data()));
  }
  void nums(int var, const std::string& name, std::vector<double> v, nc_type type = NC_DOUBLE) {
    check(nc_put_att_double(ncid_, var, name.c_str(), type, v.size(), v.data()));
  }
  void put(int var, const std::vector<double>& v) {
    end_define();
    check(nc_put_var_double(ncid_, var, v.data()));
  }
  void put_text(int var, const std::string& v) {
    end_define();
    check(nc_put_var_text(ncid_, var, v.data()));
  }
  void close() {
    end_define();
    check(nc_close(ncid_));
    ncid_ = -1;
  }
  int id() const { return ncid_; }

 private:
  void end_define() {
    if (defining_) {
      check(nc_enddef(ncid_));
      defining_ = false;
    }
  }
  static void check(int status) { ASSERT_EQ(status, NC_NOERR) << nc_strerror(status); }
  int ncid_ = -1;
  bool defining_ = true;
};

inline std::vector<double> even(double first, double step, int n) {
  std::vector<double> v;
  for (int k = 0; k < n; ++k) v.push_back(first + step * k);
  return v;
}

}  // namespace nc::testing
