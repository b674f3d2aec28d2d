// gridplot: draws one grid of a grid file; see plot/gridplot.h.
#include <string>
#include <vector>

#include "params/params.h"
#include "platform/platform.h"
#include "platform/publish.h"
#include "plot/gridplot.h"
#include "services/program_files.h"

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard stream must not lend its
  // descriptor to an output file.
  if (!platform::start_program("gridplot")) return 2;
  services::use_shipped_message_files(services::kMessageFolder);
  std::vector<std::string> args(argv, argv + argc);
  gridplot::Setup setup;
  setup.table_path = params::find_table_file(services::kTableFolder);
  const int status = gridplot::run(args, setup);
  platform::exit_process(platform::finish_program("gridplot", status));
}
