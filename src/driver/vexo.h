// The conversion routine: the per-time and per-variable dialogue, then the
// conversion of the input values into the grid file.
#pragma once

#include <string>
#include <string_view>

// Runs the dialogue's second stage with the answers of the first, then the
// conversion. The area comes with both latitudes first. Texts are the
// fixed-width answers (infile and outfile1 of 70 characters, PROJ of 3).
// Returns the run's exit status: 0, kBadAnswerStatus after a bad answer
// (driver/dialogue.h), or a status of the conversion (driver/convert.h).
int vexo_main(int NX, int NY, std::string_view infile, std::string_view outfile1, int nskip,
              int ntimes, int nvar, float lat1, float lat2, float lon1, float lon2,
              std::string_view PROJ, float angl1, float angl2, float angl3);

namespace driver {

struct RunPar;
struct RunOptions;

// The conversion routine on the run-parameter record: the dialogue's second
// stage, the checks of its answers, then the conversion. vexo_main and the
// text2grid main program both run it. Returns the run's exit status.
int run_conversion(RunPar& runpar, const RunOptions& options);

}  // namespace driver
