// Fixed-width, blank-padded text fields: the one place where text is cut or
// padded on its way into a caller's field.
#pragma once

#include <span>
#include <string_view>

namespace strings {

// Copy `text` into `field`, cut at the field's width or padded with blanks.
inline void copy_field(std::string_view text, std::span<char> field) {
  std::size_t n = text.size() < field.size() ? text.size() : field.size();
  for (std::size_t i = 0; i < n; ++i) field[i] = text[i];
  for (std::size_t i = n; i < field.size(); ++i) field[i] = ' ';
}

// `text` without its trailing blanks, tabs and NULs (the trimmed length rule).
inline std::string_view trim_right(std::string_view text) {
  std::size_t n = text.size();
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t' || text[n - 1] == '\0')) --n;
  return text.substr(0, n);
}

// Three-way comparison of two fields as if the shorter were padded with blanks,
// on unsigned byte values: negative, 0 or positive.
inline int compare_padded(std::string_view a, std::string_view b) {
  std::size_t n = a.size() > b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    auto ca = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
    auto cb = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return 0;
}

// A field's contents as a view.
inline std::string_view as_view(std::span<const char> field) {
  return {field.data(), field.size()};
}

}  // namespace strings
