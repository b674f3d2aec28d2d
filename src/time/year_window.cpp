// The two-digit-year window: its text, reading a first year from an option or
// the environment, and narrowing typed four-digit years.
#include "time/year_window.h"

#include <algorithm>
#include <cctype>

#include "platform/platform.h"
#include "strings/concat.h"

namespace timewin {
namespace {

bool all_digits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
  });
}

int digits_value(std::string_view text) {
  int value = 0;
  for (const char c : text) value = value * 10 + (c - '0');
  return value;
}

}  // namespace

std::string YearWindow::text() const {
  return std::to_string(first()) + "-" + std::to_string(last());
}

std::optional<YearWindow> parse_first_year(std::string_view text, std::string& problem) {
  const std::string range = std::to_string(kMinFirstYear) + "-" + std::to_string(kMaxFirstYear);
  if (text.size() != 4 || !all_digits(text)) {
    problem = strings::concat({"\"", text, "\" is not a four-digit year (", range, ")"});
    return std::nullopt;
  }
  const std::optional<YearWindow> window = YearWindow::starting(digits_value(text));
  if (!window) {
    problem = strings::concat(
        {"\"", text, "\" is outside ", range, " (the window Y..Y+99 must hold four-digit years)"});
  }
  return window;
}

std::optional<YearWindow> window_in_force(std::optional<std::string_view> option_text,
                                          std::string& problem) {
  std::string why;
  if (option_text) {
    std::optional<YearWindow> window = parse_first_year(*option_text, why);
    if (!window) problem = std::string(kFirstYearOption) + ": " + why;
    return window;
  }
  const std::optional<std::string> env = platform::get_env(kFirstYearVariable);
  if (!env || env->empty()) return YearWindow();
  std::optional<YearWindow> window = parse_first_year(*env, why);
  if (!window) problem = std::string(kFirstYearVariable) + ": " + why;
  return window;
}

std::string window_advice(const YearWindow& window) {
  return "years are read in " + window.text() + "; move the window with " +
         std::string(kFirstYearOption) + " Y or " + std::string(kFirstYearVariable) +
         "=Y (years Y..Y+99)";
}

std::optional<std::string> two_digit_year_text(std::string_view typed, const YearWindow& window,
                                               std::string& problem) {
  if (typed.size() < 9 || typed[8] != '/' || !all_digits(typed.substr(0, 8))) {
    return std::string(typed);
  }
  const int year = digits_value(typed.substr(0, 4));
  if (!window.contains(year)) {
    problem = "the year " + std::string(typed.substr(0, 4)) +
              " is outside the window of two-digit years: " + window_advice(window);
    return std::nullopt;
  }
  return std::string(typed.substr(2));
}

}  // namespace timewin
