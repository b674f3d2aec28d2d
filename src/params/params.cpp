// Parameter table: parsing, lookups, unit spellings and the file search.
#include "params/params.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "platform/platform.h"
#include "services/fl.h"
#include "strings/text.h"

namespace params {
namespace {

constexpr char kSeparator = '|';
constexpr char kComment = '!';
constexpr std::string_view kNoStandardName = "-";

using strings::trim;
std::string upper(std::string_view s) {
  return strings::ascii_upper(s);
}

bool valid_name_char(char c) {
  return std::isgraph(static_cast<unsigned char>(c)) != 0 && c != kSeparator && c != kComment;
}

// Groups of spellings that name one unit. The first of each group stands
// for the group.
constexpr std::array<std::array<std::string_view, 7>, 9> kUnitSpellings{{
    {"K", "kelvin", "Kelvin", "degK", "degree_K", "degrees_K", "deg_K"},
    {"degC", "degree_Celsius", "degrees_Celsius", "Celsius", "degree_C", "degrees_C", "deg_C"},
    {"degF", "degree_Fahrenheit", "degrees_Fahrenheit", "Fahrenheit", "degree_F", "degrees_F",
     "deg_F"},
    {"hPa", "mbar", "millibar", "mb", "hectopascal", "", ""},
    {"m s-1", "m/s", "m s**-1", "m.s-1", "m s^-1", "meter second-1", "metre second-1"},
    {"%", "percent", "", "", "", "", ""},
    {"degree", "degrees", "", "", "", "", ""},
    {"kg kg-1", "kg/kg", "kg.kg-1", "", "", "", ""},
    {"kg m-2", "kg/m2", "kg m**-2", "kg.m-2", "mm", "", ""},
}};

// The representative spelling of a unit text (the text itself when unknown).
std::string_view canonical_units(std::string_view u) {
  u = trim(u);
  for (const auto& group : kUnitSpellings) {
    for (std::string_view spelling : group) {
      if (!spelling.empty() && spelling == u) return group[0];
    }
  }
  return u;
}

}  // namespace

bool same_units(std::string_view a, std::string_view b) {
  return canonical_units(a) == canonical_units(b);
}

std::optional<Table> Table::parse(std::string_view text, std::string& error) {
  Table table;
  int line_no = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    ++line_no;
    const std::string_view line = trim(raw);
    if (line.empty() || line.front() == kComment) continue;

    std::array<std::string_view, 4> fields{};
    std::string_view rest = line;
    std::size_t nfield = 0;
    for (; nfield < fields.size(); ++nfield) {
      const std::size_t bar = rest.find(kSeparator);
      fields[nfield] = trim(rest.substr(0, bar));
      if (bar == std::string_view::npos) {
        ++nfield;
        rest = {};
        break;
      }
      rest = rest.substr(bar + 1);
    }
    const std::string where = "parameter table line " + std::to_string(line_no) + ": ";
    if (nfield != fields.size() || !rest.empty()) {
      error =
          where + "expected 4 fields separated by '|': NAME | standard_name | units | long name";
      return std::nullopt;
    }
    const std::string_view name = fields[0];
    if (name.empty() || name.size() > kMaxNameChars ||
        !std::all_of(name.begin(), name.end(), valid_name_char)) {
      error = where + "the name must be 1 to 12 characters without blanks";
      return std::nullopt;
    }
    if (table.find(name) != nullptr) {
      error = where + "the name " + upper(name) + " is listed twice";
      return std::nullopt;
    }
    const std::string_view sn = fields[1];
    if (sn.empty() || sn.find_first_of(" \t") != std::string_view::npos) {
      error = where + "the standard_name must be one word, or '-' for none";
      return std::nullopt;
    }
    table.entries_.push_back(Parameter{upper(name),
                                       sn == kNoStandardName ? std::string() : std::string(sn),
                                       std::string(fields[2]), std::string(fields[3])});
  }
  if (table.entries_.empty()) {
    error = "parameter table holds no parameter";
    return std::nullopt;
  }
  return table;
}

std::optional<std::string> read_table_text(const std::string& path, std::string_view what,
                                           std::string& error) {
  int lun = 0;
  int iret = 0;
  fl_glun(lun, iret);
  if (iret != 0) {
    error = "cannot read the " + std::string(what) + " " + path + ": no free unit";
    return std::nullopt;
  }
  std::string text;
  int status = platform::open_sequential(lun, path);
  if (status == platform::kOk) {
    std::string line;
    while ((status = platform::read_line(lun, line)) == platform::kOk) {
      text += line;
      text += '\n';
    }
    platform::close_unit(lun);
  }
  fl_flun(lun, iret);
  if (status != platform::kEndOfFile) {
    error = "cannot read the " + std::string(what) + " " + path + " (status " +
            std::to_string(status) + ")";
    return std::nullopt;
  }
  return text;
}

std::optional<Table> Table::load(const std::string& path, std::string& error) {
  const std::optional<std::string> text = read_table_text(path, "parameter table", error);
  if (!text) return std::nullopt;
  std::optional<Table> table = parse(*text, error);
  if (!table) error = path + ": " + error;
  return table;
}

const Parameter* Table::find(std::string_view name) const {
  const std::string key = upper(trim(name));
  for (const Parameter& p : entries_) {
    if (p.name == key) return &p;
  }
  return nullptr;
}

const Parameter* Table::find_standard_name(std::string_view standard_name,
                                           std::string_view units) const {
  standard_name = trim(standard_name);
  if (standard_name.empty()) return nullptr;
  for (const Parameter& p : entries_) {
    if (p.standard_name == standard_name && (trim(units).empty() || same_units(p.units, units))) {
      return &p;
    }
  }
  return nullptr;
}

std::string find_table_file(const services::ShippedFolder& shipped) {
  return find_table_file(shipped, kTableFileName);
}

std::string find_table_file(const services::ShippedFolder& shipped, std::string_view file_name) {
  const std::string name(file_name);
  if (const std::optional<std::string> dir = platform::get_env("MORTBL"); dir && !dir->empty()) {
    if (platform::file_exists(*dir + "/" + name)) return *dir + "/" + name;
  }
  const std::string folder = services::find_shipped_folder(shipped, name);
  return folder.empty() ? std::string() : folder + "/" + name;
}

}  // namespace params
