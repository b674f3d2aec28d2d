// GRIB2 parameter table: parsing and lookups.
#include "grib/parameter_table.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>

#include "params/params.h"
#include "strings/text.h"

namespace grib {
namespace {

using strings::trim;
std::string upper(std::string_view s) {
  return strings::ascii_upper(s);
}

std::vector<std::string_view> split_fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t bar = line.find('|');
    fields.push_back(trim(line.substr(0, bar)));
    if (bar == std::string_view::npos) return fields;
    line.remove_prefix(bar + 1);
  }
}

std::optional<int> code(std::string_view text, int max) {
  int v = -1;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc{} || end != text.data() + text.size() || v < 0 || v > max) {
    return std::nullopt;
  }
  return v;
}

std::optional<double> real(std::string_view text) {
  const std::string s(text);
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (s.empty() || end != s.c_str() + s.size()) return std::nullopt;
  return v;
}

// One line's parameter, or the reason it is not one.
std::optional<GribParameter> parse_line(std::string_view line, std::string& why) {
  const std::vector<std::string_view> f = split_fields(line);
  if (f.size() != 6 && f.size() != 7 && f.size() != 8) {
    why =
        "expected NAME | discipline | category | number | shortName | surface [| factor [| "
        "offset]]";
    return std::nullopt;
  }
  GribParameter p;
  if (f[0].empty() || f[0].size() > 12 || f[0].find_first_of(" \t!") != std::string_view::npos) {
    why = "the name must be 1 to 12 characters without blanks";
    return std::nullopt;
  }
  p.name = upper(f[0]);
  const auto d = code(f[1], 255), c = code(f[2], 255), n = code(f[3], 255);
  if (!d || !c || !n) {
    why = "discipline, category and number must be whole numbers 0..255";
    return std::nullopt;
  }
  p.discipline = *d;
  p.category = *c;
  p.number = *n;
  p.short_name = std::string(f[4]);
  if (f[5] != "-") {
    p.surface = code(f[5], 255);
    if (!p.surface) {
      why = "the surface must be a fixed surface type 0..255 or '-'";
      return std::nullopt;
    }
  }
  const auto factor = f.size() > 6 ? real(f[6]) : std::optional<double>(1.0);
  const auto offset = f.size() > 7 ? real(f[7]) : std::optional<double>(0.0);
  if (!factor || *factor == 0 || !offset) {
    why = "the factor must be a non-zero number and the offset a number";
    return std::nullopt;
  }
  p.factor = *factor;
  p.offset = *offset;
  return p;
}

}  // namespace

std::optional<ParameterTable> ParameterTable::parse(std::string_view text, std::string& error) {
  ParameterTable table;
  int line_no = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++line_no;
    if (line.empty() || line.front() == '!') continue;
    std::string why;
    std::optional<GribParameter> p = parse_line(line, why);
    if (p && table.find(p->name) != nullptr) why = "the name " + p->name + " is listed twice";
    if (!why.empty()) {
      error = "GRIB2 parameter table line " + std::to_string(line_no) + ": " + why;
      return std::nullopt;
    }
    table.entries_.push_back(std::move(*p));
  }
  return table;
}

std::optional<ParameterTable> ParameterTable::load(const std::string& path, std::string& error) {
  const std::optional<std::string> text =
      params::read_table_text(path, "GRIB2 parameter table", error);
  if (!text) return std::nullopt;
  std::optional<ParameterTable> table = parse(*text, error);
  if (!table) error = path + ": " + error;
  return table;
}

const GribParameter* ParameterTable::find(std::string_view name) const {
  const std::string key = upper(trim(name));
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&](const GribParameter& p) { return p.name == key; });
  return it == entries_.end() ? nullptr : &*it;
}

const GribParameter* ParameterTable::find(int discipline, int category, int number,
                                          int surface) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(), [&](const GribParameter& p) {
    return p.discipline == discipline && p.category == category && p.number == number &&
           (!p.surface || *p.surface == surface);
  });
  return it == entries_.end() ? nullptr : &*it;
}

std::string find_table_file(const services::ShippedFolder& shipped) {
  return params::find_table_file(shipped, kTableFileName);
}

}  // namespace grib
