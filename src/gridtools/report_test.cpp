// The three forms of a listing (readable, JSON, CSV) and griddiff's report,
// from reports built by hand. JSON documents are parsed back with a JSON
// parser and checked against the documented schema.
#include "gridtools/report.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "gridtools/diff_report.h"

namespace {

using nlohmann::json;

gridtools::FileReport sample() {
  gridtools::FileReport r;
  r.path = "dir/my file.grd";
  r.nav = {"LCC", 4, 3, 30.1f, -100, 37.5f, -86, 25, -95, 25};
  r.spacing = gridtools::Spacing{12000, 12000, "m"};
  r.grids_in_file = 3;
  gridtools::GridReport t;
  t.info.number = 1;
  t.info.id = {.time1 = "910823/1200F012",
               .param = "TMPK",
               .level1 = 500,
               .vcoord = gridfile::Vcoord::kPres};
  t.info.nx = 4;
  t.info.ny = 3;
  t.info.packing = {gridfile::PackingType::kGrib, 12};
  t.info.reference = 250.5f;
  t.info.step = 0.0078125f;
  t.info.words = 14;  // length word, two header words, GRIB block of 6 + 5 words
  t.units = "K";
  t.stats = gridtools::GridStats{12, 1, 1, 0, 10, 250.5f, 0.1f, 260.25, 3.5};
  gridtools::GridReport p;
  p.info.number = 3;
  p.info.id = {.time1 = "910823/1200",
               .time2 = "910823/0000",
               .param = "PMSL",
               .level1 = 0,
               .level2 = 1000,
               .vcoord = static_cast<gridfile::Vcoord>(77)};
  p.info.nx = 4;
  p.info.ny = 3;
  p.info.words = 16;  // length word, two header words, type word and 12 values
  p.stats = gridtools::GridStats{12, 12, 0, 0, 0};
  r.grids = {t, p};
  return r;
}

TEST(ReportTest, JsonDocumentFollowsTheSchema) {
  const std::string text = gridtools::json_document(sample());
  EXPECT_EQ(text.find('\n'), std::string::npos);  // one document, one line
  const json doc = json::parse(text);
  EXPECT_EQ(doc["file"], "dir/my file.grd");
  EXPECT_EQ(doc["grid_count"], 3);
  const json& nav = doc["navigation"];
  EXPECT_EQ(nav["projection"], "LCC");
  EXPECT_EQ(nav["nx"], 4);
  EXPECT_EQ(nav["ny"], 3);
  // A float comes back bit for bit through the parser's double.
  EXPECT_EQ(std::bit_cast<std::uint32_t>(nav["lower_left"]["lat"].get<float>()),
            std::bit_cast<std::uint32_t>(30.1f));
  EXPECT_EQ(nav["upper_right"]["lon"], -86.0);
  ASSERT_EQ(nav["angles"].size(), 3u);
  EXPECT_EQ(nav["angles"][0]["name"], "standard latitude 1");
  EXPECT_EQ(nav["angles"][1]["value"], -95.0);
  EXPECT_EQ(nav["spacing"]["dx"], 12000.0);
  EXPECT_EQ(nav["spacing"]["units"], "m");

  ASSERT_EQ(doc["grids"].size(), 2u);
  const json& t = doc["grids"][0];
  EXPECT_EQ(t["number"], 1);
  EXPECT_EQ(t["time1"]["text"], "910823/1200F012");
  EXPECT_EQ(t["time1"]["iso8601"], "1991-08-23T12:00Z");
  EXPECT_EQ(t["time1"]["forecast_type"], "F");
  EXPECT_EQ(t["time1"]["forecast_minutes"], 720);
  EXPECT_TRUE(t["time2"].is_null());
  EXPECT_EQ(t["level1"], 500);
  EXPECT_TRUE(t["level2"].is_null());
  EXPECT_EQ(t["vcoord"], "PRES");
  EXPECT_EQ(t["param"], "TMPK");
  EXPECT_EQ(t["units"], "K");
  EXPECT_EQ(t["packing"]["type"], "grib:12");
  EXPECT_EQ(t["packing"]["bits"], 12);
  EXPECT_EQ(t["packing"]["reference"], 250.5);
  EXPECT_EQ(t["packing"]["step"], 0.0078125);
  EXPECT_DOUBLE_EQ(t["packing"]["percent_of_unpacked"].get<double>(), 87.5);  // 14 of 16
  EXPECT_EQ(doc["grids"][1]["packing"]["percent_of_unpacked"], 100.0);
  EXPECT_EQ(t["stats"]["missing"], 1);
  EXPECT_EQ(t["stats"]["nan"], 1);
  EXPECT_EQ(t["stats"]["valid"], 10);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(t["stats"]["max"].get<float>()),
            std::bit_cast<std::uint32_t>(0.1f));
  EXPECT_EQ(t["stats"]["mean"], 260.25);

