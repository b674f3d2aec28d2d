// The command-line way's progress lines and bar.
#include "driver/progress.h"

#include <array>
#include <charconv>
#include <string>

#include "platform/platform.h"

namespace driver {
namespace {

constexpr auto kRedraw = std::chrono::milliseconds(250);

}  // namespace

Progress::Progress(std::int64_t ngrids, std::int64_t nvalues, bool bar)
    : ngrids_(ngrids),
      nvalues_(nvalues),
      bar_(bar && platform::stderr_is_terminal()),
      start_(std::chrono::steady_clock::now()),
      last_draw_(start_) {}

void Progress::values_read(std::int64_t nread) {
  if (!bar_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_draw_ < kRedraw) return;
  last_draw_ = now;
  draw(nread);
}

namespace {

// "12.3", one decimal.
std::string fixed1(double value) {
  std::array<char, 32> digits{};
  const auto res = std::to_chars(digits.data(), digits.data() + digits.size(), value,
                                 std::chars_format::fixed, 1);
  return std::string(digits.data(), res.ptr);
}

}  // namespace

void Progress::draw(std::int64_t nread) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double share =
      nvalues_ > 0 ? static_cast<double>(nread) / static_cast<double>(nvalues_) : 1.0;
  const double rate = seconds > 0.0 ? static_cast<double>(nread) / seconds / 1e6 : 0.0;
  constexpr std::size_t kWidth = 30;
  const auto filled = static_cast<std::size_t>(share * static_cast<double>(kWidth));
  platform::write_error_text("\r[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') +
                             "] " + fixed1(100.0 * share) + "%  " + fixed1(rate) + " M values/s ");
  drawn_ = true;
}

void Progress::grid_done(int igrid, int iret, std::string_view label) {
  const std::string count = std::to_string(igrid) + " of " + std::to_string(ngrids_);
  const std::string_view what = label.substr(label.find(':') + 1);  // after "grid N:"
  platform::write_line(iret == 0 ? "written grid " + count + ":" + std::string(what)
                                 : "not written (code " + std::to_string(iret) + ") grid " + count +
                                       ":" + std::string(what));
}

void Progress::finish() {
  if (!bar_ || !drawn_) return;
  draw(nvalues_);
  platform::write_error_text("\n");
}

}  // namespace driver
