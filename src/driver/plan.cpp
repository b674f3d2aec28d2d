// The command-line way's checks and its --dry-run listing.
#include "driver/plan.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <set>
#include <string_view>

#include "driver/answer_checks.h"
#include "driver/convert.h"
#include "gridfile/selection.h"
#include "platform/platform.h"
#include "services/fl.h"
#include "strings/field.h"
#include "time/year_window.h"

namespace driver {
namespace {

// "--size "8-6": " as the start of a refusal.
std::string option_at_fault(std::string_view option, std::string_view value) {
  std::string text(option);
  text += ' ';
  text += quoted(value);
  text += ": ";
  return text;
}

bool parse_int(std::string_view text, int& value) {
  return parse_number(text, value);
}

bool parse_real(std::string_view text, float& value) {
  return parse_number(text, value);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

// COUNT reals separated by commas into `values`.
bool parse_reals(std::string_view option, std::string_view text, std::span<float> values,
                 std::string_view names, std::string& error) {
  const std::vector<std::string_view> parts = split(text, ',');
  if (parts.size() != values.size()) {
    error = option_at_fault(option, text) + "give " + std::to_string(values.size()) +
            " numbers separated by commas (" + std::string(names) + "), not " +
            std::to_string(parts.size());
    return false;
  }
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (!parse_real(parts[k], values[k])) {
      error = option_at_fault(option, text) + quoted(parts[k]) + " is not a number";
      return false;
    }
  }
  return true;
}

bool parse_size(std::string_view text, RunPar& runpar, std::string& error) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) {
    error = option_at_fault("--size", text) + "give NXxNY, e.g. 8x6";
    return false;
  }
  if (!parse_int(text.substr(0, x), runpar.NX) || !parse_int(text.substr(x + 1), runpar.NY) ||
      runpar.NX < 1 || runpar.NY < 1) {
    error = option_at_fault("--size", text) + "NX and NY must be whole numbers from 1";
    return false;
  }
  if (std::int64_t{runpar.NX} * runpar.NY > kMaxGridValues) {
    error = option_at_fault("--size", text) + "a grid holds at most " +
            std::to_string(kMaxGridValues) + " values";
    return false;
  }
  return true;
}

bool parse_projection(std::string_view text, RunPar& runpar, std::string& error) {
  if (text.empty() || text.size() > static_cast<std::size_t>(kProjWidth)) {
    error = option_at_fault("--proj", text) + "a projection name has 1 to " +
            std::to_string(kProjWidth) + " characters (CED, LCC, MER, ...)";
    return false;
  }
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  strings::copy_field(upper, runpar.PROJ);
  return true;
}

// One --var: NAME[:VCOORD]=L1[,L2...] appended to the variables of runpar.
bool parse_variable(std::string_view text, RunPar& runpar, std::string& error) {
  const std::string fault = option_at_fault("--var", text);
  const std::size_t equals = text.find('=');
  if (equals == std::string_view::npos) {
    error = fault + "give NAME[:VCOORD]=L1[,L2...], e.g. TMPK:PRES=850,500 or PMSL=0";
    return false;
  }
  const std::string_view head = text.substr(0, equals);
  const std::size_t colon = head.find(':');
  const std::string_view name = head.substr(0, colon);
  if (name.empty() || name.size() > static_cast<std::size_t>(kVarNameWidth)) {
    error = fault + "a parameter name has 1 to " + std::to_string(kVarNameWidth) + " characters";
    return false;
  }
  int vcode = 0;
  if (colon != std::string_view::npos) {
    const std::optional<gridfile::Vcoord> code = gridfile::parse_vcoord(head.substr(colon + 1));
    if (!code) {
      error = fault + quoted(head.substr(colon + 1)) +
              " is not a vertical coordinate: NONE, PRES, THTA, HGHT, SGMA or a whole number";
      return false;
    }
    vcode = gridfile::vcoord_code(*code);
  }
  const std::vector<std::string_view> parts = split(text.substr(equals + 1), ',');
  if (parts.size() > static_cast<std::size_t>(kMaxLevels)) {
    error = fault + std::to_string(parts.size()) + " levels; at most " +
            std::to_string(kMaxLevels) + " fit a variable";
    return false;
  }
  std::array<int, kMaxLevels> levels{};
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (!parse_int(parts[k], levels[k])) {
      error = fault + "level " + quoted(parts[k]) + " is not a whole number";
      return false;
    }
  }
  runpar.varnames.push_back(std::string(kVarNameWidth, ' '));
  strings::copy_field(name, runpar.varnames.back());
  runpar.nlevels.push_back(static_cast<int>(parts.size()));
  runpar.vcodes.push_back(vcode);
  runpar.levels.push_back(levels);
  return true;
}

