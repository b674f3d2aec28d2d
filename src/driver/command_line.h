// The words of text2grid's command-line way (text2grid -i VALUES -o FILE ...),
// collected as given; driver/plan.h checks them and turns them into a run.
#pragma once

#include <charconv>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace driver {

struct ConversionRequest {
  bool given = false;                 // an option of the command-line way was seen
  std::optional<std::string> input;   // -i/--input; "-" standard input
  std::optional<std::string> output;  // -o/--output
  std::optional<std::string> size;    // --size NXxNY
  std::optional<std::string> area;    // --area LAT1,LON1,LAT2,LON2
  std::optional<std::string> proj;    // --proj
  std::optional<std::string> angles;  // --angles A1,A2,A3
  std::optional<std::string> layout;  // --layout free|lines|csv
  // --first-year Y: the window of two-digit years (either way; it alone does
  // not choose the command-line way).
  std::optional<std::string> first_year;
  std::vector<std::string> times;  // --time, in order
  std::vector<std::string> vars;   // --var NAME[:VCOORD]=L1[,L2...], in order
  bool overwrite = false;
  bool keep_partial = false;
  bool dry_run = false;
  bool progress = false;
};

// A whole word as a number of type T (int or float), an optional "+"
// first; false for anything else or a value out of T's range.
template <typename T>
bool parse_number(std::string_view text, T& value) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  const auto [ptr, ec] = std::from_chars(first, last, value);
  return first != last && ec == std::errc{} && ptr == last;
}

// When args[k] is an option of the command-line way (with its value in the
// next word or after "="), takes it into `request`, moves k to its last word
// and returns true; `error` says what is wrong when its value is missing.
// False, with nothing taken, for any other word.
bool take_conversion_option(std::span<const std::string> args, std::size_t& k,
                            ConversionRequest& request, std::string& error);

// The --help paragraphs of the command-line way.
std::string conversion_usage();

}  // namespace driver
