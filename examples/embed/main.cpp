// Writes a grid file and reads it back through the grid-file API; silent.
// Usage: embed FILE. Exit status 0 when the grid read back is the one written.
#include <chrono>
#include <vector>

#include "text2grid/gridfile/gridfile.h"

int main(int argc, char** argv) {
  using namespace std::chrono;
  if (argc != 2) return 2;
  const auto nav = gridfile::Navigation::ced(4, 3, {40.0f, -10.0f}, {46.0f, 2.0f});
  const auto id = gridfile::GridId::analysis(sys_days{2024y / 1 / 1} + 12h, "TMPK", 850,
                                             gridfile::Vcoord::kPres);
  std::vector<float> values;
  for (int i = 0; i < nav.nx * nav.ny; ++i) values.push_back(270.0f + 0.5f * float(i));

  auto file = gridfile::GridFile::create(argv[1], nav);
  if (!file || !file->write(values, id) || !file->close()) return 1;

  auto again = gridfile::GridFile::open(argv[1]);
  if (!again) return 1;
  auto grid = again->read(id);
  return grid && grid->values == values ? 0 : 1;
}
