// The command-line way's checks: a ConversionRequest becomes the run
// parameters of the conversion, or is refused with the option at fault and
// why, before any file is opened or created.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "driver/dialogue.h"
#include "driver/options.h"

namespace driver {

struct ConversionPlan {
  RunPar runpar;                        // as the dialogue would have filled it
  std::vector<std::string> grid_times;  // the stored time text of each time
  RunOptions options;
  std::string input;   // the values file as given ("-": standard input)
  std::string output;  // the grid file as given
  int ngrids = 0;
  std::int64_t nnumbers = 0;  // NX x NY x ngrids
};

// Checks every option of `request` and fills `plan` (its options start as
// `base`, the options common to both ways). False, with `error` naming the
// option and what is wrong with it, for the first mistake found.
bool make_plan(const ConversionRequest& request, const RunOptions& base, ConversionPlan& plan,
               std::string& error);

// The plan for --dry-run: the grid file, the grids in input order with their
// identifiers, and the count of numbers expected.
void print_plan(const ConversionPlan& plan);

}  // namespace driver
