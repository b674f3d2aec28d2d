// Small text helpers the converter's sources share.
#pragma once

#include <charconv>
#include <string>
#include <string_view>
#include <system_error>

namespace driver {

// The text between double quotes, for messages.
inline std::string quoted(std::string_view text) {
  // Built by appending: g++ 12 at -O3 reports a false -Wrestrict for a
  // literal + std::string temporary.
  std::string out(1, '"');
  out.append(text);
  out += '"';
  return out;
}

// A whole decimal integer, an optional leading '+' allowed; false (value
// unchanged or partial) otherwise.
inline bool parse_int(std::string_view text, int& value) {
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  const auto [ptr, ec] = std::from_chars(first, last, value);
  return first != last && ec == std::errc{} && ptr == last;
}

}  // namespace driver
