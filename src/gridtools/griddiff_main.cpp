// griddiff: compares two grid files; see gridtools/griddiff.h.
#include <string>
#include <vector>

#include "gridtools/griddiff.h"
#include "platform/platform.h"
#include "services/program_files.h"

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard stream must not lend its
  // descriptor to a grid file.
  platform::ensure_standard_streams();
  services::use_shipped_message_files(services::kMessageFolder);
  const std::vector<std::string> args(argv, argv + argc);
  const int status = griddiff::run(args);
  platform::flush_stdout();
  platform::exit_process(status);
}
