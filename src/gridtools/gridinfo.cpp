// gridinfo's command line and its three commands (list, --dump, --check) on
// top of the grid-file API. Every line goes through the platform's writers.
#include "gridtools/gridinfo.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "cli/command_line.h"
#include "cli/time_options.h"
#include "gridfile/gridfile.h"
#include "gridtools/dump.h"
#include "gridtools/messages.h"
#include "gridtools/report.h"
#include "gridtools/salvage.h"
#include "gridtools/selection.h"
#include "params/params.h"
#include "platform/platform.h"
#include "services/program_files.h"

namespace gridinfo {
namespace {

enum class Format { kText, kJson, kCsv };

struct Options {
  std::vector<std::string> files;
  std::optional<int> dump;     // set with --dump N
  bool dump_selected = false;  // --dump without N: the one grid the selection picks
  bool latlon = false;
  bool check = false;
  std::optional<std::string> salvage_to;  // --salvage NEW
  Format format = Format::kText;
  gridtools::Selection selection;
  timewin::YearWindow window;          // --first-year, T2G_FIRST_YEAR
  std::optional<params::Table> table;  // for units; absent when not found
};

// The parameter table, for units; a missing or broken table only costs the units.
std::optional<params::Table> load_table() {
  const std::string path = params::find_table_file(services::kTableFolder);
  if (path.empty()) return std::nullopt;
  std::string error;
  std::optional<params::Table> table = params::Table::load(path, error);
  if (!table) platform::write_error_line("gridinfo: " + error + "; units are not shown");
  return table;
}

void error_line(std::string_view path, std::string_view text) {
  platform::write_error_line("gridinfo: " + std::string(path) + ": " + std::string(text));
}

// A file torn by a crash or a full disk before writes were ordered, or by
// another program, is still read as far as it holds whole grids.
void warn_if_damaged(std::string_view path, const gridfile::GridFile& file) {
  const std::string damage = file.damage();
  if (!damage.empty()) error_line(path, "damaged, read as far as it holds whole grids: " + damage);
}

int list_files(const Options& o) {
  int status = kExitOk;
  if (o.format == Format::kCsv) platform::write_line(gridtools::csv_header());
  bool first = true;
  for (const std::string& path : o.files) {
    gridfile::Result<gridfile::GridFile> file = gridfile::GridFile::open(path);
    if (!file) {
      error_line(path, gridtools::open_failure_text(path, file.error()));
      status = kExitBadFile;
      continue;
    }
    warn_if_damaged(path, *file);
    gridfile::Result<gridtools::FileReport> report = gridtools::build_report(*file, o.selection);
    if (!report) {
      error_line(path, report.error().text);
      status = kExitBadFile;
      continue;
    }
    report->path = path;
    report->window = o.window;
    if (o.table) gridtools::add_units(*report, *o.table);
    gridtools::add_spacing(*report);
    for (const gridtools::GridReport& g : report->grids) {
      if (g.error.empty()) continue;
      error_line(path, "grid " + std::to_string(g.info.number) + " cannot be read: " + g.error);
      status = kExitBadFile;
    }
    // A file's lines go out together, before the next file's warnings.
    platform::StdoutBatch out;
    switch (o.format) {
      case Format::kJson:
        out.line(gridtools::json_document(*report));
        break;
      case Format::kCsv:
        for (const std::string& line : gridtools::csv_lines(*report)) out.line(line);
        break;
      case Format::kText:
        if (!first) out.line("");
        for (const std::string& line : gridtools::text_listing(*report)) out.line(line);
        break;
    }
    first = false;
  }
  return status;
}

int dump_grid(const Options& o) {
  const std::string& path = o.files.front();
  gridfile::Result<gridfile::GridFile> file = gridfile::GridFile::open(path);
  if (!file) {
    error_line(path, gridtools::open_failure_text(path, file.error()));
    return kExitBadFile;
  }
  warn_if_damaged(path, *file);
  gridfile::Result<gridfile::GridInfo> info = gridtools::pick_grid(*file, o.dump, o.selection);
  if (!info) {
    error_line(path, info.error().text);
    return kExitBadFile;
  }
  gridfile::Result<gridfile::Grid> grid = file->read(info->number);
  if (!grid) {
    error_line(path,
               "grid " + std::to_string(info->number) + " cannot be read: " + grid.error().text);
    return kExitBadFile;
  }
  platform::StdoutBatch out;
  const auto write = [&out](std::string_view line) { out.line(line); };
  if (!o.latlon) {
    gridtools::dump_values(*grid, write);
    return kExitOk;
  }
  const gridfile::Status s = gridtools::dump_values_latlon(*grid, file->navigation(), write);
  if (!s) {
    out.flush();
    error_line(path, s.error().text);
    return kExitBadFile;
  }
  return kExitOk;
}

int check_files(const Options& o) {
  int status = kExitOk;
  for (const std::string& path : o.files) {
    const gridfile::Status s = gridfile::check(path);
    if (!s) {
      error_line(path, gridtools::check_failure_text(path, s.error()));
      status = kExitBadFile;
      continue;
    }
    platform::write_line(o.files.size() == 1 ? "OK" : path + ": OK");
  }
  return status;
}

// Parses the command line into o.
// Whether a word can be the N of --dump (a number, right or wrong).
bool number_like(std::string_view word) {
  if (!word.empty() && (word.front() == '-' || word.front() == '+')) word.remove_prefix(1);
  return !word.empty() &&
         std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// --dump takes the next word as N only when it is a number, so that
// "gridinfo --dump FILE --param TMPK" reads FILE as the file: a --dump
// without a number moves to the end, where no word follows it.
std::vector<std::string> with_bare_dumps_last(std::span<const std::string> args) {
  std::vector<std::string> words;
  bool bare_dump = false;
  for (std::size_t k = 0; k < args.size(); ++k) {
    if (k > 0 && args[k] == "--dump" && (k + 1 == args.size() || !number_like(args[k + 1]))) {
      bare_dump = true;
      continue;
    }
    words.push_back(args[k]);
  }
  if (bare_dump) words.emplace_back("--dump");
  return words;
}

cli::Parsed parse(std::span<const std::string> args, Options& o) {
  CLI::App app{"gridinfo: look inside grid files written by text2grid", "gridinfo"};
  std::string dump_text, vcoord_text;
  std::optional<std::string> time_text, first_year;
  bool json = false, csv = false;
  app.add_option("FILE", o.files, "grid files (the name exactly as typed)")->required();
  auto* dump = app.add_option("--dump", dump_text,
                              "write grid N's values as text, top row first, one per line, as "
                              "text2grid reads them; without N, the one grid the selection picks")
                   ->expected(0, 1)
                   ->type_name("[N]");
  auto* latlon = app.add_flag("--latlon", o.latlon,
                              "with --dump: each value after its latitude and longitude");
  auto* chk = app.add_flag("--check", o.check, "check the structure: OK, or the first fault");
  std::string salvage_text;
  auto* salvage = app.add_option("--salvage", salvage_text,
                                 "copy every grid that reads back whole into the new grid file "
                                 "NEW, and report the grids left out")
                      ->type_name("NEW");
  auto* js = app.add_flag("--json", json, "the listing as JSON, one document per file and line");
  auto* cs = app.add_flag("--csv", csv, "the listing as CSV, one line per grid");
  app.add_option("--param", o.selection.param, "only grids of this parameter (any case)");
  app.add_option("--time", time_text, "only grids of this time: " + std::string(cli::kTimeHelp));
  app.add_option("--level", o.selection.level, "only grids at this level");
  app.add_option("--vcoord", vcoord_text,
                 "only grids of this vertical coordinate: NONE, PRES, THTA, HGHT, SGMA or a code");
  cli::add_first_year(app, first_year);
  dump->excludes(chk);
  latlon->needs(dump);
  js->excludes(cs)->excludes(dump)->excludes(chk);
  cs->excludes(dump)->excludes(chk);
  salvage->excludes(chk)->excludes(dump)->excludes(js)->excludes(cs);

  if (cli::Parsed parsed = cli::parse(app, with_bare_dumps_last(args)); !parsed.run()) {
    return parsed;
  }
  if (salvage->count() > 0) {
    if (o.files.size() != 1) return cli::Parsed::misuse("--salvage takes exactly one FILE");
    o.salvage_to = salvage_text;
  }
  if (cli::Parsed p = cli::year_window(first_year, o.window); !p.run()) return p;
  if (time_text) {
    if (cli::Parsed p = cli::time_query(*time_text, o.window, o.selection.time); !p.run()) return p;
  }
  if (json) o.format = Format::kJson;
  if (csv) o.format = Format::kCsv;
  if (!vcoord_text.empty()) {
    o.selection.vcoord = gridtools::parse_vcoord(vcoord_text);
    if (!o.selection.vcoord) {
      return cli::Parsed::misuse("--vcoord: " + vcoord_text +
                                 " is not NONE, PRES, THTA, HGHT, SGMA or a code");
    }
  }
  if (dump->count() > 0) {
    if (o.files.size() != 1) return cli::Parsed::misuse("--dump takes exactly one FILE");
    if (dump_text.empty()) {
      if (o.selection.empty()) {
        return cli::Parsed::misuse(
            "--dump needs a grid number or a selection (--param, --time, --level, --vcoord)");
      }
      o.dump_selected = true;
    } else {
      int n = 0;
      const auto [end, ec] =
          std::from_chars(dump_text.data(), dump_text.data() + dump_text.size(), n);
      if (ec != std::errc() || end != dump_text.data() + dump_text.size()) {
        return cli::Parsed::misuse("--dump: " + dump_text + " is not a grid number");
      }
      if (n < 1)
        return cli::Parsed::misuse("--dump: grids are numbered from 1 (" + dump_text + " given)");
      o.dump = n;
    }
  }
  return {};
}

}  // namespace

int run(std::span<const std::string> args) {
  Options o;
  if (const cli::Parsed parsed = parse(args, o); !parsed.run()) {
    return cli::finish(parsed, "gridinfo", kExitOk, kExitUsage);
  }
  const gridtools::LibraryMessagesInErrors messages;
  if (o.check) return check_files(o);
  if (o.salvage_to) return salvage_file(o.files.front(), *o.salvage_to);
  if (!o.dump && !o.dump_selected) o.table = load_table();
  if (o.dump || o.dump_selected) return dump_grid(o);
  return list_files(o);
}

}  // namespace gridinfo
