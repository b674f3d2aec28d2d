// gridinfo --dump: one grid's values, top row first, one per line, each the
// shortest text that reads back as the same real: the input of text2grid.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "gridfile/gridfile.h"
#include "gridtools/selection.h"

namespace gridtools {

// The grid --dump means: grid `number` (which must also match the selection),
// or the one grid the selection picks. An Error explains a miss or an
// ambiguous selection.
gridfile::Result<gridfile::GridInfo> pick_grid(const gridfile::GridFile& file,
                                               std::optional<int> number,
                                               const Selection& selection);

// Hands each line of the dump of a grid to `line`: values top row first.
void dump_values(const gridfile::Grid& grid, const std::function<void(std::string_view)>& line);

// The same with each value after its latitude and longitude ("lat lon value",
// degrees to 8 significant digits); an Error when the projection has no geometry.
gridfile::Status dump_values_latlon(const gridfile::Grid& grid, const gridfile::Navigation& nav,
                                    const std::function<void(std::string_view)>& line);

}  // namespace gridtools
