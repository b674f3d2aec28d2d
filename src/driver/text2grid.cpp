// The text2grid main program: stage 1 of the dialogue, its echo, then the
// conversion routine.
#include "driver/text2grid.h"

#include "driver/dialogue.h"
#include "driver/vexo.h"

namespace driver {

int run_text2grid() {
  RunPar runpar;
  DialogueStop stop;
  if (!ask_run_parameters(runpar, stop)) return report_stop(stop);
  echo_run_parameters(runpar);
  return vexo_main(runpar.NX, runpar.NY, runpar.infile, runpar.outfile1, runpar.nskip,
                   runpar.ntimes, runpar.nvar, runpar.lat1, runpar.lat2, runpar.lon1, runpar.lon2,
                   runpar.PROJ, runpar.angl1, runpar.angl2, runpar.angl3);
}

}  // namespace driver
