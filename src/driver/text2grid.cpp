// The text2grid main program: the command line, stage 1 of the dialogue, its
// checks and echo, then the conversion routine.
#include "driver/text2grid.h"

#include <system_error>

#include "driver/answer_checks.h"
#include "driver/convert.h"
#include "driver/dialogue.h"
#include "driver/vexo.h"
#include "platform/platform.h"

namespace driver {
namespace {

int run(const RunOptions& options) {
  RunPar runpar;
  DialogueStop stop;
  if (!ask_run_parameters(runpar, stop)) return report_stop(stop);
  if (!check_run_parameters(runpar, stop)) return report_stop(stop);
  echo_run_parameters(runpar);
  return run_conversion(runpar, options);
}

}  // namespace

int run_text2grid(const RunOptions& options) {
  if (options.durable) platform::set_env("T2G_DURABLE", "1");
  if (options.quiet) platform::discard_stdout(true);
  int status = run(options);
  if (options.quiet) platform::discard_stdout(false);
  // A transcript lost to a full disk is a failed run, even when the grids are in.
  if (const int error = platform::stdout_error(); error != 0) {
    platform::write_error_line("text2grid: standard output could not be written: " +
                               std::generic_category().message(error));
    if (status == 0) status = kNotWrittenStatus;
  }
  return status;
}

int text2grid_main(std::span<const std::string> args) {
  const CommandLine cl = parse_command_line(args);
  if (!cl.error.empty()) {
    platform::write_error_line("text2grid: " + cl.error + " (see text2grid --help)");
    return kUsageStatus;
  }
  if (cl.help || cl.version) {
    platform::write_line(cl.help ? usage_text() : version_text());
    return platform::stdout_error() == 0 ? 0 : kNotWrittenStatus;
  }
  return run_text2grid(cl.options);
}

}  // namespace driver
