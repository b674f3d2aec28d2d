// grid2nc: exports a grid file to netCDF-CF; see nc/grid2nc.h.
#include <string>
#include <vector>

#include "nc/grid2nc.h"
#include "platform/platform.h"
#include "services/program_files.h"

int main(int argc, char** argv) {
  services::use_shipped_message_files(services::kMessageFolder);
  std::vector<std::string> args(argv, argv + argc);
  const int status = nc::run_grid2nc(args, services::kTableFolder);
  platform::flush_stdout();
  platform::exit_process(status);
}
