// grib2grid: GRIB2 messages as a new grid file.
//
// Order of work: read every message's grid, identifier and parameter, and
// refuse the import (a chosen message the grid file cannot hold, messages on
// different grids, two grids of one identifier, more than 9999 grids) before
// the grid file exists. Messages that were not chosen by number and cannot be
// held are passed over, each with its reason. Then create the grid file
// beside its name, write one message's values at a time, and give the file
// its name when all are in.
#include "grib/grib2grid.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <map>

#include "cli/command_line.h"
#include "grib/codes.h"
#include "grib/geometry.h"
#include "grib/packing.h"
#include "platform/contain.h"
#include "platform/platform.h"
#include "platform/publish.h"

namespace grib {
namespace {

constexpr std::string_view kProgram = "grib2grid";
constexpr int kMaxGrids = 9999;

void complain(const std::string& line) {
  grib::complain(kProgram, line);
}

gridfile::Error refusal(std::string text) {
  return base::Error(base::Source::kGrib, gridfile::kBadArgument, std::move(text));
}

// One message to import.
struct Planned {
  int message = 0;
  gridfile::GridId id;
  const GribParameter* param = nullptr;  // null: --name, values kept as they are
  MessageGrid grid;
};

struct Plan {
  std::vector<Planned> grids;
  int skipped = 0;
};

Surface read_surface(Keys& k, const char* type, const char* factor, const char* value) {
  Surface s;
  s.type = static_cast<int>(k.get_long(type).value_or(kMissingSurface));
  s.scale_factor = k.missing(factor) ? 0 : static_cast<int>(k.get_long(factor).value_or(0));
  s.scaled_value = k.missing(value) ? 0 : k.get_long(value).value_or(0);
  return s;
}

gridfile::Result<MessageId> read_message_id(Keys& k) {
  const long pdt = k.get_long("productDefinitionTemplateNumber").value_or(-1);
  if (pdt != 0) {
    return refusal("product definition template 4." + std::to_string(pdt) +
                   " is not read (only 4.0, a value at a point in time)");
  }
  MessageId m;
  const long date = k.get_long("dataDate").value_or(0);
  const long time = k.get_long("dataTime").value_or(0);
  m.year = static_cast<int>(date / 10000);
  m.month = static_cast<int>(date / 100 % 100);
  m.day = static_cast<int>(date % 100);
  m.hour = static_cast<int>(time / 100);
  m.minute = static_cast<int>(time % 100);
  m.processed_data = static_cast<int>(k.get_long("typeOfProcessedData").value_or(255));
  m.generating_process = static_cast<int>(k.get_long("typeOfGeneratingProcess").value_or(255));
  m.time_unit = static_cast<int>(k.get_long("indicatorOfUnitOfTimeRange").value_or(kUnitHour));
  m.forecast_time = k.get_long("forecastTime").value_or(0);
  m.first = read_surface(k, "typeOfFirstFixedSurface", "scaleFactorOfFirstFixedSurface",
                         "scaledValueOfFirstFixedSurface");
  m.second = read_surface(k, "typeOfSecondFixedSurface", "scaleFactorOfSecondFixedSurface",
                          "scaledValueOfSecondFixedSurface");
  if (gridfile::Status s = k.status(); !s) return s.error();
  return m;
}

// A message as a grid, or why it cannot be one.
gridfile::Result<Planned> read_message(grib_handle* h, int number, const ParameterTable& table,
                                       const ImportOptions& o) {
  Keys k(h);
  if (const long edition = k.get_long("edition").value_or(0); edition != 2) {
    return refusal("GRIB edition " + std::to_string(edition) +
                   " (convert it with grib_set -s edition=2)");
  }
  Planned p;
  p.message = number;
  auto grid = read_grid_definition(h);
  if (!grid) return grid.error();
  p.grid = std::move(*grid);
  auto m = read_message_id(k);
  if (!m) return m.error();
  auto id = grid_id(*m, o.window);
  if (!id) return id.error();
  p.id = std::move(*id);
  if (!o.name.empty()) {
    p.id.param = upper(o.name);
    return p;
  }
  const int d = static_cast<int>(k.get_long("discipline").value_or(-1));
  const int c = static_cast<int>(k.get_long("parameterCategory").value_or(-1));
  const int n = static_cast<int>(k.get_long("parameterNumber").value_or(-1));
  p.param = table.find(d, c, n, m->first.type);
  if (p.param == nullptr) {
    return refusal("parameter " + std::to_string(d) + "." + std::to_string(c) + "." +
                   std::to_string(n) + " (" + k.get_string("shortName").value_or("?") +
                   ") is not in the GRIB2 parameter table; add a line for it or name it with "
                   "--name");
  }
  p.id.param = p.param->name;
  return p;
}

// Refusals that need every message: one grid, distinct identifiers, size.
gridfile::Status check_plan(const Plan& plan) {
  if (plan.grids.empty()) {
    return refusal(std::string("no message to import") +
                   (plan.skipped > 0 ? " (every message was passed over)" : ""));
  }
  if (plan.grids.size() > static_cast<std::size_t>(kMaxGrids)) {
    return refusal(std::to_string(plan.grids.size()) +
                   " messages to import: a grid file holds at most 9999 grids; choose fewer with "
                   "--message, --param, --time or --level");
  }
  const Planned& first = plan.grids.front();
  std::map<std::string, int> seen;
  for (const Planned& p : plan.grids) {
    if (!(p.grid.nav == first.grid.nav)) {
      return refusal("messages " + std::to_string(first.message) + " and " +
                     std::to_string(p.message) +
                     " lie on different grids; a grid file holds one; choose with --message");
    }
    const auto [it, fresh] = seen.emplace(p.id.text(), p.message);
    if (!fresh) {
      return refusal("messages " + std::to_string(it->second) + " and " +
                     std::to_string(p.message) + " would both be the grid " + p.id.text() +
                     "; choose with --message or name them with --name");
    }
  }
  return {};
}

gridfile::Result<Plan> plan_import(GribReader& in, const ImportOptions& o,
                                   const ParameterTable& table) {
  if (o.selection.by_number_only() && o.selection.numbers.empty()) {
    auto n = in.count();
    if (!n) return n.error();
    if (*n > kMaxGrids) {
      return refusal(in.path() + " holds " + std::to_string(*n) +
                     " messages: a grid file holds at most 9999 grids; choose fewer with "
                     "--message, --param, --time or --level");
    }
  }
  Plan plan;
  for (int number = 1;; ++number) {
    platform::contained_step();
    auto h = in.next();
    if (!h) return h.error();
    if (!*h) break;
    if (!o.selection.matches_number(number)) continue;
    auto p = read_message(h->get(), number, table, o);
    if (!p) {
      const std::string why = "message " + std::to_string(number) + ": " + p.error().text;
      if (!o.selection.numbers.empty()) return refusal(why);
      complain("warning: " + why + "; passed over");
      ++plan.skipped;
      continue;
    }
    if (o.selection.matches(number, p->id)) plan.grids.push_back(std::move(*p));
  }
  if (gridfile::Status s = check_plan(plan); !s) return s.error();
  return plan;
}

// The grid's values of one message: bottom row first as the navigation says,
// in the grid's units, missing points as the grid file's missing value.
gridfile::Result<std::vector<float>> grid_values(grib_handle* h, const Planned& p,
                                                 int& unrepresentable) {
  const std::size_t nx = static_cast<std::size_t>(p.grid.nav.nx);
  const std::size_t ny = static_cast<std::size_t>(p.grid.nav.ny);
  auto raw = read_values(h, nx * ny);
  if (!raw) return refusal("message " + std::to_string(p.message) + ": " + raw.error().text);
  std::vector<float> out(raw->size());
  for (std::size_t j = 0; j < ny; ++j) {
    for (std::size_t i = 0; i < nx; ++i) {
      const double v = (*raw)[j * nx + (p.grid.rows_reversed ? nx - 1 - i : i)];
      double value = gridfile::kMissing;
      if (v != gridfile::kMissing) {
        value = p.param != nullptr ? p.param->to_grid(v) : v;
        if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
          ++unrepresentable;
          value = gridfile::kMissing;
        }
      }
      out[j * nx + i] = static_cast<float>(value);
    }
  }
  return out;
}

int write_grids(GribReader& in, const Plan& plan, const gridfile::Packing& packing,
                const ImportOptions& o) {
  const gridfile::Navigation& nav = plan.grids.front().grid.nav;
  // Written under a temporary name, given its own only when complete.
  gridfile::Result<gridfile::GridFile> grids =
      gridfile::GridFile::create_unpublished(o.grid_path, nav, static_cast<int>(plan.grids.size()));
  if (!grids) {
    complain(grids.error().text);
    complain(o.grid_path + " not created");
    return kExitFailed;
  }
  in.rewind();
  int number = 0, unrepresentable = 0;
  for (const Planned& p : plan.grids) {
    platform::contained_step();
    gridfile::Result<Handle> h = in.next();
    for (++number; h && *h && number < p.message; ++number) h = in.next();
    gridfile::Status st = !h ? gridfile::Status(h.error()) : gridfile::Status();
    if (st.ok() && !*h)
      st = refusal(o.grib_path + " ended before message " + std::to_string(p.message) +
                   " (did it change?)");
    if (st.ok()) {
      auto values = grid_values(h->get(), p, unrepresentable);
      st = values ? grids->write(*values, nav.nx, nav.ny, p.id, packing)
                  : gridfile::Status(values.error());
    }
    if (!st.ok()) {
      complain(st.error().text);
      complain("message " + std::to_string(p.message) + " not imported; " + o.grid_path +
               " not created");
      return kExitFailed;
    }
  }
  gridfile::Status st = grids->publish();
  if (st.ok()) st = grids->close();
  if (!st.ok()) {
    complain(st.error().text);
    complain(o.grid_path + " not created");
    return kExitFailed;
  }
  if (unrepresentable > 0) {
    complain("warning: " + std::to_string(unrepresentable) +
             " values beyond the range of 32-bit reals were stored as missing");
  }
  for (std::size_t k = 0; k < plan.grids.size(); ++k) {
    platform::write_line("grid " + std::to_string(k + 1) + " written: " + plan.grids[k].id.text() +
                         " <- message " + std::to_string(plan.grids[k].message));
  }
  platform::write_line(o.grid_path + ": " + std::to_string(plan.grids.size()) + " grids from " +
                       o.grib_path);
  return kExitOk;
}

// The import itself, in the contained child: every ecCodes call is here.
int import_in_child(const ImportOptions& o, const ParameterTable& table,
                    const gridfile::Packing& packing) {
  gridfile::Result<GribReader> in = GribReader::open(o.grib_path);
  if (!in) {
    complain(in.error().text);
    return kExitFailed;
  }
  gridfile::Result<Plan> plan = plan_import(*in, o, table);
  if (!plan) {
    complain(plan.error().text);
    complain(o.grid_path + " not created");
    return kExitFailed;
  }
  return write_grids(*in, *plan, packing, o);
}

// How a contained import that did not return ended, as one line.
std::string failure_text(const platform::ContainOutcome& end, const ImportOptions& o) {
  using Kind = platform::ContainOutcome::Kind;
  const std::string failed =
      "ecCodes failed reading " + o.grib_path + ": the file is damaged or not GRIB2";
  switch (end.kind) {
    case Kind::kOutOfMemory:
      return failed + " (it wanted more than " + std::to_string(o.memory_limit_mib) +
             " MiB of memory, see --memory-limit)";
    case Kind::kTimedOut:
      return failed + " (one message took longer than " +
             std::to_string(static_cast<int>(o.timeout_seconds)) + " seconds, see --timeout)";
    case Kind::kNotStarted:
      return "cannot start reading " + o.grib_path + ": " + platform::status_text(end.status);
    default:
      return failed + " (" + platform::signal_name(end.signal) + ")";
  }
}

}  // namespace

