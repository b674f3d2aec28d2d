// gridinfo: looks inside a grid file. Lists its navigation and grids, writes
// one grid's values in the converter's input format, or checks the file's
// structure. The logic lives here so that tests can run it in-process.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace gridinfo {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitBadFile =
    1;  // the file cannot be read, a grid is missing, or --check failed
inline constexpr int kExitUsage = 2;  // bad command line

// Runs gridinfo with the command-line words args (args[0] the program name).
// Listings and dumps go to standard output, problems to standard error.
int run(std::span<const std::string> args);

// The list line "FILE": navigation, grid count and a line per grid.
int list_file(std::string_view path);
// Grid igrid's values, top row first, one value per line, each the shortest
// text that reads back as the same 32-bit real.
int dump_grid(std::string_view path, int igrid);
// The structure check: "OK", or the first violation.
int check_file(std::string_view path);

// Shortest text of a real that reads back as the same bits.
std::string real_text(float value);

}  // namespace gridinfo
