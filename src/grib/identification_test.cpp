// Grid identifiers and GRIB2 keys: every kind of time and level there and
// back, the year window, and each identifier or key that has no counterpart.
#include "grib/identification.h"

#include <gtest/gtest.h>

#include <optional>

namespace grib {
namespace {

using gridfile::Vcoord;

using gridfile::GridId;

const timewin::YearWindow kWindow;  // 1950-2049

GridId id(std::string time, int level, gridfile::Vcoord vcoord,
          std::optional<int> level2 = std::nullopt) {
  return GridId{.time1 = std::move(time), .level1 = level, .level2 = level2, .vcoord = vcoord};
}

TEST(Identification, TimesAndLevelsComeBackAsTheyWere) {
  const GridId ids[] = {
      id("910823/1200", 850, Vcoord::kPres),           id("910823/1200F012", 0, Vcoord::kNone),
      id("240229/0630F00130", 300, Vcoord::kThta),     id("240101/0000F000", 2, Vcoord::kHght),
      id("240101/0000A006", 9950, Vcoord::kSgma),      id("240101/0000G003", 10, Vcoord::kHght),
      id("240101/0000I000", 1000, Vcoord::kPres, 500), id("200101/0000", 0, Vcoord::kNone),
  };
  for (const GridId& g : ids) {
    auto m = message_id(g, kGroundSurface, kWindow);
    ASSERT_TRUE(m.ok()) << g.text() << ": " << m.error().text;
    auto back = grid_id(*m, kWindow);
    ASSERT_TRUE(back.ok()) << g.text() << ": " << back.error().text;
    EXPECT_EQ(*back, g) << g.text() << " came back as " << back->text();
  }
}

TEST(Identification, KeysFollowTheCodeTables) {
  auto m = message_id(id("910823/1200F012", 850, Vcoord::kPres), 1, kWindow);
  ASSERT_TRUE(m.ok());
  EXPECT_EQ(m->year, 1991);
  EXPECT_EQ(m->processed_data, 1);
  EXPECT_EQ(m->generating_process, kProcessForecast);
  EXPECT_EQ(m->time_unit, kUnitHour);
  EXPECT_EQ(m->forecast_time, 12);
  EXPECT_EQ(m->first, (Surface{100, 85000, 0}));  // Pa
  EXPECT_EQ(m->second.type, kMissingSurface);

  m = message_id(id("240101/0000F00130", 9950, Vcoord::kSgma), 1, kWindow);
  ASSERT_TRUE(m.ok());
  EXPECT_EQ(m->time_unit, kUnitMinute);
  EXPECT_EQ(m->forecast_time, 90);
  EXPECT_EQ(m->first, (Surface{104, 9950, 4}));  // sigma 0.995
  EXPECT_EQ(m->generating_process, kProcessForecast);

  m = message_id(id("240101/0000", 0, Vcoord::kNone), 101, kWindow);
  ASSERT_TRUE(m.ok());
  EXPECT_EQ(m->first, (Surface{101, 0, 0}));
  EXPECT_EQ(m->processed_data, 0);
  EXPECT_EQ(m->generating_process, kProcessAnalysis);
}

TEST(Identification, TheYearWindowReadsTwoDigitYears) {
  const timewin::YearWindow old_window = *timewin::YearWindow::starting(1921);
  auto m = message_id(id("261201/0000", 0, Vcoord::kNone), 1, kWindow);
  ASSERT_TRUE(m.ok());
  EXPECT_EQ(m->year, 2026);
  EXPECT_TRUE(grid_id(*m, kWindow).ok());
  auto refused = grid_id(*m, old_window);  // 2026 lies beyond 1921-2020
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.error().text.find("1921-2020"), std::string::npos) << refused.error().text;
  m = message_id(id("261201/0000", 0, Vcoord::kNone), 1, old_window);
  ASSERT_TRUE(m.ok());
  EXPECT_EQ(m->year, 1926);
}

TEST(Identification, IdentifiersWithoutAGribFormAreRefused) {
  const struct {
    GridId id;
    const char* why;
  } cases[] = {
      {id("", 0, Vcoord::kNone), "no reference time"},
      {GridId{.time1 = "240101/0000",
              .time2 = "240101/1200",
              .param = "",
              .level1 = 0,
              .vcoord = Vcoord::kNone},
       "second time"},
      {id("240101/0000", 5, Vcoord::kNone), "without a vertical coordinate"},
      {id("240101/0000", 5, static_cast<Vcoord>(7)), "vertical coordinate 7"},
  };
  for (const auto& c : cases) {
    auto m = message_id(c.id, 1, kWindow);
    ASSERT_FALSE(m.ok()) << c.id.text();
    EXPECT_NE(m.error().text.find(c.why), std::string::npos) << m.error().text;
  }
}

TEST(Identification, KeysWithoutAGridFormAreRefused) {
  MessageId base;
  base.year = 2014;
  base.month = 1;
  base.day = 1;
  base.first = {100, 85000, 0};
  const struct {
    void (*change)(MessageId&);
    const char* why;
  } cases[] = {
      {[](MessageId& m) {
         m.first = {105, 10, 0};
       },
       "fixed surface type 105"},
      {[](MessageId& m) {
         m.first = {100, 85050, 0};
       },
       "not a whole number"},
      {[](MessageId& m) {
         m.second = {103, 2, 0};
       },
       "layer between surfaces"},
      {[](MessageId& m) {
         m.second = {100, -100, 0};
       },
       "second level of -1"},
      {[](MessageId& m) { m.time_unit = 7; }, "time unit 7"},
      {[](MessageId& m) { m.forecast_time = 1000; }, "outside 0..999 hours"},
      {[](MessageId& m) { m.year = 1901; }, "reference year 1901"},
  };
  for (const auto& c : cases) {
    MessageId m = base;
    c.change(m);
    auto g = grid_id(m, kWindow);
    ASSERT_FALSE(g.ok()) << c.why;
    EXPECT_NE(g.error().text.find(c.why), std::string::npos) << g.error().text;
  }
  // Other units of the forecast period, and the usual surfaces of others.
  MessageId m = base;
  m.processed_data = 1;
  m.generating_process = 255;  // not said: a forecast, as the product says
  m.time_unit = 10;            // 3 hours
  m.forecast_time = 4;
  m.first = {1, 0, 0};
  auto g = grid_id(m, kWindow);
  ASSERT_TRUE(g.ok()) << g.error().text;
  EXPECT_EQ(g->text(), "140101/0000F012 0 NONE ");
  m.time_unit = 13;  // seconds
  m.forecast_time = 5400;
  m.first = {100, 8500000, 2};  // 85000.00 Pa
  g = grid_id(m, kWindow);
  ASSERT_TRUE(g.ok()) << g.error().text;
  EXPECT_EQ(g->time1, "140101/0000F00130");
  EXPECT_EQ(g->level1, 850);
}

}  // namespace
}  // namespace grib
