// A coordinate reference system written as text (WKT, as netCDF files carry
// it in crs_wkt or spatial_ref) turned into the PROJ definition of its
// projection, which Transform::create takes.
#pragma once

#include <string>

#include "gridfile/gridfile.h"

namespace mapproj {

// The "+proj=... " definition of a projected CRS given as WKT (or any text
// PROJ reads as a CRS); kBadGeometry with PROJ's reason when PROJ cannot
// read it, or when it is not a projected CRS.
gridfile::Result<std::string> projected_definition(const std::string& crs_text);

}  // namespace mapproj
