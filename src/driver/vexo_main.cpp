// The conversion routine vexo_main: its dialogue stage, then the conversion
// stage (driver/convert.cpp).
#include "driver/vexo.h"

#include <vector>

#include "driver/answer_checks.h"
#include "driver/convert.h"
#include "driver/dialogue.h"
#include "driver/options.h"
#include "platform/platform.h"
#include "strings/field.h"
#include "time/year_window.h"

int vexo_main(int NX, int NY, std::string_view infile, std::string_view outfile1, int nskip,
              int ntimes, int nvar, float lat1, float lat2, float lon1, float lon2,
              std::string_view PROJ, float angl1, float angl2, float angl3) {
  driver::RunPar runpar;
  runpar.NX = NX;
  runpar.NY = NY;
  strings::copy_field(infile, runpar.infile);
  strings::copy_field(outfile1, runpar.outfile1);
  runpar.nskip = nskip;
  runpar.ntimes = ntimes;
  runpar.nvar = nvar;
  runpar.lat1 = lat1;
  runpar.lon1 = lon1;
  runpar.lat2 = lat2;
  runpar.lon2 = lon2;
  strings::copy_field(PROJ, runpar.PROJ);
  runpar.angl1 = angl1;
  runpar.angl2 = angl2;
  runpar.angl3 = angl3;
  // The names as given, so that a name longer than its field is refused.
  runpar.sources.infile.text = infile;
  runpar.sources.outfile1.text = outfile1;

  driver::DialogueStop stop;
  if (!driver::check_run_parameters(runpar, stop)) return driver::report_stop(stop);
  // The window of four-digit years in time answers: T2G_FIRST_YEAR, as for text2grid.
  driver::RunOptions options;
  std::string problem;
  const std::optional<timewin::YearWindow> window = timewin::window_in_force(std::nullopt, problem);
  if (!window) {
    platform::write_error_line("text2grid: " + problem);
    return driver::kUsageStatus;
  }
  options.window = *window;
  return driver::run_conversion(runpar, options);
}

namespace driver {

int run_conversion(RunPar& runpar, const RunOptions& options) {
  DialogueStop stop;
  if (!ask_variables(runpar, stop)) return report_stop(stop);
  std::vector<std::string> grid_times;
  if (!check_variables(runpar, options.window, grid_times, stop)) return report_stop(stop);
  if (const std::int64_t ngrids = count_grids(runpar);
      options.max_grids > 0 && ngrids > options.max_grids) {
    platform::write_error_line("text2grid: --max-grids " + std::to_string(options.max_grids) +
                               ": the answers make " + std::to_string(ngrids) +
                               " grids, more than the file is to hold");
    return kUsageStatus;
  }
  return convert(runpar, grid_times, options);
}

}  // namespace driver
