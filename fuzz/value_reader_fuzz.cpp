// Free-form readers on arbitrary bytes: long lines, NUL bytes, CR without LF,
// no final newline, huge and tiny exponents. The input, after its first byte,
// is standard input (the in-memory hook). The first byte picks the run:
//  - read_real until the input is used up, each result checked against an
//    independent reading of the same line (std::from_chars on the first item,
//    D exponents as E), so the one-pass conversion must agree with it; with
//    bit 0x40 set the values are read by read_reals calls of 2 to 65 values
//    (the low bits), which must give the same results;
//  - read_list with up to four integer, real and text items chosen by the
//    byte's bits, until end of input.
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

constexpr int kMaxReads = 4096;

bool is_separator(char c) {
  return c == ' ' || c == '\t' || c == ',';
}

// The lines of `text` as the reader sees them: split at LF, a CR before the
// LF (or at the very end) dropped, a last line without LF kept.
std::vector<std::string_view> split_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text = lf == std::string_view::npos ? std::string_view{} : text.substr(lf + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
  }
  return lines;
}

// Reference reading of one real item, written without the reader's shortcut.
bool reference_real(std::string_view tok, float& value) {
  std::string t(tok);
  bool negative = false;
  std::size_t start = 0;
  if (!t.empty() && (t[0] == '+' || t[0] == '-')) negative = t[start++] == '-';
  if (start == t.size() || t[start] == '+' || t[start] == '-') return false;
  for (char& c : t) {
    if (c == 'd' || c == 'D') c = 'E';
  }
  float v = 0.0f;
  const char* first = t.data() + start;
  const char* last = t.data() + t.size();
  const auto [ptr, ec] = std::from_chars(first, last, v, std::chars_format::general);
  if (ptr != last || (ec != std::errc{} && ec != std::errc::result_out_of_range)) return false;
  if (ec == std::errc::result_out_of_range) {
    const long double wide = std::strtold(std::string(first, last).c_str(), nullptr);
    v = std::fabs(wide) > 1.0L ? HUGE_VALF : 0.0f;
  }
  value = negative ? -v : v;
  return true;
}

bool same_value(float a, float b) {
  return (std::isnan(a) && std::isnan(b)) ||
         std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// The results of one free-form read of a real after another: read_real, or the
// values of read_reals calls of `chunk` values handed out one by one.
class ValueSource {
 public:
  explicit ValueSource(std::size_t chunk) : chunk_(chunk) {}

  int next(float& value, std::string& bad) {
    if (chunk_ == 1) return platform::read_real(platform::kStdinUnit, value, &bad);
    if (taken_ == count_ && status_ == platform::kOk) {
      values_.assign(chunk_, 0.0f);
      taken_ = 0;
      status_ = platform::read_reals(platform::kStdinUnit, values_, count_, &bad_);
      // An early return (kOk, fewer values) only after a value worth a look.
      if (status_ == platform::kOk && count_ < chunk_) {
        const float last = values_[count_ - 1];
        if (std::isfinite(last) && !platform::more_items_on_line(platform::kStdinUnit)) {
          __builtin_trap();
        }
      }
    }
    if (taken_ < count_) {
      value = values_[taken_++];
      return platform::kOk;
    }
    bad = bad_;
    return std::exchange(status_, platform::kOk);
  }

 private:
  std::size_t chunk_;
  std::vector<float> values_;
  std::size_t count_ = 0;
  std::size_t taken_ = 0;
  int status_ = platform::kOk;
  std::string bad_;
};

void check_read_real(std::string_view text, std::size_t chunk) {
  ValueSource source(chunk);
  platform::testing::set_stdin(std::string(text));
  // A UTF-8 byte-order mark at the very start is not part of the first line.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::vector<std::string_view> lines = split_lines(text);
  std::size_t next = 0;
  for (int n = 0; n < kMaxReads; ++n) {
    // What the next read must give: the first item of the next line holding one.
    std::string_view tok;
    bool have_line = false;
    while (next < lines.size() && !have_line) {
      std::string_view line = lines[next++];
      std::size_t i = 0;
      while (i < line.size() && is_separator(line[i])) ++i;
      if (i == line.size()) continue;
      std::size_t j = i;
      while (j < line.size() && !is_separator(line[j])) ++j;
      tok = line.substr(i, j - i);
      have_line = true;
    }
    float value = 0.0f;
    std::string bad;
    const int status = source.next(value, bad);
    if (!have_line) {
      if (status != platform::kEndOfFile) __builtin_trap();
      return;
    }
    float expected = 0.0f;
    if (reference_real(tok, expected)) {
      if (status != platform::kOk || !same_value(value, expected)) __builtin_trap();
    } else if (status != platform::kBadItem || bad != tok) {
      __builtin_trap();
    }
  }
}

void run_read_list(std::string_view text, unsigned mode) {
  platform::testing::set_stdin(std::string(text));
  std::array<int, 4> ints{};
  std::array<float, 4> reals{};
  std::array<std::array<char, 12>, 4> texts{};
  std::vector<platform::ReadItem> items;
  const unsigned nitems = mode & 3u;  // 0..3 items; a read of none takes one line
  for (unsigned k = 0; k < nitems; ++k) {
    switch ((mode >> (2 + 2 * k)) & 3u) {
      case 0:
        items.push_back(platform::ReadItem::integer(ints[k]));
        break;
      case 1:
        items.push_back(platform::ReadItem::real(reals[k]));
        break;
      default:  // text of width 1..12
        items.push_back(platform::ReadItem::chars(std::span<char>(texts[k]).first(1 + k * 3)));
        break;
    }
  }
  for (int n = 0; n < kMaxReads; ++n) {
    std::string bad;
    const int status = platform::read_list(platform::kStdinUnit, items, &bad);
    if (status == platform::kEndOfFile) return;
    if (status != platform::kOk && status != platform::kBadItem) __builtin_trap();
    if (status == platform::kBadItem && bad.empty()) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const unsigned mode = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((mode & 0x80u) == 0) {
    check_read_real(text, (mode & 0x40u) != 0 ? (mode & 0x3fu) + 2 : 1);
  } else {
    run_read_list(text, mode);
  }
  platform::testing::reset_stdin();
  return 0;
}
