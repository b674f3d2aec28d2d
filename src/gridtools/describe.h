// Readable texts of a grid file's values: exact reals, times in ISO 8601 with
// the forecast period, levels, packing, and the names of a projection's angles.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "gridfile/gridfile.h"

namespace gridtools {

// Shortest text of a real that reads back as the same bits ("0.1", "-9999",
// "3.4028235e+38", "nan", "inf").
std::string real_text(float value);
// A double with `digits` significant digits, the shorter of fixed and
// exponent forms ("273.15", "1.5e-07").
std::string number_text(double value, int digits = 6);

// "1991-08-23T12:00Z" for "910823/1200"; for a forecast of 12 hours
// "1991-08-23T12:00Z F+12h, valid 1991-08-24T00:00Z" ("+1h30m" for minutes);
// empty for an empty text, and the text itself when it is not a time. Years
// are read with the window.
std::string time_text(std::string_view time, const gridfile::YearWindow& window);
// Forecast period as "+12h" / "+1h30m" (empty when the time has no forecast part).
std::string forecast_text(const gridfile::GridTime& t);

// "500", or "500:300" when level 2 is set.
std::string level_text(const gridfile::GridId& id);

// "none", "GRIB 12 bits", "diff 8 bits".
std::string packing_name(const gridfile::Packing& p);
// The grid's data record as a percentage of the record the same grid takes
// unpacked (100 for an unpacked grid).
double size_percent(const gridfile::GridInfo& g);

// The meaning of angle 1, 2 and 3 for a projection ("" for an unused angle);
// every angle is named "angle N" for a projection without known geometry.
std::array<std::string, 3> angle_names(std::string_view projection);

}  // namespace gridtools
