// Naming the grid file at the end of a run.
#include "driver/output_file.h"

#include <string>

#include "dm/dm.h"
#include "driver/convert.h"
#include "grid/gd.h"
#include "platform/platform.h"

namespace driver {
namespace {}  // namespace

GridPublishing::GridPublishing(const OutputRules& rules) : rules_(rules) {
  grid::set_publish_on_create(!rules_.all_or_nothing);
  dm::set_replace_on_publish(rules_.all_or_nothing && rules_.overwrite);
}

GridPublishing::~GridPublishing() {
  grid::set_publish_on_create(true);
  dm::set_replace_on_publish(false);
}

int GridPublishing::finish(int gfnum, bool complete, std::string_view filnam,
                           std::string_view path) const {
  if (!rules_.all_or_nothing) return 0;
  const std::string file = quoted(path);
  if (!complete && !rules_.keep_partial) {
    platform::write_error_line(
        "text2grid: nothing was written: " + file + " is written only when every grid is in" +
        (platform::file_exists(path)
             ? "; the file of that name is left as it was"
             : " (--keep-partial keeps the grids written before a failure)"));
    return 0;
  }
  if (!complete && rules_.overwrite && platform::file_exists(path)) {
    platform::write_error_line("text2grid: the grids written are not kept: " + file +
                               " exists and --overwrite replaces it only with a complete file");
    return 0;
  }
  if (dm::publish_file(gfnum, filnam) != 0) {
    platform::write_error_line("text2grid: the grid file could not be given its name " + file +
                               "; nothing was left under it");
    return kNotWrittenStatus;
  }
  if (!complete) {
    platform::write_error_line("text2grid: " + file +
                               " keeps the grids written before the failure (--keep-partial)");
  }
  return 0;
}

}  // namespace driver
