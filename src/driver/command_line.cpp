// The options of text2grid's command-line way, taken word by word.
#include "driver/command_line.h"

#include <array>
#include <string_view>

namespace driver {
namespace {

// An option with a value: its names and where the value goes.
struct ValueOption {
  std::string_view long_name;
  std::string_view short_name;  // empty when none
  std::optional<std::string> ConversionRequest::*single;
  std::vector<std::string> ConversionRequest::*repeated;
};

constexpr std::array<ValueOption, 10> kValueOptions = {{
    {"--input", "-i", &ConversionRequest::input, nullptr},
    {"--output", "-o", &ConversionRequest::output, nullptr},
    {"--size", "", &ConversionRequest::size, nullptr},
    {"--area", "", &ConversionRequest::area, nullptr},
    {"--proj", "", &ConversionRequest::proj, nullptr},
    {"--angles", "", &ConversionRequest::angles, nullptr},
    {"--layout", "", &ConversionRequest::layout, nullptr},
    {"--time", "", nullptr, &ConversionRequest::times},
    {"--var", "", nullptr, &ConversionRequest::vars},
    {"--first-year", "", &ConversionRequest::first_year, nullptr},
}};

struct FlagOption {
  std::string_view name;
  bool ConversionRequest::*flag;
};

constexpr std::array<FlagOption, 4> kFlagOptions = {{
    {"--overwrite", &ConversionRequest::overwrite},
    {"--keep-partial", &ConversionRequest::keep_partial},
    {"--dry-run", &ConversionRequest::dry_run},
    {"--progress", &ConversionRequest::progress},
}};

}  // namespace

bool take_conversion_option(std::span<const std::string> args, std::size_t& k,
                            ConversionRequest& request, std::string& error) {
  const std::string_view word = args[k];
  for (const FlagOption& option : kFlagOptions) {
    if (word == option.name) {
      request.*option.flag = true;
      request.given = true;
      return true;
    }
  }
  for (const ValueOption& option : kValueOptions) {
    std::optional<std::string> value;
    if (word == option.long_name || (!option.short_name.empty() && word == option.short_name)) {
      if (k + 1 == args.size()) {
        error = std::string(option.long_name) + " needs a value";
        return true;
      }
      value = args[++k];
    } else if (word.starts_with(option.long_name) && word.size() > option.long_name.size() &&
               word[option.long_name.size()] == '=') {
      value = std::string(word.substr(option.long_name.size() + 1));
    } else {
      continue;
    }
    request.given = request.given || option.single != &ConversionRequest::first_year;
    if (option.single != nullptr) {
      std::optional<std::string>& slot = request.*option.single;
      if (slot.has_value()) {
        error = std::string(option.long_name) + " is given twice";
        return true;
      }
      slot = std::move(value);
    } else {
      (request.*option.repeated).push_back(std::move(*value));
    }
    return true;
  }
  return false;
}

std::string conversion_usage() {
  return "usage: text2grid -i VALUES -o GRIDFILE --size NXxNY --area LAT1,LON1,LAT2,LON2\n"
         "                 [--proj CED] [--angles A1,A2,A3] --time T [--time T ...]\n"
         "                 --var NAME[:VCOORD]=L1[,L2...] [--var ...] [--layout free|lines|csv]\n"
         "                 [--overwrite] [--keep-partial] [--max-grids N] [--dry-run]\n"
         "                 [--progress] [--first-year Y] [--pack ...] [--quiet] [--durable]\n"
         "Converts the values of VALUES (\"-\": standard input) into the new grid file GRIDFILE\n"
         "(the name exactly as given). Grids come in the order times, variables, levels; each\n"
         "grid from the top row down, each row from column 1 to NX. The file appears only\n"
         "when every grid is written and VALUES holds exactly NX x NY x grids numbers.\n"
         "\n"
         "  -i, --input VALUES  the text file of values; - reads standard input\n"
         "  -o, --output FILE   the grid file to create\n"
         "  --size NXxNY        points along X and Y, e.g. 8x6\n"
         "  --area LAT1,LON1,LAT2,LON2  the corners of the grid\n"
         "  --proj NAME         projection (default CED)\n"
         "  --angles A1,A2,A3   projection angles (default 0,0,0)\n"
         "  --time T            a grid time, yymmdd/hhmm or yyyymmdd/hhmm, optionally with a\n"
         "                      forecast part (F012); once per time, in order\n"
         "  --var NAME[:VCOORD]=L1[,L2...]  a parameter, its vertical coordinate (NONE, PRES,\n"
         "                      THTA, HGHT, SGMA or the code; default NONE) and its levels\n"
         "                      (at most 30); once per variable, in order\n"
         "  --layout free       every number in order, whatever blanks and line breaks\n"
         "                      separate them (the default); csv: commas separate too;\n"
         "                      lines: the first item of each line only, as in the dialogue\n"
         "  --overwrite         replace an existing GRIDFILE, in one step, once the new file\n"
         "                      is complete\n"
         "  --keep-partial      after a failure keep the grids written before it\n"
         "  --dry-run           print the grids and the count of numbers expected; write nothing\n"
         "  --progress          a progress bar on standard error when it is a terminal\n"
         "  --first-year Y      two-digit years stand for Y..Y+99 (default 1950-2049, or\n"
         "                      T2G_FIRST_YEAR=Y); a --time year outside is refused\n"
         "\n"
         "Example: text2grid -i input.txt -o example.grd --size 8x6 --area 30,-100,37.5,-86 \\\n"
         "           --time 910823/1200 --time 910824/0000 --var TMPK:PRES=850,700,500 \\\n"
         "           --var PMSL=0\n";
}

}  // namespace driver