bool parse_times(const std::vector<std::string>& times, const timewin::YearWindow& window,
                 RunPar& runpar, std::vector<std::string>& grid_times, std::string& error) {
  for (const std::string& time : times) {
    std::string text, problem;
    // A four-digit year is stored as its last two digits inside the window only.
    const std::optional<std::string> narrowed = timewin::two_digit_year_text(time, window, problem);
    if (!narrowed) {
      error = option_at_fault("--time", time) + problem;
      return false;
    }
    if (time.empty() || !stored_time(*narrowed, window, text, problem)) {
      error = option_at_fault("--time", time) +
              (time.empty() ? std::string("a grid time is needed") : problem) +
              "; give yymmdd/hhmm or yyyymmdd/hhmm, optionally with a forecast part (F012)";
      return false;
    }
    runpar.dates.emplace_back(kDateWidth, ' ');
    strings::copy_field(time, runpar.dates.back());
    grid_times.push_back(std::move(text));
  }
  return true;
}

bool parse_layout(const std::optional<std::string>& text, Layout& layout, std::string& error) {
  if (!text || *text == "free") {
    layout = Layout::kFree;
  } else if (*text == "lines") {
    layout = Layout::kLines;
  } else if (*text == "csv") {
    layout = Layout::kCsv;
  } else {
    error = option_at_fault("--layout", *text) + "use free, lines or csv";
    return false;
  }
  return true;
}

// The options that must be given, in the order of the usage line.
bool check_required(const ConversionRequest& request, std::string& error) {
  const std::array<std::pair<bool, std::string_view>, 6> required = {{
      {request.input.has_value(), "-i/--input VALUES"},
      {request.output.has_value(), "-o/--output GRIDFILE"},
      {request.size.has_value(), "--size NXxNY"},
      {request.area.has_value(), "--area LAT1,LON1,LAT2,LON2"},
      {!request.times.empty(), "--time T (once per time)"},
      {!request.vars.empty(), "--var NAME[:VCOORD]=LEVELS (once per variable)"},
  }};
  for (const auto& [given, option] : required) {
    if (!given) {
      error = "the command-line way needs " + std::string(option);
      return false;
    }
  }
  return true;
}

bool check_files(const ConversionPlan& plan, std::string& error) {
  if (plan.input != "-") {
    if (const int status = platform::probe_read(plan.input); status != platform::kOk) {
      error =
          option_at_fault("-i", plan.input) + "cannot be read: " + platform::status_text(status);
      return false;
    }
  }
  if (plan.runpar.outfile1.empty()) {
    error = option_at_fault("-o", plan.output) +
            "not a usable file name (empty, ending in a blank, or too long for the library)";
    return false;
  }
  if (!plan.options.output.overwrite && platform::file_exists(plan.output)) {
    error = option_at_fault("-o", plan.output) +
            "the file exists; give --overwrite to replace it once the new file is complete";
    return false;
  }
  return true;
}

// Two grids under one identifier: the second would be refused by the file.
bool check_identifiers(const ConversionPlan& plan, std::string& error) {
  const RunPar& runpar = plan.runpar;
  std::set<std::string> seen;
  for (const std::string& time : plan.grid_times) {
    for (std::size_t v = 0; v < runpar.varnames.size(); ++v) {
      std::string name(strings::trim_right(runpar.varnames[v]));
      for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      for (int l = 0; l < runpar.nlevels[v]; ++l) {
        const int level = runpar.levels[v][static_cast<std::size_t>(l)];
        const std::string key = time + "|" + name + "|" + std::to_string(level) + "|" +
                                std::to_string(runpar.vcodes[v]);
        if (seen.insert(key).second) continue;
        error = "--var " + quoted(name) + ": level " + std::to_string(level) + " at time " +
                std::string(strings::trim_right(time)) +
                " twice; a grid file holds one grid of each identifier";
        return false;
      }
    }
  }
  return true;
}

}  // namespace

