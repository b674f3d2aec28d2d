// Coastlines and country borders from GSHHG (the Debian package
// gmt-gshhg-low): netCDF files that cut the world into square bins (10 degrees
// at the low resolution), bins numbered from the north-west corner eastwards
// then southwards, and store each bin's pieces of line as 16-bit offsets from
// the bin's south-west corner in 1/65535 of the bin's side.
#pragma once

#include <string>
#include <vector>

#include "proj/projection.h"

namespace plot {

enum class Shoreline { kCoast, kBorder };

// Where Debian installs the files.
inline constexpr const char* kShorelineFolder = "/usr/share/gmt-gshhg";

struct Shorelines {
  std::vector<std::vector<mapproj::LatLon>> lines;
  std::string error;  // empty when the file was read
};

// The low-resolution file of that kind in `folder`.
std::string shoreline_file(const std::string& folder, Shoreline kind);

// The lines of a binned file: for coasts the shores of land, lakes and islands
// in them and the Antarctic ice front (not its grounding line); for borders
// the national boundaries (not internal or maritime ones).
Shorelines read_shorelines(const std::string& path, Shoreline kind);

}  // namespace plot
