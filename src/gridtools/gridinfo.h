// gridinfo: looks inside grid files. Lists the navigation and grids (with
// statistics and packing; readable, JSON or CSV), writes one grid's values in
// the converter's input format, or checks a file's structure. The logic lives
// in the library so that tests run it in-process.
#pragma once

#include <span>
#include <string>

namespace gridinfo {

// Exit statuses.
inline constexpr int kExitOk = 0;
// A file cannot be read or is not a grid file, a grid is missing or
// unreadable, the selection for --dump does not pick exactly one grid, or
// --check found a fault.
inline constexpr int kExitBadFile = 1;
inline constexpr int kExitUsage = 2;  // bad command line

// Runs gridinfo with the command-line words args (args[0] the program name).
// Listings and dumps go to standard output, problems to standard error.
int run(std::span<const std::string> args);

}  // namespace gridinfo
