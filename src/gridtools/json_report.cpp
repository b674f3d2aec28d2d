// gridinfo --json: one document per file. Reals are written from their
// shortest exact text, so a reader gets back the very float the file holds.
#include <nlohmann/json.hpp>

#include "gridtools/describe.h"
#include "gridtools/json_values.h"
#include "gridtools/report.h"

namespace gridtools {
namespace {

using nlohmann::json;

json time_json(const std::string& text, const gridfile::YearWindow& window) {
  if (text.empty()) return nullptr;
  json t{{"text", text}};
  const std::optional<gridfile::GridTime> parsed = gridfile::parse_time(text, window);
  if (!parsed) return t;
  t["iso8601"] = gridfile::iso8601(text, window);
  t["valid_iso8601"] = gridfile::valid_iso8601(text, window);
  if (parsed->forecast_type != ' ') {
    t["forecast_type"] = std::string(1, parsed->forecast_type);
    t["forecast_minutes"] = parsed->forecast_minutes;
  }
  return t;
}

json packing_json(const gridfile::GridInfo& g) {
  json p{{"type", g.packing.text()},
         {"bits", g.packing.bits},
         {"words", g.words},
         {"percent_of_unpacked", json_number(size_percent(g))}};
  if (g.packing.type != gridfile::PackingType::kNone) {
    p["reference"] = json_real(g.reference);
    p["step"] = json_real(g.step);
  }
  return p;
}

json stats_json(const GridStats& s) {
  json j{{"points", s.points},
         {"missing", s.missing},
         {"nan", s.nan},
         {"infinite", s.infinite},
         {"valid", s.valid}};
  if (s.valid > 0) {
    j["min"] = json_real(s.min);
    j["max"] = json_real(s.max);
    j["mean"] = json_number(s.mean);
    j["stddev"] = json_number(s.stddev);
  } else {
    j["min"] = j["max"] = j["mean"] = j["stddev"] = nullptr;
  }
  return j;
}

json navigation_json(const FileReport& report) {
  const gridfile::Navigation& nav = report.nav;
  const std::array<std::string, 3> names = angle_names(nav.projection);
  json angles = json::array();
  const std::array<float, 3> values{nav.angle1, nav.angle2, nav.angle3};
  for (std::size_t k = 0; k < 3; ++k) {
    angles.push_back(
        {{"name", names[k].empty() ? nullptr : json(names[k])}, {"value", json_real(values[k])}});
  }
  json j{{"projection", nav.projection},
         {"nx", nav.nx},
         {"ny", nav.ny},
         {"lower_left", {{"lat", json_real(nav.lat1)}, {"lon", json_real(nav.lon1)}}},
         {"upper_right", {{"lat", json_real(nav.lat2)}, {"lon", json_real(nav.lon2)}}},
         {"angles", angles},
         {"spacing", nullptr}};
  if (report.spacing) {
    j["spacing"] = {{"dx", json_number(report.spacing->dx)},
                    {"dy", json_number(report.spacing->dy)},
                    {"units", report.spacing->units}};
  }
  return j;
}

}  // namespace

std::string json_document(const FileReport& report) {
  json grids = json::array();
  for (const GridReport& g : report.grids) {
    const gridfile::GridId& id = g.info.id;
    json j{{"number", g.info.number},
           {"id", id.text()},
           {"time1", time_json(id.time1, report.window)},
           {"time2", time_json(id.time2, report.window)},
           {"level1", id.level1},
           {"level2", id.level2 ? json(*id.level2) : nullptr},
           {"vcoord", gridfile::vcoord_name(id.vcoord)},
           {"param", id.param},
           {"units", g.units ? json(*g.units) : nullptr},
           {"nx", g.info.nx},
           {"ny", g.info.ny},
           {"packing", packing_json(g.info)},
           {"stats", g.stats ? stats_json(*g.stats) : nullptr}};
    if (!g.error.empty()) j["error"] = g.error;
    grids.push_back(std::move(j));
  }
  const json doc{{"file", report.path},
                 {"navigation", navigation_json(report)},
                 {"grid_count", report.grids_in_file},
                 {"grids", std::move(grids)}};
  return doc.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace gridtools
