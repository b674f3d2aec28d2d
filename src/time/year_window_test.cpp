#include "time/year_window.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "services/test_env.h"
#include "time/calendar.h"
#include "time/ti.h"

namespace {

using services::testing::ScopedEnv;
using timewin::YearWindow;

YearWindow Starting(int first_year) {
  return YearWindow::starting(first_year).value();
}

TEST(YearWindowTest, DefaultWindowEdges) {
  const YearWindow w;
  EXPECT_EQ(w.text(), "1950-2049");
  EXPECT_EQ(w.widen(49), 2049);
  EXPECT_EQ(w.widen(50), 1950);
  EXPECT_EQ(w.widen(0), 2000);
  EXPECT_EQ(w.widen(26), 2026);
  EXPECT_EQ(w.widen(91), 1991);
  EXPECT_EQ(w.widen(99), 1999);
  EXPECT_FALSE(w.contains(1949));
  EXPECT_TRUE(w.contains(1950));
  EXPECT_TRUE(w.contains(2049));
  EXPECT_FALSE(w.contains(2050));
  EXPECT_EQ(w.two_digits(2026), 26);
  EXPECT_EQ(w.two_digits(1950), 50);
  EXPECT_EQ(w.two_digits(2050), std::nullopt);
  EXPECT_EQ(w.two_digits(1949), std::nullopt);
}

TEST(YearWindowTest, MovedWindows) {
  const YearWindow old = Starting(1921);
  EXPECT_EQ(old.widen(20), 2020);
  EXPECT_EQ(old.widen(21), 1921);
  EXPECT_EQ(old.widen(26), 1926);
  const YearWindow round = Starting(2000);
  EXPECT_EQ(round.widen(0), 2000);
  EXPECT_EQ(round.widen(99), 2099);
  EXPECT_EQ(Starting(9900).widen(0), 9900);
  EXPECT_EQ(Starting(9900).widen(99), 9999);
  EXPECT_EQ(Starting(1000).widen(123), 1023);  // taken modulo 100
  EXPECT_EQ(YearWindow::starting(999), std::nullopt);
  EXPECT_EQ(YearWindow::starting(9901), std::nullopt);
}

// Every two-digit year widens to a year of the same leap status in the
// library's window and in the default one, and the library's date check
// agrees with both: dates valid before stay valid, and no others.
TEST(YearWindowTest, EveryTwoDigitYearKeepsItsLeapStatus) {
  const YearWindow now;
  const YearWindow old = Starting(timewin::kRoutinesFirstYear);
  for (int yy = 0; yy < 100; ++yy) {
    const bool leap = timecal::is_leap_year(now.widen(yy));
    EXPECT_EQ(leap, timecal::is_leap_year(old.widen(yy))) << yy;
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%02d0229/0000", yy);
    std::array<int, 5> idtarr{};
    int iret = 0;
    ti_ctoi(text.data(), idtarr, iret);
    EXPECT_EQ(iret == 0, leap) << text.data();
  }
}

TEST(YearWindowTest, ParsesFourDigitFirstYearsOnly) {
  std::string problem;
  EXPECT_EQ(timewin::parse_first_year("1921", problem), Starting(1921));
  EXPECT_EQ(timewin::parse_first_year("9900", problem), Starting(9900));
  for (const char* bad : {"", "21", "192", "19210", "-1921", " 1921", "1921 ", "19x1", "0999"}) {
    problem.clear();
    EXPECT_EQ(timewin::parse_first_year(bad, problem), std::nullopt) << bad;
    EXPECT_NE(problem.find("four-digit year"), std::string::npos) << problem;
  }
  EXPECT_EQ(timewin::parse_first_year("9950", problem), std::nullopt);
  EXPECT_NE(problem.find("outside 1000-9900"), std::string::npos) << problem;
}

TEST(YearWindowTest, OptionWinsOverEnvironment) {
  std::string problem;
  {
    ScopedEnv unset(std::string(timewin::kFirstYearVariable), std::nullopt);
    EXPECT_EQ(timewin::window_in_force(std::nullopt, problem), YearWindow());
    EXPECT_EQ(timewin::window_in_force("1921", problem), Starting(1921));
  }
  {
    ScopedEnv empty(std::string(timewin::kFirstYearVariable), "");
    EXPECT_EQ(timewin::window_in_force(std::nullopt, problem), YearWindow());
  }
  ScopedEnv set(std::string(timewin::kFirstYearVariable), "1921");
  EXPECT_EQ(timewin::window_in_force(std::nullopt, problem), Starting(1921));
  EXPECT_EQ(timewin::window_in_force("2000", problem), Starting(2000));
  EXPECT_EQ(timewin::window_in_force("20", problem), std::nullopt);
  EXPECT_EQ(problem, "--first-year: \"20\" is not a four-digit year (1000-9900)");
  ScopedEnv bad(std::string(timewin::kFirstYearVariable), "abc");
  EXPECT_EQ(timewin::window_in_force(std::nullopt, problem), std::nullopt);
  EXPECT_EQ(problem, "T2G_FIRST_YEAR: \"abc\" is not a four-digit year (1000-9900)");
  EXPECT_EQ(timewin::window_in_force("1950", problem), YearWindow());  // the option wins
}

TEST(YearWindowTest, NarrowsTypedFourDigitYearsInsideTheWindow) {
  std::string problem;
  const YearWindow w;
  EXPECT_EQ(timewin::two_digit_year_text("20261201/0000", w, problem), "261201/0000");
  EXPECT_EQ(timewin::two_digit_year_text("20261215/1200F006", w, problem), "261215/1200F006");
  EXPECT_EQ(timewin::two_digit_year_text("19500101/0000", w, problem), "500101/0000");
  EXPECT_EQ(timewin::two_digit_year_text("20491231/2359", w, problem), "491231/2359");
  // Texts without a four-digit year are left to the time checks.
  EXPECT_EQ(timewin::two_digit_year_text("261201/0000", w, problem), "261201/0000");
  EXPECT_EQ(timewin::two_digit_year_text("2026-12-01", w, problem), "2026-12-01");
  EXPECT_EQ(timewin::two_digit_year_text("", w, problem), "");

  for (const char* outside : {"19491231/2359", "20500101/0000", "30001231/0000"}) {
    problem.clear();
    EXPECT_EQ(timewin::two_digit_year_text(outside, w, problem), std::nullopt) << outside;
    EXPECT_NE(problem.find("1950-2049"), std::string::npos) << problem;
    EXPECT_NE(problem.find("--first-year"), std::string::npos) << problem;
    EXPECT_NE(problem.find("T2G_FIRST_YEAR"), std::string::npos) << problem;
  }
  EXPECT_EQ(timewin::two_digit_year_text("19910823/1200", Starting(1921), problem), "910823/1200");
  EXPECT_EQ(timewin::two_digit_year_text("20261201/0000", Starting(1921), problem), std::nullopt);
  EXPECT_EQ(problem,
            "the year 2026 is outside the window of two-digit years: years are read in "
            "1921-2020; move the window with --first-year Y or T2G_FIRST_YEAR=Y (years Y..Y+99)");
}

}  // namespace
