// griddiff: compares two grid files; see gridtools/griddiff.h.
#include <string>
#include <vector>

#include "gridtools/griddiff.h"
#include "platform/platform.h"
#include "platform/publish.h"
#include "services/program_files.h"

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard stream must not lend its
  // descriptor to a grid file.
  if (!platform::start_program("griddiff")) return 2;
  services::use_shipped_message_files(services::kMessageFolder);
  const std::vector<std::string> args(argv, argv + argc);
  const int status = griddiff::run(args);
  platform::exit_process(platform::finish_program("griddiff", status));
}
