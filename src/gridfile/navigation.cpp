// The navigation block as a value: built by gr_mnav, taken apart word by word.
#include "gridfile/gridfile.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "grid/gr.h"
#include "strings/field.h"

namespace gridfile {
namespace {

int whole(float word) {
  if (!std::isfinite(word) || std::fabs(word) > 2.0e9f) return 0;
  return static_cast<int>(std::lround(word));
}

}  // namespace

std::array<float, 256> Navigation::to_block() const {
  std::array<float, 256> block{};
  int iret = 0;
  // Angles always count as given, as the converter passes them.
  gr_mnav(projection, nx, ny, lat1, lon1, lat2, lon2, angle1, angle2, angle3, true, block, iret);
  return block;
}

Navigation Navigation::from_block(const std::array<float, 256>& block) {
  Navigation n;
  // Word 2 holds the name's four characters, first character in the lowest byte.
  const auto word = std::bit_cast<std::uint32_t>(block[1]);
  std::array<char, 4> name{};
  std::memcpy(name.data(), &word, name.size());
  n.projection = std::string(strings::trim_right(strings::as_view(name)));
  n.nx = whole(block[4]);
  n.ny = whole(block[5]);
  n.lat1 = block[6];
  n.lon1 = block[7];
  n.lat2 = block[8];
  n.lon2 = block[9];
  n.angle1 = block[10];
  n.angle2 = block[11];
  n.angle3 = block[12];
  return n;
}

namespace {

Navigation named(const char* projection, int nx, int ny, Navigation::Point first,
                 Navigation::Point last, float angle1, float angle2, float angle3) {
  return Navigation{projection, nx,       ny,     first.lat, first.lon,
                    last.lat,   last.lon, angle1, angle2,    angle3};
}

}  // namespace

Navigation Navigation::ced(int nx, int ny, Point first, Point last) {
  return named("CED", nx, ny, first, last, 0, 0, 0);
}

Navigation Navigation::mercator(int nx, int ny, Point first, Point last, float true_lat,
                                float central_lon) {
  return named("MER", nx, ny, first, last, true_lat, central_lon, 0);
}

Navigation Navigation::lambert(int nx, int ny, Point first, Point last, float std_lat1,
                               float std_lat2, float central_lon) {
  return named("LCC", nx, ny, first, last, std_lat1, central_lon, std_lat2);
}

Navigation Navigation::polar_stereographic(int nx, int ny, Point first, Point last, Pole pole,
                                           float central_lon) {
  return named("STR", nx, ny, first, last, pole == Pole::kNorth ? 90.0f : -90.0f, central_lon, 0);
}

}  // namespace gridfile
