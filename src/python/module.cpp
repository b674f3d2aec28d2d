// The Python face of grid files (the extension module text2grid._text2grid):
// files, their navigation and grid list, grids as NumPy arrays, and the CF
// description grid2nc writes, for the xarray backend. The library's state is
// process-wide, so every call into it holds one lock, with the GIL released
// while it reads or writes.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gridfile/gridfile.h"
#include "nc/cf_description.h"
#include "nc/export_plan.h"
#include "params/params.h"
#include "proj/projection.h"
#include "python/errors.h"
#include "time/year_window.h"

namespace py = pybind11;

namespace {

using pygrid::raise_error;

std::mutex& library_lock() {
  static std::mutex m;
  return m;
}

// Runs `f` with the GIL released and the library lock held.
template <class F>
auto locked(F&& f) {
  py::gil_scoped_release release;
  const std::lock_guard<std::mutex> hold(library_lock());
  return f();
}

template <class T>
T take(gridfile::Result<T>&& r) {
  if (!r) raise_error(r.error());
  return std::move(r).value();
}

using FloatArray = py::array_t<float, py::array::c_style | py::array::forcecast>;

// A grid file open for reading or update; closed by close(), a `with` block,
// or when collected.
class File {
 public:
  explicit File(gridfile::GridFile f) : file_(std::move(f)) {}
  // Runs with the GIL held (also while the interpreter shuts down, when it
  // must not be released): a thread holding the library lock never waits
  // for the GIL before letting go of it.
  ~File() {
    if (!file_) return;
    const std::lock_guard<std::mutex> hold(library_lock());
    file_.reset();
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  gridfile::GridFile& get() {
    if (!file_) throw pygrid::ClosedFile();
    return *file_;
  }
  void close() {
    if (!file_) return;
    const gridfile::Status s = locked([&] {
      gridfile::Status st = file_->close();
      file_.reset();
      return st;
    });
    if (!s) raise_error(s.error());
  }
  bool closed() const { return !file_.has_value(); }

 private:
  std::optional<gridfile::GridFile> file_;
};

// Missing points as NaN when mask_missing, else the stored values.
FloatArray to_array(gridfile::Grid&& g, bool mask_missing) {
  FloatArray out({g.info.ny, g.info.nx});
  float* dst = out.mutable_data();
  std::memcpy(dst, g.values.data(), g.values.size() * sizeof(float));
  if (mask_missing) {
    gridfile::replace_missing({dst, g.values.size()}, std::numeric_limits<float>::quiet_NaN());
  }
  return out;
}

// The identifier of read_id and write: the vertical coordinate by name,
// level 2 None when not set.
gridfile::GridId make_id(const std::string& time1, const std::string& time2, int level1,
                         std::optional<int> level2, const std::string& vcoord,
                         const std::string& param) {
  const std::optional<gridfile::Vcoord> code = gridfile::vcoord_from_name(vcoord);
  if (!code) throw pygrid::ArgumentError("unknown vertical coordinate '" + vcoord + "'");
  return {.time1 = time1,
          .time2 = time2,
          .param = param,
          .level1 = level1,
          .level2 = level2,
          .vcoord = *code};
}

// Reads the grids `numbers` of the file at `path` into one array (grids,
// ny, nx) of the navigation's shape `ny` x `nx`; a number 0 gives a grid of
// nothing but missing points. Missing points come out as NaN (mask_missing)
// or as exactly the missing value, as grid2nc writes them. The grids are
// read straight into the array.
FloatArray read_many(const std::string& path, const std::vector<int>& numbers, int ny, int nx,
                     bool mask_missing) {
  if (ny < 1 || nx < 1) throw pygrid::ArgumentError("a grid has at least one row and column");
  FloatArray out({static_cast<py::ssize_t>(numbers.size()), static_cast<py::ssize_t>(ny),
                  static_cast<py::ssize_t>(nx)});
  float* const first = out.mutable_data();
  const auto cells = static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny);
  const float fill = mask_missing ? std::numeric_limits<float>::quiet_NaN() : gridfile::kMissing;
  std::optional<gridfile::Error> failure;
  locked([&] {
    gridfile::Result<gridfile::GridFile> f = gridfile::GridFile::open(path);
    if (!f) return failure.emplace(f.error()), 0;
    float* dst = first;
    for (std::size_t k = 0; k < numbers.size(); ++k, dst += cells) {
      if (numbers[k] == 0) {
        std::fill(dst, dst + cells, fill);
        continue;
      }
      gridfile::Result<gridfile::GridInfo> g = f->read_into(numbers[k], {dst, cells});
      if (!g) return failure.emplace(g.error()), 0;
      if (g->nx != nx || g->ny != ny) {
        return failure.emplace(base::Error(base::Source::kTool, gridfile::kBadArgument,
                                           path + ": grid " + std::to_string(numbers[k]) +
                                               " is not " + std::to_string(nx) + " x " +
                                               std::to_string(ny))),
               0;
      }
      gridfile::replace_missing({dst, cells}, fill);
    }
    return 0;
  });
  if (failure) raise_error(*failure);
  return out;
}

// Numbers as the netCDF readers give them: one number as a NumPy scalar,
// more as an array, of the attribute's type.
template <class T>
py::object numbers(const std::vector<T>& v) {
  py::array_t<T> a(static_cast<py::ssize_t>(v.size()), v.data());
  if (v.size() == 1) return a.attr("__getitem__")(0);
  return py::object(a);
}

py::object attr_value(const nc::CfValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return py::str(*s);
  if (const auto* d = std::get_if<std::vector<double>>(&v)) return numbers(*d);
  if (const auto* f = std::get_if<std::vector<float>>(&v)) return numbers(*f);
  return numbers(std::get<std::vector<int>>(v));
}

py::dict attrs_of(const std::vector<nc::CfAttr>& attrs) {
  py::dict out;
  for (const nc::CfAttr& a : attrs) out[py::str(a.name)] = attr_value(a.value);
  return out;
}

const char* dtype_of(nc::CfType t) {
  switch (t) {
    case nc::CfType::kFloat:
      return "float32";
    case nc::CfType::kInt:
      return "int32";
    case nc::CfType::kDouble:
      break;
  }
  return "float64";
}

// The CF description grid2nc would write for every grid of the file, as
// Python data: globals, dims [(name, length)], and variables (name, dims,
// attrs, dtype, values for coordinates or the slot grid numbers of data).
// The 2-D lat and lon of a projected grid are marked deferred instead of
// computed: point_latlons gives them when they are used.
py::dict describe(const std::string& path, int first_year, const std::string& table_path) {
  std::optional<gridfile::Error> failure;
  nc::CfDataset d;
  std::vector<nc::VariablePlan> plans;
  std::string table_error;
  locked([&] {
    std::optional<params::Table> table = params::Table{};
    if (!table_path.empty()) table = params::Table::load(table_path, table_error);
    if (!table) return 0;
    gridfile::Result<gridfile::GridFile> f = gridfile::GridFile::open(path);
    if (!f) return failure.emplace(f.error()), 0;
    gridfile::Result<std::vector<gridfile::GridInfo>> grids = f->grids();
    if (!grids) return failure.emplace(grids.error()), 0;
    if (grids->empty()) {
      return failure.emplace(base::Error(base::Source::kTool, gridfile::kBadArgument,
                                         path + ": holds no grid")),
             0;
    }
    gridfile::Result<mapproj::Projection> proj = mapproj::Projection::from(f->navigation());
    if (!proj)
      return failure.emplace(base::Error(base::Source::kTool, proj.error().code,
                                         path + ": " + proj.error().text)),
             0;
    const std::optional<timewin::YearWindow> window = timewin::YearWindow::starting(first_year);
    if (!window) {
      return failure.emplace(base::Error(
                 base::Source::kArgument, gridfile::kBadArgument,
                 "first year " + std::to_string(first_year) + " is not a four-digit year",
                 base::Condition::kBadArgument)),
             0;
    }
    gridfile::Result<nc::ExportPlan> plan = nc::plan_export(*grids, *window);
    if (!plan)
      return failure.emplace(base::Error(base::Source::kTool, plan.error().code,
                                         path + ": " + plan.error().text)),
             0;
    d = nc::describe_dataset(f->navigation(), *plan, *proj, *table, {path, ""},
                             nc::PointCoordinates::kDeferred);
    plans = plan->variables;
    return 0;
  });
  if (!table_error.empty()) throw pygrid::TableError(table_error);
  if (failure) raise_error(*failure);
  py::list dims, variables;
  for (const nc::CfDimension& dim : d.dims) dims.append(py::make_tuple(dim.name, dim.length));
  for (const nc::CfVariable& v : d.variables) {
    py::dict var;
    var["name"] = v.name;
    var["dims"] = py::tuple(py::cast(v.dims));
    var["attrs"] = attrs_of(v.attrs);
    var["dtype"] = dtype_of(v.type);
    if (v.is_data()) {
      var["grid_numbers"] = py::cast(plans[static_cast<std::size_t>(v.data)].grid_numbers);
    } else if (v.deferred) {
      var["deferred"] = true;
    } else {
      std::vector<py::ssize_t> shape;
      for (std::size_t n : nc::shape_of(d, v)) shape.push_back(static_cast<py::ssize_t>(n));
      py::array_t<double> values(shape);
      if (!v.values.empty())
        std::memcpy(values.mutable_data(), v.values.data(), v.values.size() * sizeof(double));
      var["values"] =
          v.values.empty() && shape.empty() ? py::object(py::none()) : py::object(values);
    }
    variables.append(var);
  }
  py::dict out;
  out["globals"] = attrs_of(d.globals);
  out["dims"] = dims;
  out["variables"] = variables;
  return out;
}

// The latitude and longitude of every point of the file's grid (ny, nx), as
// the netCDF export holds them; the PROJ work runs outside the library lock.
py::tuple point_latlons(const std::string& path) {
  std::optional<gridfile::Error> failure;
  gridfile::Navigation nav;
  locked([&] {
    gridfile::Result<gridfile::GridFile> f = gridfile::GridFile::open(path);
    if (!f) return failure.emplace(f.error()), 0;
    nav = f->navigation();
    return 0;
  });
  if (failure) raise_error(*failure);
  std::pair<std::vector<double>, std::vector<double>> ll;
  {
    py::gil_scoped_release release;
    gridfile::Result<mapproj::Projection> proj = mapproj::Projection::from(nav);
    if (!proj) {
      failure.emplace(
          base::Error(base::Source::kTool, proj.error().code, path + ": " + proj.error().text));
    } else {
      ll = nc::point_latlons(*proj);
    }
  }
  if (failure) raise_error(*failure);
  const std::vector<py::ssize_t> shape{nav.ny, nav.nx};
  py::array_t<double> lat(shape), lon(shape);
  std::copy(ll.first.begin(), ll.first.end(), lat.mutable_data());
  std::copy(ll.second.begin(), ll.second.end(), lon.mutable_data());
  return py::make_tuple(lat, lon);
}

}  // namespace

