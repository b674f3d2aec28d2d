// grid2nc: exports a grid file to netCDF-CF; see nc/grid2nc.h.
#include <string>
#include <vector>

#include "driver/vexo.h"
#include "nc/grid2nc.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  platform::set_env_default("MORERR",
                            driver::message_directory(T2G_INSTALL_ERRDIR, T2G_BUILD_ERRDIR));
  std::vector<std::string> args(argv, argv + argc);
  const int status = nc::run_grid2nc(args, {T2G_INSTALL_TBLDIR, T2G_BUILD_TBLDIR});
  platform::flush_stdout();
  platform::exit_process(status);
}
