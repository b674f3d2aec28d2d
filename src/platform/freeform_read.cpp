// Free-form (list-directed) reads: integers, reals and text items separated by
// blanks, tabs or commas, spread over as many lines as needed; the rest of the
// last line used is discarded. read_real and read_reals are the value
// reader's hot path: while whole lines are in the buffer they take each value
// in one pass over its line's characters, straight from the buffer, and
// allocate nothing; any other line goes through the general line reader.
#include "platform/runtime.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/real_text.h"

namespace platform {
namespace {

using detail::is_item_separator;

bool is_separator(char c) {
  return is_item_separator(c);
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

}  // namespace

bool detail::parse_real(std::string_view tok, float& value) {
  const char* first = tok.data();
  const char* last = first + tok.size();
  float v = 0.0f;
  if (detail::scan_real(first, last, v) == last) {
    value = v;
    return true;
  }

  bool negative = false;
  if (first != last && (*first == '+' || *first == '-')) negative = *first++ == '-';
  if (first == last || *first == '+' || *first == '-') return false;

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

namespace {

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
                                                              : detail::parse_real(tok, *item.rval);
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

namespace {

// Marks buf[pos, lines_end) as the whole lines of the buffer: everything up to
// its last LF. Needed once per buffer refill, which sets lines_end to 0.
void find_whole_lines(detail::Unit& u) {
  const char* base = u.buf.data();
  const void* lf = u.pos < u.end ? ::memrchr(base + u.pos, '\n', u.end - u.pos) : nullptr;
  u.lines_end =
      lf == nullptr ? 0 : static_cast<std::size_t>(static_cast<const char*>(lf) - base) + 1;
}

// Whether p, within a whole line, is at the line's end (its LF, or a CR right
// before it).
bool at_line_end(const char* p) {
  return *p == '\n' || (*p == '\r' && p[1] == '\n');
}

// Free-form reads of one real each from the whole lines in the buffer, each in
// one pass from the start of its line to its LF: empty lines are passed over,
// the first item is converted and the rest of its line skipped. Stops when the
// values are full, after a value whose line holds further items, or at a line
// the general reader must take (none whole in the buffer, an item scan_real
// does not convert, a CR not at the line's end), which is not consumed.
// Returns the number of values stored.
std::size_t take_reals(detail::Unit& u, std::span<float> values) {
  if (u.pos >= u.lines_end) {
    find_whole_lines(u);
    if (u.pos >= u.lines_end) return 0;
  }
  const char* const base = u.buf.data();
  const char* const lines_end = base + u.lines_end;
  const char* line = base + u.pos;
  const char* last_line = nullptr;
  int nlines = 0;
  std::size_t count = 0;
  bool more_items = false;
  while (count < values.size() && line != lines_end && !more_items) {
    // Every line here ends with an LF before lines_end, which stops each scan.
    const char* p = line;
    while (is_item_separator(*p)) ++p;
    const char* next;
    if (at_line_end(p)) {  // no item on this line
      next = p + (*p == '\n' ? 1 : 2);
    } else {
      float v = 0.0f;
      const char* stop = detail::scan_real(p, lines_end, v);
      if (stop == nullptr) break;
      if (*stop == '\n') {
        next = stop + 1;
      } else if (*stop == '\r' && stop[1] == '\n') {
        next = stop + 2;
      } else if (is_item_separator(*stop)) {  // the rest of the line is discarded
        while (is_item_separator(*stop)) ++stop;
        more_items = !at_line_end(stop);
        const auto* lf = static_cast<const char*>(
            std::memchr(stop, '\n', static_cast<std::size_t>(lines_end - stop)));
        next = lf + 1;
      } else {
        break;
      }
      values[count++] = v;
    }
    last_line = line;
    ++nlines;
    line = next;
  }
  if (nlines > 0) {
    u.last_start = static_cast<std::size_t>(last_line - base);
    u.pos = static_cast<std::size_t>(line - base);
    u.line_no += nlines;
  }
  if (count > 0) u.more_items = more_items;
  return count;
}

// One free-form read of a real through the general line reader.
int read_real_general(detail::Unit& u, float& value, std::string* bad_text) {
  for (;;) {
    std::string_view line;
    if (const int status = detail::next_line(u, line)) return status;
    std::size_t i = skip_separators(line, 0);
    if (i == line.size()) {  // an empty line holds no item
      if (take_reals(u, std::span<float>(&value, 1)) == 1) return kOk;
      continue;
    }
    const std::string_view tok = bare_token(line, i);
    if (!detail::parse_real(tok, value)) return bad_item(tok, bad_text);
    u.more_items = skip_separators(line, i) < line.size();
    return kOk;
  }
}

}  // namespace

int read_reals(int lun, std::span<float> values, std::size_t& count, std::string* bad_text) {
  count = 0;
  detail::Unit* u = nullptr;
  if (const int status = detail::text_unit(lun, u)) return status;
  while (count < values.size()) {
    count += take_reals(*u, values.subspan(count));
    if (count == values.size() || (count > 0 && u->more_items)) break;
    if (const int status = read_real_general(*u, values[count], bad_text)) return status;
    ++count;
    if (u->more_items || !std::isfinite(values[count - 1])) break;  // worth a look
  }
  return kOk;
}

int read_real(int lun, float& value, std::string* bad_text) {
  std::size_t count = 0;
  return read_reals(lun, std::span<float>(&value, 1), count, bad_text);
}

}  // namespace platform
