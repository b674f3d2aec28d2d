// One export of grid2nc written into a netCDF dataset: the CF description
// (cf_description.cpp) defined and its coordinates written, then the grids
// one at a time.
#include "nc/export_dataset.h"

#include <netcdf.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <variant>
#include <vector>

#include "nc/cf_description.h"
#include "nc/cf_time.h"

namespace nc {
namespace {

// A variable's axes in netCDF order: time and level where it has them, then
// y and x. Sized once, never grown.
template <class T>
std::vector<T> axes_of(const VariablePlan& v, T time, T level, T y, T x) {
  std::vector<T> out(2 + (v.timed ? 1 : 0) + (v.level_axis >= 0 ? 1 : 0));
  std::size_t k = 0;
  if (v.timed) out[k++] = time;
  if (v.level_axis >= 0) out[k++] = level;
  out[k++] = y;
  out[k] = x;
  return out;
}

// Collects the first netCDF-C failure of a run of calls.
class Calls {
 public:
  explicit Calls(const NcFile& f) : f_(f) {}
  bool ok() const { return status_ == NC_NOERR; }
  gridfile::Error error() const { return f_.error(status_, what_); }
  bool check(int status, const std::string& what) {
    if (ok() && status != NC_NOERR) {
      status_ = status;
      what_ = what;
    }
    return ok();
  }
  int dim(const std::string& name, std::size_t len) {
    int id = -1;
    check(nc_def_dim(f_.id(), name.c_str(), len, &id), "defining dimension " + name);
    return id;
  }
  int var(const std::string& name, nc_type type, const std::vector<int>& dims) {
    int id = -1;
    check(nc_def_var(f_.id(), name.c_str(), type, static_cast<int>(dims.size()), dims.data(), &id),
          "defining variable " + name);
    return id;
  }
  void text(int var, const char* name, std::string_view v) {
    check(nc_put_att_text(f_.id(), var, name, v.size(), v.data()),
          std::string("writing attribute ") + name);
  }
  void doubles(int var, const char* name, const std::vector<double>& v) {
    check(nc_put_att_double(f_.id(), var, name, NC_DOUBLE, v.size(), v.data()),
          std::string("writing attribute ") + name);
  }
  void floats(int var, const char* name, const std::vector<float>& v) {
    check(nc_put_att_float(f_.id(), var, name, NC_FLOAT, v.size(), v.data()),
          std::string("writing attribute ") + name);
  }
  void ints(int var, const char* name, const std::vector<int>& v) {
    check(nc_put_att_int(f_.id(), var, name, NC_INT, v.size(), v.data()),
          std::string("writing attribute ") + name);
  }
  void put(int var, const std::vector<double>& v) {
    check(nc_put_var_double(f_.id(), var, v.data()), "writing coordinates");
  }
  // Values written with their extent, which is what sets the length of an
  // unlimited dimension (time) they run along.
  void put(int var, const std::vector<double>& v, const std::vector<std::size_t>& shape) {
    const std::vector<std::size_t> start(shape.size(), 0);
    check(nc_put_vara_double(f_.id(), var, start.data(), shape.data(), v.data()),
          "writing coordinates");
  }

