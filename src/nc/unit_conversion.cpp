#include "nc/unit_conversion.h"

#include <array>

#include "params/params.h"

namespace nc {
namespace {

// One spelling of a unit: value_in_base = value * factor + shift, where the
// base is the family's SI unit.
struct Unit {
  std::string_view spelling;
  int family;
  double factor, shift;
};

enum Family { kPressure, kTemperature, kLength, kSpeed, kFraction };

constexpr double kCelsiusZero = 273.15;
constexpr double kFahrenheitDegree = 5.0 / 9.0;

constexpr std::array kUnits = {
    Unit{"Pa", kPressure, 1, 0},
    Unit{"hPa", kPressure, 100, 0},
    Unit{"mbar", kPressure, 100, 0},
    Unit{"millibar", kPressure, 100, 0},
    Unit{"mb", kPressure, 100, 0},
    Unit{"kPa", kPressure, 1000, 0},
    Unit{"bar", kPressure, 1e5, 0},
    Unit{"K", kTemperature, 1, 0},
    Unit{"kelvin", kTemperature, 1, 0},
    Unit{"degK", kTemperature, 1, 0},
    Unit{"degC", kTemperature, 1, kCelsiusZero},
    Unit{"deg_C", kTemperature, 1, kCelsiusZero},
    Unit{"celsius", kTemperature, 1, kCelsiusZero},
    Unit{"degree_Celsius", kTemperature, 1, kCelsiusZero},
    Unit{"degrees_Celsius", kTemperature, 1, kCelsiusZero},
    Unit{"degF", kTemperature, kFahrenheitDegree, kCelsiusZero - 32 * kFahrenheitDegree},
    Unit{"deg_F", kTemperature, kFahrenheitDegree, kCelsiusZero - 32 * kFahrenheitDegree},
    Unit{"fahrenheit", kTemperature, kFahrenheitDegree, kCelsiusZero - 32 * kFahrenheitDegree},
    Unit{"degree_Fahrenheit", kTemperature, kFahrenheitDegree,
         kCelsiusZero - 32 * kFahrenheitDegree},
    Unit{"m", kLength, 1, 0},
    Unit{"metre", kLength, 1, 0},
    Unit{"meter", kLength, 1, 0},
    Unit{"metres", kLength, 1, 0},
    Unit{"meters", kLength, 1, 0},
    Unit{"km", kLength, 1000, 0},
    Unit{"dam", kLength, 10, 0},
    Unit{"cm", kLength, 0.01, 0},
    Unit{"mm", kLength, 0.001, 0},
    Unit{"ft", kLength, 0.3048, 0},
    Unit{"m s-1", kSpeed, 1, 0},
    Unit{"m/s", kSpeed, 1, 0},
    Unit{"m s**-1", kSpeed, 1, 0},
    Unit{"km h-1", kSpeed, 1 / 3.6, 0},
    Unit{"km/h", kSpeed, 1 / 3.6, 0},
    Unit{"knot", kSpeed, 1852.0 / 3600.0, 0},
    Unit{"knots", kSpeed, 1852.0 / 3600.0, 0},
    Unit{"kt", kSpeed, 1852.0 / 3600.0, 0},
    Unit{"1", kFraction, 1, 0},
    Unit{"%", kFraction, 0.01, 0},
    Unit{"percent", kFraction, 0.01, 0},
};

const Unit* find_unit(std::string_view spelling) {
  for (const Unit& u : kUnits) {
    if (u.spelling == spelling) return &u;
  }
  return nullptr;
}

}  // namespace

std::optional<Affine> unit_conversion(std::string_view from, std::string_view to) {
  if (params::same_units(from, to)) return Affine{};
  const Unit* a = find_unit(from);
  const Unit* b = find_unit(to);
  if (a == nullptr || b == nullptr || a->family != b->family) return std::nullopt;
  // value * a.factor + a.shift = target * b.factor + b.shift
  return Affine{a->factor / b->factor, (a->shift - b->shift) / b->factor};
}

}  // namespace nc
