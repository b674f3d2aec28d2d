// nc2grid's import, through the containment of the netCDF and HDF5 libraries,
// of any bytes as the netCDF file. The seeds include files that crash or hang
// the libraries: the containment must turn each into a failed import.
//
// Checks: import_grids returns (never ends the process) with status 0, 1 or
// 2; no file other than the input and a finished grid file is left in the
// private folder; and a grid file, when made, passes the full check.
#include <stdlib.h>  // mkdtemp

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "gridfile/gridfile.h"
#include "nc/nc2grid.h"
#include "platform/platform_test.h"

namespace {

std::filesystem::path g_dir;

void require(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern = (std::filesystem::temp_directory_path() / "nc_import_fuzz_XXXXXX").string();
  require(mkdtemp(pattern.data()) != nullptr);
  g_dir = pattern;
  platform::testing::capture_stdout(true);
  platform::testing::capture_stderr(true);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string in = (g_dir / "in.nc").string();
  const std::string out = (g_dir / "out.grd").string();
  std::filesystem::remove(out);
  std::ofstream(in, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  nc::ImportOptions o;
  o.nc_path = in;
  o.grid_path = out;
  o.table_path = T2G_FUZZ_TABLE;
  o.timeout_seconds = 3;
  o.memory_limit_mib = 1024;
  const int status = nc::import_grids(o, nc::TableDirs{});
  require(status >= 0 && status <= 2);
  (void)platform::testing::take_stdout();
  (void)platform::testing::take_stderr();
  for (const auto& entry : std::filesystem::directory_iterator(g_dir)) {
    require(entry.path() == in || entry.path() == out);
  }
  if (std::filesystem::exists(out)) {
    require(status == 0);
    require(gridfile::check(out).ok());
  }
  return 0;
}