int import_grids(const ImportOptions& o, const TableDirs& dirs) {
  gridfile::set_message_sink([](std::string_view) {});
  if (const int st = platform::check_output_name(o.grid_path); st != platform::kOk) {
    complain(o.grid_path + (st == EEXIST ? std::string(" exists; grib2grid never replaces a file")
                                         : ": " + platform::status_text(st)));
    return kExitFailed;
  }
  std::string complaint;
  const std::optional<gridfile::Packing> packing =
      gridfile::Packing::from_option(o.pack, complaint);
  if (!packing) {
    complain(complaint);
    return kExitUsage;
  }
  const std::optional<ParameterTable> table = load_table(o.table_path, dirs, kProgram);
  if (!table) return kExitFailed;
  // A FIFO would block the open.
  if (const int st = platform::check_input_file(o.grib_path); st != platform::kOk) {
    complain(o.grib_path + ": " + platform::status_text(st));
    complain(o.grid_path + " not created");
    return kExitFailed;
  }
  // ecCodes and libaec crash on some damaged messages (SIGFPE, a bad free):
  // the reading runs in a child, so that such a crash is one line, no file.
  const platform::ContainOutcome end = platform::run_contained(
      [&] { return platform::finish_program(kProgram, import_in_child(o, *table, *packing)); },
      platform::ContainLimits::of(o.timeout_seconds, o.memory_limit_mib));
  if (end.kind == platform::ContainOutcome::Kind::kExited) return end.status;
  platform::remove_pending_of(o.grid_path, end.pid);
  complain(failure_text(end, o));
  complain(o.grid_path + " not created");
  return kExitFailed;
}

