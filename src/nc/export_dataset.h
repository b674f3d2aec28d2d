// One export of grid2nc written into a netCDF dataset: its definitions, the
// coordinate values, then the grids one at a time.
#pragma once

#include "gridfile/gridfile.h"
#include "nc/export_plan.h"
#include "nc/grid2nc.h"
#include "nc/ncfile.h"
#include "params/params.h"
#include "proj/projection.h"

namespace nc {

// Writes the export `plan` of `grid_file` into `f`, open and empty, and
// closes it. The first failure ends the export and is returned.
gridfile::Status write_dataset(NcFile& f, const gridfile::GridFile& grid_file,
                               const ExportPlan& plan, const mapproj::Projection& proj,
                               const params::Table& table, const ExportOptions& o);

}  // namespace nc
