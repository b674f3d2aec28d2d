#include "gridtools/diff_report.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "gridtools/describe.h"
#include "gridtools/json_values.h"
#include "strings/concat.h"

namespace gridtools {
namespace {

using nlohmann::json;

std::string where(const Point& p) {
  return strings::concat({"(", std::to_string(p.i), ",", std::to_string(p.j), ") A ",
                          real_text(p.a), ", B ", real_text(p.b)});
}

std::string size_text(const gridfile::GridInfo& g) {
  return std::to_string(g.nx) + "x" + std::to_string(g.ny);
}

// "(2026-12-15T12:00Z F+6h, valid 2026-12-15T18:00Z; " for a grid with a
// time: the opening of the parenthesis after an identifier.
std::string time_opening(const gridfile::GridId& id, const gridfile::YearWindow& window) {
  const std::string when = time_text(id.time1, window);
  return when.empty() || when == id.time1 ? "(" : "(" + when + "; ";
}

std::string pair_line(const PairReport& p, const gridfile::YearWindow& window) {
  std::string head = "Grid " + p.a.id.text() + " " + time_opening(p.a.id, window) + "A " +
                     std::to_string(p.a.number) + ", B " + std::to_string(p.b.number) + "): ";
  if (!p.comparison) return head + "sizes differ: " + size_text(p.a) + " and " + size_text(p.b);
  const Comparison& c = *p.comparison;
  std::string out = head + (c.equal() ? "equal" : "differs") + ", " + std::to_string(c.differing) +
                    " of " + std::to_string(c.points) + " points differ";
  if (c.max_abs > 0) {
    out += "; largest difference " + number_text(c.max_abs) + " at " + where(c.max_abs_at) +
           "; largest relative " + number_text(c.max_rel) + " at " + where(c.max_rel_at) +
           "; RMS " + number_text(c.rms);
  }
  if (c.missing_only_a > 0 || c.missing_only_b > 0) {
    out += "; missing only in A " + std::to_string(c.missing_only_a) + ", only in B " +
           std::to_string(c.missing_only_b);
  }
  if (c.nonfinite_mismatch > 0) {
    out += "; NaN or infinity against another value " + std::to_string(c.nonfinite_mismatch);
  }
  if (p.step > 0) {
    out += "; packing step " + real_text(p.step) + ", largest difference " +
           number_text(c.max_abs / static_cast<double>(p.step), 3) + " steps";
  }
  return out;
}

json point_json(double value, const Point& p) {
  return {{"value", json_number(value)},
          {"i", p.i},
          {"j", p.j},
          {"a", json_real(p.a)},
          {"b", json_real(p.b)}};
}

std::string only_line(std::string_view which, const gridfile::GridInfo& g,
                      const gridfile::YearWindow& window) {
  std::string line =
      strings::concat({"Only in ", which, ": grid ", std::to_string(g.number), " ", g.id.text()});
  const std::string when = time_text(g.id.time1, window);
  if (!when.empty() && when != g.id.time1) line += " (" + when + ")";
  return line;
}

json grid_ref(const gridfile::GridInfo& g, const gridfile::YearWindow& window) {
  json j{{"number", g.number}, {"id", g.id.text()}, {"nx", g.nx}, {"ny", g.ny}};
  const std::string valid = gridfile::valid_iso8601(g.id.time1, window);
  j["valid_iso8601"] = valid.empty() ? nullptr : json(valid);
  return j;
}

}  // namespace

bool DiffReport::equal() const {
  return navigation.empty() && only_a.empty() && only_b.empty() &&
         std::all_of(pairs.begin(), pairs.end(), [](const PairReport& p) { return p.equal(); });
}

float packing_step(const gridfile::GridInfo& a, const gridfile::GridInfo& b) {
  const float sa = a.packing.type == gridfile::PackingType::kNone ? 0.0f : a.step;
  const float sb = b.packing.type == gridfile::PackingType::kNone ? 0.0f : b.step;
  return std::max(sa, sb);
}

std::vector<std::string> diff_text(const DiffReport& r) {
  std::vector<std::string> out;
  out.push_back("A: " + r.path_a);
  out.push_back("B: " + r.path_b);
  if (r.navigation.empty()) {
    out.push_back("Navigation: same");
  } else {
    std::string line = "Navigation differs:";
    for (const FieldDifference& d : r.navigation) line += " " + d.field + " " + d.a + " / " + d.b;
    out.push_back(line);
  }
  for (const gridfile::GridInfo& g : r.only_a) out.push_back(only_line("A", g, r.window));
  for (const gridfile::GridInfo& g : r.only_b) out.push_back(only_line("B", g, r.window));
  std::size_t differ = 0;
  for (const PairReport& p : r.pairs) {
    out.push_back(pair_line(p, r.window));
    if (!p.equal()) ++differ;
  }
  out.push_back(std::string(r.equal() ? "Equal" : "Different") + ": " +
                std::to_string(r.pairs.size()) + " grids paired, " + std::to_string(differ) +
                " differ, " + std::to_string(r.only_a.size()) + " only in A, " +
                std::to_string(r.only_b.size()) + " only in B, navigation " +
                (r.navigation.empty() ? "same" : "differs"));
  return out;
}

std::string diff_json(const DiffReport& r) {
  json nav = json::array();
  for (const FieldDifference& d : r.navigation) {
    nav.push_back({{"field", d.field}, {"a", d.a}, {"b", d.b}});
  }
  json only_a = json::array(), only_b = json::array();
  for (const gridfile::GridInfo& g : r.only_a) only_a.push_back(grid_ref(g, r.window));
  for (const gridfile::GridInfo& g : r.only_b) only_b.push_back(grid_ref(g, r.window));
  json grids = json::array();
  for (const PairReport& p : r.pairs) {
    json g{{"id", p.a.id.text()},
           {"a", grid_ref(p.a, r.window)},
           {"b", grid_ref(p.b, r.window)},
           {"equal", p.equal()},
           {"packing_step", p.step > 0 ? json_real(p.step) : nullptr}};
    if (p.comparison) {
      const Comparison& c = *p.comparison;
      g["points"] = c.points;
      g["differing"] = c.differing;
      g["compared"] = c.compared;
      g["missing_only_a"] = c.missing_only_a;
      g["missing_only_b"] = c.missing_only_b;
      g["nonfinite_mismatch"] = c.nonfinite_mismatch;
      g["max_abs"] = point_json(c.max_abs, c.max_abs_at);
      g["max_rel"] = point_json(c.max_rel, c.max_rel_at);
      g["rms"] = json_number(c.rms);
      g["max_abs_in_steps"] =
          p.step > 0 ? json_number(c.max_abs / static_cast<double>(p.step)) : nullptr;
    } else {
      g["size_differs"] = true;
    }
    grids.push_back(std::move(g));
  }
  const json doc{
      {"a", r.path_a},       {"b", r.path_b},
      {"equal", r.equal()},  {"tolerance", {{"abs", r.tolerance.abs}, {"rel", r.tolerance.rel}}},
      {"navigation", nav},   {"only_in_a", only_a},
      {"only_in_b", only_b}, {"grids", grids}};
  return doc.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace gridtools
