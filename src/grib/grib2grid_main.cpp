// grib2grid: imports GRIB2 messages into a new grid file; see grib/grib2grid.h.
#include <string>
#include <vector>

#include "grib/grib2grid.h"
#include "platform/platform.h"
#include "services/program_files.h"

int main(int argc, char** argv) {
  services::use_shipped_message_files(services::kMessageFolder);
  std::vector<std::string> args(argv, argv + argc);
  const int status = grib::run_grib2grid(args, services::kTableFolder);
  platform::flush_stdout();
  platform::exit_process(status);
}
