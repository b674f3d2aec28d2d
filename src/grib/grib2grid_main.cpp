// grib2grid: imports GRIB2 messages into a new grid file; see grib/grib2grid.h.
#include <string>
#include <vector>

#include "grib/grib2grid.h"
#include "platform/platform.h"
#include "platform/publish.h"
#include "services/program_files.h"

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard stream must not lend its
  // descriptor to an output file.
  if (!platform::start_program("grib2grid")) return 2;
  services::use_shipped_message_files(services::kMessageFolder);
  std::vector<std::string> args(argv, argv + argc);
  const int status = grib::run_grib2grid(args, services::kTableFolder);
  platform::exit_process(platform::finish_program("grib2grid", status));
}
