// gridinfo run in-process: the listing labels the navigation and decodes
// identifiers, with statistics, units and packing; selection picks grids for
// the listing and for --dump; --dump writes each value so that it reads back
// as the same real (and a dump converted again by text2grid gives the same
// file); --json and --csv parse; --check passes on written files and names
// the first fault; every misuse is refused with the documented status.
#include "gridtools/gridinfo.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "driver/text2grid.h"
#include "gridtools/gridtools_test_support.h"
#include "platform/platform.h"

namespace {

using gridfile::Vcoord;

using gridtools_test::GridEntry;
using gridtools_test::id;
using nlohmann::json;

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

float parse_real(const std::string& s) {
  float v = 0.0f;
  const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
  EXPECT_EQ(res.ptr, s.data() + s.size()) << s;
  return v;
}

class GridinfoTest : public gridtools_test::GridtoolsTest {
 protected:
  static gridtools_test::Outcome gridinfo(std::vector<std::string> args) {
    return run_program(gridinfo::run, "gridinfo", std::move(args));
  }
  // Two grids on the 4 x 3 CED grid: TMPK at 500 hPa with a forecast time
  // and a missing point, and PMSL (all 1013.25) at level 0 with no vertical
  // coordinate.
  std::string make_two() {
    gridfile::GridId tmpk = id("910823/1200F012", 500, Vcoord::kPres, "TMPK");
    tmpk.time2 = "910823/1200";
    return make_file("two.grd", gridtools_test::ced_4x3(),
                     {GridEntry{tmpk, grid_}, GridEntry{id("910823/1200", 0, Vcoord::kNone, "PMSL"),
                                                        std::vector<float>(12, 1013.25f)}});
  }

