// The reader of the input values and its warnings.
#include "driver/input_values.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "driver/convert.h"
#include "pack/missing.h"
#include "platform/platform.h"

namespace driver {
namespace {

void warn(const std::string& text) {
  platform::write_error_line("text2grid: warning: " + text);
}

}  // namespace

InputValues::InputValues(std::string name, int unit, Layout layout, bool exact)
    : name_(std::move(name)), unit_(unit), layout_(layout), exact_(exact) {}

std::string InputValues::shown_name() const {
  return unit_ == platform::kStdinUnit ? std::string("standard input")
                                       : "input file " + quoted(name_);
}

int InputValues::open() {
  if (unit_ == platform::kStdinUnit) return platform::kOk;
  const int status = platform::open_sequential(unit_, name_);
  if (status != platform::kOk) {
    platform::write_error_line("text2grid: cannot open the input file " + quoted(name_) + ": " +
                               platform::status_text(status));
  }
  return status;
}

// One row: NX values. Readers of grid files cannot contour NaN or infinity
// (a value beyond the float range reads as infinity): they are stored as
// missing.
int InputValues::read_row(std::span<float> row) {
  if (layout_ != Layout::kLines) {
    std::size_t count = 0;
    const int status = platform::read_numbers(unit_, row, count, layout_ == Layout::kCsv, &bad_);
    nread_ += static_cast<std::int64_t>(count);
    if (status != platform::kOk) return status;
    if (!platform::read_not_finite(unit_)) return platform::kOk;
    for (float& value : row) {
      if (!std::isfinite(value)) {
        value = pack::kMissing;
        not_finite_.add(platform::line_number(unit_));
      }
    }
    return platform::kOk;
  }
  // read_reals stops early after a value worth a look, so only the last
  // value of each call needs the checks below.
  for (std::size_t i = 0; i < row.size();) {
    std::size_t count = 0;
    const int status = platform::read_reals(unit_, row.subspan(i), count, &bad_);
    nread_ += static_cast<std::int64_t>(count);
    i += count;
    if (status != platform::kOk) return status;
    float& last = row[i - 1];
    if (!std::isfinite(last)) {
      last = pack::kMissing;
      not_finite_.add(platform::line_number(unit_));
    }
    if (platform::more_items_on_line(unit_)) extra_items_.add(platform::line_number(unit_));
  }
  return platform::kOk;
}

bool InputValues::read_grid(int NX, int NY, std::span<float> grid, int igrid,
                            std::string_view label) {
  // With NX of 0 or less a row holds no value (and there is no buffer).
  const auto nx = static_cast<std::size_t>(std::max(NX, 0));
  const std::int64_t first = nread_;
  for (int j = NY; j >= 1; --j) {
    const int status = read_row(grid.subspan(static_cast<std::size_t>(j - 1) * nx, nx));
    if (status != platform::kOk) {
      report(status, NX, NY, j, nread_ - first + 1, igrid, label);
      return false;
    }
    if (on_row_) on_row_(nread_);
  }
  return true;
}

void InputValues::report(int status, int NX, int NY, int row, std::int64_t ivalue, int igrid,
                         std::string_view label) const {
  const std::string line = std::to_string(platform::line_number(unit_));
  std::string message = "text2grid: " + shown_name();
  if (status == platform::kEndOfFile && exact_) {
    // "grid 3: time ..." shown as "grid 3 (time ...)".
    std::string grid(label);
    if (const std::size_t colon = grid.find(": "); colon != std::string::npos) {
      grid.replace(colon, 2, " (");
      grid += ')';
    }
    message += " ran out in " + grid + " at row " + std::to_string(row) + " of " +
               std::to_string(NY) + " (rows are read top row first, " + std::to_string(NX) +
               " values each): expected " + std::to_string(expected_) + " numbers, found " +
               std::to_string(nread_);
  } else if (status == platform::kEndOfFile) {
    message += " ends after line " + line + ": value " + std::to_string(ivalue) + " of grid " +
               std::to_string(igrid) + " is missing";
  } else if (status == platform::kBadItem) {
    message += ", line " + line + ": " + quoted(bad_) + " is not a real number";
  } else {
    message += ", line " + line + ": the read failed: " + platform::status_text(status);
  }
  platform::write_error_line(message);
}

LineTally InputValues::rest_lines() {
  LineTally tally;
  std::string line;
  while (platform::read_line(unit_, line) == platform::kOk) {
    if (line.find_first_not_of(" \t,") != std::string::npos) {
      tally.add(platform::line_number(unit_));
    }
  }
  return tally;
}

bool InputValues::finish() {
  const std::string file = exact_ ? shown_name() : quoted(name_);
  if (not_finite_.count > 0) {
    warn(std::to_string(not_finite_.count) + " value(s) of " + file +
         " were NaN, infinite or beyond the range of a 32-bit real, and were stored as the "
         "missing value -9999.0 (first at line " +
         std::to_string(not_finite_.first_line) + ")");
  }
  if (extra_items_.count > 0) {
    warn(std::to_string(extra_items_.count) + " line(s) of " + file +
         " held more than one item, and only the first was read (first at line " +
         std::to_string(extra_items_.first_line) +
         "): values go one per line, and a decimal comma ends a value");
  }
  if (layout_ != Layout::kLines) {
    std::int64_t rest = 0;
    platform::count_items(unit_, layout_ == Layout::kCsv, rest);
    if (rest == 0) return true;
    platform::write_error_line("text2grid: " + shown_name() + " holds more than the grids take: " +
                               "expected " + std::to_string(expected_) + " numbers, found " +
                               std::to_string(nread_ + rest) + "; check --size, --time and --var");
    return false;
  }
  const LineTally rest = rest_lines();
  if (rest.count == 0) return true;
  if (exact_) {
    platform::write_error_line(
        "text2grid: " + shown_name() + " holds more than the grids take: expected " +
        std::to_string(expected_) + " numbers, found " + std::to_string(nread_ + rest.count) +
        " (one per line; the first left over at line " + std::to_string(rest.first_line) +
        "); check --size, --time and --var");
    return false;
  }
  warn(std::to_string(rest.count) + " line(s) of values of " + file + " were left after the " +
       std::to_string(nread_) + " values of the grids (first at line " +
       std::to_string(rest.first_line) +
       "): check NX, NY and the numbers of times, variables and levels");
  return true;
}

}  // namespace driver
