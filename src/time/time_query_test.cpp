// Times users type to choose grids: every accepted form, the window on
// four-digit years, valid-time matching of ISO 8601, and refusals.
#include "time/time_query.h"

#include <gtest/gtest.h>

namespace {

using timewin::TimeQuery;
using timewin::YearWindow;

std::optional<TimeQuery> Parse(std::string_view text, YearWindow w = {}) {
  std::string problem;
  return TimeQuery::parse(text, w, problem);
}

std::string Problem(std::string_view text, YearWindow w = {}) {
  std::string problem;
  EXPECT_FALSE(TimeQuery::parse(text, w, problem)) << text;
  return problem;
}

TEST(TimeQueryTest, GridTimeFormsMatchAsFiled) {
  for (const char* typed : {"261215/1200", "20261215/1200"}) {
    const auto q = Parse(typed);
    ASSERT_TRUE(q) << typed;
    EXPECT_TRUE(q->matches("261215/1200")) << typed;
    EXPECT_FALSE(q->matches("261215/1200F006")) << typed;
    EXPECT_FALSE(q->matches("")) << typed;
  }
  const auto f = Parse("20261215/1200F6");
  ASSERT_TRUE(f);
  EXPECT_TRUE(f->matches("261215/1200F006"));
  EXPECT_TRUE(f->matches("261215/1800V006"));  // the same grid time, as filed
  EXPECT_FALSE(f->matches("261215/1800"));
  // 1926 is outside 1950-2049; inside 1921-2020, where it is the same text.
  EXPECT_NE(Problem("19261201/0000").find("1950-2049"), std::string::npos);
  const auto old = Parse("19261201/0000", YearWindow::starting(1921).value());
  ASSERT_TRUE(old);
  EXPECT_TRUE(old->matches("261201/0000"));
}

TEST(TimeQueryTest, IsoTimesMatchTheValidTime) {
  for (const char* typed : {"2026-12-15T18:00Z", "2026-12-15T18Z", "2026-12-15 18:00",
                            "2026-12-15T18:00", "2026-12-15t18:00:00z", "2026-12-15T18:00+00:00"}) {
    const auto q = Parse(typed);
    ASSERT_TRUE(q) << typed;
    EXPECT_TRUE(q->matches("261215/1800")) << typed;
    EXPECT_TRUE(q->matches("261215/1200F006")) << typed;  // valid 18Z
    EXPECT_TRUE(q->matches("261215/0600F012")) << typed;
    EXPECT_FALSE(q->matches("261215/1200")) << typed;
  }
  const auto q = Parse("2026-12-15T12:00Z");
  ASSERT_TRUE(q);
  EXPECT_TRUE(q->matches("261215/1200"));
  EXPECT_FALSE(q->matches("261215/1200F006"));
  EXPECT_FALSE(Parse("1926-12-15T12:00Z")->matches("261215/1200"));  // the window reads 2026
  EXPECT_TRUE(
      Parse("1926-12-15T12:00Z", YearWindow::starting(1921).value())->matches("261215/1200"));
  EXPECT_TRUE(Parse("1991-08-24T00:00Z")->matches("910823/2400"));  // hour 24 carries
}

TEST(TimeQueryTest, NonTimesAreRefused) {
  for (const char* bad : {"", "tomorrow", "12", "261215", "261315/1200", "261215/1200X006",
                          "2612151200", "30001231/0000"}) {
    EXPECT_FALSE(Problem(bad).empty()) << bad;
  }
  EXPECT_NE(Problem("tomorrow").find("ISO 8601"), std::string::npos);
  EXPECT_NE(Problem("2026-12-15").find("an hour"), std::string::npos);
  EXPECT_NE(Problem("2026-02-30T00Z").find("no such date"), std::string::npos);
  EXPECT_NE(Problem("2026-12-15T24:00Z").find("no such date"), std::string::npos);
  EXPECT_NE(Problem("2026-12-15T12:00:30Z").find("whole minutes"), std::string::npos);
  EXPECT_NE(Problem("2026-12-15T12:00+01:00").find("UTC"), std::string::npos);
  EXPECT_NE(Problem("30001231/0000").find("T2G_FIRST_YEAR"), std::string::npos);
}

}  // namespace
