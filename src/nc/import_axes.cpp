// Time and vertical coordinates read into time texts and integer levels.
#include "nc/import_axes.h"

#include <netcdf.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "nc/cf_time.h"
#include "nc/level_meaning.h"
#include "nc/refuse.h"

namespace nc {
namespace {

// A variable of the given standard_name that is scalar or lies along time_dim.
int companion(const NcFile& f, const char* standard_name, int time_dim) {
  for (int v = 0; v < f.nvars(); ++v) {
    if (!one_of(f.text_att(v, "standard_name"), {standard_name})) continue;
    const std::vector<int> dims = f.var_dims(v);
    if (dims.empty() || (dims.size() == 1 && dims[0] == time_dim)) return v;
  }
  return -1;
}

// Values of a companion variable, one per time step (a scalar repeated).
gridfile::Result<std::vector<double>> per_step(const NcFile& f, int v, std::size_t n) {
  auto values = f.read_doubles(v);
  if (!values) return values.error();
  if (values->size() == 1 && n != 1) values->assign(n, (*values)[0]);
  return values;
}

// The grid-file time texts grid2nc keeps in an attribute of the time
// coordinate: one word per step, "-" for none.
std::optional<std::vector<std::string>> kept_texts(const NcFile& f, int time_var,
                                                   const char* name) {
  if (!f.text_att(time_var, name)) return std::nullopt;
  std::vector<std::string> texts = attribute_words(f, time_var, name);
  for (std::string& word : texts) {
    if (word == "-") word.clear();
  }
  return texts;
}

// Seconds in one unit of a duration's units ("hours", "minutes", ...).
std::optional<double> duration_seconds(std::string units) {
  std::string err;
  const auto u = parse_time_units(units + " since 1970-01-01", err);
  if (!u) return std::nullopt;
  return u->unit_seconds;
}

}  // namespace

bool is_time_coordinate(const NcFile& f, int v) {
  if (one_of(f.text_att(v, "standard_name"), {"time"}) || one_of(f.text_att(v, "axis"), {"T"})) {
    return true;
  }
  const auto units = f.text_att(v, "units");
  return units && units->find(" since ") != std::string::npos;
}

bool looks_like_time(const NcFile& f, int v) {
  if (is_time_coordinate(f, v)) return true;
  const std::string name = f.var_name(v);
  if (name == "time" || name == "Time" || name == "TIME" || name == "t") return true;
  const std::string units = f.text_att(v, "units").value_or("");
  const std::string first = units.substr(0, units.find(' '));
  return first != units && duration_seconds(first).has_value();
}

bool is_vertical_coordinate(const NcFile& f, int v) {
  if (f.number_att(v, "t2g_vcoord") || one_of(f.text_att(v, "axis"), {"Z"}) ||
      one_of(f.text_att(v, "positive"), {"up", "down", "Up", "Down", "UP", "DOWN"})) {
    return true;
  }
  return one_of(f.text_att(v, "standard_name"),
                {"air_pressure", "height", "altitude", "air_potential_temperature",
                 "atmosphere_sigma_coordinate", "model_level_number"}) ||
         one_of(f.text_att(v, "units"), {"Pa", "hPa", "mbar", "millibar", "mb", "kPa"});
}

namespace {

// The minutes since 1970 of every value of a time variable.
gridfile::Result<std::vector<std::int64_t>> time_minutes(const NcFile& f, int var,
                                                         const std::string& what) {
  const auto units_text = f.text_att(var, "units");
  if (!units_text) return refuse(what + " has no units");
  std::string error;
  const std::optional<TimeUnits> units = parse_time_units(*units_text, error);
  if (!units) return refuse(what + ": " + error);
  auto values = f.read_doubles(var);
  if (!values) return values.error();
  std::vector<std::int64_t> out;
  for (double v : *values) {
    const auto m = value_minutes(*units, v);
    if (!m) {
      return refuse(what + ": " + number_text(v, 10) + " " + *units_text +
                    " is not a whole minute in range");
    }
    out.push_back(*m);
  }
  return out;
}

// The forecast periods of a time axis in minutes, checked against the valid
// and reference times when there are both; nullopt when the file has none.
gridfile::Result<std::optional<std::vector<double>>> forecast_periods(const NcFile& f, int time_dim,
                                                                      std::size_t n) {
  const int period_var = companion(f, "forecast_period", time_dim);
  if (period_var < 0) return std::optional<std::vector<double>>{};
  const auto pu = f.text_att(period_var, "units");
  const auto seconds = pu ? duration_seconds(*pu) : std::optional<double>{};
  if (!seconds) return refuse("forecast_period has unknown units");
  auto periods = per_step(f, period_var, n);
  if (!periods) return periods.error();
  if (periods->size() != n) return refuse("forecast_period has the wrong length");
  for (double& p : *periods) p *= *seconds / 60.0;
  return std::optional(std::move(*periods));
}

// Reference times: forecast_reference_time; or, as CDO writes forecasts, the
// valid time less a forecast_period ("leadtime") alone. Empty for analyses.
gridfile::Result<std::vector<std::int64_t>> reference_times(
    const NcFile& f, int time_dim, const std::vector<std::int64_t>& valid) {
  const std::size_t n = valid.size();
  auto periods = forecast_periods(f, time_dim, n);
  if (!periods) return periods.error();
  const int ref_var = companion(f, "forecast_reference_time", time_dim);
  std::vector<std::int64_t> reference;
  if (ref_var >= 0) {
    auto refs = time_minutes(f, ref_var, "forecast_reference_time");
    if (!refs) return refs.error();
    if (refs->size() == 1 && n != 1) refs->assign(n, (*refs)[0]);
    if (refs->size() != n) return refuse("forecast_reference_time has the wrong length");
    reference = std::move(*refs);
    for (std::size_t k = 0; *periods && k < n; ++k) {
      const double p = (**periods)[k];
      if (std::fabs(p - static_cast<double>(valid[k] - reference[k])) > 0.5 / 60.0) {
        return refuse("forecast_period " + number_text(p, 10) + " minutes" +
                      " contradicts the time and forecast_reference_time");
      }
    }
  } else if (*periods) {
    for (std::size_t k = 0; k < n; ++k) {
      const double p = std::round((**periods)[k]);
      if (std::fabs(p - (**periods)[k]) > 0.5 / 60.0 || std::fabs(p) > 1e12) {
        return refuse("forecast_period " + number_text((**periods)[k], 10) +
                      " minutes is not a whole minute");
      }
      reference.push_back(valid[k] - static_cast<std::int64_t>(p));
    }
  }
  return reference;
}

// The grid-file time texts grid2nc kept, when they still name these times.
void adopt_kept_texts(const NcFile& f, int time_var, const std::vector<std::int64_t>& valid,
                      TimeAxis& axis, bool& outside_window) {
  const std::size_t n = valid.size();
  const auto kept = kept_texts(f, time_var, "t2g_time1");
  if (!kept || kept->size() != n) return;
  bool same = true;
  for (std::size_t k = 0; k < n && same; ++k) {
    // Read in the century around the time itself: the kept text names it
    // whatever window the readers use.
    const auto near = timewin::YearWindow::starting(from_minutes(valid[k]).year - 50);
    const auto m = near ? grid_time_minutes((*kept)[k], *near) : std::nullopt;
    same = m && m->valid == valid[k];
  }
  if (!same) {
    axis.warnings.push_back(
        "the grid-file time texts kept in the file no longer match its "
        "times; they are ignored");
    return;
  }
  axis.time1 = *kept;
  if (const auto kept2 = kept_texts(f, time_var, "t2g_time2"); kept2 && kept2->size() == n) {
    axis.time2 = *kept2;
  }
  outside_window = false;  // the texts are the grid file's own
}

}  // namespace

gridfile::Result<TimeAxis> read_time_axis(const NcFile& f, int time_var,
                                          const timewin::YearWindow& window) {
  TimeAxis axis;
  const std::string name = f.var_name(time_var);
  const std::vector<int> dims = f.var_dims(time_var);
  const int time_dim = dims.empty() ? -1 : dims[0];
  const auto calendar = f.text_att(time_var, "calendar");
  if (calendar && !standard_calendar(*calendar)) {
    return refuse("time coordinate " + name + ": the calendar \"" + *calendar +
                  "\" is not supported (grid times use the standard calendar)");
  }
  auto valid = time_minutes(f, time_var, "time coordinate " + name);
  if (!valid) return valid.error();
  const std::size_t n = valid->size();
  auto reference = reference_times(f, time_dim, *valid);
  if (!reference) return reference.error();
  const bool forecast = !reference->empty();
  if (!forecast) reference = *valid;

  bool outside_window = false;
  for (std::size_t k = 0; k < n; ++k) {
    const std::int64_t ref = (*reference)[k], at = (*valid)[k];
    const CivilTime civil = from_minutes(ref);
    if (!window.contains(civil.year)) outside_window = true;
    const std::optional<std::string> text = grid_time_text(civil, forecast, at - ref);
    if (!text) {
      return refuse("time " + gridfile::cf_text(from_minutes(at)) + " is " +
                    number_text(static_cast<double>(at - ref) / 60.0, 10) +
                    " hours from its reference time: a grid time holds 0 to 999 hours 59 minutes");
    }
    axis.time1.push_back(*text);
  }
  axis.time2.assign(n, "");
  axis.valid = *valid;
  adopt_kept_texts(f, time_var, *valid, axis, outside_window);
  if (outside_window) {
    axis.warnings.push_back("times outside " + window.text() +
                            " are stored with two-digit years, which are read back in " +
                            window.text() + "; the readers' --first-year (or " +
                            std::string(timewin::kFirstYearVariable) +
                            ") reads them in the right century");
  }
  return axis;
}

namespace {

// What a level axis's CF metadata says: its vertical coordinate and the
// factor into the grid file's units (hPa, K, m); nullopt when it says nothing
// the grid file knows.
struct CfLevels {
  gridfile::Vcoord vcoord = gridfile::Vcoord::kNone;
  double scale = 1;
};
std::optional<CfLevels> found(gridfile::Vcoord vcoord, double scale) {
  return CfLevels{vcoord, scale};
}
gridfile::Result<std::optional<CfLevels>> cf_levels(const NcFile& f, int level_var) {
  const std::string name = f.var_name(level_var);
  const auto sn = f.text_att(level_var, "standard_name");
  const std::string units = f.text_att(level_var, "units").value_or("");
  const std::optional<std::string> u(units);
  if (one_of(sn, {"air_pressure"}) || one_of(u, {"Pa", "hPa", "mbar", "millibar", "mb", "kPa"})) {
    if (units == "Pa") return found(gridfile::Vcoord::kPres, 0.01);
    if (units == "kPa") return found(gridfile::Vcoord::kPres, 10);
    if (one_of(u, {"hPa", "mbar", "millibar", "mb"})) return found(gridfile::Vcoord::kPres, 1);
    return refuse("pressure coordinate " + name + " has the units \"" + units +
                  "\" (expected Pa, hPa, mbar or kPa)");
  }
  if (one_of(sn, {"air_potential_temperature"})) {
    if (units != "K") return refuse("potential temperature coordinate " + name + " is not in K");
    return found(gridfile::Vcoord::kThta, 1);
  }
  if (one_of(sn, {"height", "altitude"}) ||
      (one_of(u, {"m", "km"}) && !one_of(f.text_att(level_var, "positive"), {"down"}))) {
    if (units == "km") return found(gridfile::Vcoord::kHght, 1000);
    if (units == "m") return found(gridfile::Vcoord::kHght, 1);
    return refuse("height coordinate " + name + " has the units \"" + units +
                  "\" (expected m or km)");
  }
  if (one_of(sn, {"atmosphere_sigma_coordinate"})) return found(gridfile::Vcoord::kSgma, 1);
  if (one_of(sn, {"depth"}) || one_of(f.text_att(level_var, "positive"), {"down"})) {
    return refuse("vertical coordinate " + name +
                  " (depth or positive down, not pressure) has "
                  "no grid-file vertical coordinate");
  }
  return std::optional<CfLevels>{};
}

// The vertical coordinate grid2nc kept, while the axis still has the units
// grid2nc gave it and its CF meaning (if any) agrees.
std::optional<gridfile::Vcoord> kept_vcoord(const NcFile& f, int level_var,
                                            const std::optional<CfLevels>& cf,
                                            std::vector<std::string>& warnings) {
  const auto code = f.number_att1(level_var, "t2g_vcoord");
  if (!code) return std::nullopt;
  const std::optional<gridfile::Vcoord> read = vcoord_of_attribute(*code);
  if (!read) {
    warnings.push_back("vertical coordinate " + f.var_name(level_var) + ": its t2g_vcoord " +
                       number_text(*code, 10) + " is not a code; its CF metadata is used instead");
    return std::nullopt;
  }
  const gridfile::Vcoord vcoord = *read;
  const std::string units = f.text_att(level_var, "units").value_or("");
  if (units == level_meaning(vcoord).units && (!cf || (cf->vcoord == vcoord && cf->scale == 1))) {
    return vcoord;
  }
  warnings.push_back("vertical coordinate " + f.var_name(level_var) + ": its t2g_vcoord (" +
                     gridfile::vcoord_name(vcoord) + ") no longer matches its units \"" + units +
                     "\"; its CF metadata is used instead");
  return std::nullopt;
}

}  // namespace

gridfile::Result<LevelAxis1> read_level_axis(const NcFile& f, int level_var) {
  LevelAxis1 axis;
  const std::string name = f.var_name(level_var);
  const std::string units = f.text_att(level_var, "units").value_or("");
  gridfile::Result<std::optional<CfLevels>> cf = cf_levels(f, level_var);
  const std::optional<gridfile::Vcoord> kept =
      kept_vcoord(f, level_var, cf ? *cf : std::nullopt, axis.warnings);
  if (!kept && !cf) return cf.error();
  double scale = 1;
  if (kept) {
    axis.vcoord = *kept;
  } else if (*cf) {
    axis.vcoord = (*cf)->vcoord;
    scale = (*cf)->scale;
  }
  auto values = f.read_doubles(level_var);
  if (!values) return values.error();
  for (double v : *values) {
    const double level = v * scale;
    const double whole = std::round(level);
    if (!std::isfinite(level) ||
        std::fabs(level - whole) > 1e-6 * std::max(1.0, std::fabs(whole)) ||
        std::fabs(whole) > std::numeric_limits<std::int32_t>::max()) {
      return refuse("level " + number_text(v, 10) + (units.empty() ? "" : " " + units) + " of " +
                    name + " is not a whole number" +
                    (axis.vcoord == gridfile::Vcoord::kPres ? " of hPa" : "") +
                    ": grid levels are integers");
    }
    axis.level1.push_back(static_cast<int>(whole));
  }
  axis.level2.assign(axis.level1.size(), kNoLevel2);
  if (const auto level2 = f.number_att(level_var, "t2g_level2");
      kept && level2 && level2->size() == axis.level1.size()) {
    for (std::size_t k = 0; k < level2->size(); ++k) {
      const double v = (*level2)[k];
      if (!std::isfinite(v) || v != std::round(v) ||
          std::fabs(v) > std::numeric_limits<std::int32_t>::max()) {
        return refuse("t2g_level2 " + number_text(v, 10) + " of " + name +
                      " is not a whole number a grid level can hold");
      }
      axis.level2[k] = static_cast<int>(v);
    }
  }
  return axis;
}

}  // namespace nc
