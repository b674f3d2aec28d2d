// Drawing a Picture with Cairo and encoding it as PNG or SVG in memory.
#pragma once

#include <string>
#include <vector>

#include "plot/picture.h"

namespace plot {

enum class ImageFormat { kPng, kSvg };

struct Rendered {
  std::vector<unsigned char> bytes;  // the encoded image
  std::string error;                 // empty on success
  bool ok() const { return error.empty(); }
};

// REQUIRES: nx, ny >= 1 and values.size() == nx * ny.
Rendered render_picture(const Picture& picture, ImageFormat format);

}  // namespace plot
