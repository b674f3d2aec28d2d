// text2grid's command line: options for scripts around the fixed dialogue.
// The dialogue itself never changes; options only choose how grids are stored
// and what goes to standard output.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "driver/command_line.h"
#include "pack/packing.h"
#include "time/year_window.h"

namespace driver {

// Exit status of a command line that cannot be used.
inline constexpr int kUsageStatus = 2;

// How every grid of a run is stored: unpacked (the default) or with one of
// the grid packings, in the grammar every program shares (pack/packing.h).
using Packing = pack::Packing;

// Columns of a grid file: grids it can hold.
inline constexpr int kMostGrids = 9999;

// How the input file's values are laid out.
enum class Layout {
  kLines,  // the dialogue's rule: the first item of each line, one value per line
  kFree,   // every number in order, whatever blanks and line ends separate them
  kCsv,    // as kFree, commas separating too
};

// How the grid file comes into being. By default (the dialogue) it gets its
// name at creation and keeps every grid written whatever happens later.
struct OutputRules {
  bool all_or_nothing = false;  // named only once every grid is in and the input exact
  bool overwrite = false;       // then taking the place of a file of that name
  bool keep_partial = false;    // after a failure, named all the same with the grids so far
};

struct RunOptions {
  bool quiet = false;    // no dialogue echo or progress lines on standard output
  bool durable = false;  // T2G_DURABLE=1 for the run
  Packing packing;
  int max_grids = 0;  // --max-grids: the columns of the file; 0: not given (kMostGrids)
  // The conversion asked for on the command line: one progress line per
  // grid, no library transcript; values from kStdinUnit when input_stdin.
  bool command_line = false;
  bool input_stdin = false;
  bool progress_bar = false;  // --progress: a bar on standard error when it is a terminal
  Layout layout = Layout::kLines;
  OutputRules output;
  // The window of two-digit years a four-digit year in a time answer must lie
  // in (--first-year, else T2G_FIRST_YEAR, else 1950-2049).
  timewin::YearWindow window;
};

struct CommandLine {
  RunOptions options;
  ConversionRequest request;  // the command-line way, when request.given
  bool help = false;
  bool version = false;
  std::string error;  // empty when the command line is usable
};

// Reads the command-line words (args[0] is the program name). An unknown
// option, a stray argument, a bad --pack or --max-grids value or a
// --first-year (or T2G_FIRST_YEAR) that is not a four-digit year sets `error`.
CommandLine parse_command_line(std::span<const std::string> args);

// "none", "grib:BITS", "diff:BITS" or "dec:DIGITS" into `packing`; false,
// with `error` saying why, for anything else.
bool parse_packing(std::string_view choice, Packing& packing, std::string& error);

// The text of --help and of --version (lines joined by line feeds, no final one).
std::string usage_text();
std::string version_text();

}  // namespace driver
