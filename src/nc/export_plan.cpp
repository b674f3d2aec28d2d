// Grouping grids into variables and axes for the export.
#include "nc/export_plan.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "nc/refuse.h"
#include "strings/concat.h"

namespace nc {
namespace {

std::string axis_base(gridfile::Vcoord vcoord) {
  switch (vcoord) {
    case gridfile::Vcoord::kPres:
      return "pressure";
    case gridfile::Vcoord::kThta:
      return "theta";
    case gridfile::Vcoord::kHght:
      return "height";
    case gridfile::Vcoord::kSgma:
      return "sigma";
    default:
      return "level";
  }
}

bool is_name_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

bool LevelAxis::has_level2() const {
  return std::any_of(levels.begin(), levels.end(),
                     [](const auto& l) { return l.second != kNoLevel2; });
}

std::size_t ExportPlan::levels(const VariablePlan& v) const {
  return v.level_axis < 0 ? 1 : level_axes[static_cast<std::size_t>(v.level_axis)].levels.size();
}

std::size_t ExportPlan::slots(const VariablePlan& v) const {
  return (v.timed ? times.size() : 1) * levels(v);
}

std::string variable_name(std::string_view param) {
  std::string name;
  for (char c : param) name += is_name_char(c) ? c : '_';
  if (name.empty() || (name[0] >= '0' && name[0] <= '9')) name.insert(0, 1, 'v');
  return name;
}

namespace {

using TimeKey = std::pair<std::string, std::string>;
// A variable: parameter, vertical coordinate, whether it has times.
using VarKey = std::tuple<std::string, gridfile::Vcoord, bool>;

VarKey var_key(const gridfile::GridInfo& g) {
  return {g.id.param, g.id.vcoord, !g.id.time1.empty()};
}

std::string time_words(const TimeSlot& t) {
  return t.time1 + (t.time2.empty() ? "" : " " + t.time2);
}

// Times: one slot per distinct pair of texts, in valid-time order; refused
// when a text is not a date or two texts share a valid time.
gridfile::Status plan_times(const std::vector<gridfile::GridInfo>& grids,
                            const timewin::YearWindow& window, ExportPlan& plan) {
  std::map<TimeKey, int> first_grid_of_time;
  for (const gridfile::GridInfo& g : grids) {
    if (g.id.time1.empty()) {
      if (!g.id.time2.empty()) {
        return refuse("grid " + std::to_string(g.number) + " has a second time but no first time");
      }
      continue;
    }
    const TimeKey key{g.id.time1, g.id.time2};
    if (first_grid_of_time.count(key) != 0) continue;
    const std::optional<GridTimeMinutes> m = grid_time_minutes(g.id.time1, window);
    if (!m) {
      return refuse("grid " + std::to_string(g.number) + " has the time \"" + g.id.time1 +
                    "\", which is not a date; leave it out with the selection options");
    }
    first_grid_of_time[key] = g.number;
    plan.times.push_back(TimeSlot{g.id.time1, g.id.time2, *m});
  }
  std::sort(plan.times.begin(), plan.times.end(), [](const TimeSlot& a, const TimeSlot& b) {
    return std::tie(a.minutes.valid, a.minutes.reference, a.time1, a.time2) <
           std::tie(b.minutes.valid, b.minutes.reference, b.time1, b.time2);
  });
  for (std::size_t k = 1; k < plan.times.size(); ++k) {
    const TimeSlot& a = plan.times[k - 1];
    const TimeSlot& b = plan.times[k];
    if (b.minutes.valid == a.minutes.valid) {
      return refuse("grids " + std::to_string(first_grid_of_time[{a.time1, a.time2}]) + " (" +
                    time_words(a) + ") and " +
                    std::to_string(first_grid_of_time[{b.time1, b.time2}]) + " (" + time_words(b) +
                    ") are valid at the same time; export them separately (--time)");
    }
  }
  for (const TimeSlot& t : plan.times) {
    plan.any_forecast = plan.any_forecast || t.minutes.forecast;
    plan.any_time2 = plan.any_time2 || !t.time2.empty();
  }
  if (!plan.times.empty()) plan.epoch_minutes = plan.times.front().minutes.valid;
  return {};
}

// The level axis of a variable's levels: shared by every variable of the same
// vertical coordinate and levels; refused when one first level has two
// second levels (the coordinate would not be monotonic).
class LevelAxes {
 public:
  explicit LevelAxes(ExportPlan& plan) : plan_(plan) {}
  gridfile::Result<int> axis(const std::string& param, gridfile::Vcoord vcoord,
                             const std::set<std::pair<int, int>>& levels) {
    const auto [it, inserted] =
        axis_of_.try_emplace({vcoord, levels}, static_cast<int>(plan_.level_axes.size()));
    if (!inserted) return it->second;
    LevelAxis axis;
    axis.vcoord = vcoord;
    axis.levels.assign(levels.begin(), levels.end());
    for (std::size_t k = 1; k < axis.levels.size(); ++k) {
      if (axis.levels[k].first == axis.levels[k - 1].first) {
        return refuse("parameter " + param + " has the level " +
                      std::to_string(axis.levels[k].first) +
                      " with two different second levels; export them separately (--level)");
      }
    }
    const std::string base = axis_base(vcoord);
    const int n = ++names_[base];
    axis.name = n == 1 ? base : base + "_" + std::to_string(n);
    plan_.level_axes.push_back(std::move(axis));
    return it->second;
  }

