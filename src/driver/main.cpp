// text2grid: converts gridded values in a text file into a grid file, driven
// by a dialogue on standard input. Exit status: 0 when every grid was
// written, 1 when the grid file could not be created or a grid not written,
// 2 when the command line, an answer or the input file could not be used.
#include <string>
#include <vector>

#include "driver/text2grid.h"
#include "platform/platform.h"
#include "platform/publish.h"
#include "services/program_files.h"

int main(int argc, char** argv) {
  // Before any file is opened: a closed standard stream must not lend its
  // descriptor to a grid or input file.
  if (!platform::start_program("text2grid")) return 2;
  // An operator's own MORERR wins; otherwise the message files shipped with
  // the program.
  services::use_shipped_message_files(services::kMessageFolder);
  const std::vector<std::string> args(argv, argv + argc);
  // A grid file reaching the size limit is a failed write, reported and
  // survived like a full disk (start_program ignores the signal).
  platform::exit_process(platform::finish_program("text2grid", driver::text2grid_main(args)));
}
