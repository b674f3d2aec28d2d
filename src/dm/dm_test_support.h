// Test helpers of the DM engine: a fixture that starts every test from the
// library's start condition and closes what the test left open, the grid-file
// and smallest-file layouts, and a raw view of a file's bytes. For tests only.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "dm/dm.h"
#include "dm/state.h"
#include "pack/dp.h"
#include "platform/platform.h"
#include "platform/platform_test.h"
#include "platform/test_files.h"
#include "services/fl.h"

namespace dm::testing {

// The whole file as 32-bit words (host order); word w is element w - 1.
using test_files::file_words;
// Size of the file in bytes.
std::int64_t file_bytes(const std::string& path);

// Four characters as the DM file stores them (first character in the first
// byte), and a real's word.
using test_files::chars_word;
using test_files::real_word;

// Integer lists for comparisons inside the test macros.
template <typename... T>
std::vector<int> ints(T... v) {
  return {static_cast<int>(v)...};
}
template <std::size_t N>
std::vector<int> as_vector(const std::array<int, N>& a) {
  return {a.begin(), a.end()};
}

class DmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int lun = 11; lun <= 20; ++lun) {
      if (platform::is_open(lun)) platform::close_unit(lun);
    }
    services::reset_units();
    pack::reset_descriptors();
    dm::reset_state();
    platform::testing::clear_faults();
    platform::testing::reset_io_counts();
  }
  void TearDown() override {
    platform::testing::clear_faults();
    platform::testing::capture_stdout(false);
    int ier = 0;
    for (int idmf = 1; idmf <= kMaxFiles; ++idmf) dm_clos(idmf, ier);
  }

  // A fresh path under the test directory; "^" keeps fl_dcre from lowering it.
  std::string path(std::string_view tag = "file") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string p = ::testing::TempDir() + "dm_" + info->test_suite_name() + "_" + info->name() +
                    "_" + std::string(tag) + ".dat";
    std::filesystem::remove(p);
    return p;
  }
  static std::string literal(const std::string& p) { return "^" + p; }

  // The grid file layout: one row keyed "GRID", ncol columns with the ten
  // identifier keys, file headers "NAVB" (256) and "ANLB" (128) of reals, one
  // part "GRID" of type 5 with a 4-word header and one parameter.
  void create_grid_file(const std::string& p, int ncol, int& idmf, int& iret) {
    const std::array<std::string_view, 2> fhdnam{"NAVB", "ANLB"};
    const std::array<int, 2> ifhlen{256, 128}, ifhtyp{1, 1};
    const std::array<std::string_view, 1> krownm{"GRID"};
    const std::array<std::string_view, 10> kcolnm{"GDT1", "GTM1", "GDT2", "GTM2", "GLV1",
                                                  "GLV2", "GVCD", "GPM1", "GPM2", "GPM3"};
    const std::array<std::string_view, 1> prtnam{"GRID"}, parms{"GRID"};
    const std::array<int, 1> idthdr{4}, ityprt{5}, nparm{1}, zero{0};
    dm_cret(literal(p), 3, 6, 2, fhdnam, ifhlen, ifhtyp, 1, 1, krownm, ncol, 10, kcolnm, 1, prtnam,
            idthdr, ityprt, nparm, 1, parms, zero, zero, zero, idmf, iret);
  }

  // The smallest file: no file headers, one row, one column, one key each, one
  // part of type 1 with one parameter.
  void create_small_file(const std::string& p, int& idmf, int& iret, int ncol = 1) {
    const std::array<std::string_view, 1> rkey{"ROWK"}, ckey{"COLK"}, prt{"PART"}, prm{"PARM"};
    const std::array<int, 1> one{1}, zero{0};
    dm_cret(literal(p), 1, 1, 0, {}, {}, {}, 1, 1, rkey, ncol, 1, ckey, 1, prt, zero, one, one, 1,
            prm, zero, zero, zero, idmf, iret);
  }

  // Start from an empty cache (as after start-up) while keeping the files open.
  static void empty_cache() {
    int ier = 0;
    for (int idmf = 1; idmf <= kMaxFiles; ++idmf) dm_fwrt(idmf, ier);
    gmdm.icnext = 0;
    gmdm.icfile.fill(0);
    gmdm.icrec.fill(0);
    gmdm.icdrty.fill(0);
  }
};

}  // namespace dm::testing
