// Shared by the grib tests: a scratch folder per test, both programs run
// in-process with their output captured, grid files made from values, and
// GRIB2 messages made directly with ecCodes.
#pragma once

#include <eccodes.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "grib/codes.h"
#include "grib/grib2grid.h"
#include "grib/grid2grib.h"
#include "gridfile/gridfile.h"
#include "platform/platform_test.h"

namespace grib::testing {

namespace fs = std::filesystem;

inline const std::string kTableDir = std::string(T2G_SOURCE_DIR) + "/tables";
inline const TableDirs kDirs{"", "", kTableDir};

struct GridSpec {
  gridfile::GridId id;
  std::vector<float> values;
};

class GribTest : public ::testing::Test {
 protected:
  void SetUp() override {
    (void)gridfile::check("");  // start the library
    dir_ = fs::path(::testing::TempDir()) /
           ("grib_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    platform::testing::clear_faults();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

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
  int grid2grib(std::vector<std::string> args) {
    args.insert(args.begin(), "grid2grib");
    return run(run_grid2grib, std::move(args));
  }
  int grib2grid(std::vector<std::string> args) {
    args.insert(args.begin(), "grib2grid");
    return run(run_grib2grid, std::move(args));
  }
  // Only the names given are in the folder (no output, no temporary file).
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_;
  std::string out_, err_;
};

inline void make_grid_file(const std::string& path, const gridfile::Navigation& nav,
                           const std::vector<GridSpec>& grids) {
  auto f = gridfile::GridFile::create(path, nav, 100);
  ASSERT_TRUE(f.ok()) << f.error().text;
  for (const GridSpec& g : grids) {
    ASSERT_TRUE(f->write(g.values, nav.nx, nav.ny, g.id).ok()) << g.id.text();
  }
}

// A message from an ecCodes sample with keys changed (long values).
inline Handle sample_message(const char* sample,
                             const std::vector<std::pair<const char*, long>>& keys = {}) {
  Handle h(codes_grib_handle_new_from_samples(nullptr, sample));
  EXPECT_TRUE(h) << sample;
  if (!h) return h;
  Keys k(h.get());
  for (const auto& [key, value] : keys) k.set(key, value);
  EXPECT_TRUE(k.status().ok()) << k.status().error().text;
  return h;
}

inline void write_messages(const std::string& path, const std::vector<grib_handle*>& messages,
                           int repeat = 1) {
  std::ofstream out(path, std::ios::binary);
  for (int r = 0; r < repeat; ++r) {
    for (grib_handle* h : messages) {
      const auto bytes = message_bytes(h);
      out.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    }
  }
}

// Every message of a GRIB file.
inline std::vector<Handle> read_messages(const std::string& path) {
  std::vector<Handle> out;
  auto r = GribReader::open(path);
  EXPECT_TRUE(r.ok());
  if (!r) return out;
  for (;;) {
    auto h = r->next();
    EXPECT_TRUE(h.ok());
    if (!h || !*h) break;
    out.push_back(std::move(*h));
  }
  return out;
}

inline long key(grib_handle* h, const char* name) {
  long v = -1;
  EXPECT_EQ(codes_get_long(h, name, &v), CODES_SUCCESS) << name;
  return v;
}

}  // namespace grib::testing
