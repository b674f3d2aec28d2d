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

}  // namespace gridfile
