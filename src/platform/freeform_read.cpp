// Free-form (list-directed) reads: integers, reals and text items separated by
// blanks, tabs or commas, spread over as many lines as needed; the rest of the
// last line used is discarded. read_real is the value reader's hot path: it
// converts straight from the line buffer with std::from_chars and allocates
// nothing.
#include "platform/runtime.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <limits>

namespace platform {
namespace {

bool is_separator(char c) {
  return c == ' ' || c == '\t' || c == ',';
}

// Index of the first character at or after i that is not a separator.
std::size_t skip_separators(std::string_view line, std::size_t i) {
  while (i < line.size() && is_separator(line[i])) ++i;
  return i;
}

// A bare item: everything from i up to the next separator.
std::string_view bare_token(std::string_view line, std::size_t& i) {
  const std::size_t start = i;
  while (i < line.size() && !is_separator(line[i])) ++i;
  return line.substr(start, i - start);
}

bool parse_integer(std::string_view tok, int& value) {
  const char* first = tok.data();
  const char* last = first + tok.size();
  if (first != last && *first == '+' && ++first != last && (*first < '0' || *first > '9')) {
    return false;
  }
  int v = 0;
  const auto [ptr, ec] = std::from_chars(first, last, v);
  if (ec != std::errc{} || ptr != last) return false;
  value = v;
  return true;
}

// Decimal order of magnitude of a well-formed real text whose value lies
// outside the float range: positive for huge values, not positive for tiny ones.
long magnitude(const char* first, const char* last) {
  long mag = 0;
  const char* p = first;
  while (p != last && *p == '0') ++p;
  while (p != last && *p >= '0' && *p <= '9') ++p, ++mag;
  if (mag == 0 && p != last && *p == '.') {
    ++p;
    while (p != last && *p == '0') ++p, --mag;
  }
  while (p != last && *p != 'e' && *p != 'E') ++p;
  if (p == last) return mag;
  ++p;
  const bool negative = p != last && *p == '-';
  if (p != last && (*p == '-' || *p == '+')) ++p;
  long exponent = 0;
  for (; p != last; ++p) exponent = std::min(exponent * 10 + (*p - '0'), 100000L);
  return negative ? mag - exponent : mag + exponent;
}

// Plain decimals ([sign] digits with an optional point) whose digits form an
// integer m <= 2^24 and that have at most 10 decimals: m and 10^k are both
// exact floats, so the one division m / 10^k is correctly rounded. Scans from
// `first` and returns where the number stops, or nullptr when the text is not
// such a number (every other form goes to std::from_chars).
const char* scan_plain_decimal(const char* first, const char* last, float& v) {
  static constexpr std::array<float, 11> kPowers = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                                    1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
  constexpr std::uint32_t kExactLimit = std::uint32_t{1} << 24;
  const char* p = first;
  const bool negative = p != last && *p == '-';
  if (p != last && (*p == '-' || *p == '+')) ++p;
  std::uint32_t m = 0;
  int ndigits = 0;
  const char* point = nullptr;
  for (; p != last; ++p) {
    const auto digit = static_cast<std::uint32_t>(static_cast<unsigned char>(*p) - '0');
    if (digit < 10) {
      m = m * 10 + digit;
      if (m > kExactLimit) return nullptr;
      ++ndigits;
    } else if (*p == '.' && point == nullptr) {
      point = p;
    } else {
      break;
    }
  }
  const long decimals = point == nullptr ? 0 : p - point - 1;
  if (ndigits == 0 || decimals > 10) return nullptr;
  v = static_cast<float>(m) / kPowers[static_cast<std::size_t>(decimals)];
  if (negative) v = -v;
  return p;
}

bool parse_real(std::string_view tok, float& value) {
  const char* first = tok.data();
  const char* last = first + tok.size();
  bool negative = false;
  if (first != last && (*first == '+' || *first == '-')) negative = *first++ == '-';
  if (first == last || *first == '+' || *first == '-') return false;

  float v = 0.0f;
  if (scan_plain_decimal(first, last, v) == last) {
    value = negative ? -v : v;
    return true;
  }

  // The D exponent letter is written as E for the conversion.
  const char* exponent_d = first;
  while (exponent_d != last && (*exponent_d | 0x20) != 'd') ++exponent_d;
  std::array<char, 64> local;
  std::string long_copy;
  if (exponent_d != last) {
    const auto n = static_cast<std::size_t>(last - first);
    char* dest = local.data();
    if (n > local.size()) {
      long_copy.resize(n);
      dest = long_copy.data();
    }
    std::transform(first, last, dest, [](char c) { return (c | 0x20) == 'd' ? 'E' : c; });
    first = dest;
    last = dest + n;
  }

  const auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
  if (ptr != last || (ec != std::errc{} && ec != std::errc::result_out_of_range)) return false;
  if (ec == std::errc::result_out_of_range) {
    v = magnitude(first, last) > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
  }
  value = negative ? -v : v;
  return true;
}

// Copies a text item into its field, cut or blank-padded.
void store_text(std::string_view text, std::span<char> field) {
  const std::size_t n = std::min(text.size(), field.size());
  std::copy_n(text.data(), n, field.begin());
  std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), ' ');
}

