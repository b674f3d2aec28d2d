// Grid time integers back to text: the inverse of tg_ctoi for every time it
// produces, so that a listed time can be typed in again.
#include "time/tg.h"

#include <array>
#include <charconv>
#include <string>

#include "strings/field.h"

namespace {

constexpr std::array<char, 4> kTypeLetters = {'A', 'F', 'G', 'I'};  // codes 0..3

// value as exactly `width` digits with leading zeros; false when it does not fit.
bool put_digits(std::string& out, int value, int width) {
  if (value < 0) return false;
  std::array<char, 16> buf{};
  auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value);
  const auto n = static_cast<int>(end - buf.data());
  if (ec != std::errc() || n > width) return false;
  out.append(static_cast<std::size_t>(width - n), '0');
  out.append(buf.data(), end);
  return true;
}

}  // namespace

void tg_itoc(std::span<const int> intdtf, std::span<char> timtxt, int& iret) {
  iret = 0;
  strings::copy_field({}, timtxt);
  const int idate = intdtf[0], itime = intdtf[1], iftime = intdtf[2];
  if (idate == 0 && itime == 0 && iftime == 0) return;  // no time: blank

  std::string text;
  if (!put_digits(text, idate, 6) || !put_digits(text, itime, 4)) {
    iret = -1;
    return;
  }
  text.insert(6, 1, '/');
  if (iftime != 0) {
    const int itype = iftime / 100000;
    const int iperiod = iftime % 100000;  // hhhmm
    if (iftime < 0 || itype >= static_cast<int>(kTypeLetters.size())) {
      iret = -2;
      return;
    }
    text.push_back(kTypeLetters[static_cast<std::size_t>(itype)]);
    // Whole hours as hhh; hours and minutes as hhhmm.
    if (iperiod % 100 == 0) {
      put_digits(text, iperiod / 100, 3);
    } else {
      put_digits(text, iperiod, 5);
    }
  }
  strings::copy_field(text, timtxt);
}
