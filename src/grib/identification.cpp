// Grid identifiers and GRIB2 keys: reference time and forecast period
// (code tables 1.4, 4.3 and 4.4) and fixed surfaces (code table 4.5).
#include "grib/identification.h"

#include <cmath>
#include <cstdio>

namespace grib {
namespace {

constexpr int kIsobaric = 100, kIsentropic = 107, kHeightAboveGround = 103, kSigma = 104,
              kMeanSeaLevel = 101;
constexpr int kSigmaDigits = 4;  // sigma levels are filed as sigma x 10000
constexpr int kPascalsPerHpa = 100;
constexpr long kMaxForecastMinutes = 999 * 60 + 59;

gridfile::Error refusal(std::string text) {
  return base::Error(base::Source::kGrib, gridfile::kBadArgument, std::move(text));
}

// The surface of a level in the grid file's unit.
gridfile::Result<Surface> surface_of(gridfile::Vcoord vcoord, int level, int none_surface) {
  switch (vcoord) {
    case gridfile::Vcoord::kNone:
      if (level != 0) {
        return refusal("level " + std::to_string(level) +
                       " without a vertical coordinate has no GRIB2 surface");
      }
      return Surface{none_surface, 0, 0};
    case gridfile::Vcoord::kPres:
      return Surface{kIsobaric, static_cast<long>(level) * kPascalsPerHpa, 0};
    case gridfile::Vcoord::kThta:
      return Surface{kIsentropic, level, 0};
    case gridfile::Vcoord::kHght:
      return Surface{kHeightAboveGround, level, 0};
    case gridfile::Vcoord::kSgma:
      return Surface{kSigma, level, kSigmaDigits};
    default:
      return refusal("vertical coordinate " + gridfile::vcoord_name(vcoord) +
                     " has no GRIB2 surface");
  }
}

// The level of a surface in the grid file's unit, or the reason there is none.
gridfile::Result<int> level_of(const Surface& s, gridfile::Vcoord vcoord) {
  if (vcoord == gridfile::Vcoord::kNone) return 0;
  double value = static_cast<double>(s.scaled_value) * std::pow(10.0, -s.scale_factor);
  if (vcoord == gridfile::Vcoord::kPres) value /= kPascalsPerHpa;
  if (vcoord == gridfile::Vcoord::kSgma) value *= std::pow(10.0, kSigmaDigits);
  const double whole = std::round(value);
  if (std::fabs(value - whole) > 1e-6 * std::max(1.0, std::fabs(value)) || std::fabs(whole) > 1e9) {
    return refusal("level " + std::to_string(value) + " of surface type " + std::to_string(s.type) +
                   " is not a whole number in the grid file's unit" +
                   (vcoord == gridfile::Vcoord::kPres ? " (hPa)" : ""));
  }
  return static_cast<int>(whole);
}

gridfile::Result<gridfile::Vcoord> vcoord_of(int surface_type) {
  switch (surface_type) {
    case kGroundSurface:
    case kMeanSeaLevel:
      return gridfile::Vcoord::kNone;
    case kIsobaric:
      return gridfile::Vcoord::kPres;
    case kIsentropic:
      return gridfile::Vcoord::kThta;
    case kHeightAboveGround:
      return gridfile::Vcoord::kHght;
    case kSigma:
      return gridfile::Vcoord::kSgma;
    default:
      return refusal("fixed surface type " + std::to_string(surface_type) +
                     " has no vertical coordinate in a grid file (known: 1 surface, 101 mean "
                     "sea level, 100 isobaric, 107 isentropic, 103 height above ground, 104 "
                     "sigma)");
  }
}

char forecast_letter(const MessageId& m) {
  switch (m.generating_process) {
    case kProcessInitialization:
      return 'I';
    case kProcessFirstGuess:
      return 'G';
    case kProcessAnalysis:
      return m.forecast_time != 0 ? 'A' : ' ';
    default:
      break;
  }
  if (m.processed_data == 0) return m.forecast_time != 0 ? 'A' : ' ';
  if (m.forecast_time != 0 || m.processed_data == 1 || m.generating_process == kProcessForecast) {
    return 'F';
  }
  return ' ';
}

gridfile::Result<long> forecast_minutes(const MessageId& m) {
  long per_unit = 0;
  switch (m.time_unit) {
    case kUnitMinute:
      per_unit = 1;
      break;
    case kUnitHour:
      per_unit = 60;
      break;
    case 2:
      per_unit = 24 * 60;
      break;  // day
    case 10:
      per_unit = 3 * 60;
      break;  // 3 hours
    case 11:
      per_unit = 6 * 60;
      break;  // 6 hours
    case 12:
      per_unit = 12 * 60;
      break;  // 12 hours
    case 13:  // second
      if (m.forecast_time % 60 != 0) return refusal("a forecast period in seconds");
      return m.forecast_time / 60;
    default:
      return refusal("forecast time unit " + std::to_string(m.time_unit) +
                     " (code table 4.4) is not read");
  }
  if (m.forecast_time < 0 || m.forecast_time > kMaxForecastMinutes / per_unit) {
    return refusal("forecast period " + std::to_string(m.forecast_time) + " (unit " +
                   std::to_string(m.time_unit) + ") lies outside 0..999 hours 59 minutes");
  }
  return m.forecast_time * per_unit;
}

}  // namespace

gridfile::Result<MessageId> message_id(const gridfile::GridId& id, int none_surface,
                                       const timewin::YearWindow& window) {
  if (!id.time2.empty()) return refusal("a second time (" + id.time2 + ") has no GRIB2 form here");
  const std::optional<gridfile::GridTime> t = gridfile::parse_time(id.time1);
  if (!t) return refusal("the grid has no reference time");
  MessageId m;
  m.year = window.widen(t->year % 100);
  m.month = t->month;
  m.day = t->day;
  m.hour = t->hour;
  m.minute = t->minute;
  switch (t->forecast_type) {
    case 'F':
      m.generating_process = kProcessForecast;
      m.processed_data = 1;
      break;
    case 'G':
      m.generating_process = kProcessFirstGuess;
      m.processed_data = 1;
      break;
    case 'I':
      m.generating_process = kProcessInitialization;
      break;
    default:
      m.generating_process = kProcessAnalysis;
      break;
  }
  const bool whole_hours = t->forecast_minutes % 60 == 0;
  m.time_unit = whole_hours ? kUnitHour : kUnitMinute;
  m.forecast_time = whole_hours ? t->forecast_minutes / 60 : t->forecast_minutes;
  auto first = surface_of(id.vcoord, id.level1, none_surface);
  if (!first) return first.error();
  m.first = *first;
  if (id.level2) {
    if (id.vcoord == gridfile::Vcoord::kNone)
      return refusal("a second level without a vertical coordinate");
    auto second = surface_of(id.vcoord, *id.level2, none_surface);
    if (!second) return second.error();
    m.second = *second;
  }
  return m;
}

gridfile::Result<gridfile::GridId> grid_id(const MessageId& m, const timewin::YearWindow& window) {
  if (!window.contains(m.year)) {
    return refusal("reference year " + std::to_string(m.year) +
                   " lies outside the window: " + timewin::window_advice(window));
  }
  auto minutes = forecast_minutes(m);
  if (!minutes) return minutes.error();
  gridfile::GridId id;
  char text[32];
  std::snprintf(text, sizeof text, "%02d%02d%02d/%02d%02d", m.year % 100, m.month, m.day, m.hour,
                m.minute);
  id.time1 = text;
  if (const char letter = forecast_letter(m); letter != ' ') {
    const long h = *minutes / 60, mi = *minutes % 60;
    if (mi == 0) {
      std::snprintf(text, sizeof text, "%c%03ld", letter, h);
    } else {
      std::snprintf(text, sizeof text, "%c%03ld%02ld", letter, h, mi);
    }
    id.time1 += text;
  }
  auto vcoord = vcoord_of(m.first.type);
  if (!vcoord) return vcoord.error();
  id.vcoord = *vcoord;
  auto level1 = level_of(m.first, id.vcoord);
  if (!level1) return level1.error();
  id.level1 = *level1;
  if (m.second.type != kMissingSurface && id.vcoord != gridfile::Vcoord::kNone) {
    if (m.second.type != m.first.type) {
      return refusal("a layer between surfaces of types " + std::to_string(m.first.type) + " and " +
                     std::to_string(m.second.type));
    }
    auto level2 = level_of(m.second, id.vcoord);
    if (!level2) return level2.error();
    // A grid file holds -1 as "no level 2": such a layer cannot be filed.
    if (*level2 == -1) return refusal("a second level of -1, which a grid file cannot hold");
    id.level2 = *level2;
  }
  return id;
}

}  // namespace grib
