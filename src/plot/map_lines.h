// Lines on the earth carried onto a grid: polylines of latitude-longitude
// points become polylines in grid coordinates, broken where the projection has
// no point or the line jumps (across the wrap of a latitude-longitude grid or
// the cut of a cone), and kept only where they come near the grid. The
// renderer clips them to the raster.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "plot/picture.h"
#include "proj/projection.h"

namespace plot {

// lon taken within half a turn of `around`.
double unwrap_longitude(double lon, double around);

class GridMapper {
 public:
  // The projection must outlive the mapper.
  explicit GridMapper(const mapproj::Projection& projection);

  // Grid position of a point. On latitude-longitude and Mercator grids,
  // whose columns are linear in longitude, longitudes are taken around the
  // grid's middle column, so that points just west of column 1 stay there
  // instead of wrapping a turn east.
  std::optional<mapproj::GridPoint> locate(double lat, double lon) const;

  // Appends the pieces of the polyline that come within `band` grid units of
  // the grid's outer cell edges. On a latitude-longitude or Mercator grid
  // wider than a turn, pieces are repeated a turn east and west where they fit.
  void add_line(std::span<const mapproj::LatLon> points, std::vector<GridLine>& out,
                double band = 1.0) const;

 private:
  bool near_grid(const GridLine& line, double band) const;

  const mapproj::Projection& p_;
  double jump_;            // grid units between neighbours that break a line
  double far_;             // grid units outside the grid beyond which points are dropped
  double turn_ = 0;        // a turn of longitude in grid columns (latitude-longitude, Mercator)
  double middle_lon_ = 0;  // Mercator: longitude of the grid's middle
};

}  // namespace plot
