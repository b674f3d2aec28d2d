// The text2grid main program: the command line, stage 1 of the dialogue, its
// checks and echo, then the conversion routine.
#include "driver/text2grid.h"

#include "driver/answer_checks.h"
#include "driver/convert.h"
#include "driver/dialogue.h"
#include "driver/plan.h"
#include "driver/vexo.h"
#include "platform/platform.h"
#include "platform/publish.h"
#include "time/year_window.h"

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

// The command-line way: every option checked before anything is created.
int run_command_line(const ConversionRequest& request, const RunOptions& options) {
  ConversionPlan plan;
  if (std::string error; !make_plan(request, options, plan, error)) {
    platform::write_error_line("text2grid: " + error + " (see text2grid --help)");
    return kUsageStatus;
  }
  warn_about_area(plan.runpar);
  if (request.dry_run) {
    print_plan(plan);
    return 0;
  }
  return convert(plan.runpar, plan.grid_times, plan.options);
}

// Either way, with the options that shape standard output and durability.
template <typename Run>
int run_with(const RunOptions& options, Run run_way) {
  if (options.durable) platform::set_env("T2G_DURABLE", "1");
  if (options.quiet) platform::discard_stdout(true);
  int status = run_way();
  if (options.quiet) platform::discard_stdout(false);
  // A transcript lost to a full disk is a failed run, even when the grids are in.
  if (platform::report_stdout_failure("text2grid") && status == 0) status = kNotWrittenStatus;
  return status;
}

}  // namespace

int run_text2grid(const RunOptions& options) {
  return run_with(options, [&options] { return run(options); });
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
  if (cl.request.given) {
    return run_with(cl.options, [&cl] { return run_command_line(cl.request, cl.options); });
  }
  if (cl.request.first_year) {
    // The dialogue's time layer reads the window from the environment.
    std::string problem;
    if (!timewin::window_in_force(*cl.request.first_year, problem)) {
      platform::write_error_line("text2grid: " + problem + " (see text2grid --help)");
      return kUsageStatus;
    }
    platform::set_env(timewin::kFirstYearVariable, *cl.request.first_year);
  }
  return run_text2grid(cl.options);
}

}  // namespace driver
