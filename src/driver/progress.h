// What the command-line way shows while it converts: one line per grid on
// standard output, and with --progress, when standard error is a terminal, a
// bar there (percent of the values, values per second) redrawn a few times a
// second.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

namespace driver {

class Progress {
 public:
  // A run of `ngrids` grids and `nvalues` values in all; `bar` asks for the bar.
  Progress(std::int64_t ngrids, std::int64_t nvalues, bool bar);

  // The values read so far (the bar).
  void values_read(std::int64_t nread);
  // Grid `igrid` (`label` its identifier) handed to the grid layer, which
  // returned `iret`.
  void grid_done(int igrid, int iret, std::string_view label);
  // The bar's last state and the end of its line.
  void finish();

 private:
  void draw(std::int64_t nread);

  std::int64_t ngrids_;
  std::int64_t nvalues_;
  bool bar_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_draw_;
};

}  // namespace driver