// A text item starting at line[i]: between quotes (a doubled quote stands for
// one; an unclosed quote runs to the end of the line) or bare.
void read_text(std::string_view line, std::size_t& i, std::span<char> field, std::string& quoted) {
  const char quote = line[i];
  if (quote != '\'' && quote != '"') {
    store_text(bare_token(line, i), field);
    return;
  }
  quoted.clear();
  ++i;
  while (i < line.size()) {
    if (line[i] == quote) {
      if (i + 1 < line.size() && line[i + 1] == quote) {
        quoted += quote;
        i += 2;
        continue;
      }
      ++i;
      break;
    }
    quoted += line[i++];
  }
  store_text(quoted, field);
}

int bad_item(std::string_view tok, std::string* bad_text) {
  if (bad_text != nullptr) bad_text->assign(tok);
  return kBadItem;
}

}  // namespace

int read_list(int lun, std::span<const ReadItem> items, std::string* bad_text) {
  detail::Unit* u = nullptr;
  if (const int status = detail::text_unit(lun, u)) return status;
  std::string_view line;
  if (items.empty()) return detail::next_line(*u, line);

  std::string quoted;
  std::size_t k = 0;
  while (k < items.size()) {
    if (const int status = detail::next_line(*u, line)) return status;
    std::size_t i = skip_separators(line, 0);
    while (k < items.size() && i < line.size()) {
      const ReadItem& item = items[k];
      if (item.kind == ReadItem::Kind::kText) {
        read_text(line, i, item.text, quoted);
      } else {
        const std::string_view tok = bare_token(line, i);
        const bool ok = item.kind == ReadItem::Kind::kInteger ? parse_integer(tok, *item.ival)
                                                              : parse_real(tok, *item.rval);
        if (!ok) return bad_item(tok, bad_text);
      }
      ++k;
      i = skip_separators(line, i);
    }
    u->more_items = i < line.size();
  }
  return kOk;
}

bool more_items_on_line(int lun) {
  const detail::Unit* u = detail::find_unit(lun);
  return u != nullptr && u->more_items;
}

int read_real(int lun, float& value, std::string* bad_text) {
  detail::Unit* u = nullptr;
  if (const int status = detail::text_unit(lun, u)) return status;
  for (;;) {
    std::string_view line;
    if (const int status = detail::next_line_fast(*u, line)) return status;
    std::size_t i = skip_separators(line, 0);
    if (i == line.size()) continue;  // an empty line holds no item
    const char* end = line.data() + line.size();
    float v = 0.0f;
    const char* stop = scan_plain_decimal(line.data() + i, end, v);
    if (stop != nullptr && (stop == end || is_separator(*stop))) {
      value = v;
      u->more_items =
          stop != end &&
          skip_separators(line, static_cast<std::size_t>(stop - line.data())) < line.size();
      return kOk;
    }
    const std::string_view tok = bare_token(line, i);
    if (!parse_real(tok, value)) return bad_item(tok, bad_text);
    u->more_items = skip_separators(line, i) < line.size();
    return kOk;
  }
}

}  // namespace platform
