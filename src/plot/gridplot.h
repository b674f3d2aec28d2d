// gridplot: a picture of one grid of a grid file, as PNG or SVG. The logic
// lives here so that tests can run it in-process.
#pragma once

#include <span>
#include <string>

namespace gridplot {

// Exit statuses, as gridinfo's.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadFile =
    1;                                // unreadable file, no or several grids fit, unwritable output
inline constexpr int kExitUsage = 2;  // bad command line

struct Setup {
  // The parameter table file (units and long names); empty: none.
  std::string table_path;
  // Where the coastline and border files are looked for.
  std::string shoreline_folder = "/usr/share/gmt-gshhg";
};

// Runs gridplot with the command-line words args (args[0] the program name).
// Problems go to standard error; nothing is written on success.
int run(std::span<const std::string> args, const Setup& setup);

}  // namespace gridplot
