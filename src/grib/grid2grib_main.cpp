// grid2grib: exports a grid file to GRIB2; see grib/grid2grib.h.
#include <string>
#include <vector>

#include "grib/grid2grib.h"
#include "platform/platform.h"
#include "platform/publish.h"
#include "services/program_files.h"

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard stream must not lend its
  // descriptor to an output file.
  if (!platform::start_program("grid2grib")) return 2;
  services::use_shipped_message_files(services::kMessageFolder);
  std::vector<std::string> args(argv, argv + argc);
  const int status = grib::run_grid2grib(args, services::kTableFolder);
  platform::exit_process(platform::finish_program("grid2grib", status));
}
