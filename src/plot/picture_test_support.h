// Test support: pictures decoded through Cairo's PNG reader, pixel
// comparisons with a tolerance of a few 8-bit levels, and navigation blocks.
#pragma once

#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"
#include "plot/colour_map.h"

namespace plot::testing {

struct Pixel {
  int r = 0, g = 0, b = 0;
};

// A PNG decoded by Cairo.
class Decoded {
 public:
  explicit Decoded(const std::vector<unsigned char>& png) {
    Reader reader{png, 0};
    surface_.reset(cairo_image_surface_create_from_png_stream(read, &reader));
  }
  bool ok() const { return cairo_surface_status(surface_.get()) == CAIRO_STATUS_SUCCESS; }
  int width() const { return cairo_image_surface_get_width(surface_.get()); }
  int height() const { return cairo_image_surface_get_height(surface_.get()); }
  // The pixel holding point (x, y).
  Pixel at(double x, double y) const {
    const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    const unsigned char* row =
        cairo_image_surface_get_data(surface_.get()) +
        static_cast<std::ptrdiff_t>(iy) * cairo_image_surface_get_stride(surface_.get());
    std::uint32_t word;
    std::memcpy(&word, row + 4 * ix, 4);
    return {static_cast<int>(word >> 16 & 0xFF), static_cast<int>(word >> 8 & 0xFF),
            static_cast<int>(word & 0xFF)};
  }

 private:
  struct Reader {
    const std::vector<unsigned char>& bytes;
    std::size_t at;
  };
  static cairo_status_t read(void* closure, unsigned char* data, unsigned int length) {
    auto* r = static_cast<Reader*>(closure);
    if (r->bytes.size() - r->at < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, r->bytes.data() + r->at, length);
    r->at += length;
    return CAIRO_STATUS_SUCCESS;
  }
  std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)> surface_{
      nullptr, cairo_surface_destroy};
};

inline Pixel pixel_of(const plot::Rgb& c) {
  return {static_cast<int>(std::lround(c.r * 255)), static_cast<int>(std::lround(c.g * 255)),
          static_cast<int>(std::lround(c.b * 255))};
}

inline ::testing::AssertionResult near(const Pixel& got, const Pixel& want, int tolerance = 1) {
  if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
      std::abs(got.b - want.b) <= tolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "pixel (" << got.r << "," << got.g << "," << got.b << ") expected (" << want.r << ","
         << want.g << "," << want.b << ")";
}

// A navigation block of the given geometry.
inline gridfile::Navigation navigation(std::string proj, int nx, int ny, float lat1, float lon1,
                                       float lat2, float lon2, float a1 = 0, float a2 = 0,
                                       float a3 = 0) {
  gridfile::Navigation nav;
  nav.projection = std::move(proj);
  nav.nx = nx;
  nav.ny = ny;
  nav.lat1 = lat1;
  nav.lon1 = lon1;
  nav.lat2 = lat2;
  nav.lon2 = lon2;
  nav.angle1 = a1;
  nav.angle2 = a2;
  nav.angle3 = a3;
  return nav;
}

}  // namespace plot::testing
