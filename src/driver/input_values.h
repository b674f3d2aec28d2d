// The reader of the input values: grid after grid, each top row first, in
// the layout the run asks for, keeping count of what it met on the way (values
// stored as missing, items dropped, values left over) for the end of the run.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "driver/options.h"

namespace driver {

// A count of input lines of one kind and the first of them.
struct LineTally {
  std::int64_t count = 0;
  int first_line = 0;
  void add(int line) {
    if (count++ == 0) first_line = line;
  }
};

class InputValues {
 public:
  // The values file `name` on text unit `unit` (already open when it is
  // standard input). With `exact`, the command-line way: messages give the
  // numbers expected and found, and values left after the last grid are a
  // fault of the input rather than a warning.
  InputValues(std::string name, int unit, Layout layout, bool exact);

  // Opens the file (nothing to do for standard input); on failure the
  // message is written and the status returned.
  int open();

  // Numbers the whole run reads (for the messages of the exact way).
  void expect(std::int64_t nnumbers) { expected_ = nnumbers; }
  // Called after each row with the number of values read so far.
  void on_row(std::function<void(std::int64_t)> watch) { on_row_ = std::move(watch); }

  // Reads grid number `igrid` (from 1), described by `label` for messages:
  // for j = NY down to 1, for i = 1..NX, one real into position
  // (j-1) x NX + i. False, with the message written, when the values run out
  // or one cannot be read.
  bool read_grid(int NX, int NY, std::span<float> grid, int igrid, std::string_view label);

  // At the end of a run that read every grid: the warnings about the values,
  // and the values left over (a warning; with `exact`, a message and false).
  bool finish();

 private:
  int read_row(std::span<float> row);
  // ivalue: the value of the grid (from 1) that could not be read.
  void report(int status, int NX, int NY, int row, std::int64_t ivalue, int igrid,
              std::string_view label) const;
  std::string shown_name() const;
  LineTally rest_lines();

  std::string name_;
  int unit_;
  Layout layout_;
  bool exact_;
  std::int64_t expected_ = 0;
  std::int64_t nread_ = 0;
  std::function<void(std::int64_t)> on_row_;
  std::string bad_;
  LineTally not_finite_;
  LineTally extra_items_;
};

}  // namespace driver
