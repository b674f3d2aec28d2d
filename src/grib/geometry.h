// The grid definition section (GRIB2 section 3) of a grid file's navigation,
// and back: CED as template 3.0 (regular latitude-longitude), MER as 3.10,
// NPS/SPS/STR as 3.20 and LCC as 3.30, on the 6,371,200 m sphere. Grid point
// (1,1) is the message's first point, so the values keep their order; the
// scanning flags say which way the rows and columns run.
#pragma once

#include <string>

#include "gridfile/gridfile.h"

struct grib_handle;

namespace grib {

// Writes the grid definition of `nav`. Refused: a projection other than the
// four (with the reason).
gridfile::Status write_grid_definition(grib_handle* h, const gridfile::Navigation& nav);

// A message's grid as a navigation. values_reversed: each row of values runs
// the other way (a latitude-longitude grid scanned west from its first
// point). Refused with the reason: Gaussian, rotated, spectral, unstructured
// and other grids, an earth that is not a sphere for a projected grid, and
// scanning orders other than rows one after another.
struct MessageGrid {
  gridfile::Navigation nav;
  bool rows_reversed = false;
};
gridfile::Result<MessageGrid> read_grid_definition(grib_handle* h);

}  // namespace grib
