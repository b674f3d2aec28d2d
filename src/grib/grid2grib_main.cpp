// grid2grib: exports a grid file to GRIB2; see grib/grid2grib.h.
#include <string>
#include <vector>

#include "grib/grid2grib.h"
#include "platform/platform.h"
#include "services/program_files.h"

int main(int argc, char** argv) {
  services::use_shipped_message_files(services::kMessageFolder);
  std::vector<std::string> args(argv, argv + argc);
  const int status = grib::run_grid2grib(args, services::kTableFolder);
  platform::flush_stdout();
  platform::exit_process(status);
}