  // Rows from the bottom: row 1 is values 0..3, row 3 (the top) values 8..11.
  const std::vector<float> grid_{0.1f,     -2.5f, 1e-7f, 3.4028235e38f, 273.15f, -9999.0f,
                                 1.0f / 3, 7.0f,  -0.0f, 12345.678f,    2e10f,   -1.5e-30f};
};

// --- The listing -----------------------------------------------------------

TEST_F(GridinfoTest, ListingLabelsNavigationAndDecodesIdentifiers) {
  const std::string p = make_two();
  const gridtools_test::Outcome r = gridinfo({p});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::vector<std::string> l = lines(r.out);
  ASSERT_EQ(l.size(), 11u) << r.out;
  EXPECT_EQ(l[0], "File:         " + p);
  EXPECT_EQ(l[1], "Projection:   CED");
  EXPECT_EQ(l[2], "Size:         4 x 3 points");
  EXPECT_EQ(l[3], "Lower-left:   latitude 30, longitude -100");
  EXPECT_EQ(l[4], "Upper-right:  latitude 37.5, longitude -86");
  EXPECT_EQ(l[5], "Angles:       none used");
  EXPECT_EQ(l[6].substr(0, 18), "Spacing:      4.66");  // 14/3 degrees of longitude
  EXPECT_NE(l[6].find(" x 3.75 degrees"), std::string::npos) << l[6];
  EXPECT_EQ(l[7], "Grids:        2");
  // TMPK: both times, ISO 8601 with the forecast hour and valid time, PRES by
  // name, units from the parameter table; 11 valid values, one missing.
  EXPECT_NE(l[9].find("910823/1200F012  1991-08-23T12:00Z F+12h, valid 1991-08-24T00:00Z  "
                      "910823/1200  1991-08-23T12:00Z"),
            std::string::npos)
      << l[9];
  EXPECT_NE(l[9].find("500    PRES    TMPK   K "), std::string::npos) << l[9];
  EXPECT_NE(l[9].find("-2.5"), std::string::npos);
  EXPECT_NE(l[9].find("3.4028235e+38"), std::string::npos);
  EXPECT_NE(l[9].find("none"), std::string::npos);
  // PMSL: no time 2, level 0, NONE, every value 1013.25 (standard deviation 0).
  EXPECT_NE(l[10].find("NONE"), std::string::npos) << l[10];
  EXPECT_NE(l[10].find("1013.25"), std::string::npos) << l[10];
  EXPECT_EQ(l[10].substr(l[10].size() - 6), "  none") << l[10];
}

TEST_F(GridinfoTest, SelectionPicksGridsForTheListing) {
  const std::string p = make_two();
  gridtools_test::Outcome r = gridinfo({p, "--param", "pmsl"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Grids:        2 (1 selected)"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("TMPK"), std::string::npos);
  r = gridinfo({p, "--vcoord", "pres", "--level", "500"});
  EXPECT_NE(r.out.find("(1 selected)"), std::string::npos);
  EXPECT_NE(r.out.find("TMPK"), std::string::npos);
  r = gridinfo({p, "--time", "1991-08-23T12:00Z"});  // PMSL's time, TMPK's time 2
  EXPECT_NE(r.out.find("Grids:        2\n"), std::string::npos) << r.out;
  r = gridinfo({p, "--time", "910823/1200F012"});
  EXPECT_NE(r.out.find("(1 selected)"), std::string::npos) << r.out;
  r = gridinfo({p, "--level", "850"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("(0 selected)"), std::string::npos) << r.out;
}

// December 2026 reads as 2026 in the listing, JSON and CSV; --first-year
// 1921 and T2G_FIRST_YEAR=1921 give the old reading (1926) back; ISO 8601
// selections pick grids by valid time; times and windows that are not are
// refused with status 2.
class GridinfoYearsTest : public GridinfoTest {
 protected:
  std::string make_2026() {
    return make_file(
        "late.grd", gridtools_test::ced_4x3(),
        {GridEntry{id("261215/1200F006", 850, Vcoord::kPres, "TMPK"), grid_},
         GridEntry{id("261215/1200", 0, Vcoord::kNone, "PMSL"), std::vector<float>(12, 1000)}});
  }
  void SetUp() override {
    GridinfoTest::SetUp();
    saved_ = platform::get_env("T2G_FIRST_YEAR");
    unsetenv("T2G_FIRST_YEAR");
  }
  void TearDown() override {
    if (saved_) {
      setenv("T2G_FIRST_YEAR", saved_->c_str(), 1);
    } else {
      unsetenv("T2G_FIRST_YEAR");
    }
    GridinfoTest::TearDown();
  }
  std::optional<std::string> saved_;
};

TEST_F(GridinfoYearsTest, ListingJsonAndCsvRead2026) {
  const std::string p = make_2026();
  gridtools_test::Outcome r = gridinfo({p});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("2026-12-15T12:00Z F+6h, valid 2026-12-15T18:00Z"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("1926-"), std::string::npos) << r.out;
  r = gridinfo({p, "--json"});
  const json doc = json::parse(r.out);
  EXPECT_EQ(doc["grids"][0]["time1"]["iso8601"], "2026-12-15T12:00Z");
  EXPECT_EQ(doc["grids"][0]["time1"]["valid_iso8601"], "2026-12-15T18:00Z");
  EXPECT_EQ(doc["grids"][1]["time1"]["valid_iso8601"], "2026-12-15T12:00Z");
  r = gridinfo({p, "--csv"});
  const std::vector<std::string> l = lines(r.out);
  ASSERT_EQ(l.size(), 3u) << r.out;
  EXPECT_TRUE(l[0].ends_with(",stddev,valid_iso,forecast_minutes")) << l[0];
  EXPECT_EQ(l[1].rfind(p + ",1,261215/1200F006,2026-12-15T12:00Z,,,850,", 0), 0u) << l[1];
  EXPECT_TRUE(l[1].ends_with(",2026-12-15T18:00Z,360")) << l[1];
  EXPECT_TRUE(l[2].ends_with(",2026-12-15T12:00Z,0")) << l[2];

  r = gridinfo({p, "--csv", "--first-year", "1921"});
  EXPECT_NE(r.out.find(",1926-12-15T12:00Z,"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("2026-"), std::string::npos) << r.out;
  setenv("T2G_FIRST_YEAR", "1921", 1);
  EXPECT_EQ(gridinfo({p, "--csv"}).out, r.out);
  EXPECT_NE(gridinfo({p, "--csv", "--first-year", "1950"}).out.find(",2026-12-15T18:00Z,360"),
            std::string::npos);  // the option wins
}

TEST_F(GridinfoYearsTest, TimeSelectionsByValidTimeOrGridTime) {
  const std::string p = make_2026();
  const auto picks = [&](const std::string& time) {
    const gridtools_test::Outcome r = gridinfo({p, "--csv", "--time", time});
    EXPECT_EQ(r.status, 0) << time << ": " << r.err;
    std::string params;
    for (const std::string& line : lines(r.out)) {
      if (line.find(",TMPK,") != std::string::npos) params += "TMPK ";
      if (line.find(",PMSL,") != std::string::npos) params += "PMSL ";
    }
    return params;
  };
  EXPECT_EQ(picks("2026-12-15T12:00Z"), "PMSL ");
  EXPECT_EQ(picks("2026-12-15T12Z"), "PMSL ");
  EXPECT_EQ(picks("2026-12-15 12:00"), "PMSL ");
  EXPECT_EQ(picks("2026-12-15T18:00Z"), "TMPK ");  // 12Z + 6 h
  EXPECT_EQ(picks("20261215/1200F006"), "TMPK ");
  EXPECT_EQ(picks("261215/1200F6"), "TMPK ");
  EXPECT_EQ(picks("20261215/1200"), "PMSL ");
  EXPECT_EQ(picks("1926-12-15T12:00Z"), "");
}

TEST_F(GridinfoYearsTest, NonTimesAndBadWindowsAreRefused) {
  const std::string p = make_2026();
  for (const char* bad :
       {"tomorrow", "2026-12-15", "2026-12-15T12:00:30Z", "20501215/1200", "261315/1200"}) {
    const gridtools_test::Outcome r = gridinfo({p, "--time", bad});
    EXPECT_EQ(r.status, gridinfo::kExitUsage) << bad;
    EXPECT_NE(r.err.find("--time \""), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << bad;
  }
  gridtools_test::Outcome r = gridinfo({p, "--first-year", "26"});
  EXPECT_EQ(r.status, gridinfo::kExitUsage);
  EXPECT_NE(r.err.find("--first-year: \"26\" is not a four-digit year"), std::string::npos)
      << r.err;
  setenv("T2G_FIRST_YEAR", "x", 1);
  r = gridinfo({p});
  EXPECT_EQ(r.status, gridinfo::kExitUsage);
  EXPECT_NE(r.err.find("T2G_FIRST_YEAR: \"x\" is not a four-digit year"), std::string::npos)
      << r.err;
}

TEST_F(GridinfoTest, PackedGridShowsReferenceStepAndSize) {
  std::vector<float> v(12);
  for (std::size_t k = 0; k < v.size(); ++k) v[k] = 270.0f + 0.5f * static_cast<float>(k);
  const std::string p = make_file(
      "packed.grd", gridtools_test::ced_4x3(),
      {GridEntry{
           id("910823/1200", 850, Vcoord::kPres, "TMPK"), v, {gridfile::PackingType::kGrib, 8}},
       GridEntry{id("910823/1200", 700, Vcoord::kPres, "TMPK"), v}});
  const gridtools_test::Outcome r = gridinfo({p, "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const json doc = json::parse(r.out);
  const json& pk = doc["grids"][0]["packing"];
  EXPECT_EQ(pk["type"], "grib:8");
  EXPECT_EQ(pk["bits"], 8);
  EXPECT_EQ(pk["reference"], 270.0);  // the minimum
  // Range 5.5 in 8 bits: 5.5 * 2^5 = 176 < 255 but 5.5 * 2^6 = 352 is not: step 1/32.
  EXPECT_EQ(pk["step"], 0.03125);
  // Grid blocks: unpacked, the type word and 12 values (13 words); GRIB, six
  // words and 12 codes of 8 bits in 3 words (9 words). The rest of both
  // records is the same.
  const json& plain = doc["grids"][1]["packing"];
  EXPECT_EQ(plain["type"], "none");
  EXPECT_EQ(plain["percent_of_unpacked"], 100.0);
  const int packed_words = pk["words"].get<int>(), plain_words = plain["words"].get<int>();
  EXPECT_EQ(plain_words - packed_words, 13 - 9);
  EXPECT_DOUBLE_EQ(pk["percent_of_unpacked"].get<double>(), 100.0 * packed_words / plain_words);
  const gridtools_test::Outcome t = gridinfo({p});
  EXPECT_NE(t.out.find("GRIB 8 bits, reference 270, step 0.03125"), std::string::npos) << t.out;
}

TEST_F(GridinfoTest, StatisticsCountNanAndInfinities) {
  std::vector<float> v(12, 2.0f);
  v[0] = std::numeric_limits<float>::quiet_NaN();
  v[1] = std::numeric_limits<float>::infinity();
  v[2] = -9999.0f;
  v[3] = 4.0f;
  const std::string p = make_file("odd.grd", gridtools_test::ced_4x3(),
                                  {GridEntry{id("910823/1200", 0, Vcoord::kNone, "RELH"), v}});
  const gridtools_test::Outcome r = gridinfo({p, "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const json s = json::parse(r.out)["grids"][0]["stats"];
  EXPECT_EQ(s["points"], 12);
  EXPECT_EQ(s["nan"], 1);
  EXPECT_EQ(s["infinite"], 1);
  EXPECT_EQ(s["missing"], 1);
  EXPECT_EQ(s["valid"], 9);
  EXPECT_EQ(s["min"], 2.0);
  EXPECT_EQ(s["max"], 4.0);
  EXPECT_DOUBLE_EQ(s["mean"].get<double>(), 20.0 / 9);
  EXPECT_NE(gridinfo({p}).out.find("1 +1 NaN +1 inf"), std::string::npos);
}

TEST_F(GridinfoTest, UnknownCodesAndLevelTwoZeroReadBackAsWritten) {
  gridfile::GridId seven = id("910823/1200", 850, static_cast<Vcoord>(7), "TMPK");
  gridfile::GridId zero = id("910823/1200", 850, Vcoord::kPres, "TMPK");
  zero.level2 = 0;
  const gridfile::GridId unset = id("910823/1200", 850, Vcoord::kPres, "TMPK");
  const std::vector<float> v(12, 1.0f);
  const std::string p = make_file("ids.grd", gridtools_test::ced_4x3(),
                                  {GridEntry{seven, v}, GridEntry{zero, v}, GridEntry{unset, v}});
  const gridtools_test::Outcome r = gridinfo({p, "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const json grids = json::parse(r.out)["grids"];
  ASSERT_EQ(grids.size(), 3u);
  EXPECT_EQ(grids[0]["vcoord"], "7");
  EXPECT_EQ(grids[0]["id"], "910823/1200 850 7 TMPK");
  EXPECT_EQ(grids[1]["level2"], 0);
  EXPECT_EQ(grids[1]["id"], "910823/1200 850:0 PRES TMPK");
  EXPECT_TRUE(grids[2]["level2"].is_null());
  const gridtools_test::Outcome by_code = gridinfo({p, "--csv", "--vcoord", "7"});
  ASSERT_EQ(by_code.status, 0) << by_code.err;
  EXPECT_EQ(lines(by_code.out).size(), 2u) << by_code.out;  // the header and grid 1
}

// --- Machine-readable forms ------------------------------------------------

TEST_F(GridinfoTest, JsonOneDocumentPerFileAndLine) {
  const std::string a = make_two();
  const std::string b = make_file(
      "one.grd", gridtools_test::ced_4x3(),
      {GridEntry{id("910824/0000", 0, Vcoord::kNone, "PMSL"), std::vector<float>(12, 1000.0f)}});
  const gridtools_test::Outcome r = gridinfo({a, b, "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> l = lines(r.out);
  ASSERT_EQ(l.size(), 2u);
  const json da = json::parse(l[0]), db = json::parse(l[1]);
  EXPECT_EQ(da["file"], a);
  EXPECT_EQ(da["grid_count"], 2);
  EXPECT_EQ(da["navigation"]["projection"], "CED");
  EXPECT_EQ(da["navigation"]["spacing"]["units"], "degrees");
  EXPECT_DOUBLE_EQ(da["navigation"]["spacing"]["dy"].get<double>(), 3.75);
  const json& t = da["grids"][0];
  EXPECT_EQ(t["id"], "910823/1200F012:910823/1200 500 PRES TMPK");
  EXPECT_EQ(t["time1"]["forecast_minutes"], 720);
  EXPECT_EQ(t["time2"]["iso8601"], "1991-08-23T12:00Z");
  EXPECT_EQ(t["units"], "K");
  EXPECT_EQ(t["stats"]["missing"], 1);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(t["stats"]["max"].get<float>()),
            std::bit_cast<std::uint32_t>(3.4028235e38f));
  EXPECT_EQ(db["file"], b);
  EXPECT_EQ(db["grids"][0]["stats"]["mean"], 1000.0);
}

TEST_F(GridinfoTest, CsvHeaderOnceThenAGridALine) {
  const std::string a = make_two();
  const gridtools_test::Outcome r = gridinfo({a, a, "--csv", "--param", "TMPK"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> l = lines(r.out);
  ASSERT_EQ(l.size(), 3u) << r.out;
  EXPECT_EQ(l[0].rfind("file,number,time1,", 0), 0u);
  EXPECT_EQ(l[1], l[2]);
  EXPECT_EQ(l[1].rfind(a + ",1,910823/1200F012,1991-08-23T12:00Z,910823/1200,", 0), 0u) << l[1];
}

// --- --dump ----------------------------------------------------------------

TEST_F(GridinfoTest, DumpIsTopRowFirstAndEveryValueRoundTrips) {
  const std::string p = make_two();
  const gridtools_test::Outcome r = gridinfo({p, "--dump", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> l = lines(r.out);
  ASSERT_EQ(l.size(), 12u);
  EXPECT_EQ(l[0], "-0");  // row 3, column 1
  for (int j = 3, k = 0; j >= 1; --j) {
    for (int i = 1; i <= 4; ++i, ++k) {
      EXPECT_EQ(std::bit_cast<std::uint32_t>(parse_real(l[static_cast<std::size_t>(k)])),
                std::bit_cast<std::uint32_t>(grid_[static_cast<std::size_t>((j - 1) * 4 + i - 1)]))
          << "row " << j << " column " << i;
    }
  }
  EXPECT_EQ(l[5], "-9999");
  EXPECT_EQ(l[11], "3.4028235e+38");  // row 1, column 4
}

TEST_F(GridinfoTest, DumpBySelectionNeedsExactlyOneMatch) {
  const std::string p = make_two();
  gridtools_test::Outcome r = gridinfo({p, "--param", "PMSL", "--dump"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, [] {
    std::string s;
    for (int k = 0; k < 12; ++k) s += "1013.25\n";
    return s;
  }());
  // --dump before the file: the file is not taken for N.
  const gridtools_test::Outcome first = gridinfo({"--dump", p, "--param", "PMSL"});
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, r.out);
  r = gridinfo({p, "--time", "1991-08-23T12:00Z", "--dump"});
  EXPECT_EQ(r.status, gridinfo::kExitBadFile);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("2 grids match time=1991-08-23T12:00Z; --dump needs exactly one"),
            std::string::npos)
      << r.err;
  r = gridinfo({p, "--param", "DWPK", "--dump"});
  EXPECT_EQ(r.status, gridinfo::kExitBadFile);
  EXPECT_NE(r.err.find("no grid matches param=DWPK"), std::string::npos) << r.err;
  // A number and a selection must agree.
  r = gridinfo({p, "--param", "PMSL", "--dump", "1"});
  EXPECT_EQ(r.status, gridinfo::kExitBadFile);
  EXPECT_NE(r.err.find("does not match param=PMSL"), std::string::npos) << r.err;
}

TEST_F(GridinfoTest, DumpLatLonGivesEachPointsPosition) {
  const std::string p = make_two();
  const gridtools_test::Outcome r = gridinfo({p, "--dump", "2", "--latlon"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> l = lines(r.out);
  ASSERT_EQ(l.size(), 12u);
  EXPECT_EQ(l[0], "37.5 -100 1013.25");  // top row, column 1
  EXPECT_EQ(l[3], "37.5 -86 1013.25");
  EXPECT_EQ(l[5], "33.75 -95.333333 1013.25");  // row 2, column 2: -100 + 14/3
  EXPECT_EQ(l[11], "30 -86 1013.25");

  gridfile::Navigation odd = gridtools_test::ced_4x3();
  odd.projection = "XYZ";
  const std::string q = make_file(
      "xyz.grd", odd,
      {GridEntry{id("910823/1200", 0, Vcoord::kNone, "PMSL"), std::vector<float>(12, 1.0f)}});
  const gridtools_test::Outcome bad = gridinfo({q, "--dump", "1", "--latlon"});
  EXPECT_EQ(bad.status, gridinfo::kExitBadFile);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("projection XYZ has no geometry"), std::string::npos) << bad.err;
}

// --- --check and damaged files ---------------------------------------------

TEST_F(GridinfoTest, CheckPassesAndNamesTheFirstFault) {
  const std::string p = make_two();
  gridtools_test::Outcome r = gridinfo({p, "--check"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "OK\n");
  std::string bytes = read_bytes(p);
  bytes[0] = 'X';
  write_bytes(dir_ + "/bad.grd", bytes);
  r = gridinfo({dir_ + "/bad.grd", "--check"});
  EXPECT_EQ(r.status, gridinfo::kExitBadFile);
  EXPECT_EQ(r.err.rfind("gridinfo: " + dir_ + "/bad.grd: ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("the label does not begin with \"MORLIX DATA MANAGEMENT FILE \""),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.out, "");
  // Several files: each named; the status tells that one failed.
  r = gridinfo({p, dir_ + "/bad.grd", "--check"});
  EXPECT_EQ(r.status, gridinfo::kExitBadFile);
  EXPECT_EQ(r.out, p + ": OK\n");
  // Listing a damaged file explains why it cannot be read, on standard error only.
  r = gridinfo({dir_ + "/bad.grd"});
  EXPECT_EQ(r.status, gridinfo::kExitBadFile);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("gridinfo: " + dir_ + "/bad.grd: ", 0), 0u) << r.err;
}

TEST_F(GridinfoTest, UnreadableFileNamedAsTypedWithTheSystemsReason) {
  const gridtools_test::Outcome r = gridinfo({dir_ + "/Absent.GRD"});
  EXPECT_EQ(r.status, gridinfo::kExitBadFile);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("gridinfo: " + dir_ + "/Absent.GRD: ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('^'), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("absent.grd"), std::string::npos) << r.err;  // not lower-cased
}

TEST_F(GridinfoTest, Misuse) {
  const std::string p = make_two();
  EXPECT_EQ(gridinfo({}).status, gridinfo::kExitUsage);
  const gridtools_test::Outcome zero = gridinfo({p, "--dump", "0"});
  EXPECT_EQ(zero.status, gridinfo::kExitUsage);
  EXPECT_NE(zero.err.find("grids are numbered from 1"), std::string::npos) << zero.err;
  EXPECT_LT(zero.err.size(), 200u);
  EXPECT_EQ(gridinfo({p, "--dump", "x"}).status, gridinfo::kExitUsage);
  EXPECT_EQ(gridinfo({p, "--dump"}).status, gridinfo::kExitUsage);  // neither N nor a selection
  EXPECT_EQ(gridinfo({p, p, "--dump", "1"}).status, gridinfo::kExitUsage);
  EXPECT_EQ(gridinfo({p, "--dump", "1", "--check"}).status, gridinfo::kExitUsage);
  EXPECT_EQ(gridinfo({p, "--json", "--csv"}).status, gridinfo::kExitUsage);
  EXPECT_EQ(gridinfo({p, "--latlon"}).status, gridinfo::kExitUsage);
  EXPECT_EQ(gridinfo({p, "--vcoord", "DEPTH"}).status, gridinfo::kExitUsage);
  const gridtools_test::Outcome bogus = gridinfo({p, "--bogus"});
  EXPECT_EQ(bogus.status, gridinfo::kExitUsage);
  EXPECT_NE(bogus.err.find("--help"), std::string::npos);
  const gridtools_test::Outcome help = gridinfo({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--dump", "--check", "--json", "--csv", "--latlon", "--param",
                             "--time", "--level", "--vcoord"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  const gridtools_test::Outcome none = gridinfo({p, "--dump", "3"});
  EXPECT_EQ(none.status, gridinfo::kExitBadFile);
  EXPECT_NE(none.err.find("no grid number 3"), std::string::npos) << none.err;
}

// The program itself, as an operator runs it: its own start-up, exit statuses,
// nothing but the dump on standard output.
TEST_F(GridinfoTest, AsAProgram) {
  const std::string p = make_two();
  const std::string quiet = " >/dev/null 2>&1";
  const std::string prog = GRIDINFO_PATH;
  EXPECT_EQ(std::system((prog + " " + p + " --check" + quiet).c_str()), 0);
  EXPECT_EQ(std::system((prog + " " + p + " --dump 2 >" + dir_ + "/out.txt 2>&1").c_str()), 0);
  std::string twelve;
  for (int k = 0; k < 12; ++k) twelve += "1013.25\n";
  EXPECT_EQ(read_bytes(dir_ + "/out.txt"), twelve);
  EXPECT_EQ(WEXITSTATUS(std::system((prog + " " + p + " --dump 3" + quiet).c_str())), 1);
  EXPECT_EQ(WEXITSTATUS(std::system((prog + quiet).c_str())), 2);
  EXPECT_EQ(WEXITSTATUS(std::system((prog + " " + dir_ + "/none.grd" + quiet).c_str())), 1);
}

// text2grid, then gridinfo --dump of every grid, gives the input back exactly;
// converting the dump again gives the same file, byte for byte.
TEST_F(GridinfoTest, TextToGridAndBack) {
  std::string values;
  std::vector<float> all;
  for (int g = 0; g < 6; ++g) {
    for (int k = 0; k < 12; ++k) {
      const float v = k == 5 ? -9999.0f
                             : std::ldexp(std::sin(static_cast<float>(7 * g + k)), 3 * g - 6) +
                                   static_cast<float>(g * 100);
      all.push_back(v);
      std::array<char, 32> buf{};
      const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), v);
      values += std::string(buf.data(), res.ptr) + "\n";
    }
  }
  const std::string answers =
      "\n0\n2\n2\n30.0 -100.0 37.5 -86.0\nCED\n0.0 0.0 0.0\n"
      "910823/1200\n910824/0000F006\nPMSL\nTMPK\n1\n0\n0\n0\n2\n1\n0\n"
      "850 700\n";
  auto convert = [&](const std::string& in, const std::string& out) {
    write_bytes(in, values);
    platform::testing::set_stdin("4\n3\n" + in + "\n^" + out + answers);
    EXPECT_EQ(driver::run_text2grid(), 0) << platform::testing::take_stderr();
  };
  const std::string a = dir_ + "/a.grd";
  convert(dir_ + "/in.txt", a);
  std::string dumped;
  for (int g = 1; g <= 6; ++g) {
    const gridtools_test::Outcome r = gridinfo({a, "--dump", std::to_string(g)});
    ASSERT_EQ(r.status, 0) << r.err;
    dumped += r.out;
  }
  EXPECT_EQ(dumped, values);
  const std::vector<std::string> l = lines(dumped);
  ASSERT_EQ(l.size(), all.size());
  for (std::size_t k = 0; k < all.size(); ++k) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(parse_real(l[k])), std::bit_cast<std::uint32_t>(all[k]))
        << k;
  }
  const gridtools_test::Outcome listing = gridinfo({a});
  EXPECT_NE(listing.out.find("910824/0000F006"), std::string::npos) << listing.out;
  EXPECT_NE(listing.out.find("Grids:        6"), std::string::npos);
  EXPECT_EQ(gridinfo({a, "--check"}).out, "OK\n");
  // text2grid's routines store the words of no level 2: null, as before.
  const gridtools_test::Outcome as_json = gridinfo({a, "--json"});
  ASSERT_EQ(as_json.status, 0) << as_json.err;
  const json document = json::parse(as_json.out);
  for (const json& g : document["grids"]) EXPECT_TRUE(g["level2"].is_null()) << g;

  values = dumped;
  const std::string b = dir_ + "/b.grd";
  convert(dir_ + "/again.txt", b);
  EXPECT_EQ(read_bytes(a), read_bytes(b));
}

}  // namespace
