// text2grid's command line: options for scripts around the fixed dialogue.
// The dialogue itself never changes; options only choose how grids are stored
// and what goes to standard output.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "pack/packing.h"

namespace driver {

// Exit status of a command line that cannot be used.
inline constexpr int kUsageStatus = 2;

// How every grid of a run is stored: unpacked (the default) or with one of
// the grid packings, in the grammar every program shares (pack/packing.h).
using Packing = pack::Packing;

struct RunOptions {
  bool quiet = false;    // no dialogue echo or progress lines on standard output
  bool durable = false;  // T2G_DURABLE=1 for the run
  Packing packing;
};

struct CommandLine {
  RunOptions options;
  bool help = false;
  bool version = false;
  std::string error;  // empty when the command line is usable
};

// Reads the command-line words (args[0] is the program name). An unknown
// option, a stray argument or a bad --pack value sets `error`.
CommandLine parse_command_line(std::span<const std::string> args);

// "none", "grib:BITS", "diff:BITS" or "dec:DIGITS" into `packing`; false,
// with `error` saying why, for anything else.
bool parse_packing(std::string_view choice, Packing& packing, std::string& error);

// The text of --help and of --version (lines joined by line feeds, no final one).
std::string usage_text();
std::string version_text();

}  // namespace driver
