// The conversion stage of vexo_main: the input values, grid after grid, into
// a new grid file, with a progress line after every library call.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "driver/dialogue.h"
#include "driver/options.h"

namespace driver {

// Exit statuses of a run besides 0 (everything written) and kBadAnswerStatus.
// The grid file could not be created, or a grid or the file's headers could
// not be written; standard error has a summary line.
inline constexpr int kNotWrittenStatus = 1;
// The input file is missing or unreadable, runs out of values or holds a
// value that is not a real; standard error names the file, line and text.
inline constexpr int kBadInputStatus = 2;

// The logical unit of the input text file.
inline constexpr int kInputUnit = 9;

// Converts the input file named by runpar.infile into the grid file
// runpar.outfile1, as the answers describe, and returns the run's exit
// status. grid_times[t] is the time text stored for runpar.dates[t] (see
// stored_time in driver/answer_checks.h); the progress lines show the dates
// as answered. Every grid written stays complete on disk whatever the status;
// the input unit and every DM file are closed on return, so the process can
// run another conversion.
int convert(const RunPar& runpar, std::span<const std::string> grid_times,
            const RunOptions& options);

// The text between double quotes, as messages show names and values.
std::string quoted(std::string_view text);

// Grids of a run: times x the levels of every variable.
std::int64_t count_grids(const RunPar& runpar);

// "grid 3: time 910823/1200, level 850, vertical coordinate 1, parameter TMPK"
std::string grid_identifier(int igrid, std::string_view time, int level, int vcode,
                            std::string_view pname);

}  // namespace driver
