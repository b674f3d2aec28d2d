// grid2nc: exports a grid file to netCDF-CF; see nc/grid2nc.h.
#include <string>
#include <vector>

#include "nc/grid2nc.h"
#include "platform/platform.h"
#include "platform/publish.h"
#include "services/program_files.h"

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard stream must not lend its
  // descriptor to an output file.
  if (!platform::start_program("grid2nc")) return 2;
  services::use_shipped_message_files(services::kMessageFolder);
  std::vector<std::string> args(argv, argv + argc);
  const int status =
      platform::finish_program("grid2nc", nc::run_grid2nc(args, services::kTableFolder));
  // A failed export may leave HDF5 in a state its exit handler crashes on
  // (a write refused by a full disk): the failure is reported, so it is skipped.
  if (status != 0) platform::exit_without_handlers(status);
  platform::exit_process(status);
}
