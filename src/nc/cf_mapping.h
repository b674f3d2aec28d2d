// CF grid mappings: the attributes that describe a grid's projection in
// netCDF-CF, written from a navigation and read back into one.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "gridfile/gridfile.h"
#include "proj/projection.h"

namespace nc {

// One attribute of the grid-mapping variable: text or numbers.
struct CfAttribute {
  std::string name;
  std::variant<std::string, std::vector<double>> value;
};

// The grid-mapping variable's attributes for a grid: grid_mapping_name
// (latitude_longitude, lambert_conformal_conic, polar_stereographic,
// mercator), its parameters, earth_radius and crs_wkt.
std::vector<CfAttribute> grid_mapping_attributes(const mapproj::Projection& p);

// What a grid-mapping variable says, read through `att` (the numbers of a
// named attribute, nullopt when absent) and `text` (a text attribute).
struct ImportedMapping {
  std::string projection;  // CED, LCC, STR, MER
  float angle1 = 0, angle2 = 0, angle3 = 0;
  // The file's own coordinate system as a PROJ definition (projected kinds).
  std::string definition;
  bool our_sphere = true;  // the earth is the 6,371,200 m sphere (or not given)
};
using NumberAttribute = std::function<std::optional<std::vector<double>>(const char*)>;
using TextAttribute = std::function<std::optional<std::string>(const char*)>;
// Refuses unknown mappings and missing or contradictory parameters, with a
// message naming the attribute.
gridfile::Result<ImportedMapping> read_grid_mapping(const NumberAttribute& att,
                                                    const TextAttribute& text);

// Metres per unit of a projection coordinate's units attribute (m, km, ...);
// nullopt for units that are not a length.
std::optional<double> length_units(std::string_view units);

}  // namespace nc