 private:
  const NcFile& f_;
  int status_ = NC_NOERR;
  std::string what_;
};

std::string now_text() {
  const auto now = std::chrono::floor<std::chrono::minutes>(std::chrono::system_clock::now());
  const std::int64_t minutes = now.time_since_epoch().count();
  return gridfile::cf_text(from_minutes(minutes));
}

// The netCDF ids of the description's dimensions and variables.
struct Ids {
  std::vector<int> dims, vars;
};

int dim_id(const CfDataset& d, const Ids& ids, const std::string& name) {
  for (std::size_t k = 0; k < d.dims.size(); ++k) {
    if (d.dims[k].name == name) return ids.dims[k];
  }
  return -1;
}

nc_type nc_type_of(CfType t) {
  switch (t) {
    case CfType::kFloat:
      return NC_FLOAT;
    case CfType::kInt:
      return NC_INT;
    case CfType::kDouble:
      break;
  }
  return NC_DOUBLE;
}

void put_attribute(Calls& c, int var, const CfAttr& a) {
  const char* name = a.name.c_str();
  if (const auto* s = std::get_if<std::string>(&a.value)) {
    c.text(var, name, *s);
  } else if (const auto* d = std::get_if<std::vector<double>>(&a.value)) {
    c.doubles(var, name, *d);
  } else if (const auto* f = std::get_if<std::vector<float>>(&a.value)) {
    c.floats(var, name, *f);
  } else {
    c.ints(var, name, std::get<std::vector<int>>(a.value));
  }
}

// Dimensions, variables and attributes; data variables chunked one grid a
// chunk and compressed in netCDF-4.
void define(Calls& c, NcFile& f, const CfDataset& d, const ExportOptions& o, Ids& ids) {
  for (const CfAttr& a : d.globals) put_attribute(c, NC_GLOBAL, a);
  for (const CfDimension& dim : d.dims)
    ids.dims.push_back(c.dim(dim.name, dim.unlimited ? NC_UNLIMITED : dim.length));
  for (const CfVariable& v : d.variables) {
    std::vector<int> dims;
    for (const std::string& name : v.dims) dims.push_back(dim_id(d, ids, name));
    const int id = c.var(v.name, nc_type_of(v.type), dims);
    if (v.is_data() && f.netcdf4() && c.ok()) {
      std::vector<std::size_t> chunks(dims.size(), 1);
      const std::vector<std::size_t> shape = shape_of(d, v);
      chunks[chunks.size() - 2] = shape[shape.size() - 2];
      chunks[chunks.size() - 1] = shape[shape.size() - 1];
      c.check(nc_def_var_chunking(f.id(), id, NC_CHUNKED, chunks.data()), "chunking " + v.name);
      if (o.deflate > 0) {
        c.check(nc_def_var_deflate(f.id(), id, 1, 1, o.deflate), "compressing " + v.name);
      }
    }
    for (const CfAttr& a : v.attrs) put_attribute(c, id, a);
    ids.vars.push_back(id);
  }
}

// The values of the coordinate variables.
void put_coordinates(Calls& c, const CfDataset& d, const Ids& ids) {
  for (std::size_t k = 0; k < d.variables.size(); ++k) {
    const CfVariable& v = d.variables[k];
    if (v.is_data() || v.values.empty()) continue;
    if (v.dims.empty()) {
      c.put(ids.vars[k], v.values);
    } else {
      c.put(ids.vars[k], v.values, shape_of(d, v));
    }
  }
}

// The grids, one at a time; slots without a grid stay at _FillValue.
gridfile::Status put_grids(Calls& c, NcFile& f, const CfDataset& d, const Ids& ids,
                           const gridfile::GridFile& grid_file, const ExportPlan& plan) {
  const gridfile::Navigation& nav = grid_file.navigation();
  const auto ny = static_cast<std::size_t>(nav.ny), nx = static_cast<std::size_t>(nav.nx);
  for (std::size_t k = 0; k < d.variables.size(); ++k) {
    if (!d.variables[k].is_data()) continue;
    const VariablePlan& v = plan.variables[static_cast<std::size_t>(d.variables[k].data)];
    const std::size_t nlev = plan.levels(v);
    for (std::size_t s = 0; s < v.grid_numbers.size(); ++s) {
      const int number = v.grid_numbers[s];
      if (number == 0) continue;  // left at _FillValue
      const std::vector<std::size_t> start = axes_of<std::size_t>(v, s / nlev, s % nlev, 0, 0);
      const std::vector<std::size_t> count = axes_of<std::size_t>(v, 1, 1, ny, nx);
      gridfile::Result<gridfile::Grid> g = grid_file.read(number);
      if (!g) return g.error();
      if (g->info.nx != nav.nx || g->info.ny != nav.ny) {
        return base::Error(base::Source::kTool, -1,
                           "grid " + std::to_string(number) + " is " + std::to_string(g->info.nx) +
                               " x " + std::to_string(g->info.ny) + ", the navigation " +
                               std::to_string(nav.nx) + " x " + std::to_string(nav.ny));
      }
      gridfile::replace_missing(g->values, kCfFill);
      if (!c.check(
              nc_put_vara_float(f.id(), ids.vars[k], start.data(), count.data(), g->values.data()),
              "writing " + v.name)) {
        return c.error();
      }
    }
  }
  return {};
}

}  // namespace

gridfile::Status write_dataset(NcFile& f, const gridfile::GridFile& grid_file,
                               const ExportPlan& plan, const mapproj::Projection& proj,
                               const params::Table& table, const ExportOptions& o) {
  const CfDataset d =
      describe_dataset(grid_file.navigation(), plan, proj, table,
                       {o.grid_path, now_text() + " grid2nc " + o.grid_path + " " + o.nc_path});
  Calls c(f);
  Ids ids;
  define(c, f, d, o, ids);
  if (!c.ok()) return c.error();
  if (!c.check(nc_enddef(f.id()), "ending definitions")) return c.error();
  put_coordinates(c, d, ids);
  if (!c.ok()) return c.error();
  if (gridfile::Status s = put_grids(c, f, d, ids, grid_file, plan); !s) return s;
  return f.close();
}

}  // namespace nc
