// How the grid file of a run gets its name. The dialogue's file is named at
// creation and keeps every grid written, whatever happens later. The
// command-line way's file stays under a temporary name beside its own while
// the grids go in, and is named only when the run is complete: then it
// appears whole, or (replacing) takes the place of an older file in one step;
// a failed run leaves nothing, or with keep_partial the grids written so far.
// A run killed on the way leaves at most the temporary "<name>.incomplete.<pid>".
#pragma once

#include <string_view>

#include "driver/options.h"

namespace driver {

class GridPublishing {
 public:
  // Sets how the grid layer creates the next file; the destructor puts back
  // the default (named at creation, never replacing).
  explicit GridPublishing(const OutputRules& rules);
  ~GridPublishing();
  GridPublishing(const GridPublishing&) = delete;
  GridPublishing& operator=(const GridPublishing&) = delete;

  // At the end of the run, grid file `gfnum` (`filnam` as given to gd_cref,
  // `path` the file's name): names it when `complete`, or when the rules
  // keep the grids of a failed run. 0, or kNotWrittenStatus when the name
  // could not be given (the message written).
  int finish(int gfnum, bool complete, std::string_view filnam, std::string_view path) const;

 private:
  OutputRules rules_;
};

}  // namespace driver
