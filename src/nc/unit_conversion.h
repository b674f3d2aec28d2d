// Conversions between the units a netCDF variable may carry and the units the
// parameter table gives a parameter: the few families the table uses
// (pressure, temperature, length, speed, fractions), as a scale and an offset.
#pragma once

#include <optional>
#include <string_view>

namespace nc {

// value_in_target = value * scale + offset.
struct Affine {
  double scale = 1, offset = 0;
  bool identity() const { return scale == 1 && offset == 0; }
};

// How values in units `from` become values in units `to`: the identity for
// two spellings of one unit, nullopt when either is unknown or they measure
// different things.
std::optional<Affine> unit_conversion(std::string_view from, std::string_view to);

}  // namespace nc
