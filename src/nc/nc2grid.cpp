// nc2grid: the gridded variables of a netCDF-CF file as a new grid file.
//
// Order of work: choose the variables, read their horizontal grid, time and
// vertical axes and names, lay out every grid's identifier, and refuse the
// import (too many grids, duplicate identifiers, a file too large) before the
// grid file exists. Then create it and write one grid at a time: read one
// horizontal slice, unpack and mask it, turn it bottom row first, write it,
// and only then report it.
#include "nc/nc2grid.h"

#include <netcdf.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <set>

#include "cli/command_line.h"
#include "cli/time_options.h"
#include "nc/import_axes.h"
#include "nc/import_grid.h"
#include "nc/import_names.h"
#include "nc/import_values.h"
#include "nc/ncfile.h"
#include "nc/refuse.h"
#include "platform/contain.h"
#include "platform/platform.h"
#include "platform/publish.h"

namespace nc {
namespace {

constexpr int kMaxGrids = 9999;
constexpr long long kMaxFileWords = std::numeric_limits<std::int32_t>::max();
constexpr long long kWordsPerGridOverhead = 64;  // record length, header, headers, slack

void say(const std::string& line) {
  platform::write_line(line);
}
void complain(const std::string& line) {
  platform::write_error_line("nc2grid: " + line);
}

bool numeric_type(int type) {
  return type != NC_CHAR && type >= NC_BYTE && type <= NC_UINT64 && type != NC_STRING;
}

const char* type_name(int type) {
  switch (type) {
    case NC_CHAR:
      return "char";
    case NC_STRING:
      return "string";
    default:
      return type > NC_MAX_ATOMIC_TYPE ? "user-defined (compound, vlen, enum or opaque)"
                                       : "numeric";
  }
}

// One variable to import.
struct Source {
  int varid = -1;
  std::string name;
  std::vector<int> dims;
  int time_pos = -1, level_pos = -1;  // places of the time and level dimensions
  const TimeAxis* times = nullptr;    // null: no time (texts blank)
  std::vector<std::string> scalar_time1, scalar_time2;
  std::vector<std::int64_t> scalar_valid;
  LevelAxis1 levels;  // one level (0, none) when it has no level dimension
  std::string param;
  Unpacking unpack;
  std::optional<std::vector<double>> grid_numbers;  // kept by grid2nc
  // Members chosen with --index: (place of the dimension, index from 0).
  std::vector<std::pair<int, std::size_t>> fixed;
  std::size_t ntimes() const { return times != nullptr ? times->time1.size() : 1; }
};

struct Slot {
  std::size_t source = 0, t = 0, l = 0;
  int kept_number = 0;
  // The kept grid numbers say no grid was here: imported only when it holds
  // a value that is not missing (a tool may have filled it since).
  bool unnumbered = false;
  gridfile::GridId id;
  std::optional<std::int64_t> valid;  // minutes since 1970; none without a time
};

// Names of variables that other variables use as bounds or coordinates.
std::set<std::string> auxiliary_names(const NcFile& f) {
  std::set<std::string> names;
  for (int v = 0; v < f.nvars(); ++v) {
    for (const char* att : {"bounds", "coordinates", "climatology"}) {
      for (std::string& name : attribute_words(f, v, att)) names.insert(std::move(name));
    }
  }
  return names;
}

// The scalar coordinate variables a variable names in its coordinates attribute.
std::vector<int> scalar_coordinates(const NcFile& f, int v) {
  std::vector<int> out;
  for (const std::string& name : attribute_words(f, v, "coordinates")) {
    const int c = f.var_id(name);
    if (c >= 0 && f.var_dims(c).empty()) out.push_back(c);
  }
  return out;
}

struct Plan {
  HorizontalGrid grid;
  std::vector<Source> sources;
  std::map<int, TimeAxis> time_axes;  // by coordinate variable
  std::vector<Slot> slots;
  std::vector<std::string> warnings;
};

// Grid numbers as grid2nc keeps them: whole, at most 9999, each number above
// 0 once (0 or less: no grid in that place).
bool usable_grid_numbers(const std::vector<double>& numbers) {
  std::set<double> seen;
  for (double n : numbers) {
    if (!std::isfinite(n) || n != std::floor(n) || n > kMaxGrids) return false;
    if (n > 0 && !seen.insert(n).second) return false;
  }
  return true;
}

// The dimensions before a source's horizontal two: time, level, a member
// chosen with --index, or of length 1.
gridfile::Status source_dimensions(const NcFile& f, const ImportOptions& o, Plan& plan, Source& s) {
  for (std::size_t k = 0; k + 2 < s.dims.size(); ++k) {
    const int d = s.dims[k];
    const int c = coordinate_var(f, d);
    if (c >= 0 && is_time_coordinate(f, c)) {
      if (s.time_pos >= 0) return refuse(s.name + " has two time dimensions");
      s.time_pos = static_cast<int>(k);
      if (plan.time_axes.count(c) == 0) {
        auto axis = read_time_axis(f, c, o.window);
        if (!axis) return refuse(s.name + ": " + axis.error().text);
        for (const std::string& w : axis->warnings) plan.warnings.push_back(w);
        plan.time_axes.emplace(c, std::move(*axis));
      }
      s.times = &plan.time_axes.at(c);
    } else if (c >= 0 && is_vertical_coordinate(f, c)) {
      if (s.level_pos >= 0) return refuse(s.name + " has two vertical dimensions");
      s.level_pos = static_cast<int>(k);
      auto levels = read_level_axis(f, c);
      if (!levels) return refuse(s.name + ": " + levels.error().text);
      s.levels = std::move(*levels);
    } else if (c >= 0 && looks_like_time(f, c)) {
      // A time the import cannot read is refused, not dropped, even on one step.
      return refuse(s.name + ": the time coordinate " + f.var_name(c) + " has the units \"" +
                    f.text_att(c, "units").value_or("") +
                    "\", which are not UNIT since DATE; its grids would be filed without a time");
    } else if (const auto chosen = o.index.find(f.dim_name(d)); chosen != o.index.end()) {
      if (chosen->second < 1 || chosen->second > f.dim_len(d)) {
        return refuse(s.name + ": --index " + f.dim_name(d) + "=" + std::to_string(chosen->second) +
                      " is beyond its " + std::to_string(f.dim_len(d)) + " members");
      }
      s.fixed.emplace_back(static_cast<int>(k), chosen->second - 1);
    } else if (f.dim_len(d) != 1) {
      return refuse(s.name + ": its dimension " + f.dim_name(d) + " (" +
                    std::to_string(f.dim_len(d)) +
                    " steps) is neither time nor a vertical coordinate; import one member with "
                    "--index " +
                    f.dim_name(d) + "=K");
    }
  }
  return {};
}

// Scalar time and vertical coordinates, and the level (0, none) of a source
// without any.
gridfile::Status scalar_axes(const NcFile& f, const timewin::YearWindow& window, Source& s) {
  for (int c : scalar_coordinates(f, s.varid)) {
    if (s.time_pos < 0 && s.times == nullptr && s.scalar_time1.empty() &&
        is_time_coordinate(f, c)) {
      auto axis = read_time_axis(f, c, window);
      if (!axis) return refuse(s.name + ": " + axis.error().text);
      s.scalar_time1 = axis->time1;
      s.scalar_time2 = axis->time2;
      s.scalar_valid = axis->valid;
    } else if (s.level_pos < 0 && s.levels.level1.empty() && is_vertical_coordinate(f, c)) {
      auto levels = read_level_axis(f, c);
      if (!levels) return refuse(s.name + ": " + levels.error().text);
      s.levels = std::move(*levels);
    }
  }
  if (s.levels.level1.empty()) {
    s.levels.level1 = {0};
    s.levels.level2 = {kNoLevel2};
  }
  if (s.level_pos < 0 && s.levels.level1.size() != 1) {
    return refuse(s.name + ": more than one scalar level");
  }
  return {};
}

gridfile::Result<Source> read_source(const NcFile& f, int v, const params::Table& table,
                                     const ImportOptions& o, Plan& plan) {
  Source s;
  s.varid = v;
  s.name = f.var_name(v);
  s.dims = f.var_dims(v);
  gridfile::Status st = source_dimensions(f, o, plan, s);
  if (st.ok()) st = scalar_axes(f, o.window, s);
  if (!st.ok()) return st.error();
  for (const std::string& w : s.levels.warnings) plan.warnings.push_back(w);
  // grid2nc repeats the level axis's vertical coordinate on the variable; a
  // copy that disagrees with the levels is a leftover (one band taken out).
  if (const auto kept = f.number_att1(v, "t2g_vcoord");
      kept && vcoord_of_attribute(*kept) != s.levels.vcoord) {
    const std::optional<gridfile::Vcoord> code = vcoord_of_attribute(*kept);
    plan.warnings.push_back("variable " + s.name + ": its t2g_vcoord (" +
                            (code ? gridfile::vcoord_name(*code) : std::to_string(*kept)) +
                            ") does not match its levels (" +
                            gridfile::vcoord_name(s.levels.vcoord) + "); ignored");
  }
  auto unpack = read_unpacking(f, v);
  if (!unpack) return unpack.error();
  s.unpack = *unpack;
  if (s.unpack.scale == 0) {
    plan.warnings.push_back(s.name +
                            " has scale_factor 0: every value that is not missing imports "
                            "as add_offset");
  }
  auto name = name_parameter(f, v, table, o.name);
  if (!name) return name.error();
  s.param = name->param;
  s.unpack.convert = name->convert;
  for (const std::string& w : name->warnings) plan.warnings.push_back(w);
  s.grid_numbers = f.number_att(v, "t2g_grid_numbers");
  if (s.grid_numbers && !usable_grid_numbers(*s.grid_numbers)) {
    plan.warnings.push_back(s.name +
                            ": t2g_grid_numbers ignored (not whole numbers up to 9999, or one "
                            "used twice); its grids are filed in the netCDF order");
    s.grid_numbers.reset();
  }
  return s;
}

bool same_navigation(const gridfile::Navigation& a, const gridfile::Navigation& b) {
  return a == b;
}

// Why a variable of the root group with two or more dimensions is not a
// grid to import; nullopt when it is one (or is a coordinate of others).
std::optional<std::string> not_a_grid(const NcFile& f, int v, const std::set<std::string>& aux) {
  const std::string name = f.var_name(v);
  if (aux.count(name) != 0 || name.rfind("t2g_", 0) == 0) return std::string();
  const auto sn = f.text_att(v, "standard_name");
  if (sn && (*sn == "latitude" || *sn == "longitude")) return std::string();
  if (!looks_horizontal(f, v)) {
    if (std::optional<std::string> why = transposed_grid(f, v)) return why;
    if (std::optional<std::string> why = curvilinear_grid(f, v)) return why;
    return std::string();  // bounds, time texts and the like
  }
  if (!numeric_type(f.var_type(v))) return name + ": unsupported type " + type_name(f.var_type(v));
  return std::nullopt;
}

// The variables to import: those named with --var, or every gridded one of
// the root group, with the reasons the others are not.
gridfile::Result<std::vector<int>> choose_variables(const NcFile& f, const ImportOptions& o,
                                                    std::vector<std::string>& skipped) {
  std::vector<int> chosen;
  for (const std::string& name : o.vars) {
    const int v = f.var_id(name);
    if (v < 0) return refuse("no variable " + name + " in " + f.path());
    if (!numeric_type(f.var_type(v))) {
      return refuse(name + " has the unsupported type " + type_name(f.var_type(v)));
    }
    if (std::find(chosen.begin(), chosen.end(), v) == chosen.end()) chosen.push_back(v);
  }
  if (!o.vars.empty()) return chosen;
  const std::set<std::string> aux = auxiliary_names(f);
  for (int v = 0; v < f.nvars(); ++v) {
    if (f.var_dims(v).size() < 2) continue;
    const std::optional<std::string> why = not_a_grid(f, v, aux);
    if (!why) {
      chosen.push_back(v);
    } else if (!why->empty()) {
      skipped.push_back(*why);
    }
  }
  for (const std::string& g : f.group_names()) {
    skipped.push_back("group " + g +
                      ": variables in netCDF-4 groups are not read (take them out with "
                      "ncks -G : -g " +
                      g + ")");
  }
  return chosen;
}

// The one horizontal grid of the chosen variables: those whose grid cannot
// be read are skipped (refused when named with --var); two grids are refused.
gridfile::Result<std::vector<int>> one_grid(const NcFile& f, const ImportOptions& o,
                                            const std::vector<int>& chosen,
                                            std::vector<std::string>& skipped, Plan& plan) {
  std::vector<int> kept;
  for (int v : chosen) {
    auto g = read_horizontal_grid(f, v);
    if (!g) {
      if (!o.vars.empty()) return g.error();
      skipped.push_back(g.error().text);
      continue;
    }
    if (kept.empty()) {
      plan.grid = std::move(*g);
      for (const std::string& w : plan.grid.warnings) plan.warnings.push_back(w);
    } else if (g->y_dim != plan.grid.y_dim || g->x_dim != plan.grid.x_dim ||
               !same_navigation(g->nav, plan.grid.nav)) {
      return refuse("variables " + f.var_name(kept.front()) + " and " + f.var_name(v) +
                    " lie on different grids; a grid file holds one; choose with --var");
    }
    kept.push_back(v);
  }
  return kept;
}

// Whether a grid passes the --time, --time-range and --level selections.
bool selected(const Slot& slot, const ImportOptions& o) {
  const gridfile::GridId& id = slot.id;
  if (o.time_range && !(slot.valid && o.time_range->contains(*slot.valid))) return false;
  return (o.times.empty() || std::any_of(o.times.begin(), o.times.end(),
                                         [&id](const auto& q) { return q.matches(id.time1); })) &&
         (o.levels.empty() ||
          std::find(o.levels.begin(), o.levels.end(), id.level1) != o.levels.end());
}

// Every grid's identifier, in the grid file's own order when grid2nc kept
// it, else by times, variables, levels.
void lay_out_slots(const ImportOptions& o, Plan& plan) {
  const bool exact = std::all_of(plan.sources.begin(), plan.sources.end(), [](const Source& s) {
    return s.grid_numbers && s.grid_numbers->size() == s.ntimes() * s.levels.level1.size();
  });
  for (std::size_t k = 0; k < plan.sources.size(); ++k) {
    const Source& s = plan.sources[k];
    for (std::size_t t = 0; t < s.ntimes(); ++t) {
      for (std::size_t l = 0; l < s.levels.level1.size(); ++l) {
        Slot slot;
        slot.source = k;
        slot.t = t;
        slot.l = l;
        if (s.times != nullptr) {
          slot.id.time1 = s.times->time1[t];
          slot.id.time2 = s.times->time2[t];
          slot.valid = s.times->valid[t];
        } else if (!s.scalar_time1.empty()) {
          slot.id.time1 = s.scalar_time1[0];
          slot.id.time2 = s.scalar_time2[0];
          slot.valid = s.scalar_valid[0];
        }
        slot.id.level1 = s.levels.level1[l];
        slot.id.level2 = level2_of_word(s.levels.level2[l]);
        slot.id.vcoord = s.levels.vcoord;
        slot.id.param = s.param;
        if (exact) {
          slot.kept_number = static_cast<int>((*s.grid_numbers)[t * s.levels.level1.size() + l]);
          slot.unnumbered = slot.kept_number <= 0;
        }
        if (selected(slot, o)) plan.slots.push_back(std::move(slot));
      }
    }
  }
  std::stable_sort(plan.slots.begin(), plan.slots.end(), [&](const Slot& a, const Slot& b) {
    if (exact && a.unnumbered != b.unnumbered) return b.unnumbered;
    if (exact && !a.unnumbered) return a.kept_number < b.kept_number;
    return std::tie(a.t, a.source, a.l) < std::tie(b.t, b.source, b.l);
  });
}

gridfile::Result<Plan> plan_import(const NcFile& f, const ImportOptions& o,
                                   const params::Table& table) {
  Plan plan;
  std::vector<std::string> skipped;
  gridfile::Result<std::vector<int>> chosen = choose_variables(f, o, skipped);
  if (!chosen) return chosen.error();
  gridfile::Result<std::vector<int>> kept = one_grid(f, o, *chosen, skipped, plan);
  if (!kept) return kept.error();
  if (kept->empty()) {
    std::string why = "no gridded variable to import in " + f.path();
    for (const std::string& s : skipped) why += "\n  " + s;
    return refuse(why);
  }
  for (const std::string& s : skipped) plan.warnings.push_back("skipped " + s);
  if (!o.name.empty() && kept->size() != 1) {
    return refuse("--name " + o.name + " names the grids of one variable, not " +
                  std::to_string(kept->size()) + "; choose it with --var");
  }
  for (const auto& member : o.index) {
    const std::string& dim = member.first;
    const bool used = std::any_of(kept->begin(), kept->end(), [&](int v) {
      for (int d : f.var_dims(v)) {
        if (f.dim_name(d) == dim) return true;
      }
      return false;
    });
    if (!used) return refuse("--index " + dim + ": no variable imported has that dimension");
  }
  for (int v : *kept) {
    auto s = read_source(f, v, table, o, plan);
    if (!s) return s.error();
    plan.sources.push_back(std::move(*s));
  }
  lay_out_slots(o, plan);
  return plan;
}

// Refusals that need the whole layout: they come before the file exists.
gridfile::Status check_plan(const Plan& plan, const ImportOptions& o) {
  if (plan.slots.empty() && (!o.times.empty() || !o.levels.empty() || o.time_range)) {
    return refuse("no grid matches the selection");
  }
  if (plan.slots.empty()) {
    std::string why = "the file holds no grids";
    for (const Source& s : plan.sources) {
      if (s.ntimes() == 0) why += "; the time dimension of " + s.name + " is empty";
    }
    return refuse(why);
  }
  if (plan.slots.size() > static_cast<std::size_t>(kMaxGrids)) {
    return refuse(std::to_string(plan.slots.size()) +
                  " grids to import: a grid file holds at most 9999; select fewer with --var, "
                  "--time or --level");
  }
  std::map<std::string, const Slot*> seen;
  for (const Slot& s : plan.slots) {
    const std::string key = s.id.text() + "|" + s.id.time2;
    const auto [it, inserted] = seen.emplace(key, &s);
    if (!inserted) {
      return refuse("variables " + plan.sources[it->second->source].name + " and " +
                    plan.sources[s.source].name + " would both give the grid " + s.id.text() +
                    "; import them separately (--var)");
    }
  }
  const long long points =
      static_cast<long long>(plan.grid.nav.nx) * static_cast<long long>(plan.grid.nav.ny);
  const long long words =
      static_cast<long long>(plan.slots.size()) * (points + kWordsPerGridOverhead);
  if (words > kMaxFileWords) {
    return refuse(std::to_string(plan.slots.size()) + " grids of " + std::to_string(points) +
                  " points exceed the 2^31 words of a grid file; select fewer");
  }
  return {};
}

// Reads one grid of a source, bottom row first.
gridfile::Status read_grid(const NcFile& f, const Plan& plan, const Slot& slot,
                           std::vector<double>& raw, std::vector<float>& out, ValueNotes& notes) {
  const Source& s = plan.sources[slot.source];
  const std::size_t nx = static_cast<std::size_t>(plan.grid.nav.nx);
  const std::size_t ny = static_cast<std::size_t>(plan.grid.nav.ny);
  std::vector<std::size_t> start(s.dims.size(), 0), count(s.dims.size(), 1);
  if (s.time_pos >= 0) start[static_cast<std::size_t>(s.time_pos)] = slot.t;
  if (s.level_pos >= 0) start[static_cast<std::size_t>(s.level_pos)] = slot.l;
  for (const auto& [pos, k] : s.fixed) start[static_cast<std::size_t>(pos)] = k;
  count[s.dims.size() - 2] = ny;
  count[s.dims.size() - 1] = nx;
  raw.resize(nx * ny);
  const int status = nc_get_vara_double(f.id(), s.varid, start.data(), count.data(), raw.data());
  if (status != NC_NOERR && status != NC_ERANGE) {
    return f.error(status, "reading " + s.name);
  }
  out.resize(nx * ny);
  for (std::size_t j = 0; j < ny; ++j) {
    const std::size_t jin = plan.grid.flip_rows ? ny - 1 - j : j;
    for (std::size_t i = 0; i < nx; ++i) {
      const std::size_t iin = plan.grid.flip_columns ? nx - 1 - i : i;
      out[j * nx + i] = s.unpack.value(raw[jin * nx + iin], notes);
    }
  }
  return {};
}

// Bytes the import takes per grid: the values as read and as stored, and
// the packer's work area.
std::uint64_t bytes_per_grid(const Plan& plan) {
  const std::uint64_t points = std::uint64_t(plan.grid.nav.nx) * std::uint64_t(plan.grid.nav.ny);
  return points * (sizeof(double) + 2 * sizeof(float));
}

// Room left for the libraries themselves under the memory limit.
constexpr std::uint64_t kLibraryBytes = std::uint64_t{512} << 20;

// Where in the netCDF variable a grid comes from: "t[member 2][time 1, level 3]".
std::string where_from(const NcFile& f, const Source& s, const Slot& slot) {
  std::string where = s.name;
  for (const auto& [pos, k] : s.fixed) {
    where +=
        "[" + f.dim_name(s.dims[static_cast<std::size_t>(pos)]) + " " + std::to_string(k + 1) + "]";
  }
  if (s.time_pos >= 0 || s.level_pos >= 0) {
    where += "[";
    if (s.time_pos >= 0) where += "time " + std::to_string(slot.t + 1);
    if (s.level_pos >= 0) {
      where += std::string(s.time_pos >= 0 ? ", " : "") + "level " + std::to_string(slot.l + 1);
    }
    where += "]";
  }
  return where;
}

bool all_missing(const std::vector<float>& values) {
  return std::all_of(values.begin(), values.end(), gridfile::is_missing);
}

// Reads every slot into the unpublished file `out`; the lines to report once
// it is published. A slot that the kept grid numbers call empty is written
// (with a warning) only when it holds a value.
gridfile::Status write_grids(const NcFile& f, const Plan& plan, const gridfile::Packing& packing,
                             gridfile::GridFile& out, std::vector<std::string>& lines) {
  std::vector<double> raw;
  std::vector<float> values;
  ValueNotes notes;
  for (const Slot& slot : plan.slots) {
    const Source& s = plan.sources[slot.source];
    gridfile::Status st = read_grid(f, plan, slot, raw, values, notes);
    platform::contained_step();
    if (st.ok() && slot.unnumbered) {
      if (all_missing(values)) continue;  // the place grid2nc left empty
      complain("warning: " + where_from(f, s, slot) +
               " holds values although t2g_grid_numbers says no grid was there; imported");
    }
    if (st.ok()) st = out.write(values, plan.grid.nav.nx, plan.grid.nav.ny, slot.id, packing);
    if (!st.ok()) {
      return base::Error(base::Source::kTool, st.error().code,
                         st.error().text + "\ngrid " + slot.id.text() + " from " + s.name +
                             " could not be imported");
    }
    lines.push_back("grid " + std::to_string(lines.size() + 1) + " written: " + slot.id.text() +
                    " <- " + where_from(f, s, slot));
  }
  if (notes.nan) complain("warning: NaN values were stored as missing");
  if (notes.out_of_range) {
    complain("warning: values beyond the range of 32-bit reals were stored as missing");
  }
  return {};
}

// The import itself, in the contained child: every netCDF call is here.
int import_in_child(const ImportOptions& o, const params::Table& table,
                    const gridfile::Packing& packing) {
  const std::string not_created = o.grid_path + " not created";
  gridfile::Result<NcFile> f = NcFile::open(o.nc_path);
  if (!f) {
    complain(f.error().text);
    complain(not_created);
    return kExitFailed;
  }
  gridfile::Result<Plan> plan = plan_import(*f, o, table);
  if (!plan) {
    complain(plan.error().text);
    complain(not_created);
    return kExitFailed;
  }
  platform::contained_step();
  for (const std::string& w : plan->warnings) complain("warning: " + w);
  gridfile::Status ok = check_plan(*plan, o);
  const std::uint64_t limit =
      platform::ContainLimits::of(o.timeout_seconds, o.memory_limit_mib).memory_bytes;
  if (ok.ok() && limit > 0 && bytes_per_grid(*plan) + kLibraryBytes > limit) {
    ok = refuse("each grid of " + std::to_string(plan->grid.nav.nx) + " x " +
                std::to_string(plan->grid.nav.ny) + " points needs " +
                std::to_string((bytes_per_grid(*plan) + kLibraryBytes) >> 20) +
                " MiB, more than the memory limit of " + std::to_string(o.memory_limit_mib) +
                " MiB (--memory-limit)");
  }
  if (!ok.ok()) {
    complain(ok.error().text);
    complain(not_created);
    return kExitFailed;
  }
  gridfile::Result<gridfile::GridFile> out =
      gridfile::GridFile::create_unpublished(o.grid_path, plan->grid.nav);
  std::vector<std::string> lines;
  gridfile::Status st = out ? write_grids(*f, *plan, packing, *out, lines) : out.error();
  if (st.ok()) st = out->publish();
  if (st.ok()) st = out->close();
  if (!st.ok()) {
    complain(st.error().text);
    complain(not_created);
    return kExitFailed;
  }
  for (const std::string& line : lines) say(line);
  say(o.grid_path + ": " + std::to_string(lines.size()) + " grids from " + o.nc_path);
  return kExitOk;
}

// How a contained import that did not return ended, as one line.
std::string failure_text(const platform::ContainOutcome& end, const ImportOptions& o) {
  using Kind = platform::ContainOutcome::Kind;
  const std::string damaged = ": the file is damaged or not netCDF";
  switch (end.kind) {
    case Kind::kOutOfMemory:
      return "the netCDF library failed reading " + o.nc_path + damaged + " (it wanted more than " +
             std::to_string(o.memory_limit_mib) + " MiB of memory, see --memory-limit)";
    case Kind::kTimedOut:
      return "the netCDF library failed reading " + o.nc_path + damaged +
             " (one step took longer than " + std::to_string(static_cast<int>(o.timeout_seconds)) +
             " seconds, see --timeout)";
    case Kind::kNotStarted:
      return "cannot start reading " + o.nc_path + ": " + platform::status_text(end.status);
    default:
      return "the netCDF library failed reading " + o.nc_path + damaged + " (" +
             platform::signal_name(end.signal) + ")";
  }
}

// "DIM=K" of --index, K from 1.
std::optional<std::pair<std::string, std::size_t>> parse_member(const std::string& text) {
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return std::nullopt;
  std::size_t k = 0;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(text.data() + eq + 1, last, k);
  if (ec != std::errc() || end != last || k == 0) return std::nullopt;
  return std::pair{text.substr(0, eq), k};
}

}  // namespace

int import_grids(const ImportOptions& o, const TableDirs& dirs) {
  // Library messages reach the user inside the errors' texts.
  gridfile::set_message_sink([](std::string_view) {});
  const std::optional<params::Table> table = load_table(o.table_path, dirs, "nc2grid");
  if (!table) return kExitFailed;
  std::string complaint;
  const std::optional<gridfile::Packing> packing =
      gridfile::Packing::from_option(o.pack, complaint);
  if (!packing) {
    complain(complaint);
    return kExitUsage;
  }
  // Refused before the netCDF library sees them: a FIFO would block its open.
  if (const int st = platform::check_input_file(o.nc_path); st != platform::kOk) {
    complain(o.nc_path + ": " + platform::status_text(st));
    complain(o.grid_path + " not created");
    return kExitFailed;
  }
  if (const int st = platform::check_output_name(o.grid_path); st != platform::kOk) {
    complain(o.grid_path + (st == EEXIST ? std::string(": a file of that name exists, and nc2grid "
                                                       "never replaces one")
                                         : ": " + platform::status_text(st)));
    return kExitFailed;
  }
  const platform::ContainOutcome end = platform::run_contained(
      [&] { return platform::finish_program("nc2grid", import_in_child(o, *table, *packing)); },
      platform::ContainLimits::of(o.timeout_seconds, o.memory_limit_mib));
  if (end.kind == platform::ContainOutcome::Kind::kExited) return end.status;
  platform::remove_pending_of(o.grid_path, end.pid);
  complain(failure_text(end, o));
  complain(o.grid_path + " not created");
  return kExitFailed;
}

int run_nc2grid(std::span<const std::string> args, const TableDirs& dirs) {
  CLI::App app{"nc2grid: import the gridded variables of a netCDF-CF file into a new grid file",
               "nc2grid"};
  ImportOptions o;
  app.add_option("IN", o.nc_path, "the netCDF file to read")->required();
  app.add_option("OUT", o.grid_path, "the grid file to create (never overwritten)")->required();
  app.add_option("--var", o.vars,
                 "import the variable NAME (repeatable; default: every gridded "
                 "variable)")
      ->type_name("NAME")
      ->allow_extra_args(false);
  std::vector<std::string> time_texts;
  std::optional<std::string> first_year;
  app.add_option("--time", time_texts,
                 "import the grids of time TIME as they will be filed (repeatable): " +
                     std::string(cli::kTimeHelp))
      ->type_name("TIME")
      ->allow_extra_args(false);
  std::string range;
  app.add_option("--time-range", range,
                 "import the grids valid from FROM to TO (both included): grid time texts "
                 "or ISO 8601 UTC times, e.g. 2024-01-01T00:00Z,2024-01-02T00:00Z")
      ->type_name("FROM,TO");
  app.add_option("--level", o.levels,
                 "import the grids of level L, in hPa for pressure "
                 "(repeatable)")
      ->type_name("L")
      ->allow_extra_args(false);
  app.add_option("--name", o.name,
                 "file the grids under the parameter NAME (one variable; values are "
                 "converted to the units the parameter table gives NAME)")
      ->type_name("NAME");
  std::vector<std::string> members;
  app.add_option("--index", members,
                 "import member K (from 1) of the extra dimension DIM (an ensemble, a "
                 "realization), e.g. --index member=3 (repeatable)")
      ->type_name("DIM=K")
      ->allow_extra_args(false);
  app.add_option("--pack", o.pack, "pack the grids: none, grib:BITS, diff:BITS or dec:DIGITS")
      ->type_name("PACKING");
  app.add_option("--table", o.table_path,
                 "the parameter table (default: parameters.tbl in "
                 "$MORTBL or the installed tables)");
  cli::add_containment_options(app, "the netCDF library", "open the file or read one grid",
                               o.timeout_seconds, o.memory_limit_mib);
  cli::add_first_year(app, first_year);
  cli::Parsed parsed = cli::parse(app, args);
  if (parsed.run()) parsed = cli::year_window(first_year, o.window);
  if (parsed.run()) parsed = cli::time_queries(time_texts, o.window, o.times);
  if (!parsed.run()) return cli::finish(parsed, "nc2grid", kExitOk, kExitUsage);
  if (std::string complaint; !take_time_range_option(range, o.window, o.time_range, complaint)) {
    complain(complaint);
    return kExitUsage;
  }
  for (const std::string& m : members) {
    const std::optional<std::pair<std::string, std::size_t>> member = parse_member(m);
    if (!member) {
      complain("--index " + m + ": expected DIM=K, K a member counted from 1");
      return kExitUsage;
    }
    o.index[member->first] = member->second;
  }
  return import_grids(o, dirs);
}

}  // namespace nc
