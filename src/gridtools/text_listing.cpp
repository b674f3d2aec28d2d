// The readable listing: labelled navigation lines, then one table row per
// grid with columns as wide as their widest cell.
#include <algorithm>
#include <cstddef>

#include "gridtools/describe.h"
#include "gridtools/report.h"

namespace gridtools {
namespace {

using Row = std::vector<std::string>;

std::vector<std::string> table(const std::vector<Row>& rows) {
  std::vector<std::size_t> width;
  for (const Row& r : rows) {
    if (width.size() < r.size()) width.resize(r.size(), 0);
    for (std::size_t c = 0; c < r.size(); ++c) width[c] = std::max(width[c], r[c].size());
  }
  std::vector<std::string> out;
  for (const Row& r : rows) {
    std::string line;
    for (std::size_t c = 0; c < r.size(); ++c) {
      line += r[c];
      if (c + 1 < r.size()) line.append(width[c] - r[c].size() + 2, ' ');
    }
    out.push_back(line);
  }
  return out;
}

std::string angles_line(const gridfile::Navigation& nav) {
  const std::array<std::string, 3> names = angle_names(nav.projection);
  const std::array<float, 3> values{nav.angle1, nav.angle2, nav.angle3};
  std::string out;
  for (std::size_t k = 0; k < 3; ++k) {
    if (names[k].empty()) {
      if (values[k] == 0.0f) continue;  // unused by the projection, and not set either
      out += (out.empty() ? "" : ", ") + std::string("unused angle ") + std::to_string(k + 1) +
             " " + real_text(values[k]);
      continue;
    }
    out += (out.empty() ? "" : ", ") + names[k] + " " + real_text(values[k]);
  }
  return out.empty() ? "none used" : out;
}

std::string stats_missing(const GridStats& s) {
  std::string out = std::to_string(s.missing);
  if (s.nan > 0) out += " +" + std::to_string(s.nan) + " NaN";
  if (s.infinite > 0) out += " +" + std::to_string(s.infinite) + " inf";
  return out;
}

std::string packing_cell(const gridfile::GridInfo& g) {
  std::string out = packing_name(g.packing);
  if (g.packing.type == gridfile::PackingType::kNone) return out;
  return out + ", reference " + real_text(g.reference) + ", step " + real_text(g.step) + ", " +
         number_text(size_percent(g), 3) + "% of unpacked";
}

}  // namespace

std::vector<std::string> text_listing(const FileReport& report) {
  const gridfile::Navigation& nav = report.nav;
  std::vector<std::string> out;
  out.push_back("File:         " + report.path);
  out.push_back("Projection:   " + nav.projection);
  out.push_back("Size:         " + std::to_string(nav.nx) + " x " + std::to_string(nav.ny) +
                " points");
  out.push_back("Lower-left:   latitude " + real_text(nav.lat1) + ", longitude " +
                real_text(nav.lon1));
  out.push_back("Upper-right:  latitude " + real_text(nav.lat2) + ", longitude " +
                real_text(nav.lon2));
  out.push_back("Angles:       " + angles_line(nav));
  if (report.spacing) {
    out.push_back("Spacing:      " + number_text(report.spacing->dx) + " x " +
                  number_text(report.spacing->dy) + " " + report.spacing->units);
  }
  std::string count = std::to_string(report.grids_in_file);
  if (static_cast<int>(report.grids.size()) != report.grids_in_file) {
    count += " (" + std::to_string(report.grids.size()) + " selected)";
  }
  out.push_back("Grids:        " + count);
  if (report.grids.empty()) return out;

  const bool any_time2 = std::any_of(report.grids.begin(), report.grids.end(),
                                     [](const GridReport& g) { return !g.info.id.time2.empty(); });
  std::vector<Row> rows;
  Row head{"Grid", "Time", "ISO 8601"};
  if (any_time2) head.insert(head.end(), {"Time 2", "ISO 8601 (2)"});
  head.insert(head.end(), {"Level", "Vcoord", "Param", "Units", "Size", "Missing", "Minimum",
                           "Maximum", "Mean", "Std dev", "Packing"});
  rows.push_back(head);
  for (const GridReport& g : report.grids) {
    const gridfile::GridId& id = g.info.id;
    Row r{std::to_string(g.info.number), id.time1, time_text(id.time1, report.window)};
    if (any_time2) r.insert(r.end(), {id.time2, time_text(id.time2, report.window)});
    r.insert(r.end(),
             {level_text(id), gridfile::vcoord_name(id.vcoord), id.param, g.units.value_or("-"),
              std::to_string(g.info.nx) + "x" + std::to_string(g.info.ny)});
    if (!g.stats) {
      r.insert(r.end(), {g.error.empty() ? "-" : "unreadable", "-", "-", "-", "-"});
    } else if (g.stats->valid == 0) {
      r.insert(r.end(), {stats_missing(*g.stats), "-", "-", "-", "-"});
    } else {
      const GridStats& s = *g.stats;
      r.insert(r.end(), {stats_missing(s), real_text(s.min), real_text(s.max), number_text(s.mean),
                         number_text(s.stddev)});
    }
    r.push_back(packing_cell(g.info));
    rows.push_back(std::move(r));
  }
  for (std::string& line : table(rows)) out.push_back(std::move(line));
  return out;
}

}  // namespace gridtools
