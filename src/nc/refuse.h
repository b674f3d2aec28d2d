// How the netCDF bridge turns a file or a request down: an error of its own
// (code -1) whose text says what and why, in the user's terms, and the
// pieces such texts are made of.
#pragma once

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "gridfile/gridfile.h"

namespace nc {

inline gridfile::Error refuse(std::string text) {
  return base::Error(base::Source::kTool, -1, std::move(text));
}

// A number as a text names it: the shortest form that reads back as `v`, or
// at most `digits` significant digits.
inline std::string number_text(double v, int digits = 0) {
  char buf[32];
  const auto res = digits > 0
                       ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits)
                       : std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

// Whether an attribute's text is present and one of `list`.
inline bool one_of(const std::optional<std::string>& s,
                   std::initializer_list<std::string_view> list) {
  return s && std::find(list.begin(), list.end(), std::string_view(*s)) != list.end();
}

}  // namespace nc
