// gridinfo: lists, dumps or checks a grid file; see driver/gridinfo.h.
#include <string>
#include <vector>

#include "driver/gridinfo.h"
#include "driver/vexo.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard stream must not lend its
  // descriptor to a grid or input file.
  platform::ensure_standard_streams();
  // An operator's own MORERR wins; otherwise the installed message files, or
  // the source tree's when the program has not been installed.
  platform::set_env_default("MORERR",
                            driver::message_directory(T2G_INSTALL_ERRDIR, T2G_BUILD_ERRDIR));
  std::vector<std::string> args(argv, argv + argc);
  const int status = gridinfo::run(args);
  platform::flush_stdout();
  platform::exit_process(status);
}
