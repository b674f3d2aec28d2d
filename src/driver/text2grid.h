// The text2grid program as one function, so that tests and fuzzers can run
// whole conversions inside their own process.
#pragma once

namespace driver {

// The main program: asks for the run parameters, echoes them and hands over
// to vexo_main. Returns the exit status (0, or the statuses of
// driver/dialogue.h and driver/convert.h) and never ends the process itself.
// Every file it opens is closed again before it returns, and each call starts
// from the library's start condition, so it can be called again.
int run_text2grid();

}  // namespace driver
