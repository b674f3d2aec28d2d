#include "nc/import_values.h"

#include <netcdf.h>

#include <string>
#include <string_view>

#include "nc/refuse.h"

namespace nc {

gridfile::Result<Unpacking> read_unpacking(const NcFile& f, int v) {
  Unpacking u;
  const std::string name = f.var_name(v);
  for (const char* att : {"scale_factor", "add_offset"}) {
    const auto a = f.number_att(v, att);
    if (!a) {
      if (f.text_att(v, att)) return refuse(name + ": " + att + " is not a number");
      continue;
    }
    if (a->size() != 1 || !std::isfinite((*a)[0]))
      return refuse(name + ": " + att + " must be one number");
    (std::string_view(att) == "scale_factor" ? u.scale : u.offset) = (*a)[0];
  }
  if (const auto fill = f.number_att(v, "_FillValue")) {
    u.missing.insert(u.missing.end(), fill->begin(), fill->end());
  } else {
    switch (f.var_type(v)) {  // netCDF's default fill of unwritten values
      case NC_SHORT:
        u.missing.push_back(NC_FILL_SHORT);
        break;
      case NC_USHORT:
        u.missing.push_back(NC_FILL_USHORT);
        break;
      case NC_INT:
        u.missing.push_back(NC_FILL_INT);
        break;
      case NC_UINT:
        u.missing.push_back(NC_FILL_UINT);
        break;
      case NC_FLOAT:
        u.missing.push_back(static_cast<double>(NC_FILL_FLOAT));
        break;
      case NC_DOUBLE:
        u.missing.push_back(NC_FILL_DOUBLE);
        break;
      default:
        break;
    }
  }
  if (const auto mv = f.number_att(v, "missing_value")) {
    u.missing.insert(u.missing.end(), mv->begin(), mv->end());
  }
  if (const auto range = f.number_att(v, "valid_range")) {
    if (range->size() != 2 || !((*range)[0] <= (*range)[1])) {
      return refuse(name + ": valid_range must be two numbers, the smaller first");
    }
    u.valid_min = (*range)[0];
    u.valid_max = (*range)[1];
  }
  if (const auto lo = f.number_att1(v, "valid_min")) u.valid_min = *lo;
  if (const auto hi = f.number_att1(v, "valid_max")) u.valid_max = *hi;
  return u;
}

}  // namespace nc
