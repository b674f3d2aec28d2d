// The options and helpers both GRIB programs share.
#include "grib/program.h"

#include <algorithm>
#include <cctype>

#include "cli/time_options.h"
#include "platform/platform.h"
#include "strings/text.h"

namespace grib {
namespace {

template <class List, class Value>
bool listed(const List& list, const Value& v) {
  return list.empty() || std::find(list.begin(), list.end(), v) != list.end();
}

}  // namespace

std::string upper(std::string s) {
  return strings::ascii_upper(s);
}

bool Selection::matches_number(int number) const {
  return listed(numbers, number);
}

bool Selection::matches(int number, const gridfile::GridId& id) const {
  const bool param_ok = params.empty() || std::any_of(params.begin(), params.end(), [&](auto& p) {
                          return upper(p) == upper(id.param);
                        });
  const bool time_ok = times.empty() || std::any_of(times.begin(), times.end(),
                                                    [&](auto& q) { return q.matches(id.time1); });
  return matches_number(number) && param_ok && time_ok && listed(levels, id.level1);
}

void add_selection_options(CLI::App& app, Selection& s, const std::string& number_option,
                           const std::string& number_help) {
  app.add_option(number_option, s.numbers, number_help)
      ->type_name("N")
      ->allow_extra_args(false)
      ->check(CLI::PositiveNumber);
  app.add_option("--param", s.params, "the parameter NAME (repeatable)")
      ->type_name("NAME")
      ->allow_extra_args(false);
  app.add_option("--time", s.time_texts,
                 "grids of the first time TIME (repeatable): " + std::string(cli::kTimeHelp))
      ->type_name("TIME")
      ->allow_extra_args(false);
  app.add_option("--level", s.levels, "grids of the first level L, hPa for pressure (repeatable)")
      ->type_name("L")
      ->allow_extra_args(false);
}

void add_table_options(CLI::App& app, std::string& table_path,
                       std::optional<std::string>& first_year) {
  app.add_option("--table", table_path,
                 "the GRIB2 parameter table (default: grib2.tbl in $MORTBL or the installed "
                 "tables)");
  cli::add_first_year(app, first_year);
}

cli::Parsed read_time_options(const std::optional<std::string>& first_year, Selection& s,
                              timewin::YearWindow& window) {
  cli::Parsed parsed = cli::year_window(first_year, window);
  if (parsed.run()) parsed = cli::time_queries(s.time_texts, window, s.times);
  return parsed;
}

std::optional<ParameterTable> load_table(const std::string& path, const TableDirs& dirs,
                                         std::string_view program) {
  const std::string found = path.empty() ? find_table_file(dirs) : path;
  if (found.empty()) {
    complain(program, "no GRIB2 parameter table (" + std::string(kTableFileName) +
                          ") found; give one with --table");
    return std::nullopt;
  }
  std::string error;
  std::optional<ParameterTable> t = ParameterTable::load(found, error);
  if (!t) complain(program, error);
  return t;
}

void complain(std::string_view program, const std::string& line) {
  platform::write_error_line(std::string(program) + ": " + line);
}

}  // namespace grib
