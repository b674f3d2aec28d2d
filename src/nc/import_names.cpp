#include "nc/import_names.h"

#include <cctype>

#include "nc/refuse.h"
#include "strings/text.h"

namespace nc {
namespace {

std::string upper(std::string_view s) {
  return strings::ascii_upper(s);
}

// What the variable says of itself.
struct Meaning {
  std::string var, standard_name, units;  // standard_name without modifiers
  bool modified = false;                  // "air_temperature standard_error"
};

Meaning meaning_of(const NcFile& f, int v) {
  Meaning m;
  m.var = f.var_name(v);
  m.units = f.text_att(v, "units").value_or("");
  const std::string sn = f.text_att(v, "standard_name").value_or("");
  m.standard_name = sn.substr(0, sn.find(' '));
  m.modified = m.standard_name != sn;
  return m;
}

std::string units_text(const std::string& units) {
  return units.empty() ? std::string("no units") : "units " + units;
}

// Whether a table entry and the variable measure one thing: the same
// standard_name, or one of them has none.
bool same_kind(const params::Parameter& p, const Meaning& m) {
  return p.standard_name.empty() || m.standard_name.empty() ||
         (p.standard_name == m.standard_name && !m.modified);
}

// Whether a table entry may name the variable as it is: the same kind, in
// the same units (or the variable's none).
bool agrees(const params::Parameter& p, const Meaning& m) {
  return same_kind(p, m) &&
         (m.units.empty() || p.units.empty() || params::same_units(p.units, m.units));
}

std::string converted(const Meaning& m, const params::Parameter& p) {
  return "variable " + m.var + " is in " + m.units + "; filed as " + p.name +
         ", its values are converted to " + p.units;
}

// `param` for the variable, its values converted when the table's entry of
// that name has other units; a refusal naming `why` when they cannot be.
gridfile::Result<ParameterName> named(const std::string& param, const params::Table& table,
                                      const Meaning& m, const std::string& why) {
  ParameterName n;
  n.param = param;
  const params::Parameter* p = table.find(param);
  if (p == nullptr || agrees(*p, m)) return n;
  const std::optional<Affine> convert = unit_conversion(m.units, p->units);
  if (!same_kind(*p, m) || !convert) {
    return refuse("variable " + m.var + " (" +
                  (m.standard_name.empty() ? "" : "standard_name " + m.standard_name + ", ") +
                  units_text(m.units) + ") would be filed as " + param + why +
                  ", which the parameter table gives as " +
                  (p->standard_name.empty() ? "" : p->standard_name + " in ") + p->units +
                  "; give it another name with --name NAME");
  }
  n.convert = *convert;
  n.warnings.push_back(converted(m, *p));
  return n;
}

// The name grid2nc kept, when the variable still means what it meant.
std::optional<std::string> kept_name(const NcFile& f, int v, const params::Table& table,
                                     const Meaning& m, std::vector<std::string>& warnings) {
  const auto kept = f.text_att(v, "t2g_parameter");
  if (!kept || kept->empty() || kept->size() > params::kMaxNameChars) return std::nullopt;
  const std::string param = upper(*kept);
  const params::Parameter* p = table.find(param);
  if (p == nullptr || agrees(*p, m)) return param;
  warnings.push_back("variable " + m.var + ": its t2g_parameter " + param + " (" + p->units +
                     ") no longer matches its " + units_text(m.units) +
                     "; named from its CF metadata instead");
  return std::nullopt;
}

// The table's entry of the standard_name: in the variable's units, else the
// first in units its values convert into.
std::optional<ParameterName> by_standard_name(const params::Table& table, const Meaning& m) {
  if (m.standard_name.empty() || m.modified) return std::nullopt;
  if (const params::Parameter* p = table.find_standard_name(m.standard_name, m.units)) {
    return ParameterName{p->name, {}, {}};
  }
  for (const params::Parameter& p : table.entries()) {
    if (p.standard_name != m.standard_name) continue;
    if (const std::optional<Affine> convert = unit_conversion(m.units, p.units)) {
      return ParameterName{p.name, *convert, {converted(m, p)}};
    }
  }
  return std::nullopt;
}

}  // namespace

gridfile::Result<ParameterName> name_parameter(const NcFile& f, int v, const params::Table& table,
                                               const std::string& given) {
  const Meaning m = meaning_of(f, v);
  if (!given.empty()) {
    if (given.size() > params::kMaxNameChars || given.find(' ') != std::string::npos) {
      return refuse("--name " + given + ": a parameter name has at most 12 characters, no blanks");
    }
    return named(upper(given), table, m, " (--name)");
  }
  std::vector<std::string> warnings;
  if (const std::optional<std::string> kept = kept_name(f, v, table, m, warnings)) {
    return ParameterName{*kept, {}, warnings};
  }
  std::optional<ParameterName> n = by_standard_name(table, m);
  if (!n) {
    const std::string param = upper(m.var).substr(0, params::kMaxNameChars);
    gridfile::Result<ParameterName> own = named(param, table, m, " after its name");
    if (!own) return own.error();
    n = std::move(*own);
    if (table.find(param) == nullptr) {
      const std::string sn = f.text_att(v, "standard_name").value_or("");
      n->warnings.push_back("variable " + m.var +
                            (sn.empty() ? " has no standard_name"
                                        : " (standard_name " + sn +
                                              (m.units.empty() ? "" : ", units " + m.units) +
                                              ") is not in the parameter table") +
                            "; its grids are named " + param +
                            (m.units.empty() ? std::string() : " (the grid file keeps no units)"));
    }
  }
  warnings.insert(warnings.end(), n->warnings.begin(), n->warnings.end());
  n->warnings = std::move(warnings);
  return *n;
}

}  // namespace nc
