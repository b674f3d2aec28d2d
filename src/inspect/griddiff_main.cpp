// griddiff: compares two grid files; see inspect/griddiff.h.
#include <string>
#include <vector>

#include "inspect/griddiff.h"
#include "inspect/messages.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard stream must not lend its
  // descriptor to a grid file.
  platform::ensure_standard_streams();
  inspect::use_message_files(T2G_INSTALL_ERRDIR, T2G_BUILD_ERRDIR);
  const std::vector<std::string> args(argv, argv + argc);
  const int status = griddiff::run(args);
  platform::flush_stdout();
  platform::exit_process(status);
}
