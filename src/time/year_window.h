// The window that widens the two-digit years a grid file stores: a stored
// year yy is the year of first..first+99 that ends in yy. 1950-2049 unless
// the caller moves it; programs take --first-year Y or the environment
// variable T2G_FIRST_YEAR (the option wins). Widening never changes what is
// stored. Leap years agree between 1921-2020 (the window of the library's date
// routines, which judge stored dates) and 1950-2049: 00 is 2000 in both.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace timewin {

inline constexpr int kDefaultFirstYear = 1950;
// The window of the library's date routines (ti_ctoi): 1921-2020.
inline constexpr int kRoutinesFirstYear = 1921;
// First years accepted: four-digit years whose window stays within four digits.
inline constexpr int kMinFirstYear = 1000;
inline constexpr int kMaxFirstYear = 9999 - 99;
inline constexpr std::string_view kFirstYearVariable = "T2G_FIRST_YEAR";
inline constexpr std::string_view kFirstYearOption = "--first-year";

class YearWindow {
 public:
  // 1950-2049.
  constexpr YearWindow() = default;
  // The window first..first+99; nullopt for a first year outside
  // kMinFirstYear..kMaxFirstYear.
  static constexpr std::optional<YearWindow> starting(int first_year) {
    if (first_year < kMinFirstYear || first_year > kMaxFirstYear) return std::nullopt;
    return YearWindow(first_year);
  }

  constexpr int first() const { return first_; }
  constexpr int last() const { return first_ + 99; }
  constexpr bool contains(int year) const { return year >= first_ && year <= last(); }
  // The year of the window that ends in yy (taken modulo 100).
  constexpr int widen(int yy) const {
    const int ends_in = ((yy % 100) + 100) % 100;
    return first_ + ((ends_in - first_ % 100) % 100 + 100) % 100;
  }
  // A full year's last two digits, when the window holds it.
  constexpr std::optional<int> two_digits(int year) const {
    if (!contains(year)) return std::nullopt;
    return year % 100;
  }
  // "1950-2049".
  std::string text() const;

  friend constexpr bool operator==(const YearWindow&, const YearWindow&) = default;

 private:
  constexpr explicit YearWindow(int first_year) : first_(first_year) {}
  int first_ = kDefaultFirstYear;
};

// A first year as typed: exactly four digits within kMinFirstYear..
// kMaxFirstYear. nullopt, with `problem` saying why, otherwise.
std::optional<YearWindow> parse_first_year(std::string_view text, std::string& problem);

// The window a program uses: the option's text when given, else
// T2G_FIRST_YEAR when set and not empty, else 1950-2049. nullopt, with
// `problem` naming the option or the variable and the text, for a value that
// is not a four-digit year.
std::optional<YearWindow> window_in_force(std::optional<std::string_view> option_text,
                                          std::string& problem);

// "years are read in 1950-2049; move the window with --first-year Y or
// T2G_FIRST_YEAR=Y (years Y..Y+99)": the advice a refusal carries.
std::string window_advice(const YearWindow& window);

// A time text as typed (yymmdd/hhmm... or yyyymmdd/hhmm..., with whatever
// follows) in the form the grid format stores: a four-digit year becomes its
// last two digits when the window holds it; any other text comes back
// unchanged. nullopt, with `problem` naming the year, the window and how to
// move it, for a four-digit year outside the window.
std::optional<std::string> two_digit_year_text(std::string_view typed, const YearWindow& window,
                                               std::string& problem);

}  // namespace timewin
