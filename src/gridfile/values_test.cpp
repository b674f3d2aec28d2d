// The value types: times, identifiers, packing texts and the navigation block.
#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gridfile/gridfile.h"

namespace gridfile {
namespace {

// --- Times ---------------------------------------------------------------------

TEST(GridTimeTest, TakesTheTextApartWithTheYearWindow) {
  std::optional<GridTime> t = parse_time("910823/1200");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->year, 1991);
  EXPECT_EQ(t->month, 8);
  EXPECT_EQ(t->day, 23);
  EXPECT_EQ(t->hour, 12);
  EXPECT_EQ(t->minute, 0);
  EXPECT_EQ(t->forecast_type, ' ');
  EXPECT_EQ(t->forecast_minutes, 0);
  t = parse_time("200229/0630");  // 20 is 2020, a leap year
  ASSERT_TRUE(t);
  EXPECT_EQ(t->year, 2020);
  t = parse_time("210101/0000");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->year, 2021);
  EXPECT_EQ(parse_time("491231/2359")->year, 2049);
  EXPECT_EQ(parse_time("500101/0000")->year, 1950);
  // The library routines' window, asked for per call.
  const YearWindow old = YearWindow::starting(1921).value();
  EXPECT_EQ(parse_time("210101/0000", old)->year, 1921);
  EXPECT_EQ(parse_time("201231/0000", old)->year, 2020);
}

TEST(GridTimeTest, ForecastParts) {
  std::optional<GridTime> t = parse_time("910823/1200F012");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->forecast_type, 'F');
  EXPECT_EQ(t->forecast_minutes, 12 * 60);
  t = parse_time("910823/1200f00130");  // hhhmm: 1 hour 30 minutes
  ASSERT_TRUE(t);
  EXPECT_EQ(t->forecast_type, 'F');
  EXPECT_EQ(t->forecast_minutes, 90);
  t = parse_time("910823/1200G006");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->forecast_type, 'G');
  t = parse_time("910823/1200A00");  // forecast word 0: no forecast part
  ASSERT_TRUE(t);
  EXPECT_EQ(t->forecast_type, ' ');
}

TEST(GridTimeTest, ValidTimeComesBackAsItsInitialTime) {
  // Valid 06 UTC with a 12-hour forecast: filed as 910822/1800F012.
  std::optional<GridTime> t = parse_time("910823/0600V012");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->day, 22);
  EXPECT_EQ(t->hour, 18);
  EXPECT_EQ(t->forecast_type, 'F');
  EXPECT_EQ(t->forecast_minutes, 720);
}

TEST(GridTimeTest, BlankAndBadTextsGiveNothing) {
  EXPECT_FALSE(parse_time(""));
  EXPECT_FALSE(parse_time("          "));
  EXPECT_FALSE(parse_time("911323/1200"));             // month 13
  EXPECT_FALSE(parse_time("910823/1200X012"));         // unknown type
  EXPECT_FALSE(parse_time("910823/1200F1X"));          // period not a number
  EXPECT_FALSE(parse_time("910823/1200F123456"));      // period too long
  EXPECT_FALSE(parse_time("910823/1200F012      x"));  // longer than 20 characters
}

TEST(GridTimeTest, Iso8601OfTheReferenceTime) {
  EXPECT_EQ(iso8601("200101/0000"), "2020-01-01T00:00Z");
  EXPECT_EQ(iso8601("240101/0000"), "2024-01-01T00:00Z");
  EXPECT_EQ(iso8601("261201/0000"), "2026-12-01T00:00Z");
  EXPECT_EQ(iso8601("261201/0000", YearWindow::starting(1921).value()), "1926-12-01T00:00Z");
  EXPECT_EQ(iso8601("910823/1230F012"), "1991-08-23T12:30Z");
  EXPECT_EQ(iso8601("000229/2359"), "2000-02-29T23:59Z");
  // Hour 24 is accepted by the library; it is the next day's midnight.
  EXPECT_EQ(iso8601("991231/2400"), "2000-01-01T00:00Z");
  EXPECT_EQ(iso8601(""), "");
  EXPECT_EQ(iso8601("not a time"), "");
}