PYBIND11_MODULE(_text2grid, m) {
  m.doc() = "Grid files of text2grid: navigation, grid lists and grids as NumPy arrays";
  pygrid::register_errors(m);
  gridfile::set_message_sink([](std::string_view) {});

  py::class_<gridfile::Navigation>(m, "Navigation")
      .def(py::init([](std::string projection, int nx, int ny, float lat1, float lon1, float lat2,
                       float lon2, float angle1, float angle2, float angle3) {
             return gridfile::Navigation{
                 std::move(projection), nx, ny, lat1, lon1, lat2, lon2, angle1, angle2, angle3};
           }),
           py::arg("projection"), py::arg("nx"), py::arg("ny"), py::arg("lat1"), py::arg("lon1"),
           py::arg("lat2"), py::arg("lon2"), py::arg("angle1") = 0.0f, py::arg("angle2") = 0.0f,
           py::arg("angle3") = 0.0f)
      .def_readonly("projection", &gridfile::Navigation::projection)
      .def_readonly("nx", &gridfile::Navigation::nx)
      .def_readonly("ny", &gridfile::Navigation::ny)
      .def_readonly("lat1", &gridfile::Navigation::lat1)
      .def_readonly("lon1", &gridfile::Navigation::lon1)
      .def_readonly("lat2", &gridfile::Navigation::lat2)
      .def_readonly("lon2", &gridfile::Navigation::lon2)
      .def_readonly("angle1", &gridfile::Navigation::angle1)
      .def_readonly("angle2", &gridfile::Navigation::angle2)
      .def_readonly("angle3", &gridfile::Navigation::angle3)
      .def("__eq__",
           [](const gridfile::Navigation& a, const gridfile::Navigation& b) { return a == b; })
      .def("__repr__", [](const gridfile::Navigation& n) {
        return "Navigation(" + n.projection + ", " + std::to_string(n.nx) + " x " +
               std::to_string(n.ny) + ")";
      });

  py::class_<gridfile::GridInfo>(m, "GridInfo")
      .def_readonly("number", &gridfile::GridInfo::number)
      .def_property_readonly("time1", [](const gridfile::GridInfo& g) { return g.id.time1; })
      .def_property_readonly("time2", [](const gridfile::GridInfo& g) { return g.id.time2; })
      .def_property_readonly("level1", [](const gridfile::GridInfo& g) { return g.id.level1; })
      .def_property_readonly("level2", [](const gridfile::GridInfo& g) { return g.id.level2; })
      .def_property_readonly(
          "vcoord", [](const gridfile::GridInfo& g) { return gridfile::vcoord_name(g.id.vcoord); })
      .def_property_readonly("param", [](const gridfile::GridInfo& g) { return g.id.param; })
      .def_property_readonly("id", [](const gridfile::GridInfo& g) { return g.id.text(); })
      .def_readonly("nx", &gridfile::GridInfo::nx)
      .def_readonly("ny", &gridfile::GridInfo::ny)
      .def_property_readonly("packing",
                             [](const gridfile::GridInfo& g) { return g.packing.text(); })
      .def("__repr__", [](const gridfile::GridInfo& g) {
        return "GridInfo(" + std::to_string(g.number) + ": " + g.id.text() + ")";
      });

  py::class_<File>(m, "File")
      .def_property_readonly("path", [](File& f) { return f.get().path(); })
      .def_property_readonly("navigation", [](File& f) { return f.get().navigation(); })
      .def_property_readonly("closed", &File::closed)
      .def("count", [](File& f) { return f.get().count(); })
      .def("damage", [](File& f) { return f.get().damage(); })
      .def("grids",
           [](File& f) {
             gridfile::GridFile& g = f.get();
             return take(locked([&] { return g.grids(); }));
           })
      .def(
          "read",
          [](File& f, int number, bool mask_missing) {
            gridfile::GridFile& g = f.get();
            return to_array(take(locked([&] { return g.read(number); })), mask_missing);
          },
          py::arg("number"), py::arg("mask_missing") = true)
      .def(
          "read_id",
          [](File& f, const std::string& time1, int level1, const std::string& vcoord,
             const std::string& param, const std::string& time2, std::optional<int> level2,
             bool mask_missing) {
            const gridfile::GridId id = make_id(time1, time2, level1, level2, vcoord, param);
            gridfile::GridFile& g = f.get();
            return to_array(take(locked([&] { return g.read(id); })), mask_missing);
          },
          py::arg("time1"), py::arg("level1"), py::arg("vcoord"), py::arg("param"),
          py::arg("time2") = "", py::arg("level2") = py::none(), py::arg("mask_missing") = true)
      .def(
          "write",
          [](File& f, const FloatArray& values, const std::string& time1, int level1,
             const std::string& vcoord, const std::string& param, const std::string& time2,
             std::optional<int> level2, const std::string& packing, bool replace) {
            if (values.ndim() != 2)
              throw pygrid::ArgumentError("values must be a 2-D array (ny, nx)");
            const gridfile::GridId id = make_id(time1, time2, level1, level2, vcoord, param);
            const std::optional<gridfile::Packing> pack = gridfile::Packing::parse(packing);
            if (!pack)
              throw pygrid::ArgumentError("packing '" + packing +
                                          "' is not none, grib:BITS, diff:BITS or dec:DIGITS");
            const auto ny = static_cast<int>(values.shape(0));
            const auto nx = static_cast<int>(values.shape(1));
            // NaN is what Python calls missing; the file's missing value replaces it.
            std::vector<float> v(values.data(), values.data() + values.size());
            for (float& x : v) {
              if (std::isnan(x)) x = gridfile::kMissing;
            }
            gridfile::GridFile& g = f.get();
            const gridfile::Status s =
                locked([&] { return g.write(v, nx, ny, id, *pack, replace); });
            if (!s) raise_error(s.error());
          },
          py::arg("values"), py::arg("time1"), py::arg("level1"), py::arg("vcoord"),
          py::arg("param"), py::arg("time2") = "", py::arg("level2") = py::none(),
          py::arg("packing") = "none", py::arg("replace") = false)
      .def("close", &File::close);

  m.def(
      "open",
      [](const std::string& path, bool update) {
        return std::make_unique<File>(take(locked([&] {
          return gridfile::GridFile::open(path,
                                          update ? gridfile::Mode::kUpdate : gridfile::Mode::kRead);
        })));
      },
      py::arg("path"), py::arg("update") = false);
  m.def(
      "create",
      [](const std::string& path, const gridfile::Navigation& nav, int max_grids) {
        return std::make_unique<File>(
            take(locked([&] { return gridfile::GridFile::create(path, nav, max_grids); })));
      },
      py::arg("path"), py::arg("navigation"), py::arg("max_grids") = 9999);
  m.def(
      "first_year",
      [](std::optional<std::string> option) {
        std::string problem;
        const std::optional<timewin::YearWindow> w = timewin::window_in_force(
            option ? std::optional<std::string_view>(*option) : std::nullopt, problem);
        if (!w) throw pygrid::ArgumentError(problem);
        return w->first();
      },
      py::arg("option") = py::none());
  m.def("read_grids", &read_many, py::arg("path"), py::arg("numbers"), py::arg("ny"), py::arg("nx"),
        py::arg("mask_missing") = true);
  m.def("describe", &describe, py::arg("path"), py::arg("first_year"), py::arg("table") = "");
  m.def("point_latlons", &point_latlons, py::arg("path"));
}
