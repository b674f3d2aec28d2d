// grid2grib: every chosen grid becomes one GRIB2 message. The grids'
// parameters and identifiers are checked first (a grid the GRIB2 table does
// not know, or whose time or level has no GRIB2 form, refuses the export);
// then the messages are written one grid at a time beside the output's name
// and published when all are written.
#include "grib/grid2grib.h"

#include <cerrno>
#include <cmath>

#include "cli/command_line.h"
#include "grib/codes.h"
#include "grib/geometry.h"
#include "grib/output.h"
#include "platform/platform.h"
#include "platform/publish.h"

namespace grib {
namespace {

constexpr std::string_view kProgram = "grid2grib";

void complain(const std::string& line) {
  grib::complain(kProgram, line);
}

// One grid to write and what it becomes.
struct Item {
  gridfile::GridInfo info;
  const GribParameter* param = nullptr;
  MessageId id;
};

// The chosen grids' messages, or every reason they cannot be written.
std::optional<std::vector<Item>> plan_items(const std::vector<gridfile::GridInfo>& grids,
                                            const ExportOptions& o, const ParameterTable& table) {
  std::vector<Item> items;
  bool refused = false;
  for (const gridfile::GridInfo& g : grids) {
    if (!o.selection.matches(g.number, g.id)) continue;
    Item item{g, table.find(g.id.param), {}};
    std::string why;
    if (item.param == nullptr) {
      why = "parameter " + g.id.param +
            " is not in the GRIB2 parameter table; add a line for "
            "it (see grib2.tbl) or leave the grid out";
    } else if (auto m = message_id(g.id, item.param->none_surface(), o.window); !m) {
      why = m.error().text;
    } else {
      item.id = *m;
    }
    if (!why.empty()) {
      complain("grid " + std::to_string(g.number) + " (" + g.id.text() + "): " + why);
      refused = true;
      continue;
    }
    items.push_back(std::move(item));
  }
  if (refused) return std::nullopt;
  return items;
}

void set_identification(Keys& k, const Item& item) {
  const MessageId& m = item.id;
  k.set("centre", 255L);  // no originating centre
  k.set("discipline", static_cast<long>(item.param->discipline));
  k.set("significanceOfReferenceTime", m.processed_data == 0 ? 0L : 1L);
  k.set("dataDate", static_cast<long>(m.year * 10000 + m.month * 100 + m.day));
  k.set("dataTime", static_cast<long>(m.hour * 100 + m.minute));
  k.set("typeOfProcessedData", static_cast<long>(m.processed_data));
  k.set("productDefinitionTemplateNumber", 0L);
  k.set("parameterCategory", static_cast<long>(item.param->category));
  k.set("parameterNumber", static_cast<long>(item.param->number));
  k.set("typeOfGeneratingProcess", static_cast<long>(m.generating_process));
  k.set("indicatorOfUnitOfTimeRange", static_cast<long>(m.time_unit));
  k.set("forecastTime", m.forecast_time);
  // Both types before the values: ecCodes clears a value when a type changes.
  k.set("typeOfFirstFixedSurface", static_cast<long>(m.first.type));
  k.set("typeOfSecondFixedSurface", static_cast<long>(m.second.type));
  k.set("scaleFactorOfFirstFixedSurface", static_cast<long>(m.first.scale_factor));
  k.set("scaledValueOfFirstFixedSurface", m.first.scaled_value);
  if (m.second.type != kMissingSurface) {
    k.set("scaleFactorOfSecondFixedSurface", static_cast<long>(m.second.scale_factor));
    k.set("scaledValueOfSecondFixedSurface", m.second.scaled_value);
  }
}

// One grid's message, appended to the output.
gridfile::Status write_message(const gridfile::GridFile& grids, grib_handle* base, const Item& item,
                               const PackingChoice& packing, MessageOutput& out,
                               bool& packed_simple) {
  gridfile::Result<gridfile::Grid> g = grids.read(item.info.number);
  if (!g) return g.error();
  if (g->info.nx != grids.navigation().nx || g->info.ny != grids.navigation().ny) {
    return base::Error(base::Source::kGrib, gridfile::kBadArgument,
                       "the grid is " + std::to_string(g->info.nx) + " x " +
                           std::to_string(g->info.ny) + ", the navigation " +
                           std::to_string(grids.navigation().nx) + " x " +
                           std::to_string(grids.navigation().ny));
  }
  Handle h = clone(base);
  if (!h) return base::Error(base::Source::kGrib, -1, "ecCodes could not copy a message");
  Keys k(h.get());
  set_identification(k, item);
  if (gridfile::Status s = k.status(); !s) return s;
  std::vector<double> values(g->values.size());
  bool any_missing = false;
  for (std::size_t p = 0; p < values.size(); ++p) {
    const bool missing = gridfile::is_missing(g->values[p]);
    any_missing = any_missing || missing;
    values[p] = missing ? gridfile::kMissing : item.param->to_grib(g->values[p]);
  }
  bool simple = false;
  if (gridfile::Status s = write_values(h.get(), packing, values, any_missing, simple); !s) {
    return s;
  }
  packed_simple = packed_simple || simple;
  if (gridfile::Status s = verify_values(h.get(), values); !s) return s;
  return out.write(message_bytes(h.get()));
}

// The packing to use: CCSDS falls back to complex packing, with a warning,
// when ecCodes lacks it and it was not asked for by name.
std::optional<PackingChoice> usable_packing(const ExportOptions& o) {
  PackingChoice p = o.packing;
  if (p.type == "ccsds" && !ccsds_available()) {
    if (o.packing_given) {
      complain("this ecCodes cannot write CCSDS packing; choose --packing simple or complex");
      return std::nullopt;
    }
    complain("warning: this ecCodes cannot write CCSDS packing; complex packing used");
    p.type = "complex";
  }
  return p;
}

int write_all(const gridfile::GridFile& grids, const std::vector<Item>& items,
              const PackingChoice& packing, const ExportOptions& o) {
  Handle base = new_message();
  if (!base) {
    complain("ecCodes has no GRIB2 sample (is libeccodes-data installed?)");
    return kExitFailed;
  }
  const gridfile::Navigation& nav = grids.navigation();
  gridfile::Status s = write_grid_definition(base.get(), nav);
  if (s)
    s = prepare_values(base.get(),
                       static_cast<std::size_t>(nav.nx) * static_cast<std::size_t>(nav.ny));
  if (!s) {
    complain(o.grid_path + ": cannot export: " + s.error().text);
    return kExitFailed;
  }
  gridfile::Result<MessageOutput> out = MessageOutput::reserve(o.grib_path);
  if (!out) {
    complain(out.error().text);
    return kExitFailed;
  }
  bool packed_simple = false;
  for (const Item& item : items) {
    if (s = write_message(grids, base.get(), item, packing, *out, packed_simple); !s) {
      complain("grid " + std::to_string(item.info.number) + " (" + item.info.id.text() +
               "): " + s.error().text);
      complain(o.grib_path + " not written");
      return kExitFailed;
    }
  }
  if (s = out->publish(); !s) {
    complain(s.error().text);
    complain(o.grib_path + " not written");
    return kExitFailed;
  }
  if (packed_simple) {
    complain(
        "warning: grids with missing values were packed simple: this ecCodes' complex "
        "packing loses values when a bitmap is present");
  }
  for (std::size_t n = 0; n < items.size(); ++n) {
    const Item& item = items[n];
    platform::write_line("message " + std::to_string(n + 1) + ": grid " +
                         std::to_string(item.info.number) + " " + item.info.id.text() + " as " +
                         item.param->short_name + " (" + std::to_string(item.param->discipline) +
                         "." + std::to_string(item.param->category) + "." +
                         std::to_string(item.param->number) + ")");
  }
  const std::string how = packing.decimal ? std::to_string(*packing.decimal) + " decimal digits"
                          : packing.type == "ieee"
                              ? "32-bit IEEE"
                              : std::to_string(packing.bits.value_or(kDefaultBits)) + " bits";
  platform::write_line(o.grib_path + ": " + std::to_string(items.size()) + " GRIB2 messages, " +
                       packing.type + " packing, " + how);
  return kExitOk;
}

}  // namespace

int export_grids(const ExportOptions& o, const TableDirs& dirs) {
  gridfile::set_message_sink([](std::string_view) {});
  if (const int st = platform::check_output_name(o.grib_path); st != platform::kOk) {
    complain(o.grib_path + (st == EEXIST ? std::string(" exists; grid2grib never replaces a file")
                                         : ": " + platform::status_text(st)));
    return kExitFailed;
  }
  // A FIFO would block the open.
  if (const int st = platform::check_input_file(o.grid_path); st != platform::kOk) {
    complain(o.grid_path + ": " + platform::status_text(st));
    complain(o.grib_path + " not written");
    return kExitFailed;
  }
  const std::optional<PackingChoice> packing = usable_packing(o);
  if (!packing) return kExitFailed;
  const std::optional<ParameterTable> table = load_table(o.table_path, dirs, kProgram);
  if (!table) return kExitFailed;
  gridfile::Result<gridfile::GridFile> grids = gridfile::GridFile::open(o.grid_path);
  if (!grids) {
    complain(grids.error().text);
    return kExitFailed;
  }
  gridfile::Result<std::vector<gridfile::GridInfo>> all = grids->grids();
  if (!all) {
    complain(all.error().text);
    return kExitFailed;
  }
  const std::optional<std::vector<Item>> items = plan_items(*all, o, *table);
  if (!items) {
    complain(o.grib_path + " not written");
    return kExitFailed;
  }
  if (items->empty()) {
    complain(o.grid_path + ": no grid to export" +
             (all->empty() ? std::string(" (the file holds none)") : " matches the selection"));
    return kExitFailed;
  }
  return write_all(*grids, *items, *packing, o);
}

int run_grid2grib(std::span<const std::string> args, const TableDirs& dirs) {
  CLI::App app{"grid2grib: export the grids of a grid file as GRIB2 messages", "grid2grib"};
  ExportOptions o;
  app.add_option("GRIDFILE", o.grid_path, "the grid file to export")->required();
  app.add_option("OUT", o.grib_path, "the GRIB2 file to create (never overwritten)")->required();
  add_selection_options(app, o.selection, "--grid", "export grid N (repeatable)");
  app.add_option("--packing", o.packing.type,
                 "simple, complex (with spatial differencing), ccsds or ieee; default ccsds")
      ->check(CLI::IsMember({"simple", "complex", "ccsds", "ieee"}))
      ->each([&](const std::string&) { o.packing_given = true; });
  auto* bits =
      app.add_option("--bits", o.packing.bits, "bits per packed value, 1 to 32; default 16")
          ->type_name("N")
          ->check(CLI::Range(1, 32));
  app.add_option("--decimal", o.packing.decimal,
                 "keep D decimal digits (values within half of 10^-D) instead of --bits")
      ->type_name("D")
      ->check(CLI::Range(-20, 20))
      ->excludes(bits);
  std::optional<std::string> first_year;
  add_table_options(app, o.table_path, first_year);
  cli::Parsed parsed = cli::parse(app, args);
  if (parsed.run()) parsed = read_time_options(first_year, o.selection, o.window);
  if (!parsed.run()) return cli::finish(parsed, "grid2grib", kExitOk, kExitUsage);
  if (o.packing.type == "ieee" && (o.packing.bits || o.packing.decimal)) {
    return cli::finish(cli::Parsed::misuse("--packing ieee keeps every value; it takes no "
                                           "--bits or --decimal"),
                       "grid2grib", kExitOk, kExitUsage);
  }
  return export_grids(o, dirs);
}

}  // namespace grib
