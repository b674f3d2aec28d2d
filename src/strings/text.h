// Small text helpers of the programs and tables: trimming and ASCII upper case.
#pragma once

#include <string>
#include <string_view>

namespace strings {

// `text` without leading and trailing blanks, tabs, carriage returns and NULs.
inline std::string_view trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\0'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// `text` with its ASCII letters in upper case; other bytes unchanged.
inline std::string ascii_upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace strings
