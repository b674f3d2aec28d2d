// One PROJ operation: a context and the object made from a PROJ definition,
// used both ways (latitude/longitude in degrees <-> projection coordinates).
// Not part of the layer's interface.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "proj/projection.h"

namespace mapproj::detail {

class Operation {
 public:
  // kBadGeometry with PROJ's reason when PROJ cannot start or cannot read
  // the definition.
  static gridfile::Result<Operation> create(const std::string& definition);

  Operation(Operation&&) noexcept;
  Operation& operator=(Operation&&) noexcept;
  ~Operation();

  // Degrees to projection coordinates; nullopt where PROJ has no value.
  std::optional<std::pair<double, double>> forward(double lat, double lon) const;
  // Projection coordinates to degrees; nullopt where PROJ has no value.
  std::optional<LatLon> inverse(double x, double y) const;
  // The definition as WKT 1 (GDAL's flavour); empty when PROJ cannot say.
  std::string wkt() const;
  // The geodesic distance in metres on the operation's ellipsoid.
  double distance(const LatLon& a, const LatLon& b) const;

 private:
  struct Handles;
  explicit Operation(std::unique_ptr<Handles> handles);
  std::unique_ptr<Handles> handles_;
};

// The shortest text that reads back as v ("6371200", "12.19").
std::string number(double v);

}  // namespace mapproj::detail
