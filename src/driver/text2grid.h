// The text2grid program as one function, so that tests and fuzzers can run
// whole conversions inside their own process.
#pragma once

#include <span>
#include <string>

#include "driver/options.h"

namespace driver {

// The main program: asks for the run parameters, checks and echoes them and
// runs the conversion routine. Returns the exit status (0, or the statuses of
// driver/dialogue.h and driver/convert.h; 1 also when standard output could
// not be written) and never ends the process itself. Every file it opens is
// closed again before it returns, and each call starts from the library's
// start condition, so it can be called again.
int run_text2grid(const RunOptions& options = {});

// The whole program on its command-line words (args[0] the program name):
// --help and --version, a refused command line (kUsageStatus), or the run.
int text2grid_main(std::span<const std::string> args);

}  // namespace driver
