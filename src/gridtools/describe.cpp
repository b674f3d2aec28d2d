#include "gridtools/describe.h"

#include <charconv>
#include <cmath>

#include "strings/concat.h"

namespace gridtools {

std::string real_text(float value) {
  std::array<char, 32> buf{};
  const auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value);
  return ec == std::errc() ? std::string(buf.data(), end) : std::string("?");
}

std::string number_text(double value, int digits) {
  std::array<char, 64> buf{};
  const auto [end, ec] =
      std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::general, digits);
  return ec == std::errc() ? std::string(buf.data(), end) : std::string("?");
}

std::string forecast_text(const gridfile::GridTime& t) {
  if (t.forecast_type == ' ') return "";
  const int hours = t.forecast_minutes / 60, minutes = t.forecast_minutes % 60;
  std::string out = strings::concat({"+", std::to_string(hours), "h"});
  if (minutes != 0) out += std::to_string(minutes) + "m";
  return out;
}

std::string time_text(std::string_view time, const gridfile::YearWindow& window) {
  if (time.empty()) return "";
  const std::optional<gridfile::GridTime> t = gridfile::parse_time(time, window);
  if (!t) return std::string(time);
  std::string out = gridfile::iso8601(time, window);
  if (t->forecast_type != ' ') {
    out += strings::concat({" ", std::string(1, t->forecast_type), forecast_text(*t), ", valid ",
                            gridfile::valid_iso8601(time, window)});
  }
  return out;
}

std::string level_text(const gridfile::GridId& id) {
  std::string out = std::to_string(id.level1);
  if (id.level2) out += strings::concat({":", std::to_string(*id.level2)});
  return out;
}

std::string packing_name(const gridfile::Packing& p) {
  switch (p.type) {
    case gridfile::PackingType::kNone:
      return "none";
    case gridfile::PackingType::kGrib:
      return "GRIB " + std::to_string(p.bits) + " bits";
    case gridfile::PackingType::kDiff:
      return "diff " + std::to_string(p.bits) + " bits";
    case gridfile::PackingType::kDecimal:
      return "decimal " + std::to_string(p.bits) + " digits";
  }
  return "type " + std::to_string(static_cast<int>(p.type));
}

double size_percent(const gridfile::GridInfo& g) {
  // The grid block of a data record: packing type and values for an
  // unpacked grid; six words and the codes for GRIB packing, eight for
  // difference packing. The rest of the record (length word, grid header)
  // is the same either way.
  const std::size_t points = static_cast<std::size_t>(g.nx) * static_cast<std::size_t>(g.ny);
  const std::size_t codes = (static_cast<std::size_t>(g.packing.bits) * points + 31) / 32;
  std::size_t block = points + 1;
  if (g.packing.type == gridfile::PackingType::kGrib) block = codes + 6;
  if (g.packing.type == gridfile::PackingType::kDiff) block = codes + 8;
  const std::size_t rest = g.words > block ? g.words - block : 0;
  const double unpacked = static_cast<double>(rest + points + 1);
  return 100.0 * static_cast<double>(g.words) / unpacked;
}

std::array<std::string, 3> angle_names(std::string_view projection) {
  if (projection == "CED") return {"", "", ""};
  if (projection == "MER") return {"true latitude", "central longitude", ""};
  if (projection == "LCC") {
    return {"standard latitude 1", "central longitude", "standard latitude 2"};
  }
  if (projection == "STR" || projection == "NPS" || projection == "SPS") {
    return {"pole latitude", "central longitude", ""};
  }
  return {"angle 1", "angle 2", "angle 3"};
}

}  // namespace gridtools
