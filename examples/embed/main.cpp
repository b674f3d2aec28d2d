// Writes a grid through the modern API, reads it back and compares. Usage:
// embed FILE. Exit status 0 when the grid read back is the grid written.
#include <stdlib.h>  // setenv

#include <cstdio>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: embed FILE\n");
    return 2;
  }
  setenv("MORERR", EMBED_MESSAGE_DIR, 0);  // an operator's own MORERR wins
  const std::string path = argv[1];

  gridfile::Navigation nav;
  nav.projection = "CED";
  nav.nx = 4;
  nav.ny = 3;
  nav.lat1 = 40.0f, nav.lon1 = -10.0f, nav.lat2 = 46.0f, nav.lon2 = 2.0f;
  std::vector<float> values;
  for (int i = 0; i < nav.nx * nav.ny; ++i) values.push_back(270.0f + 0.5f * static_cast<float>(i));
  const gridfile::GridId id{"240101/1200", "", 850, -1, gridfile::kVcoordPres, "TMPK"};
  {
    auto file = gridfile::GridFile::create(path, nav);
    if (!file) {
      std::fprintf(stderr, "create: %s\n", file.error().text.c_str());
      return 1;
    }
    const gridfile::Status written = file->write(values, nav.nx, nav.ny, id);
    if (!written) {
      std::fprintf(stderr, "write: %s\n", written.error().text.c_str());
      return 1;
    }
  }  // closed here

  auto file = gridfile::GridFile::open(path);
  if (!file) {
    std::fprintf(stderr, "open: %s\n", file.error().text.c_str());
    return 1;
  }
  auto grid = file->read(id);
  if (!grid) {
    std::fprintf(stderr, "read: %s\n", grid.error().text.c_str());
    return 1;
  }
  const bool same = grid->values == values && grid->info.nx == nav.nx && grid->info.ny == nav.ny;
  std::printf("%s: %d grid(s); %s %dx%d %s\n", path.c_str(), file->count(),
              grid->info.id.text().c_str(), grid->info.nx, grid->info.ny,
              same ? "read back as written" : "DIFFERS from what was written");

  // A second create of the same name is refused with the library's message text.
  auto again = gridfile::GridFile::create(path, nav);
  if (again) return 1;
  std::printf("create again: %s\n", again.error().text.c_str());
  return same ? 0 : 1;
}
