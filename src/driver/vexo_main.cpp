// The conversion routine vexo_main: its dialogue stage, then the conversion
// stage (driver/convert.cpp).
#include "driver/vexo.h"

#include <algorithm>

#include "driver/convert.h"
#include "driver/dialogue.h"
#include "platform/platform.h"

namespace {

// `text` cut or blank-padded to `width` characters.
std::string field(std::string_view text, int width) {
  std::string out(static_cast<std::size_t>(width), ' ');
  std::copy_n(text.begin(), std::min(text.size(), out.size()), out.begin());
  return out;
}

}  // namespace

int vexo_main(int NX, int NY, std::string_view infile, std::string_view outfile1, int nskip,
              int ntimes, int nvar, float lat1, float lat2, float lon1, float lon2,
              std::string_view PROJ, float angl1, float angl2, float angl3) {
  driver::RunPar runpar;
  runpar.NX = NX;
  runpar.NY = NY;
  runpar.infile = field(infile, driver::kFileNameWidth);
  runpar.outfile1 = field(outfile1, driver::kFileNameWidth);
  runpar.nskip = nskip;
  runpar.ntimes = ntimes;
  runpar.nvar = nvar;
  runpar.lat1 = lat1;
  runpar.lon1 = lon1;
  runpar.lat2 = lat2;
  runpar.lon2 = lon2;
  runpar.PROJ = field(PROJ, driver::kProjWidth);
  runpar.angl1 = angl1;
  runpar.angl2 = angl2;
  runpar.angl3 = angl3;

  driver::DialogueStop stop;
  if (!driver::ask_variables(runpar, stop)) return driver::report_stop(stop);
  return driver::convert(runpar);
}

namespace driver {

std::string message_directory(std::string_view installed, std::string_view built) {
  if (platform::file_exists(std::string(installed) + "/DM.ERR")) return std::string(installed);
  return std::string(built);
}

}  // namespace driver
