// Map geometry of a grid file's navigation, on PROJ: where grid point (i,j)
// lies on the earth and back, the projection coordinates of every column and
// row, and the grid spacing.
//
// Conventions of the navigation (all on a sphere of radius 6,371,200 m):
//   CED  regular latitude-longitude grid, points evenly spaced in latitude and
//        longitude between the corners; lon2 < lon1 means lon2 + 360 (a span
//        across 180). Angles unused. Coordinates are degrees.
//   MER  Mercator true at angle1 (0: the equator), central meridian angle2.
//   LCC  Lambert conformal conic: standard parallels angle1 and angle3
//        (equal for a tangent cone), latitude of origin angle1, central
//        meridian angle2; a negative angle1 is a southern cone.
//   STR, NPS, SPS  polar stereographic true at the pole: angle1 the pole (90
//        or -90; NPS and SPS imply it), angle2 the meridian that runs straight
//        up the grid.
// Grid point (1,1) is (lat1, lon1), (nx,ny) is (lat2, lon2); points lie evenly
// spaced in projection coordinates between them. Projected coordinates are
// metres with no false easting or northing. Any other projection name has no
// geometry.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gridfile/gridfile.h"

namespace mapproj {

inline constexpr double kEarthRadius = 6371200.0;  // metres

// Error codes of Projection::from.
inline constexpr int kNoGeometry = -1;   // projection name without geometry
inline constexpr int kBadGeometry = -2;  // grid size, corners or angles unusable

enum class Kind { kLatLon, kMercator, kLambert, kPolarStereographic };

struct LatLon {
  double lat = 0, lon = 0;  // degrees
};
// A position in grid units: column i and row j from 1, fractional between points.
struct GridPoint {
  double i = 0, j = 0;
};

class Projection {
 public:
  static gridfile::Result<Projection> from(const gridfile::Navigation& nav);

  Projection(Projection&&) noexcept;
  Projection& operator=(Projection&&) noexcept;
  ~Projection();

  Kind kind() const;
  int nx() const;
  int ny() const;
  // For polar stereographic grids: +1 north pole, -1 south pole; else 0.
  int pole() const;
  // The navigation's angles as the geometry reads them (for a polar grid the
  // pole's latitude as angle1, whatever the name implied).
  double angle1() const;
  double angle2() const;
  double angle3() const;

  // Latitude and longitude of grid position (i,j); nullopt where the
  // projection has no point. CED longitudes run on from lon1 (they may pass
  // 180); projected longitudes are in -180..180.
  std::optional<LatLon> latlon(double i, double j) const;
  // Grid position of a point; nullopt where the projection cannot place it.
  // CED longitudes are taken modulo 360 into lon1 .. lon1 + 360.
  std::optional<GridPoint> grid_point(double lat, double lon) const;

  // Projection coordinate of column i and row j (degrees for CED, else metres).
  double x(double i) const;
  double y(double j) const;
  std::vector<double> xs() const;  // columns 1..nx
  std::vector<double> ys() const;  // rows 1..ny
  // Spacing between neighbouring columns and rows (0 for a single column or
  // row); negative when coordinates decrease with i or j.
  double dx() const;
  double dy() const;
  bool metres() const { return kind() != Kind::kLatLon; }

  // The coordinate reference system as a PROJ string, and as WKT (for the
  // crs_wkt attribute of netCDF-CF); both on the 6,371,200 m sphere.
  std::string proj_definition() const;
  std::string wkt() const;

 private:
  struct State;
  explicit Projection(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// Any coordinate reference system PROJ reads ("+proj=lcc ..."), for
// metadata that describes a grid in another projection's parameters or on
// another earth: projection coordinates (metres) <-> latitude/longitude.
class Transform {
 public:
  // kBadGeometry with PROJ's reason when PROJ cannot read the definition.
  static gridfile::Result<Transform> create(const std::string& definition);
  Transform(Transform&&) noexcept;
  Transform& operator=(Transform&&) noexcept;
  ~Transform();
  std::optional<LatLon> inverse(double x, double y) const;
  std::optional<std::pair<double, double>> forward(double lat, double lon) const;

 private:
  struct State;
  explicit Transform(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// Distance in metres between two points on the 6,371,200 m sphere.
double distance(const LatLon& a, const LatLon& b);

}  // namespace mapproj
