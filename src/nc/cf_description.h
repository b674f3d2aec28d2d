// The CF description of an export: every dimension, coordinate and data
// variable with its attributes and coordinate values, as plain data. grid2nc
// writes it into a netCDF file; the Python package builds an xarray Dataset
// of it, so both readers see the same names, attributes and coordinates.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "gridfile/gridfile.h"
#include "nc/export_plan.h"
#include "params/params.h"
#include "proj/projection.h"

namespace nc {

// One attribute: text, or numbers of the netCDF type they are written as.
using CfValue =
    std::variant<std::string, std::vector<double>, std::vector<float>, std::vector<int>>;
struct CfAttr {
  std::string name;
  CfValue value;
};

struct CfDimension {
  std::string name;
  std::size_t length = 0;
  bool unlimited = false;
};

enum class CfType { kDouble, kFloat, kInt };

struct CfVariable {
  std::string name;
  CfType type = CfType::kDouble;
  std::vector<std::string> dims;  // netCDF order, slowest first
  std::vector<CfAttr> attrs;
  // Coordinates: every value, first dimension slowest (empty for a scalar
  // without a value, such as the grid mapping, and for data variables).
  std::vector<double> values;
  // Data variables: index into ExportPlan::variables; -1 for coordinates.
  int data = -1;
  // Coordinates whose values were left out on request (the 2-D latitude and
  // longitude of a projected grid): point_latlons gives them.
  bool deferred = false;
  bool is_data() const { return data >= 0; }
};

struct CfDataset {
  std::vector<CfAttr> globals;
  std::vector<CfDimension> dims;
  std::vector<CfVariable> variables;  // in definition order: coordinates, then data
};

// What the description says of where the grids came from.
struct CfSource {
  std::string grid_path;
  std::string history;  // the global history line; empty: none
};

inline constexpr float kCfFill = gridfile::kMissing;  // _FillValue of the data variables

// Whether the 2-D latitude and longitude of a projected grid get their
// values (a million PROJ calls for a 1000 x 1000 grid) or are deferred to a
// reader that computes them only when they are used.
enum class PointCoordinates { kComputed, kDeferred };

// The description of `plan` over the navigation's projection. Data variables
// carry their plan index; their values are read grid by grid by the writer.
CfDataset describe_dataset(const gridfile::Navigation& nav, const ExportPlan& plan,
                           const mapproj::Projection& proj, const params::Table& table,
                           const CfSource& source,
                           PointCoordinates points = PointCoordinates::kComputed);

// Latitude and longitude of every point of a projected grid, rows first (the
// netCDF double fill where the projection has none): the values of the 2-D
// lat and lon coordinates.
std::pair<std::vector<double>, std::vector<double>> point_latlons(const mapproj::Projection& p);

// The dimension lengths of a variable, in its order.
std::vector<std::size_t> shape_of(const CfDataset& d, const CfVariable& v);

}  // namespace nc
