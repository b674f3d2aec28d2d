// Free-layout reads: the numbers of a text in order, whatever blanks, tabs
// and line ends stand between them (a row per line, a grid per line, one value
// per line, CR LF). The text is taken straight from the unit's buffer, item
// by item; lines play no part, so a line may be of any length.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "platform/platform.h"
#include "platform/real_text.h"
#include "platform/runtime.h"

namespace platform {
namespace {

// Longest item kept whole: anything longer is no number.
constexpr std::size_t kMaxItemBytes = 4096;

// The separators of the free layout, one table without commas and one with.
using SeparatorTable = std::array<bool, 256>;

constexpr SeparatorTable separators(bool commas) {
  SeparatorTable table{};
  for (const char c : {' ', '\n', '\t', '\r', '\f', '\v'})
    table[static_cast<unsigned char>(c)] = true;
  table[static_cast<unsigned char>(',')] = commas;
  return table;
}

constexpr SeparatorTable kBlanks = separators(false);
constexpr SeparatorTable kBlanksAndCommas = separators(true);

bool is_blank(char c, bool commas) {
  return (commas ? kBlanksAndCommas : kBlanks)[static_cast<unsigned char>(c)];
}

// Walks the items of a unit's text: skip() passes the separators before the
// next item (counting line ends), item() finds the item that starts there.
class ItemWalker {
 public:
  ItemWalker(detail::Unit& u, bool commas) : u_(u), commas_(commas) {
    // Lines play no part: nothing to step back over, no whole lines marked.
    u_.last_start = detail::Unit::kNoLine;
    u_.lines_end = 0;
    if (u_.line_no == 0) u_.line_no = 1;
  }

  // Passes separators; kEndOfFile when the text ends before another item.
  int skip() {
    for (;;) {
      const char* const base = u_.buf.data();
      const char* p = base + u_.pos;
      const char* const end = base + u_.end;
      while (p != end && is_blank(*p, commas_)) {
        if (*p == '\n') ++u_.line_no;
        ++p;
      }
      u_.pos = static_cast<std::size_t>(p - base);
      if (p != end) return kOk;
      if (u_.at_eof) return kEndOfFile;
      if (const int status = detail::refill(u_)) return status;
    }
  }

  // The item at the current position (after skip()), whole even where it
  // crosses the end of the buffer; the position moves past it.
  int item(std::string_view& text) {
    for (;;) {
      const char* const base = u_.buf.data();
      const char* const start = base + u_.pos;
      const char* const end = base + u_.end;
      const std::size_t avail = static_cast<std::size_t>(end - start);
      const char* t = start;
      const char* const limit = start + std::min(avail, kMaxItemBytes);
      while (t != limit && !is_blank(*t, commas_)) ++t;
      if (t == end && !u_.at_eof && avail < kMaxItemBytes) {
        if (const int status = detail::refill(u_)) return status;
        continue;
      }
      text = std::string_view(start, static_cast<std::size_t>(t - start));
      u_.pos += text.size();
      return kOk;
    }
  }

  // The common case without a copy: a whole item in the buffer that the
  // one-pass conversion takes. False, with nothing consumed, otherwise.
  bool fast_number(float& value) {
    const char* const base = u_.buf.data();
    const char* const end = base + u_.end;
    const char* const start = base + u_.pos;
    const char* stop = detail::scan_real(start, end, value);
    if (stop == nullptr || stop == end || !is_blank(*stop, commas_)) return false;
    u_.pos = static_cast<std::size_t>(stop - base);
    return true;
  }

 private:
  detail::Unit& u_;
  bool commas_;
};

// The hot path: numbers straight from the buffer while each is whole in it
// and of a form the one-pass conversion takes. Returns how many were stored;
// stops, with the position at the item, at anything else.
std::size_t take_numbers(detail::Unit& u, std::span<float> values, bool commas) {
  const SeparatorTable& blank = commas ? kBlanksAndCommas : kBlanks;
  const auto is_sep = [&blank](char c) { return blank[static_cast<unsigned char>(c)]; };
  const char* const base = u.buf.data();
  const char* const end = base + u.end;
  const char* p = base + u.pos;
  int line_no = u.line_no;
  std::size_t count = 0;
  while (count < values.size()) {
    while (p != end && is_sep(*p)) line_no += *p++ == '\n' ? 1 : 0;
    if (p == end) break;
    const char* stop = detail::scan_real(p, end, values[count]);
    if (stop == nullptr || stop == end || !is_sep(*stop)) break;
    ++count;
    p = stop;
  }
  u.pos = static_cast<std::size_t>(p - base);
  u.line_no = line_no;
  return count;
}

}  // namespace

int read_numbers(int lun, std::span<float> values, std::size_t& count, bool commas,
                 std::string* bad_text) {
  count = 0;
  detail::Unit* u = nullptr;
  if (const int status = detail::text_unit(lun, u)) return status;
  ItemWalker walker(*u, commas);
  u->not_finite = false;  // the one-pass conversion gives finite values only
  while (count < values.size()) {
    count += take_numbers(*u, values.subspan(count), commas);
    if (count == values.size()) break;
    // The end of the buffer, or an item the one-pass conversion leaves.
    if (const int status = walker.skip()) return status;
    if (walker.fast_number(values[count])) {
      ++count;
      continue;
    }
    std::string_view text;
    if (const int status = walker.item(text)) return status;
    if (!detail::parse_real(text, values[count])) {
      if (bad_text != nullptr) bad_text->assign(text);
      return kBadItem;
    }
    if (!std::isfinite(values[count])) u->not_finite = true;
    ++count;
  }
  return kOk;
}

bool read_not_finite(int lun) {
  const detail::Unit* u = detail::find_unit(lun);
  return u != nullptr && u->not_finite;
}

int count_items(int lun, bool commas, std::int64_t& count) {
  count = 0;
  detail::Unit* u = nullptr;
  if (const int status = detail::text_unit(lun, u)) return status;
  ItemWalker walker(*u, commas);
  for (;;) {
    if (const int status = walker.skip()) return status == kEndOfFile ? kOk : status;
    std::string_view text;
    if (const int status = walker.item(text)) return status;
    ++count;
  }
}

}  // namespace platform
