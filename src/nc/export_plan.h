// How a set of grids becomes netCDF variables: one variable per parameter and
// vertical coordinate (and whether it has times), a shared time axis, and a
// level axis per distinct set of levels. Pure bookkeeping, no I/O, so that the
// layout can be tested on its own.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "gridfile/gridfile.h"
#include "nc/cf_time.h"
#include "nc/level_meaning.h"

namespace nc {

struct TimeSlot {
  std::string time1, time2;  // the grid file's texts, kept for an exact rebuild
  GridTimeMinutes minutes;
};

struct LevelAxis {
  std::string name;  // dimension and coordinate variable name ("pressure", "height_2")
  gridfile::Vcoord vcoord = gridfile::Vcoord::kNone;
  std::vector<std::pair<int, int>> levels;  // (level1, level2), level2 kNoLevel2 when not set
  bool has_level2() const;
};

struct VariablePlan {
  std::string name;   // netCDF variable name
  std::string param;  // the grid parameter name
  gridfile::Vcoord vcoord = gridfile::Vcoord::kNone;
  bool timed = false;
  int level_axis = -1;  // index into ExportPlan::level_axes, -1: no level dimension
  // Grid number of every (time, level) slot, time-major; 0 where no grid is.
  std::vector<int> grid_numbers;
};

struct ExportPlan {
  std::vector<TimeSlot> times;  // in increasing valid time
  bool any_forecast = false;
  bool any_time2 = false;
  std::int64_t epoch_minutes = 0;  // earliest valid time
  std::vector<LevelAxis> level_axes;
  std::vector<VariablePlan> variables;
  std::size_t slots(const VariablePlan& v) const;  // times x levels of a variable
  std::size_t levels(const VariablePlan& v) const;
};

// Lays the grids out. Refuses (with the grid numbers concerned) a time text
// that is not a date, two time texts of one valid time, and two level pairs of
// one first level on one axis: the coordinate would not be monotonic.
gridfile::Result<ExportPlan> plan_export(const std::vector<gridfile::GridInfo>& grids,
                                         const timewin::YearWindow& window);

// A netCDF name made of a parameter name: letters, digits and "_" kept,
// anything else "_", and a leading digit given a "v" in front.
std::string variable_name(std::string_view param);

}  // namespace nc