  const json& p = doc["grids"][1];
  EXPECT_EQ(p["time2"]["iso8601"], "1991-08-23T00:00Z");
  EXPECT_EQ(p["level2"], 1000);
  EXPECT_EQ(p["vcoord"], "77");  // an unknown code as its digits
  EXPECT_TRUE(p["units"].is_null());
  EXPECT_EQ(p["packing"]["type"], "none");
  EXPECT_FALSE(p["packing"].contains("step"));
  EXPECT_TRUE(p["stats"]["min"].is_null());  // no valid point
  EXPECT_TRUE(p["stats"]["stddev"].is_null());
}

TEST(ReportTest, CsvHasOneLinePerGridAndQuotesWhereNeeded) {
  const std::vector<std::string> lines = gridtools::csv_lines(sample());
  ASSERT_EQ(lines.size(), 2u);
  const std::string header = gridtools::csv_header();
  auto count = [](const std::string& s) { return std::count(s.begin(), s.end(), ','); };
  EXPECT_EQ(count(lines[0]), count(header));
  EXPECT_EQ(lines[0].rfind("dir/my file.grd,1,910823/1200F012,1991-08-23T12:00Z,,,500,,PRES,"
                           "TMPK,K,4,3,grib:12,12,250.5,0.0078125,14,12,1,1,0,10,250.5,0.1,",
                           0),
            0u)
      << lines[0];
  gridtools::FileReport r = sample();
  r.path = "a,\"b\".grd";
  EXPECT_EQ(gridtools::csv_lines(r)[0].rfind("\"a,\"\"b\"\".grd\",1,", 0), 0u);
}

TEST(ReportTest, ReadableListingLabelsEverything) {
  const std::vector<std::string> l = gridtools::text_listing(sample());
  ASSERT_GE(l.size(), 11u);
  EXPECT_EQ(l[0], "File:         dir/my file.grd");
  EXPECT_EQ(l[1], "Projection:   LCC");
  EXPECT_EQ(l[2], "Size:         4 x 3 points");
  EXPECT_EQ(l[3], "Lower-left:   latitude 30.1, longitude -100");
  EXPECT_EQ(l[4], "Upper-right:  latitude 37.5, longitude -86");
  EXPECT_EQ(l[5],
            "Angles:       standard latitude 1 25, central longitude -95, standard latitude 2 25");
  EXPECT_EQ(l[6], "Spacing:      12000 x 12000 m");
  EXPECT_EQ(l[7], "Grids:        3 (2 selected)");
  EXPECT_EQ(l[8].rfind("Grid  Time", 0), 0u);
  EXPECT_NE(l[8].find("Time 2"), std::string::npos);  // a grid has time 2
  EXPECT_NE(l[9].find("1991-08-23T12:00Z F+12h"), std::string::npos) << l[9];
  EXPECT_NE(l[9].find("GRIB 12 bits, reference 250.5, step 0.0078125, 87.5% of unpacked"),
            std::string::npos)
      << l[9];
  EXPECT_NE(l[9].find("1 +1 NaN"), std::string::npos) << l[9];
  EXPECT_NE(l[10].find("0:1000"), std::string::npos) << l[10];
  // Columns line up: every row starts its Level cell at the header's column.
  const std::size_t level = l[8].find("Level");
  EXPECT_EQ(l[9].substr(level, 4), "500 ");
  EXPECT_EQ(l[10].substr(level, 6), "0:1000");
}