TEST(GridTimeTest, Iso8601OfTheValidTime) {
  EXPECT_EQ(valid_iso8601("261215/1200F006"), "2026-12-15T18:00Z");
  EXPECT_EQ(valid_iso8601("261231/1800F00630"), "2027-01-01T00:30Z");
  EXPECT_EQ(valid_iso8601("261215/1200"), "2026-12-15T12:00Z");
  EXPECT_EQ(valid_iso8601("x"), "");
}

// --- Identifiers and vertical coordinates --------------------------------------

TEST(GridIdTest, VcoordNamesBothWays) {
  EXPECT_EQ(vcoord_name(Vcoord::kNone), "NONE");
  EXPECT_EQ(vcoord_name(Vcoord::kPres), "PRES");
  EXPECT_EQ(vcoord_name(Vcoord::kThta), "THTA");
  EXPECT_EQ(vcoord_name(Vcoord::kHght), "HGHT");
  EXPECT_EQ(vcoord_name(Vcoord::kSgma), "SGMA");
  EXPECT_EQ(vcoord_name(static_cast<Vcoord>(7)), "7");
  EXPECT_EQ(vcoord_name(static_cast<Vcoord>(-1)), "-1");
  EXPECT_EQ(vcoord_from_name("pres"), Vcoord::kPres);
  EXPECT_EQ(vcoord_from_name("SGMA"), Vcoord::kSgma);
  EXPECT_FALSE(vcoord_from_name("PRESS"));
  EXPECT_FALSE(vcoord_from_name(""));
  EXPECT_FALSE(vcoord_from_name("1"));
  // The parser takes a name or any code.
  EXPECT_EQ(parse_vcoord("thta"), Vcoord::kThta);
  EXPECT_EQ(parse_vcoord("7"), static_cast<Vcoord>(7));
  EXPECT_EQ(parse_vcoord("-3"), static_cast<Vcoord>(-3));
  EXPECT_FALSE(parse_vcoord("7x"));
  EXPECT_FALSE(parse_vcoord(""));
  EXPECT_FALSE(parse_vcoord("99999999999"));
}

TEST(GridIdTest, TextShowsTimeTwoAndLevelTwoOnlyWhenSet) {
  GridId id{.time1 = "240101/0000", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres};
  EXPECT_EQ(id.text(), "240101/0000 850 PRES TMPK");
  id.time2 = "240101/1200";
  id.level2 = 500;
  EXPECT_EQ(id.text(), "240101/0000:240101/1200 850:500 PRES TMPK");
  GridId none{.param = "PMSL", .level1 = 0, .vcoord = Vcoord::kNone};
  EXPECT_EQ(none.text(), "- 0 NONE PMSL");
  // A level 2 of 0 is set, unlike none; an unknown code shows as its digits.
  none.level2 = 0;
  none.vcoord = static_cast<Vcoord>(7);
  EXPECT_EQ(none.text(), "- 0:0 7 PMSL");
}

TEST(GridIdTest, NamedConstructorsWriteTheFormatsTimeTexts) {
  using namespace std::chrono;
  const sys_seconds noon = sys_days{year{2024} / 2 / 29} + hours{12} + minutes{5} + seconds{59};
  const GridId a = GridId::analysis(noon, "TMPK", 850, Vcoord::kPres);
  EXPECT_EQ(
      a, (GridId{.time1 = "240229/1205", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres}));
  Result<GridId> f = GridId::forecast(noon, hours{6}, "PMSL", 0);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->text(), "240229/1205F006 0 NONE PMSL");
  EXPECT_EQ(GridId::forecast(noon, minutes{12 * 60 + 30}, "P", 0)->time1, "240229/1205F01230");
  EXPECT_EQ(GridId::forecast(noon, minutes{999 * 60 + 59}, "P", 0)->time1, "240229/1205F99959");
  EXPECT_EQ(GridId::forecast(noon, hours{0}, "P", 0)->time1, "240229/1205F000");
  EXPECT_TRUE(GridId::forecast(noon, hours{1000}, "P", 0).error().bad_argument());
  EXPECT_TRUE(GridId::forecast(noon, minutes{-1}, "P", 0).error().bad_argument());
}

