// Salvage of a damaged grid file through gridfile::salvage: every grid that
// reads back whole is copied record for record into a new file.
#include "gridtools/salvage.h"

#include <string>

#include "gridfile/gridfile.h"
#include "platform/platform.h"

namespace gridinfo {
namespace {

void problem(std::string_view text) {
  platform::write_error_line("gridinfo: " + std::string(text));
}

}  // namespace

int salvage_file(std::string_view path, std::string_view target) {
  const std::string from(path), to(target);
  if (const gridfile::Result<gridfile::GridFile> f = gridfile::GridFile::open(from);
      f && !f->damage().empty()) {
    problem(from + ": damaged: " + f->damage());
  }
  const gridfile::Result<gridfile::SalvageResult> done = gridfile::salvage(from, to);
  if (!done) {
    problem(done.error().text);
    problem(to + " not created");
    return 1;
  }
  for (const std::string& line : done->left_out) problem(from + ": " + line + "; left out");
  const int all = done->copied + static_cast<int>(done->left_out.size());
  platform::write_line("Salvaged " + std::to_string(done->copied) + " of " + std::to_string(all) +
                       " grids into " + to);
  return done->left_out.empty() ? 0 : 1;
}

}  // namespace gridinfo
