// gridplot: draws one grid of a grid file; see plot/gridplot.h.
#include <string>
#include <vector>

#include "params/params.h"
#include "platform/platform.h"
#include "plot/gridplot.h"

int main(int argc, char** argv) {
  // The library's message files: an operator's own MORERR wins; otherwise the
  // installed ones, or the source tree's before installation.
  const std::string installed = T2G_INSTALL_ERRDIR;
  platform::set_env_default(
      "MORERR", platform::file_exists(installed + "/DM.ERR") ? installed : T2G_BUILD_ERRDIR);
  std::vector<std::string> args(argv, argv + argc);
  gridplot::Setup setup;
  setup.table_path = params::find_table_file(T2G_INSTALL_TBLDIR, T2G_BUILD_TBLDIR);
  const int status = gridplot::run(args, setup);
  platform::flush_stdout();
  platform::exit_process(status);
}