int run_grib2grid(std::span<const std::string> args, const TableDirs& dirs) {
  CLI::App app{"grib2grid: import the GRIB2 messages of a file into a new grid file", "grib2grid"};
  ImportOptions o;
  app.add_option("IN", o.grib_path, "the GRIB2 file to read")->required();
  app.add_option("OUT", o.grid_path, "the grid file to create (never overwritten)")->required();
  add_selection_options(app, o.selection, "--message", "import message N (repeatable)");
  app.add_option("--name", o.name,
                 "file the grids under the parameter NAME, values as the messages hold them")
      ->type_name("NAME")
      ->check([](const std::string& s) {
        return s.empty() || s.size() > 12 || s.find(' ') != std::string::npos
                   ? std::string("a parameter name is 1 to 12 characters without blanks")
                   : std::string();
      });
  app.add_option("--pack", o.pack, "pack the grids: none, grib:BITS, diff:BITS or dec:DIGITS")
      ->type_name("PACKING");
  cli::add_containment_options(app, "ecCodes", "read one message", o.timeout_seconds,
                               o.memory_limit_mib);
  std::optional<std::string> first_year;
  add_table_options(app, o.table_path, first_year);
  cli::Parsed parsed = cli::parse(app, args);
  if (parsed.run()) parsed = read_time_options(first_year, o.selection, o.window);
  if (!parsed.run()) return cli::finish(parsed, "grib2grid", kExitOk, kExitUsage);
  return import_grids(o, dirs);
}

}  // namespace grib