 private:
  ExportPlan& plan_;
  std::map<std::pair<gridfile::Vcoord, std::set<std::pair<int, int>>>, int> axis_of_;
  std::map<std::string, int> names_;
};

// Variables: grids grouped by (parameter, vertical coordinate, timed), in
// the order of their first grid, each with its level axis and a unique name.
gridfile::Status plan_variables(const std::vector<gridfile::GridInfo>& grids,
                                std::vector<VarKey>& order, ExportPlan& plan) {
  std::map<VarKey, std::set<std::pair<int, int>>> var_levels;
  for (const gridfile::GridInfo& g : grids) {
    const VarKey key = var_key(g);
    if (var_levels.count(key) == 0) order.push_back(key);
    var_levels[key].insert({g.id.level1, level2_word(g.id)});
  }
  std::map<std::string, int> param_count;
  for (const VarKey& key : order) ++param_count[std::get<0>(key)];
  std::set<std::string> used_names;
  LevelAxes axes(plan);
  for (const VarKey& key : order) {
    const auto& [param, vcoord, timed] = key;
    const std::set<std::pair<int, int>>& levels = var_levels[key];
    VariablePlan v;
    v.param = param;
    v.vcoord = vcoord;
    v.timed = timed;
    const bool surface_only = vcoord == gridfile::Vcoord::kNone && levels.size() == 1 &&
                              *levels.begin() == std::pair{0, kNoLevel2};
    if (!surface_only) {
      gridfile::Result<int> axis = axes.axis(param, vcoord, levels);
      if (!axis) return axis.error();
      v.level_axis = *axis;
    }
    std::string name = variable_name(param);
    if (param_count[param] > 1) {
      name += strings::concat({"_", gridfile::vcoord_name(vcoord)});
      if (!timed) name += "_notime";
    }
    std::string unique = name;
    for (int n = 2; used_names.count(unique) != 0; ++n) unique = name + "_" + std::to_string(n);
    used_names.insert(unique);
    v.name = unique;
    plan.variables.push_back(std::move(v));
  }
  return {};
}

// Every grid's slot: its variable's (time, level) place.
void place_grids(const std::vector<gridfile::GridInfo>& grids, const std::vector<VarKey>& order,
                 ExportPlan& plan) {
  std::map<TimeKey, std::size_t> time_index;
  for (std::size_t k = 0; k < plan.times.size(); ++k) {
    time_index[{plan.times[k].time1, plan.times[k].time2}] = k;
  }
  std::map<VarKey, std::size_t> var_index;
  for (std::size_t k = 0; k < order.size(); ++k) var_index[order[k]] = k;
  for (VariablePlan& v : plan.variables) v.grid_numbers.assign(plan.slots(v), 0);
  for (const gridfile::GridInfo& g : grids) {
    VariablePlan& v = plan.variables[var_index[var_key(g)]];
    const std::size_t t = v.timed ? time_index[{g.id.time1, g.id.time2}] : 0;
    std::size_t l = 0;
    if (v.level_axis >= 0) {
      const auto& levels = plan.level_axes[static_cast<std::size_t>(v.level_axis)].levels;
      l = static_cast<std::size_t>(std::lower_bound(levels.begin(), levels.end(),
                                                    std::pair{g.id.level1, level2_word(g.id)}) -
                                   levels.begin());
    }
    v.grid_numbers[t * plan.levels(v) + l] = g.number;
  }
}

}  // namespace

gridfile::Result<ExportPlan> plan_export(const std::vector<gridfile::GridInfo>& grids,
                                         const timewin::YearWindow& window) {
  ExportPlan plan;
  if (gridfile::Status st = plan_times(grids, window, plan); !st.ok()) return st.error();
  std::vector<VarKey> order;
  if (gridfile::Status st = plan_variables(grids, order, plan); !st.ok()) return st.error();
  place_grids(grids, order, plan);
  return plan;
}

}  // namespace nc