bool make_plan(const ConversionRequest& request, const RunOptions& base, ConversionPlan& plan,
               std::string& error) {
  if (!check_required(request, error)) return false;
  RunPar& runpar = plan.runpar;
  plan.options = base;
  plan.input = *request.input;
  plan.output = *request.output;
  runpar.infile = plan.input;
  runpar.outfile1 = services::exact_filnam(plan.output);
  if (!parse_size(*request.size, runpar, error)) return false;
  std::array<float, 4> area{};
  if (!parse_reals("--area", *request.area, area, "LAT1,LON1,LAT2,LON2", error)) return false;
  runpar.lat1 = area[0];
  runpar.lon1 = area[1];
  runpar.lat2 = area[2];
  runpar.lon2 = area[3];
  if (!parse_projection(request.proj.value_or("CED"), runpar, error)) return false;
  std::array<float, 3> angles{};
  if (request.angles && !parse_reals("--angles", *request.angles, angles, "A1,A2,A3", error)) {
    return false;
  }
  runpar.angl1 = angles[0];
  runpar.angl2 = angles[1];
  runpar.angl3 = angles[2];
  std::string problem;
  const std::optional<timewin::YearWindow> window = timewin::window_in_force(
      request.first_year ? std::optional<std::string_view>(*request.first_year) : std::nullopt,
      problem);
  if (!window) {
    error = problem;
    return false;
  }
  if (!parse_times(request.times, *window, runpar, plan.grid_times, error)) return false;
  for (const std::string& var : request.vars) {
    if (!parse_variable(var, runpar, error)) return false;
  }
  runpar.ntimes = static_cast<int>(runpar.dates.size());
  runpar.nvar = static_cast<int>(runpar.varnames.size());

  RunOptions& options = plan.options;
  if (!parse_layout(request.layout, options.layout, error)) return false;
  options.command_line = true;
  options.input_stdin = plan.input == "-";
  options.progress_bar = request.progress;
  options.output = {true, request.overwrite, request.keep_partial};

  const std::int64_t ngrids = count_grids(runpar);
  const std::int64_t nlevels = runpar.ntimes > 0 ? ngrids / runpar.ntimes : 0;
  const int max_grids = options.max_grids > 0 ? options.max_grids : kMostGrids;
  if (ngrids > max_grids) {
    const std::string made = std::to_string(runpar.ntimes) + " time(s) x " +
                             std::to_string(nlevels) + " level(s) make " + std::to_string(ngrids) +
                             " grids";
    error = options.max_grids > 0
                ? "--max-grids " + std::to_string(max_grids) + ": " + made + ", more than that"
                : "--time and --var: " + made + ", more than the " + std::to_string(max_grids) +
                      " a file holds";
    return false;
  }
  if (!check_identifiers(plan, error)) return false;
  plan.ngrids = static_cast<int>(ngrids);
  plan.nnumbers = ngrids * runpar.NX * runpar.NY;
  return check_files(plan, error);
}

void print_plan(const ConversionPlan& plan) {
  const RunPar& runpar = plan.runpar;
  platform::write_line(
      "grid file " + quoted(plan.output) + ": " + std::to_string(plan.ngrids) + " grid(s) of " +
      std::to_string(runpar.NX) + " x " + std::to_string(runpar.NY) + ", room for " +
      std::to_string(plan.options.max_grids > 0 ? plan.options.max_grids : kMostGrids) + " grids");
  int igrid = 0;
  for (std::size_t t = 0; t < plan.grid_times.size(); ++t) {
    for (std::size_t v = 0; v < runpar.varnames.size(); ++v) {
      for (int l = 0; l < runpar.nlevels[v]; ++l) {
        platform::write_line(grid_identifier(++igrid, plan.grid_times[t],
                                             runpar.levels[v][static_cast<std::size_t>(l)],
                                             runpar.vcodes[v], runpar.varnames[v]));
      }
    }
  }
  platform::write_line("numbers expected in " +
                       (plan.input == "-" ? std::string("standard input") : quoted(plan.input)) +
                       ": " + std::to_string(plan.nnumbers) + " (" + std::to_string(runpar.NX) +
                       " x " + std::to_string(runpar.NY) + " x " + std::to_string(plan.ngrids) +
                       ")");
}

}  // namespace driver
