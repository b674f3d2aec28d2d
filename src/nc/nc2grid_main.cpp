// nc2grid: imports netCDF-CF into a new grid file; see nc/nc2grid.h.
#include <string>
#include <vector>

#include "nc/nc2grid.h"
#include "platform/platform.h"
#include "services/program_files.h"

int main(int argc, char** argv) {
  services::use_shipped_message_files(services::kMessageFolder);
  std::vector<std::string> args(argv, argv + argc);
  const int status = nc::run_nc2grid(args, services::kTableFolder);
  platform::flush_stdout();
  platform::exit_process(status);
}
