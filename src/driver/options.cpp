// text2grid's command line.
#include "driver/options.h"

#include <optional>
#include <string>

// The build passes the project's version; a bare compile (the fuzzers) says so.
#ifndef T2G_VERSION
#define T2G_VERSION "(version not set by the build)"
#endif

namespace driver {
namespace {

constexpr std::string_view kPackOption = "--pack";
constexpr std::string_view kMaxGridsOption = "--max-grids";

bool parse_max_grids(std::string_view text, int& max_grids, std::string& error) {
  if (parse_number(text, max_grids) && max_grids >= 1 && max_grids <= kMostGrids) return true;
  error = "--max-grids \"" + std::string(text) + "\": give a whole number from 1 to " +
          std::to_string(kMostGrids);
  return false;
}

}  // namespace

bool parse_packing(std::string_view choice, Packing& packing, std::string& error) {
  std::string problem;
  const std::optional<Packing> p = Packing::parse(choice, &problem);
  if (!p) {
    error = "--pack \"" + std::string(choice) + "\": " + problem;
    return false;
  }
  packing = *p;
  return true;
}

CommandLine parse_command_line(std::span<const std::string> args) {
  CommandLine cl;
  for (std::size_t k = 1; k < args.size() && cl.error.empty(); ++k) {
    const std::string_view arg = args[k];
    if (arg == "--help" || arg == "-h") {
      cl.help = true;
    } else if (arg == "--version") {
      cl.version = true;
    } else if (arg == "--quiet" || arg == "-q") {
      cl.options.quiet = true;
    } else if (arg == "--durable") {
      cl.options.durable = true;
    } else if (arg == kPackOption) {
      if (k + 1 == args.size()) {
        cl.error = "--pack needs a value: " + std::string(pack::kPackingForms);
      } else {
        parse_packing(args[++k], cl.options.packing, cl.error);
      }
    } else if (arg.starts_with(std::string(kPackOption) + "=")) {
      parse_packing(arg.substr(kPackOption.size() + 1), cl.options.packing, cl.error);
    } else if (arg == kMaxGridsOption || arg.starts_with(std::string(kMaxGridsOption) + "=")) {
      const bool joined = arg != kMaxGridsOption;
      if (!joined && k + 1 == args.size()) {
        cl.error = "--max-grids needs a value: the number of grids the file can hold (1-9999)";
      } else {
        parse_max_grids(joined ? arg.substr(kMaxGridsOption.size() + 1) : args[++k],
                        cl.options.max_grids, cl.error);
      }
    } else if (take_conversion_option(args, k, cl.request, cl.error)) {
      // an option of the command-line way
    } else if (arg.starts_with("-") && arg != "-") {
      cl.error = "unknown option \"" + std::string(arg) + "\"";
    } else {
      cl.error = "unexpected argument \"" + std::string(arg) +
                 "\": the run parameters are answered on standard input";
    }
  }
  if (cl.error.empty()) {
    // --first-year (taken with the command-line way's options), else T2G_FIRST_YEAR.
    const std::optional<std::string_view> first_year =
        cl.request.first_year ? std::optional<std::string_view>(*cl.request.first_year)
                              : std::nullopt;
    const std::optional<timewin::YearWindow> window =
        timewin::window_in_force(first_year, cl.error);
    if (window) cl.options.window = *window;
  }
  return cl;
}

std::string usage_text() {
  return conversion_usage() +
         "\n"
         "usage: text2grid [--pack grib:BITS|diff:BITS|dec:DIGITS] [--max-grids N] [--quiet]\n"
         "                 [--durable] [--first-year Y] < answers\n"
         "Without -i, the dialogue: the run parameters (grid size, files, times, variables,\n"
         "levels) are asked for and read on standard input, one answer per line; the input\n"
         "file holds one value per line.\n"
         "\n"
         "  --pack grib:BITS    store every grid packed GRIB style, BITS (2-31) bits per value\n"
         "  --pack diff:BITS    store every grid as packed differences, BITS (2-31) bits each\n"
         "  --pack dec:DIGITS   store every grid packed to DIGITS (-38 to 38) decimal places\n"
         "  --max-grids N       the file holds at most N grids (1-9999, default 9999); a\n"
         "                      smaller file for few grids\n"
         "  --quiet             no dialogue echo or progress lines on standard output\n"
         "  --durable           sync each grid to the medium before its progress line\n"
         "                      (sets T2G_DURABLE=1 for the run)\n"
         "  --first-year Y      accept four-digit years in time answers within Y..Y+99\n"
         "                      (default: T2G_FIRST_YEAR, else 1950, the window 1950-2049);\n"
         "                      the file keeps two digits either way\n"
         "  --help              this text\n"
         "  --version           the program's version\n"
         "\n"
         "Example: text2grid < examples/answers.txt\n"
         "\n"
         "Exit status: 0 every grid written; 1 the grid file or a grid not written;\n"
         "2 a bad command line, answer or input file (nothing is created for a bad command\n"
         "line).";
}

std::string version_text() {
  return "text2grid " T2G_VERSION;
}

}  // namespace driver
