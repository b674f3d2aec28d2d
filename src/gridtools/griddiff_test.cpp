// griddiff run in-process on files written through the API: pairing by
// identifier, the reported differences and where they are, tolerances, the
// packing error against the step, navigation differences, and the exit
// statuses of cmp and diff (0 equal, 1 different, 2 trouble).
#include "gridtools/griddiff.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "gridtools/gridtools_test_support.h"

namespace {

using gridfile::Vcoord;

using gridtools_test::GridEntry;
using gridtools_test::id;
using nlohmann::json;

class GriddiffTest : public gridtools_test::GridtoolsTest {
 protected:
  static gridtools_test::Outcome griddiff(std::vector<std::string> args) {
    return run_program(griddiff::run, "griddiff", std::move(args));
  }
  static std::vector<float> ramp(float start, float step) {
    std::vector<float> v(12);
    for (std::size_t k = 0; k < v.size(); ++k) v[k] = start + step * static_cast<float>(k);
    return v;
  }
  const gridfile::GridId t850_ = id("910823/1200", 850, Vcoord::kPres, "TMPK");
  const gridfile::GridId t700_ = id("910823/1200", 700, Vcoord::kPres, "TMPK");
  const gridfile::GridId pmsl_ = id("910823/1200", 0, Vcoord::kNone, "PMSL");
};

TEST_F(GriddiffTest, SameGridsInAnotherOrderAreEqual) {
  const std::string a =
      make_file("a.grd", gridtools_test::ced_4x3(),
                {{t850_, ramp(280, 0.5f)}, {t700_, ramp(270, 0.25f)}, {pmsl_, ramp(1000, 1)}});
  const std::string b =
      make_file("b.grd", gridtools_test::ced_4x3(),
                {{pmsl_, ramp(1000, 1)}, {t700_, ramp(270, 0.25f)}, {t850_, ramp(280, 0.5f)}});
  const gridtools_test::Outcome r = griddiff({a, b});
  EXPECT_EQ(r.status, griddiff::kExitEqual) << r.out << r.err;
  EXPECT_NE(r.out.find("Grid 910823/1200 850 PRES TMPK (1991-08-23T12:00Z; A 1, B 3): equal"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Equal: 3 grids paired, 0 differ, 0 only in A, 0 only in B, "
                       "navigation same"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.err, "");
}

TEST_F(GriddiffTest, ReportsWhereAndHowMuchGridsDiffer) {
  std::vector<float> changed = ramp(280, 0.5f);
  changed[6] += 2.0f;  // column 3, row 2: 283 -> 285
  changed[1] = -9999;  // column 2, row 1 missing in B only
  const std::string a = make_file("a.grd", gridtools_test::ced_4x3(),
                                  {{t850_, ramp(280, 0.5f)}, {t700_, ramp(1, 1)}});
  const std::string b =
      make_file("b.grd", gridtools_test::ced_4x3(), {{t850_, changed}, {pmsl_, ramp(1000, 1)}});
  const gridtools_test::Outcome r = griddiff({a, b});
  EXPECT_EQ(r.status, griddiff::kExitDifferent) << r.err;
  EXPECT_NE(r.out.find("Only in A: grid 2 910823/1200 700 PRES TMPK"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Only in B: grid 2 910823/1200 0 NONE PMSL"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("differs, 2 of 12 points differ; largest difference 2 at (3,2) A 283, "
                       "B 285"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("missing only in A 0, only in B 1"), std::string::npos) << r.out;

  const gridtools_test::Outcome j = griddiff({a, b, "--json"});
  EXPECT_EQ(j.status, griddiff::kExitDifferent);
  const json doc = json::parse(j.out);
  EXPECT_FALSE(doc["equal"]);
  EXPECT_EQ(doc["only_in_a"][0]["id"], "910823/1200 700 PRES TMPK");
  EXPECT_EQ(doc["only_in_b"][0]["number"], 2);
  const json& g = doc["grids"][0];
  EXPECT_EQ(g["differing"], 2);
  EXPECT_EQ(g["compared"], 11);
  EXPECT_EQ(g["missing_only_b"], 1);
  EXPECT_EQ(g["max_abs"]["value"], 2.0);
  EXPECT_EQ(g["max_abs"]["i"], 3);
  EXPECT_EQ(g["max_abs"]["j"], 2);
  EXPECT_DOUBLE_EQ(g["max_rel"]["value"].get<double>(), 2.0 / 285);
  EXPECT_DOUBLE_EQ(g["rms"].get<double>(), std::sqrt(4.0 / 11));
  EXPECT_TRUE(g["packing_step"].is_null());
}

TEST_F(GriddiffTest, TolerancesDecideEquality) {
  std::vector<float> near = ramp(280, 0.5f);
  near[4] += 0.125f;  // 282 -> 282.125
  const std::string a = make_file("a.grd", gridtools_test::ced_4x3(), {{t850_, ramp(280, 0.5f)}});
  const std::string b = make_file("b.grd", gridtools_test::ced_4x3(), {{t850_, near}});
  EXPECT_EQ(griddiff({a, b}).status, griddiff::kExitDifferent);
  EXPECT_EQ(griddiff({a, b, "--abs", "0.1"}).status, griddiff::kExitDifferent);
  EXPECT_EQ(griddiff({a, b, "--abs", "0.125"}).status, griddiff::kExitEqual);
  EXPECT_EQ(griddiff({a, b, "--rel", "0.0004"}).status, griddiff::kExitDifferent);
  EXPECT_EQ(griddiff({a, b, "--rel", "0.0005"}).status, griddiff::kExitEqual);  // 0.125 / 282.125
  EXPECT_EQ(griddiff({a, b, "--abs", "0.1", "--rel", "0.0005"}).status, griddiff::kExitEqual);
  const gridtools_test::Outcome q = griddiff({a, b, "--quiet"});
  EXPECT_EQ(q.status, griddiff::kExitDifferent);
  EXPECT_EQ(q.out, "");
  EXPECT_EQ(q.err, "");
}

// A packed copy of a grid differs from its source by at most half a packing
// step, and griddiff says so in steps.
TEST_F(GriddiffTest, PackedAgainstUnpackedReportsTheErrorInSteps) {
  std::vector<float> v(12);
  for (std::size_t k = 0; k < v.size(); ++k) v[k] = 250.0f + 3.7f * static_cast<float>(k * k % 7);
  const std::string a = make_file("a.grd", gridtools_test::ced_4x3(), {{t850_, v}});
  const std::string b = make_file("b.grd", gridtools_test::ced_4x3(),
                                  {{t850_, v, {gridfile::PackingType::kGrib, 6}}});
  const gridtools_test::Outcome r = griddiff({a, b, "--json"});
  ASSERT_NE(r.status, griddiff::kExitTrouble) << r.err;
  const json g = json::parse(r.out)["grids"][0];
  // Range 14.8 in 6 bits: 14.8 * 4 = 59.2 rounds below 63, 14.8 * 8 does not: step 0.25.
  EXPECT_EQ(g["packing_step"], 0.25);
  const double steps = g["max_abs_in_steps"].get<double>();
  EXPECT_GT(steps, 0.0);
  EXPECT_LE(steps, 0.5);
  const gridtools_test::Outcome t = griddiff({a, b});
  EXPECT_NE(t.out.find("packing step 0.25, largest difference "), std::string::npos) << t.out;
  // Within half a step the two are equal.
  EXPECT_EQ(griddiff({a, b, "--abs", "0.125"}).status, griddiff::kExitEqual);
}

TEST_F(GriddiffTest, NavigationDifferencesMakeFilesDifferent) {
  gridfile::Navigation other = gridtools_test::ced_4x3();
  other.lat2 = 38.0f;
  const std::string a = make_file("a.grd", gridtools_test::ced_4x3(), {{pmsl_, ramp(1, 1)}});
  const std::string b = make_file("b.grd", other, {{pmsl_, ramp(1, 1)}});
  const gridtools_test::Outcome r = griddiff({a, b});
  EXPECT_EQ(r.status, griddiff::kExitDifferent);
  EXPECT_NE(r.out.find("Navigation differs: lat2 37.5 / 38"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("; A 1, B 1): equal"), std::string::npos) << r.out;
}

// Grids are named with their times read in the window (1950-2049 unless
// moved); --time compares only the grids of one time, ISO 8601 by valid time.
TEST_F(GriddiffTest, TimesReadInTheWindowAndChosenWithTime) {
  const gridfile::GridId f6 = id("261215/1200F006", 850, Vcoord::kPres, "TMPK");
  const gridfile::GridId an = id("261215/1200", 850, Vcoord::kPres, "TMPK");
  const std::string a =
      make_file("a.grd", gridtools_test::ced_4x3(), {{f6, ramp(280, 0.5f)}, {an, ramp(270, 1)}});
  const std::string b =
      make_file("b.grd", gridtools_test::ced_4x3(), {{f6, ramp(280, 0.5f)}, {an, ramp(271, 1)}});
  gridtools_test::Outcome r = griddiff({a, b});
  EXPECT_EQ(r.status, griddiff::kExitDifferent) << r.err;
  EXPECT_NE(r.out.find("Grid 261215/1200F006 850 PRES TMPK (2026-12-15T12:00Z F+6h, valid "
                       "2026-12-15T18:00Z; A 1, B 1): equal"),
            std::string::npos)
      << r.out;
  r = griddiff({a, b, "--time", "2026-12-15T18:00Z"});
  EXPECT_EQ(r.status, griddiff::kExitEqual) << r.out << r.err;
  EXPECT_NE(r.out.find("Equal: 1 grids paired"), std::string::npos) << r.out;
  r = griddiff({a, b, "--time", "20261215/1200"});
  EXPECT_EQ(r.status, griddiff::kExitDifferent) << r.out << r.err;
  r = griddiff({a, b, "--json", "--first-year", "1921"});
  const json doc = json::parse(r.out);
  EXPECT_EQ(doc["grids"][0]["a"]["valid_iso8601"], "1926-12-15T18:00Z");
  EXPECT_EQ(griddiff({a, b, "--time", "soon"}).status, griddiff::kExitTrouble);
  EXPECT_EQ(griddiff({a, b, "--first-year", "0"}).status, griddiff::kExitTrouble);
}

TEST_F(GriddiffTest, TroubleIsStatusTwo) {
  const std::string a = make_file("a.grd", gridtools_test::ced_4x3(), {{pmsl_, ramp(1, 1)}});
  gridtools_test::Outcome r = griddiff({a, dir_ + "/Nowhere.grd"});
  EXPECT_EQ(r.status, griddiff::kExitTrouble);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("griddiff: " + dir_ + "/Nowhere.grd: ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;
  EXPECT_EQ(griddiff({a}).status, griddiff::kExitTrouble);
  EXPECT_EQ(griddiff({a, a, "--abs", "-1"}).status, griddiff::kExitTrouble);
  EXPECT_EQ(griddiff({a, a, "--rel", "x"}).status, griddiff::kExitTrouble);
  EXPECT_EQ(griddiff({a, a, "--json", "--quiet"}).status, griddiff::kExitTrouble);
  r = griddiff({a, a, "--bogus"});
  EXPECT_EQ(r.status, griddiff::kExitTrouble);
  EXPECT_NE(r.err.find("--help"), std::string::npos);
  r = griddiff({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* option : {"--abs", "--rel", "--quiet", "--json"}) {
    EXPECT_NE(r.out.find(option), std::string::npos) << option;
  }
}

TEST_F(GriddiffTest, AsAProgram) {
  const std::string a = make_file("a.grd", gridtools_test::ced_4x3(), {{pmsl_, ramp(1, 1)}});
  const std::string b = make_file("b.grd", gridtools_test::ced_4x3(), {{pmsl_, ramp(1, 2)}});
  const std::string prog = std::string(GRIDDIFF_PATH) + " ";
  const std::string quiet = " >/dev/null 2>&1";
  EXPECT_EQ(WEXITSTATUS(std::system((prog + a + " " + a + quiet).c_str())), 0);
  EXPECT_EQ(WEXITSTATUS(std::system((prog + a + " " + b + quiet).c_str())), 1);
  EXPECT_EQ(WEXITSTATUS(std::system((prog + a + " " + dir_ + "/none.grd" + quiet).c_str())), 2);
  EXPECT_EQ(WEXITSTATUS(std::system((prog + a + quiet).c_str())), 2);
}

}  // namespace
