// The value types: missing values, vertical coordinate names, grid times taken
// apart and as ISO 8601, identifiers as text, packing requests as text.
#include "gridfile/gridfile.h"

#include <array>
#include <cctype>
#include <charconv>

#include "gridfile/internal.h"
#include "pack/missing.h"
#include "strings/concat.h"
#include "strings/field.h"
#include "time/civil_time.h"
#include "time/grid_time_reading.h"

namespace gridfile {
namespace {

constexpr std::array<std::string_view, 5> kVcoordNames = {"NONE", "PRES", "THTA", "HGHT", "SGMA"};

// Bit counts the GRIB-style and difference packers take; decimal digits whose
// power of ten is a finite single-precision real.
constexpr int kMinBits = 2, kMaxBits = 31;
constexpr int kMaxDecimals = 38;

std::optional<int> parse_int(std::string_view text) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

}  // namespace

bool is_missing(float value) {
  return pack::is_missing(value);
}

std::string vcoord_name(int vcode) {
  if (vcode >= 0 && static_cast<std::size_t>(vcode) < kVcoordNames.size()) {
    return std::string(kVcoordNames[static_cast<std::size_t>(vcode)]);
  }
  return std::to_string(vcode);
}

std::optional<int> vcoord_code(std::string_view name) {
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (std::size_t k = 0; k < kVcoordNames.size(); ++k) {
    if (upper == kVcoordNames[k]) return static_cast<int>(k);
  }
  return std::nullopt;
}

std::optional<GridTime> parse_time(std::string_view text, const YearWindow& window) {
  const std::optional<timewin::GridTimeReading> t = timewin::read_grid_time(text, window);
  if (!t) return std::nullopt;
  return GridTime{t->reference.year,   t->reference.month, t->reference.day,   t->reference.hour,
                  t->reference.minute, t->forecast_type,   t->forecast_minutes};
}

std::string iso8601(std::string_view text, const YearWindow& window) {
  const std::optional<timewin::GridTimeReading> t = timewin::read_grid_time(text, window);
  return t ? timecal::iso8601(timecal::from_minutes(t->reference_minutes())) : std::string();
}

std::string valid_iso8601(std::string_view text, const YearWindow& window) {
  const std::optional<timewin::GridTimeReading> t = timewin::read_grid_time(text, window);
  return t ? timecal::iso8601(timecal::from_minutes(t->valid_minutes())) : std::string();
}

std::string GridId::text() const {
  const std::string times = time2.empty() ? time1 : strings::concat({time1, ":", time2});
  const std::string levels =
      level2 == -1 ? std::to_string(level1)
                   : strings::concat({std::to_string(level1), ":", std::to_string(level2)});
  return strings::concat(
      {times.empty() ? "-" : times, " ", levels, " ", vcoord_name(vcoord), " ", param});
}

std::string Packing::text() const {
  switch (type) {
    case PackingType::kNone:
      return "none";
    case PackingType::kGrib:
      return "grib:" + std::to_string(bits);
    case PackingType::kDiff:
      return "diff:" + std::to_string(bits);
    case PackingType::kDecimal:
      return "dec:" + std::to_string(bits);
  }
  return "type" + std::to_string(static_cast<int>(type)) + ":" + std::to_string(bits);
}

std::optional<Packing> Packing::parse(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "none") return Packing{};
  const std::size_t colon = lower.find(':');
  if (colon == std::string::npos) return std::nullopt;
  const std::string_view kind = std::string_view(lower).substr(0, colon);
  const std::optional<int> n = parse_int(std::string_view(lower).substr(colon + 1));
  if (!n) return std::nullopt;
  Packing p;
  p.bits = *n;
  if (kind == "grib" || kind == "diff") {
    p.type = kind == "grib" ? PackingType::kGrib : PackingType::kDiff;
    if (*n < kMinBits || *n > kMaxBits) return std::nullopt;
    return p;
  }
  if (kind == "dec") {
    p.type = PackingType::kDecimal;
    if (*n < -kMaxDecimals || *n > kMaxDecimals) return std::nullopt;
    return p;
  }
  return std::nullopt;
}

namespace detail {

bool valid_packing(const Packing& p) {
  switch (p.type) {
    case PackingType::kNone:
      return true;
    case PackingType::kGrib:
    case PackingType::kDiff:
      return p.bits >= kMinBits && p.bits <= kMaxBits;
    case PackingType::kDecimal:
      return p.bits >= -kMaxDecimals && p.bits <= kMaxDecimals;
  }
  return false;
}

}  // namespace detail
}  // namespace gridfile
