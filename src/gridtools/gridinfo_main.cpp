// gridinfo: lists, dumps or checks grid files; see gridtools/gridinfo.h.
#include <string>
#include <vector>

#include "gridtools/gridinfo.h"
#include "gridtools/messages.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard stream must not lend its
  // descriptor to a grid file.
  platform::ensure_standard_streams();
  gridtools::use_message_files(T2G_INSTALL_ERRDIR, T2G_BUILD_ERRDIR);
  const std::vector<std::string> args(argv, argv + argc);
  const int status = gridinfo::run(args);
  platform::flush_stdout();
  platform::exit_process(status);
}
