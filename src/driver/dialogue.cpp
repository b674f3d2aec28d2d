// The run-parameters dialogue: prompts on standard output, answers from
// standard input, every prompt and echo one free-form line.
#include "driver/dialogue.h"

#include <algorithm>
#include <span>
#include <string_view>
#include <utility>

#include "platform/platform.h"
#include "strings/field.h"

namespace driver {
namespace {

using platform::ReadItem;

// One prompt line.
void ask(std::string_view prompt) {
  platform::write_list({prompt});
}

void fail(DialogueStop& stop, std::string_view question, std::string problem) {
  stop.question = question;
  stop.problem = std::move(problem);
}

// One free-form read of `items` for `question`; `what` names the type asked for.
bool answer(std::string_view question, std::span<const ReadItem> items, std::string_view what,
            DialogueStop& stop) {
  std::string bad;
  const int status = platform::read_list(platform::kStdinUnit, items, &bad);
  if (status == platform::kOk) return true;
  if (status == platform::kBadItem) {
    fail(stop, question, "cannot read \"" + bad + "\" as " + std::string(what));
  } else if (status == platform::kEndOfFile) {
    fail(stop, question, "end of input before the answer");
  } else {
    fail(stop, question, "standard input failed (status " + std::to_string(status) + ")");
  }
  return false;
}

// The line of standard input an answer just read came from.
AnswerSource read_from() {
  return {platform::line_number(platform::kStdinUnit), {}};
}

bool answer_integer(std::string_view question, int& value, DialogueStop& stop,
                    AnswerSource* source = nullptr) {
  const std::array items{ReadItem::integer(value)};
  if (!answer(question, items, "an integer", stop)) return false;
  if (source != nullptr) *source = read_from();
  return true;
}

// A whole-line answer into a fixed-width field; the line as typed goes to
// `source`.
bool answer_line(std::string_view question, std::string& field, DialogueStop& stop,
                 AnswerSource& source) {
  std::string line;
  const int status = platform::read_line(platform::kStdinUnit, line);
  if (status == platform::kOk) {
    strings::copy_field(line, field);
    source = read_from();
    source.text = std::move(line);
    return true;
  }
  fail(stop, question,
       status == platform::kEndOfFile
           ? std::string("end of input before the answer")
           : "standard input failed (status " + std::to_string(status) + ")");
  return false;
}

// Refuses grids whose value count does not fit a 32-bit signed count.
bool check_grid_size(const RunPar& runpar, std::string_view question, DialogueStop& stop) {
  const std::int64_t nvalues = std::int64_t{runpar.NX} * runpar.NY;
  if (runpar.NX <= 0 || runpar.NY <= 0 || nvalues <= kMaxGridValues) return true;
  fail(stop, question,
       "read " + std::to_string(runpar.NY) + ": a grid of " + std::to_string(runpar.NX) + " x " +
           std::to_string(runpar.NY) + " = " + std::to_string(nvalues) + " values is more than " +
           std::to_string(kMaxGridValues));
  return false;
}

// Refuses -1 ("same as previous variable") for the first variable.
bool check_previous(int answered, int v, std::string_view question, DialogueStop& stop) {
  if (answered != -1 || v > 1) return true;
  fail(stop, question, "read -1 (same as previous variable) for the first variable");
  return false;
}

constexpr std::string_view kSameAsPrevious = "(enter -1 if same as previous variable)";

// Stage 2, step 3, for variable v (from 1).
bool ask_variable_block(RunPar& runpar, int v, DialogueStop& stop) {
  const auto iv = static_cast<std::size_t>(v - 1);
  platform::write_list({"FOR VARIABLE: ", runpar.varnames[iv]});
  const std::string tag = " (variable " + std::to_string(v) + ")";

  const std::string count_question = "enter numbers of vertical levels" + tag;
  ask("enter numbers of vertical levels");
  ask(kSameAsPrevious);
  int n = 0;
  if (!answer_integer(count_question, n, stop)) return false;
  if (!check_previous(n, v, count_question, stop)) return false;
  runpar.nlevels.push_back(n == -1 ? runpar.nlevels[iv - 1] : n);
  if (runpar.nlevels[iv] > kMaxLevels) {
    fail(stop, count_question,
         "read " + std::to_string(n) + ": at most " + std::to_string(kMaxLevels) +
             " levels fit a variable");
    return false;
  }

  const std::string vcode_question = "enter vertical coordinate number" + tag;
  ask("enter vertical coordinate number");
  ask("0:none, 1:pres, 2:thta, 3:height, 4:sigma");
  ask(kSameAsPrevious);
  int c = 0;
  runpar.sources.vcodes.emplace_back();
  if (!answer_integer(vcode_question, c, stop, &runpar.sources.vcodes.back())) return false;
  if (!check_previous(c, v, vcode_question, stop)) return false;
  runpar.vcodes.push_back(c == -1 ? runpar.vcodes[iv - 1] : c);

  const std::string same_question = "FOR VERTICAL LEVELS" + tag;
  ask("FOR VERTICAL LEVELS");
  ask("enter -1 if same as previous variable, OR");
  ask("enter 0 if new vertical levels");
  int s = 0;
  if (!answer_integer(same_question, s, stop)) return false;
  if (!check_previous(s, v, same_question, stop)) return false;
  runpar.levels.emplace_back();
  std::array<int, kMaxLevels>& row = runpar.levels[iv];
  if (s == -1) {
    // The count is this variable's own; entries the previous variable never
    // set are 0.
    row = runpar.levels[iv - 1];
    std::fill(row.begin() + std::max(runpar.nlevels[iv], 0), row.end(), 0);
    return true;
  }
  ask("enter vertical levels in order");
  std::vector<ReadItem> items;
  for (int k = 0; k < runpar.nlevels[iv]; ++k) {
    items.push_back(ReadItem::integer(row[static_cast<std::size_t>(k)]));
  }
  return answer("enter vertical levels in order" + tag, items, "an integer", stop);
}

}  // namespace

bool ask_run_parameters(RunPar& runpar, DialogueStop& stop) {
  const std::string_view kNx = "number of points in X-dir (NX)";
  ask(kNx);
  if (!answer_integer(kNx, runpar.NX, stop, &runpar.sources.NX)) return false;
  const std::string_view kNy = "number of points in Y-dir (NY)";
  ask(kNy);
  if (!answer_integer(kNy, runpar.NY, stop, &runpar.sources.NY)) return false;
  if (!check_grid_size(runpar, kNy, stop)) return false;

  const std::string_view kInfile = "enter filename";
  ask(kInfile);
  if (!answer_line(kInfile, runpar.infile, stop, runpar.sources.infile)) return false;
  const std::string_view kOutfile = "enter output1 filename";
  ask(kOutfile);
  if (!answer_line(kOutfile, runpar.outfile1, stop, runpar.sources.outfile1)) return false;

  const std::string_view kSkip = "enter the number of time periods we want to skip";
  ask(kSkip);
  if (!answer_integer(kSkip, runpar.nskip, stop)) return false;
  const std::string_view kTimes = "enter the number of time periods";
  ask(kTimes);
  if (!answer_integer(kTimes, runpar.ntimes, stop)) return false;
  const std::string_view kVars = "enter numbers of variables";
  ask(kVars);
  if (!answer_integer(kVars, runpar.nvar, stop)) return false;

  const std::string_view kArea = "enter GAREA (lat1 lon1 lat2 lon2)";
  ask(kArea);
  const std::array area{ReadItem::real(runpar.lat1), ReadItem::real(runpar.lon1),
                        ReadItem::real(runpar.lat2), ReadItem::real(runpar.lon2)};
  if (!answer(kArea, area, "a real number", stop)) return false;
  runpar.sources.area = read_from();

  const std::string_view kProj = "enter PROJ (CED, LCC)";
  ask(kProj);
  const std::array proj{ReadItem::chars(runpar.PROJ)};
  if (!answer(kProj, proj, "a projection name", stop)) return false;
  runpar.sources.PROJ = read_from();

  const std::string_view kAngles = "enter projection angles (angl1 angl2 angl3)";
  ask(kAngles);
  const std::array angles{ReadItem::real(runpar.angl1), ReadItem::real(runpar.angl2),
                          ReadItem::real(runpar.angl3)};
  return answer(kAngles, angles, "a real number", stop);
}

void echo_run_parameters(const RunPar& runpar) {
  platform::write_list({"NX = ", runpar.NX});
  platform::write_list({"NY = ", runpar.NY});
  platform::write_list({"infile = ", runpar.infile});
  platform::write_list({"outfile1 = ", runpar.outfile1});
  platform::write_list({"nskip = ", runpar.nskip});
  platform::write_list({"ntimes = ", runpar.ntimes});
  platform::write_list({"nvar = ", runpar.nvar});
  platform::write_list({"GAREA = ", runpar.lat1, runpar.lon1, runpar.lat2, runpar.lon2});
  platform::write_list({"PROJ = ", runpar.PROJ, runpar.angl1, runpar.angl2, runpar.angl3});
}

bool ask_variables(RunPar& runpar, DialogueStop& stop) {
  const std::string_view kDates = "enter the dates date/time, yymmdd/hhmm";
  ask(kDates);
  runpar.dates.clear();
  runpar.sources.dates.clear();
  for (int t = 1; t <= runpar.ntimes; ++t) {
    std::string date(kDateWidth, ' ');
    if (!answer_line(std::string(kDates) + " (time " + std::to_string(t) + ")", date, stop,
                     runpar.sources.dates.emplace_back())) {
      return false;
    }
    runpar.dates.push_back(std::move(date));
  }

  const std::string_view kNames = "enter variable names";
  ask(kNames);
  runpar.varnames.clear();
  runpar.sources.varnames.clear();
  if (runpar.nvar <= 0) {
    // The read still takes one line and stores nothing.
    if (!answer(kNames, {}, "", stop)) return false;
  }
  for (int v = 1; v <= runpar.nvar; ++v) {
    std::string name(kVarNameWidth, ' ');
    if (!answer_line(std::string(kNames) + " (variable " + std::to_string(v) + ")", name, stop,
                     runpar.sources.varnames.emplace_back())) {
      return false;
    }
    runpar.varnames.push_back(std::move(name));
  }

  runpar.nlevels.clear();
  runpar.vcodes.clear();
  runpar.levels.clear();
  runpar.sources.vcodes.clear();
  for (int v = 1; v <= runpar.nvar; ++v) {
    if (!ask_variable_block(runpar, v, stop)) return false;
  }
  return true;
}

std::string stop_message(const DialogueStop& stop) {
  return "text2grid: stopped at the question \"" + stop.question + "\": " + stop.problem;
}

int report_stop(const DialogueStop& stop) {
  platform::write_error_line(stop_message(stop));
  return kBadAnswerStatus;
}

}  // namespace driver
