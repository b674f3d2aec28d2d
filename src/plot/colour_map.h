// Colour maps for pictures of grids: perceptually uniform maps tabulated at
// evenly spaced anchors, interpolated linearly between them in sRGB.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace plot {

// An sRGB colour, each component 0..1.
struct Rgb {
  double r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// 0xRRGGBB as an Rgb.
Rgb rgb_from_hex(std::uint32_t hex);

class ColourMap {
 public:
  const std::string& name() const { return name_; }
  // The colour at t, clamped to 0..1 (a NaN gives the colour at 0).
  Rgb at(double t) const;
  // The anchors as (position, colour): the stops of an equivalent gradient.
  std::size_t anchor_count() const { return anchors_.size(); }
  double anchor_position(std::size_t k) const;
  Rgb anchor_colour(std::size_t k) const { return rgb_from_hex(anchors_[k]); }

  // The map of that name (any case), or nullopt.
  static std::optional<ColourMap> find(std::string_view name);
  // Names of every map, the default first.
  static std::vector<std::string> names();

 private:
  // anchors: at least two colours, 0xRRGGBB, evenly spaced from 0 to 1, in
  // static storage.
  ColourMap(std::string_view name, std::span<const std::uint32_t> anchors);

  std::string name_;
  std::span<const std::uint32_t> anchors_;
};

// The colour of missing points: a neutral grey that none of the maps uses.
inline constexpr std::uint32_t kMissingHex = 0xA0A0A0;

}  // namespace plot
