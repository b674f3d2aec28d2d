#include "nc/import_values.h"

#include <netcdf.h>

#include <string>
#include <string_view>

#include "nc/refuse.h"

namespace nc {
namespace {

// 2^bits of a signed integer type that _Unsigned = "true" reads as unsigned.
double unsigned_wrap(const NcFile& f, int v) {
  const auto flag = f.text_att(v, "_Unsigned");
  if (!flag || (*flag != "true" && *flag != "TRUE" && *flag != "True")) return 0;
  switch (f.var_type(v)) {
    case NC_BYTE:
      return 256.0;
    case NC_SHORT:
      return 65536.0;
    case NC_INT:
      return 4294967296.0;
    case NC_INT64:
      return 18446744073709551616.0;
    default:
      return 0;
  }
}

}  // namespace

gridfile::Result<Unpacking> read_unpacking(const NcFile& f, int v) {
  Unpacking u;
  const std::string name = f.var_name(v);
  u.wrap = unsigned_wrap(f, v);
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
  if (u.wrap != 0) {  // the attributes hold the stored type's bits too
    const auto unsigned_value = [&u](double& x) {
      if (x < 0) x += u.wrap;
    };
    for (double& m : u.missing) unsigned_value(m);
    if (std::isfinite(u.valid_min)) unsigned_value(u.valid_min);
    if (std::isfinite(u.valid_max)) unsigned_value(u.valid_max);
  }
  return u;
}

}  // namespace nc
