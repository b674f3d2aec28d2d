// Test support for gridinfo and griddiff: scratch folders, grid files
// written through the grid-file API, and the programs run in-process with
// their standard output and error captured.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "driver/in.h"
#include "gridfile/gridfile.h"
#include "platform/platform_test.h"

namespace gridtools_test {

struct Outcome {
  int status = 0;
  std::string out;
  std::string err;
};

// One grid to write: identifier, values (bottom row first) and packing.
struct GridEntry {
  gridfile::GridId id;
  std::vector<float> values;
  gridfile::Packing packing = {};
};

class GridtoolsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int iret = 0;
    in_bdta(iret);
    dir_ = (std::filesystem::path(::testing::TempDir()) /
            (std::string("gridtools_") +
             ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name()))
               .string();
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    platform::testing::capture_stdout(true);
    platform::testing::capture_stderr(true);
  }
  void TearDown() override {
    platform::testing::take_stdout();
    platform::testing::take_stderr();
    platform::testing::capture_stdout(false);
    platform::testing::capture_stderr(false);
    platform::testing::reset_stdin();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Runs a program's run() with args after its name.
  static Outcome run_program(const std::function<int(std::span<const std::string>)>& program,
                             const std::string& name, std::vector<std::string> args) {
    args.insert(args.begin(), name);
    platform::testing::take_stdout();
    platform::testing::take_stderr();
    Outcome r;
    r.status = program(args);
    r.out = platform::testing::take_stdout();
    r.err = platform::testing::take_stderr();
    return r;
  }

  // Creates `name` in the scratch folder with the grids, through the API.
  std::string make_file(const std::string& name, const gridfile::Navigation& nav,
                        const std::vector<GridEntry>& grids) {
    const std::string path = dir_ + "/" + name;
    gridfile::Result<gridfile::GridFile> f = gridfile::GridFile::create(path, nav, 100);
    EXPECT_TRUE(f.ok()) << (f.ok() ? "" : f.error().text);
    if (!f) return path;
    for (const GridEntry& g : grids) {
      const gridfile::Status s = f->write(g.values, nav.nx, nav.ny, g.id, g.packing);
      EXPECT_TRUE(s.ok()) << (s.ok() ? "" : s.error().text);
    }
    EXPECT_TRUE(f->close().ok());
    return path;
  }

  static std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t end = text.find('\n', at);
      out.push_back(text.substr(at, end - at));
      at = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
  }

  std::string dir_;
};

// A 4 x 3 CED navigation from (30, -100) to (37.5, -86): 3.75 degrees of
// latitude between rows, 14/3 degrees of longitude between columns.
inline gridfile::Navigation ced_4x3() {
  gridfile::Navigation nav;
  nav.projection = "CED";
  nav.nx = 4;
  nav.ny = 3;
  nav.lat1 = 30.0f;
  nav.lon1 = -100.0f;
  nav.lat2 = 37.5f;
  nav.lon2 = -86.0f;
  return nav;
}

inline gridfile::GridId id(std::string time1, int level1, gridfile::Vcoord vcoord,
                           std::string param) {
  return {.time1 = std::move(time1), .param = std::move(param), .level1 = level1, .vcoord = vcoord};
}

}  // namespace gridtools_test
