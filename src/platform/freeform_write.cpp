// Free-form (list-directed) output lines and the standard-stream writers.
//
// Layout of one line: a leading blank, then the items; one blank between
// items unless both neighbours are texts. Integers fill 11 columns; reals a
// 16-column field holding nine significant digits, in fixed form when the
// rounded value is at least 0.1 and below 1e9 (right-justified in 12 columns
// and followed by 4 blanks), otherwise as d.ddddddddE+xx.
//
// Each line goes to the operating system in one write(2) call, unbuffered,
// so its order against standard error is exact and a printed line is on
// record even if the process dies right after; a StdoutBatch gathers the
// lines of a long output into fewer writes.
#include "platform/publish.h"
#include "platform/runtime.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>

namespace platform {
namespace {

void pad_left(std::string& out, std::string_view text, std::size_t width) {
  if (text.size() < width) out.append(width - text.size(), ' ');
  out += text;
}

void append_integer(std::string& out, int v) {
  std::array<char, 16> digits;
  const auto res = std::to_chars(digits.begin(), digits.end(), v);
  pad_left(out, {digits.data(), static_cast<std::size_t>(res.ptr - digits.data())}, 11);
}

void append_real(std::string& out, float x) {
  if (std::isnan(x)) return pad_left(out, "NaN", 16);
  if (std::isinf(x)) return pad_left(out, x < 0 ? "-Infinity" : "Infinity", 16);
  if (x == 0.0f) {
    pad_left(out, std::signbit(x) ? "-0.00000000" : "0.00000000", 12);
    out.append(4, ' ');
    return;
  }
  // Nine significant digits of |x|, correctly rounded (ties to even) on the
  // exact binary value: d.dddddddde±XX.
  std::array<char, 32> sci;
  const auto res = std::to_chars(sci.begin(), sci.end(), std::fabs(static_cast<double>(x)),
                                 std::chars_format::scientific, 8);
  const std::string_view text(sci.data(), static_cast<std::size_t>(res.ptr - sci.data()));
  std::array<char, 9> d;
  d[0] = text[0];
  std::copy_n(text.begin() + 2, 8, d.begin() + 1);
  int exponent = 0;
  const std::size_t epos = text.find('e');
  std::from_chars(text.data() + epos + 2, text.data() + text.size(), exponent);
  if (text[epos + 1] == '-') exponent = -exponent;

  std::string field;
  if (x < 0) field += '-';
  if (exponent >= -1 && exponent <= 8) {
    if (exponent == -1) {
      field += "0.";
      field.append(d.data(), 9);
    } else {
      const auto before = static_cast<std::size_t>(exponent + 1);
      field.append(d.data(), before);
      field += '.';
      field.append(d.data() + before, 9 - before);
    }
    pad_left(out, field, 12);
    out.append(4, ' ');
    return;
  }
  field += d[0];
  field += '.';
  field.append(d.data() + 1, 8);
  field += 'E';
  field += exponent < 0 ? '-' : '+';
  const int magnitude = exponent < 0 ? -exponent : exponent;
  field += static_cast<char>('0' + magnitude / 10);
  field += static_cast<char>('0' + magnitude % 10);
  pad_left(out, field, 16);
}

int first_stdout_error = 0;
bool discarding = false;

// Writes all of `data` to fd, retrying after interrupts and partial writes.
// The first failure on standard output is kept for stdout_error().
void write_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (fd == STDOUT_FILENO && first_stdout_error == 0) first_stdout_error = errno;
      return;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

}  // namespace

namespace detail {

void emit_lines(int fd, std::string_view lines) {
  if (fd == STDOUT_FILENO && discarding) return;
  HookState& h = hooks();
  std::string* capture =
      fd == STDOUT_FILENO ? (h.capture_out ? &h.out : nullptr) : (h.capture_err ? &h.err : nullptr);
  if (capture != nullptr) {
    *capture += lines;
    return;
  }
  write_all(fd, lines.data(), lines.size());
}

void emit_line(int fd, std::string_view line) {
  std::string whole;
  whole.reserve(line.size() + 1);
  whole += line;
  whole += '\n';
  emit_lines(fd, whole);
}

}  // namespace detail

std::string format_list(std::span<const OutItem> items) {
  std::string line;
  bool previous_text = false;
  for (std::size_t k = 0; k < items.size(); ++k) {
    const OutItem& item = items[k];
    const bool text = item.kind == OutItem::Kind::kText;
    if (k == 0 || !(text && previous_text)) line += ' ';
    switch (item.kind) {
      case OutItem::Kind::kInteger:
        append_integer(line, item.ival);
        break;
      case OutItem::Kind::kReal:
        append_real(line, item.rval);
        break;
      case OutItem::Kind::kText:
        line += item.text;
        break;
    }
    previous_text = text;
  }
  return line;
}

void write_list(std::initializer_list<OutItem> items) {
  detail::emit_line(STDOUT_FILENO, format_list(std::span(items.begin(), items.size())));
}

void write_line(std::string_view text) {
  detail::emit_line(STDOUT_FILENO, text);
}

void StdoutBatch::line(std::string_view text) {
  constexpr std::size_t kBatchBytes = 64 * 1024;
  pending_ += text;
  pending_ += '\n';
  if (pending_.size() >= kBatchBytes) flush();
}

void StdoutBatch::flush() {
  if (pending_.empty()) return;
  detail::emit_lines(STDOUT_FILENO, pending_);
  pending_.clear();
}

void write_error_line(std::string_view text) {
  detail::emit_line(STDERR_FILENO, operator_text(text));
}

std::string operator_text(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  std::size_t line_chars = 0;
  for (std::size_t k = 0; k < text.size(); ++k) {
    const auto c = static_cast<unsigned char>(text[k]);
    if (c == '\n') {
      line_chars = 0;
      out += '\n';
      continue;
    }
    if (line_chars == kMaxOperatorLine) {
      const std::size_t end = std::min(text.find('\n', k), text.size());
      out += "... (" + std::to_string(end - k) + " more bytes)";
      k = end - 1;
      continue;
    }
    ++line_chars;
    if (c < 0x20 && c != '\t') {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else if (c == 0x7f) {
      out += "\\x7f";
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void write_error_text(std::string_view text) {
  detail::HookState& h = detail::hooks();
  if (h.capture_err) {
    h.err += text;
    return;
  }
  write_all(STDERR_FILENO, text.data(), text.size());
}

bool stderr_is_terminal() {
  return !detail::hooks().capture_err && ::isatty(STDERR_FILENO) == 1;
}

int stdout_error() {
  return first_stdout_error;
}

void discard_stdout(bool on) {
  discarding = on;
}

bool stdout_discarded() {
  return discarding;
}

// Standard output is written unbuffered, a line at a time; nothing waits here.
void flush_stdout() {}

}  // namespace platform