// --- Packing -------------------------------------------------------------------

TEST(PackingTest, TextAndParseRoundTrip) {
  for (std::string_view text : {"none", "grib:2", "grib:31", "diff:12", "dec:2", "dec:-1"}) {
    std::optional<Packing> p = Packing::parse(text);
    ASSERT_TRUE(p) << text;
    EXPECT_EQ(p->text(), text);
  }
  EXPECT_EQ(Packing::parse("GRIB:12")->type, PackingType::kGrib);
  EXPECT_EQ(Packing::parse("dec:3")->bits, 3);
}

TEST(PackingTest, MalformedOrOutOfRangeIsRefused) {
  for (std::string_view text : {"", "grib", "grib:", "grib:1", "grib:32", "diff:0", "dec:x",
                                "dec:39", "zip:4", "grib:12x", "none:0", " grib:12"}) {
    EXPECT_FALSE(Packing::parse(text)) << text;
  }
}

// --- Navigation ----------------------------------------------------------------

TEST(NavigationTest, BlockLayoutWordByWord) {
  Navigation nav{"CED", 10, 5, -10.5f, 20.25f, 30.0f, 40.0f, 1.0f, 2.0f, 3.0f};
  const std::array<float, 256> block = nav.to_block();
  EXPECT_EQ(block[0], 2.0f);  // angles given: navigation type 2
  std::uint32_t name = 0;
  std::memcpy(&name, "CED ", 4);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(block[1]), name);
  EXPECT_EQ(block[2], 1.0f);
  EXPECT_EQ(block[3], 1.0f);
  EXPECT_EQ(block[4], 10.0f);
  EXPECT_EQ(block[5], 5.0f);
  EXPECT_EQ(block[6], -10.5f);
  EXPECT_EQ(block[7], 20.25f);
  EXPECT_EQ(block[8], 30.0f);
  EXPECT_EQ(block[9], 40.0f);
  EXPECT_EQ(block[10], 1.0f);
  EXPECT_EQ(block[11], 2.0f);
  EXPECT_EQ(block[12], 3.0f);
  for (std::size_t w = 13; w < block.size(); ++w) EXPECT_EQ(block[w], 0.0f) << w;
  EXPECT_EQ(Navigation::from_block(block), nav);
}

TEST(NavigationTest, ProjectionNamesKeepTheirCaseAndFourCharacters) {
  Navigation nav{"lcc", 3, 4, 0, 0, 1, 1, 25, -95, 25};
  EXPECT_EQ(Navigation::from_block(nav.to_block()).projection, "lcc");
  nav.projection = "POLR";
  EXPECT_EQ(Navigation::from_block(nav.to_block()).projection, "POLR");
  nav.projection = "LIN";
  EXPECT_EQ(nav.to_block()[0], 3.0f);
}

TEST(MissingTest, ToleranceOfOneTenth) {
  EXPECT_TRUE(is_missing(kMissing));
  EXPECT_TRUE(is_missing(-9999.05f));
  EXPECT_TRUE(is_missing(-9998.95f));
  EXPECT_FALSE(is_missing(-9999.2f));
  EXPECT_FALSE(is_missing(-9998.8f));
  EXPECT_FALSE(is_missing(0.0f));

  // replace_missing judges alike, and leaves everything else as it was.
  std::vector<float> v{kMissing, -9999.05f, -9999.2f, 0.0f, NAN, 3.5f};
  replace_missing(v, NAN);
  EXPECT_TRUE(std::isnan(v[0]) && std::isnan(v[1]) && std::isnan(v[4]));
  EXPECT_EQ(v[2], -9999.2f);
  EXPECT_EQ(v[3], 0.0f);
  EXPECT_EQ(v[5], 3.5f);
  v[1] = -9998.95f;
  replace_missing(v, kMissing);
  EXPECT_EQ(v[1], kMissing);
  EXPECT_TRUE(std::isnan(v[0]));
}

}  // namespace
}  // namespace gridfile
