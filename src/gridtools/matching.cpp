#include "gridtools/matching.h"

#include <cmath>
#include <map>

#include "gridtools/describe.h"

namespace gridtools {

Matching match_grids(const std::vector<gridfile::GridInfo>& a,
                     const std::vector<gridfile::GridInfo>& b) {
  // The identifier's text holds every field of it, so it serves as the key.
  std::map<std::string, std::size_t> in_b;
  for (std::size_t k = 0; k < b.size(); ++k) in_b.emplace(b[k].id.text(), k);
  std::vector<bool> paired(b.size(), false);
  Matching m;
  for (const gridfile::GridInfo& ga : a) {
    const auto it = in_b.find(ga.id.text());
    if (it == in_b.end() || paired[it->second] || !(b[it->second].id == ga.id)) {
      m.only_a.push_back(ga);
      continue;
    }
    paired[it->second] = true;
    m.pairs.emplace_back(ga, b[it->second]);
  }
  for (std::size_t k = 0; k < b.size(); ++k) {
    if (!paired[k]) m.only_b.push_back(b[k]);
  }
  return m;
}

std::vector<FieldDifference> navigation_differences(const gridfile::Navigation& a,
                                                    const gridfile::Navigation& b) {
  std::vector<FieldDifference> out;
  if (a.projection != b.projection) out.push_back({"projection", a.projection, b.projection});
  if (a.nx != b.nx) out.push_back({"nx", std::to_string(a.nx), std::to_string(b.nx)});
  if (a.ny != b.ny) out.push_back({"ny", std::to_string(a.ny), std::to_string(b.ny)});
  const std::pair<const char*, float gridfile::Navigation::*> reals[] = {
      {"lat1", &gridfile::Navigation::lat1},     {"lon1", &gridfile::Navigation::lon1},
      {"lat2", &gridfile::Navigation::lat2},     {"lon2", &gridfile::Navigation::lon2},
      {"angle1", &gridfile::Navigation::angle1}, {"angle2", &gridfile::Navigation::angle2},
      {"angle3", &gridfile::Navigation::angle3}};
  for (const auto& [name, member] : reals) {
    const float va = a.*member, vb = b.*member;
    if (va != vb && !(std::isnan(va) && std::isnan(vb))) {
      out.push_back({name, real_text(a.*member), real_text(b.*member)});
    }
  }
  return out;
}

}  // namespace gridtools
