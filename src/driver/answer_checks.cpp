// Checks of the dialogue's answers: refusals and warnings.
#include "driver/answer_checks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>

#include "driver/convert.h"
#include "platform/platform.h"
#include "strings/field.h"
#include "time/tg.h"
#include "time/ti.h"

namespace driver {
namespace {

constexpr std::string_view kTimeForm =
    "the accepted form is yymmdd/hhmm or yyyymmdd/hhmm, optionally followed by a forecast part "
    "such as F012 (hours) or F01230 (hours and minutes)";

// Projection names the grid format knows; any other is stored all the same.
constexpr std::array<std::string_view, 18> kKnownProjections = {
    "CED", "MER", "MCD", "LCC", "SCC", "NPS", "SPS", "STR", "UTM",
    "TVM", "AZM", "ORT", "GNO", "LEA", "LIN", "LOG", "KAP", "POL"};

// "answer line N, " (nothing for answers that were not read from standard input).
std::string at_line(const AnswerSource& source) {
  return source.line > 0 ? "answer line " + std::to_string(source.line) + ", " : std::string();
}

void warn(const std::string& text) {
  platform::write_error_line("text2grid: warning: " + text);
}

bool refuse(DialogueStop& stop, std::string_view question, std::string problem) {
  stop.question = question;
  stop.problem = std::move(problem);
  return false;
}

// Why the date and time part (characters 1-11) does not convert.
std::string date_problem(std::string_view text20) {
  std::array<int, 5> idtarr{};
  int iret = 0;
  ti_ctoi(text20.substr(0, 11), idtarr, iret);
  switch (iret) {
    case -7:
      return "the year is not two digits";
    case -8:
      return "the month is outside 1-12";
    case -9:
      return "the day is outside the month";
    case -10:
      return "the hour is outside 0-24";
    case -11:
      return "the minute is outside 0-60";
    default:
      return "it is not of the form yymmdd/hhmm";
  }
}

bool check_file_name(const AnswerSource& source, std::string_view question, DialogueStop& stop) {
  const std::string_view name = strings::trim_right(source.text);
  if (name.size() <= static_cast<std::size_t>(kFileNameWidth)) return true;
  return refuse(stop, question,
                at_line(source) + "the file name has " + std::to_string(name.size()) +
                    " characters; at most " + std::to_string(kFileNameWidth) +
                    " are kept, so another file would be used: choose a shorter name or path");
}

bool check_size(int n, const AnswerSource& source, std::string_view question, char axis,
                DialogueStop& stop) {
  if (n >= 1) return true;
  return refuse(stop, question,
                at_line(source) + "read " + std::to_string(n) +
                    ": a grid needs at least one point in " + axis);
}

void check_latitude(float lat, std::string_view name, const AnswerSource& source) {
  if (lat >= -90.0f && lat <= 90.0f) return;
  std::array<char, 32> digits{};
  const auto res = std::to_chars(digits.data(), digits.data() + digits.size(), lat);
  warn(at_line(source) + "GAREA " + std::string(name) + " = " +
       std::string(digits.data(), res.ptr) + " is not a latitude (-90 to 90); stored as given");
}

}  // namespace

bool check_run_parameters(const RunPar& runpar, DialogueStop& stop) {
  const AnswerSources& src = runpar.sources;
  if (!check_size(runpar.NX, src.NX, "number of points in X-dir (NX)", 'X', stop)) return false;
  if (!check_size(runpar.NY, src.NY, "number of points in Y-dir (NY)", 'Y', stop)) return false;
  if (!check_file_name(src.infile, "enter filename", stop)) return false;
  if (!check_file_name(src.outfile1, "enter output1 filename", stop)) return false;

  warn_about_area(runpar);
  return true;
}

void warn_about_area(const RunPar& runpar) {
  const AnswerSources& src = runpar.sources;
  check_latitude(runpar.lat1, "lat1", src.area);
  check_latitude(runpar.lat2, "lat2", src.area);
  const std::string_view proj = strings::trim_right(runpar.PROJ);
  if (std::find(kKnownProjections.begin(), kKnownProjections.end(), proj) ==
      kKnownProjections.end()) {
    warn(at_line(src.PROJ) + "projection " + quoted(proj) +
         " is not a known projection name (such as CED or LCC; upper case); stored as given");
  }
}

bool stored_time(std::string_view answer, const timewin::YearWindow& window, std::string& text,
                 std::string& problem) {
  // yyyymmdd/hhmm...: the format keeps the last two digits of the year.
  const std::optional<std::string> shortened =
      timewin::two_digit_year_text(strings::trim_right(answer), window, problem);
  if (!shortened) return false;
  const std::string_view typed = *shortened;
  if (typed.size() > static_cast<std::size_t>(kDateWidth)) {
    problem = "the time has more than " + std::to_string(kDateWidth) + " characters";
    return false;
  }
  text.assign(static_cast<std::size_t>(kDateWidth), ' ');
  strings::copy_field(typed, text);

  std::array<int, 3> intdtf{};
  int iret = 0;
  tg_ctoi(text, intdtf, iret);
  if (iret != 0) {
    // The date and time first: a text like "2024-01-01 00:00" fails there,
    // whatever its forecast part looks like.
    std::array<int, 5> idtarr{};
    int ier = 0;
    ti_ctoi(std::string_view(text).substr(0, 11), idtarr, ier);
    if (ier != 0) {
      problem = date_problem(text);
      return false;
    }
  }
  if (iret == -3) {
    problem = "the forecast period is not a number";
    return false;
  }
  if (iret != 0) {
    problem = "the forecast part is not a letter A, F, G, I or V and at most 5 digits";
    return false;
  }
  // The period: 1-3 digits are hours, 5 are hours and minutes (hhhmm). Four
  // digits would be read as hhmm: F1200 is 12 hours, not 1200.
  const std::string_view period = strings::trim_right(std::string_view(text).substr(12));
  if (period.size() == 4) {
    problem = "the forecast period " + quoted(period) +
              " is ambiguous: give hours as 1-3 digits (F012) or hours and minutes as 5 (F01230)";
    return false;
  }
  if (period.size() == 5 && period.substr(3) > "59") {
    problem = "the forecast period " + quoted(period) + " has more than 59 minutes";
    return false;
  }
  return true;
}

bool check_variables(const RunPar& runpar, const timewin::YearWindow& window,
                     std::vector<std::string>& grid_times, DialogueStop& stop) {
  const AnswerSources& src = runpar.sources;
  grid_times.clear();
  for (std::size_t t = 0; t < runpar.dates.size(); ++t) {
    const AnswerSource& answer = src.dates[t];
    std::string text;
    std::string problem;
    if (!stored_time(answer.text, window, text, problem)) {
      // A four-digit year outside the window is a time, in the wrong century.
      const std::string_view typed = strings::trim_right(answer.text);
      std::string outside;
      const bool in_window = timewin::two_digit_year_text(typed, window, outside).has_value();
      return refuse(
          stop, "enter the dates date/time, yymmdd/hhmm (time " + std::to_string(t + 1) + ")",
          at_line(answer) + quoted(typed) +
              (in_window ? " is not a grid time: " + problem + "; " + std::string(kTimeForm)
                         : ": " + problem));
    }
    grid_times.push_back(std::move(text));
  }

  for (std::size_t v = 0; v < runpar.varnames.size(); ++v) {
    const AnswerSource& answer = src.varnames[v];
    const std::string_view typed = strings::trim_right(answer.text);
    const std::string variable = "variable " + std::to_string(v + 1) + " ";
    if (strings::trim_right(runpar.varnames[v]).empty()) {
      warn(at_line(answer) + variable + "has an empty parameter name; stored as blanks");
    } else if (typed.size() > static_cast<std::size_t>(kVarNameWidth)) {
      warn(at_line(answer) + variable + "name " + quoted(typed) + " has more than " +
           std::to_string(kVarNameWidth) + " characters; stored as " +
           quoted(strings::trim_right(runpar.varnames[v])));
    }
  }
  for (std::size_t v = 0; v < runpar.vcodes.size(); ++v) {
    const int code = runpar.vcodes[v];
    if (code >= 0 && code <= 4) continue;
    warn(at_line(src.vcodes[v]) + "variable " + std::to_string(v + 1) +
         " has vertical coordinate " + std::to_string(code) +
         ", not one of 0 none, 1 pres, 2 thta, 3 height, 4 sigma; stored as given");
  }
  return true;
}

}  // namespace driver
