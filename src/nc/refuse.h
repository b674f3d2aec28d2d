// How the netCDF bridge turns a file or a request down: an error of its own
// (code -1) whose text says what and why, in the user's terms.
#pragma once

#include <string>
#include <utility>

#include "gridfile/gridfile.h"

namespace nc {

inline gridfile::Error refuse(std::string text) {
  return base::Error(base::Source::kTool, -1, std::move(text));
}

}  // namespace nc