TEST(ReportTest, CedHasNoAnglesToName) {
  gridtools::FileReport r = sample();
  r.nav.projection = "CED";
  r.nav.angle1 = r.nav.angle2 = r.nav.angle3 = 0;
  EXPECT_EQ(gridtools::text_listing(r)[5], "Angles:       none used");
  r.nav.angle2 = 4;
  EXPECT_EQ(gridtools::text_listing(r)[5], "Angles:       unused angle 2 4");
}

TEST(DiffReportTest, JsonAndTextOfADifference) {
  gridtools::DiffReport d;
  d.path_a = "a.grd";
  d.path_b = "b.grd";
  d.tolerance = {0.5, 0};
  d.navigation = {{"lat1", "30", "31"}};
  gridfile::GridInfo g;
  g.number = 2;
  g.id = {
      .time1 = "910823/1200", .param = "TMPK", .level1 = 850, .vcoord = gridfile::Vcoord::kPres};
  g.nx = 3;
  g.ny = 2;
  gridfile::GridInfo packed = g;
  packed.number = 5;
  packed.packing = {gridfile::PackingType::kGrib, 8};
  packed.step = 0.25f;
  gridtools::Comparison c;
  c.points = 6;
  c.differing = 1;
  c.compared = 6;
  c.max_abs = 0.125;
  c.max_abs_at = {3, 2, 1.0f, 1.125f};
  c.max_rel = 0.1;
  c.max_rel_at = {3, 2, 1.0f, 1.125f};
  c.rms = 0.05;
  d.pairs.push_back({g, packed, c, gridtools::packing_step(g, packed)});
  d.only_b.push_back(g);
  EXPECT_FALSE(d.equal());

  const json doc = json::parse(gridtools::diff_json(d));
  EXPECT_EQ(doc["a"], "a.grd");
  EXPECT_FALSE(doc["equal"]);
  EXPECT_EQ(doc["tolerance"]["abs"], 0.5);
  EXPECT_EQ(doc["navigation"][0]["field"], "lat1");
  EXPECT_EQ(doc["navigation"][0]["b"], "31");
  EXPECT_TRUE(doc["only_in_a"].empty());
  EXPECT_EQ(doc["only_in_b"][0]["number"], 2);
  const json& p = doc["grids"][0];
  EXPECT_EQ(p["a"]["number"], 2);
  EXPECT_EQ(p["b"]["number"], 5);
  EXPECT_EQ(p["differing"], 1);
  EXPECT_EQ(p["max_abs"]["value"], 0.125);
  EXPECT_EQ(p["max_abs"]["i"], 3);
  EXPECT_EQ(p["max_abs"]["j"], 2);
  EXPECT_EQ(p["max_abs"]["b"], 1.125);
  EXPECT_EQ(p["packing_step"], 0.25);
  EXPECT_EQ(p["max_abs_in_steps"], 0.5);

  const std::vector<std::string> t = gridtools::diff_text(d);
  EXPECT_EQ(t[2], "Navigation differs: lat1 30 / 31");
  EXPECT_EQ(t[3], "Only in B: grid 2 " + g.id.text() + " (1991-08-23T12:00Z)");
  EXPECT_NE(t[4].find("largest difference 0.125 at (3,2) A 1, B 1.125"), std::string::npos) << t[4];
  EXPECT_NE(t[4].find("packing step 0.25, largest difference 0.5 steps"), std::string::npos);
  EXPECT_EQ(t.back().rfind("Different: 1 grids paired, 1 differ, 0 only in A, 1 only in B", 0), 0u);
}

}  // namespace
