#include "cli/time_options.h"

namespace cli {

CLI::Option* add_first_year(CLI::App& app, std::optional<std::string>& text) {
  return app
      .add_option(std::string(timewin::kFirstYearOption), text,
                  "read two-digit years as Y..Y+99 (default " +
                      std::to_string(timewin::kDefaultFirstYear) + ", or $" +
                      std::string(timewin::kFirstYearVariable) + "; " +
                      std::to_string(timewin::kRoutinesFirstYear) + " gives the old reading)")
      ->type_name("Y");
}

Parsed year_window(const std::optional<std::string>& text, timewin::YearWindow& window) {
  std::string problem;
  const std::optional<timewin::YearWindow> in_force = timewin::window_in_force(
      text ? std::optional<std::string_view>(*text) : std::nullopt, problem);
  if (!in_force) return Parsed::misuse(problem);
  window = *in_force;
  return {};
}

Parsed time_query(std::string_view text, const timewin::YearWindow& window,
                  std::optional<timewin::TimeQuery>& query) {
  std::string problem;
  query = timewin::TimeQuery::parse(text, window, problem);
  if (!query) return Parsed::misuse("--time " + problem);
  return {};
}

Parsed time_queries(const std::vector<std::string>& texts, const timewin::YearWindow& window,
                    std::vector<timewin::TimeQuery>& queries) {
  for (const std::string& text : texts) {
    std::optional<timewin::TimeQuery> query;
    if (Parsed p = time_query(text, window, query); !p.run()) return p;
    queries.push_back(std::move(*query));
  }
  return {};
}

}  // namespace cli
