// Checks of the dialogue's answers before anything is opened or created.
// Answers that would give a wrong file (an unreadable time, a cut file name,
// an empty grid) are refused; answers the file format can hold but that are
// likely mistakes are kept and get one warning line on standard error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "driver/dialogue.h"
#include "driver/options.h"
#include "time/year_window.h"

namespace driver {

// Stage 1. Refused: NX or NY below 1, a file name longer than its 70
// characters. Warned: a latitude outside -90..90, an unknown projection name.
bool check_run_parameters(const RunPar& runpar, DialogueStop& stop);
// The warnings of stage 1: a latitude outside -90..90, an unknown projection name.
void warn_about_area(const RunPar& runpar);

// Stage 2. Refused: a time that does not convert, or with a four-digit year
// outside the window. Warned: a vertical coordinate code outside 0-4, a
// parameter name longer than 12 characters or empty. `grid_times` receives
// the 20-character time text stored for each time.
bool check_variables(const RunPar& runpar, const timewin::YearWindow& window,
                     std::vector<std::string>& grid_times, DialogueStop& stop);

// The 20-character grid time text stored for a time answer (the whole line as
// typed): a blank answer is no time; a four-digit year inside the window is
// stored as its last two digits ("20261201/0000" as "261201/0000"). False,
// with `problem` saying why, when the answer is no grid time or its
// four-digit year lies outside the window.
bool stored_time(std::string_view answer, const timewin::YearWindow& window, std::string& text,
                 std::string& problem);

}  // namespace driver
