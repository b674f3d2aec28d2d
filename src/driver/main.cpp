// text2grid: asks for the run parameters, echoes them and hands over to the
// conversion routine; exit status 0 when it returns, 2 after a bad answer.
#include "driver/dialogue.h"
#include "driver/vexo.h"
#include "platform/platform.h"

int main() {
  // An operator's own MORERR wins; otherwise the installed message files, or
  // the source tree's when the program has not been installed.
  platform::set_env_default("MORERR",
                            driver::message_directory(T2G_INSTALL_ERRDIR, T2G_BUILD_ERRDIR));

  driver::RunPar runpar;
  driver::DialogueStop stop;
  if (!driver::ask_run_parameters(runpar, stop)) driver::stop_run(stop);
  driver::echo_run_parameters(runpar);
  vexo_main(runpar.NX, runpar.NY, runpar.infile, runpar.outfile1, runpar.nskip, runpar.ntimes,
            runpar.nvar, runpar.lat1, runpar.lat2, runpar.lon1, runpar.lon2, runpar.PROJ,
            runpar.angl1, runpar.angl2, runpar.angl3);
  platform::exit_process(0);
}
