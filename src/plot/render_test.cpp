// Pictures read back through Cairo's PNG reader: the size the layout gives,
// each grid point's colour at its cell (north up, west left), the missing grey
// where points are missing, the colour bar's ends at the range's ends, the
// lines over the raster; and SVG output that is well-formed XML.
#include "plot/render.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "plot/colour_map.h"
#include "plot/picture.h"
#include "plot/picture_test_support.h"

namespace {

using namespace plot::testing;
using plot::ImageFormat;
using plot::Picture;
using plot::Rgb;

const Pixel kGrey = pixel_of(plot::rgb_from_hex(plot::kMissingHex));

// A 5 x 4 grid whose every value differs: value = 10 * row + column.
Picture ramp_picture() {
  Picture p;
  p.nx = 5;
  p.ny = 4;
  for (int j = 1; j <= p.ny; ++j) {
    for (int i = 1; i <= p.nx; ++i) p.values.push_back(static_cast<float>(10 * j + i));
  }
  p.range = plot::value_range(p.values);
  p.title = "TEST (K)";
  p.details = {"1991-08-23T12:00Z 850 PRES"};
  return p;
}

Decoded render_png(const Picture& p) {
  const plot::Rendered out = plot::render_picture(p, ImageFormat::kPng);
  EXPECT_TRUE(out.ok()) << out.error;
  Decoded image(out.bytes);
  EXPECT_TRUE(image.ok());
  return image;
}

TEST(RenderTest, SizeIsTheLayoutsAndCellsFillTheRasterLimits) {
  const Picture p = ramp_picture();
  const plot::Layout layout = plot::layout_picture(p);
  EXPECT_EQ(layout.cell_w, layout.cell_h);  // aspect 1
  EXPECT_EQ(layout.cell_h, 120);            // 480 / 4 rows; 640 / 5 = 128 is larger
  EXPECT_EQ(layout.raster.w, 5 * 120);
  EXPECT_EQ(layout.raster.h, 4 * 120);
  EXPECT_GT(layout.bar.x, layout.raster.x + layout.raster.w);
  EXPECT_LT(layout.bar.x + layout.bar.w, layout.width);
  const Decoded image = render_png(p);
  EXPECT_EQ(image.width(), layout.width);
  EXPECT_EQ(image.height(), layout.height);
}

TEST(RenderTest, EveryPointHasItsColourNorthUpWestLeft) {
  for (const char* name : {"viridis", "coolwarm"}) {
    Picture p = ramp_picture();
    p.map = *plot::ColourMap::find(name);
    const plot::Layout layout = plot::layout_picture(p);
    const Decoded image = render_png(p);
    const auto [lo, hi] = *p.range;
    for (int j = 1; j <= p.ny; ++j) {
      for (int i = 1; i <= p.nx; ++i) {
        const double v = 10 * j + i;
        const Pixel want = pixel_of(p.map.at((v - lo) / (hi - lo)));
        // The cell's centre and a pixel just inside each of its corners.
        const double x = layout.centre_x(i), y = layout.centre_y(j);
        const double half_w = layout.cell_w / 2.0 - 1, half_h = layout.cell_h / 2.0 - 1;
        for (auto [dx, dy] : {std::pair{0.0, 0.0}, {-half_w, -half_h}, {half_w, half_h}}) {
          EXPECT_TRUE(near(image.at(x + dx, y + dy), want)) << name << " (" << i << "," << j << ")";
        }
      }
    }
    // The top-left cell is the first point of the top row, the lowest-left the first value.
    EXPECT_EQ(layout.centre_x(1), layout.raster.x + layout.cell_w / 2.0);
    EXPECT_EQ(layout.centre_y(p.ny), layout.raster.y + layout.cell_h / 2.0);
  }
}

TEST(RenderTest, MissingPointsAreGreyAndKeyed) {
  Picture p = ramp_picture();
  p.values[0] = -9999.0f;                                  // (1,1)
  p.values[7] = -9999.05f;                                 // (3,2), within the tolerance
  p.values[19] = std::numeric_limits<float>::quiet_NaN();  // (5,4)
  p.values[12] = std::numeric_limits<float>::infinity();   // (3,3)
  p.values[13] = -9998.8f;                                 // (4,3): a value, not missing
  p.range = plot::value_range(p.values);
  EXPECT_EQ(p.range.value_or(std::pair{0.0, 0.0}).first, static_cast<double>(-9998.8f));
  EXPECT_EQ(plot::missing_count(p), 4u);
  const plot::Layout layout = plot::layout_picture(p);
  ASSERT_GT(layout.missing_key.w, 0);
  const Decoded image = render_png(p);
  for (auto [i, j] : {std::pair{1, 1}, {3, 2}, {5, 4}, {3, 3}}) {
    EXPECT_TRUE(near(image.at(layout.centre_x(i), layout.centre_y(j)), kGrey, 0)) << i << "," << j;
  }
  EXPECT_TRUE(near(image.at(layout.centre_x(4), layout.centre_y(3)), pixel_of(p.map.at(0))));
  EXPECT_FALSE(near(image.at(layout.centre_x(2), layout.centre_y(1)), kGrey, 10));

  // The key: grey with dark hatching inside its frame.
  const plot::Box& key = layout.missing_key;
  int grey = 0, dark = 0;
  for (int y = key.y + 1; y < key.y + key.h - 1; ++y) {
    for (int x = key.x + 1; x < key.x + key.w - 1; ++x) {
      const Pixel px = image.at(x, y);
      if (near(px, kGrey, 0)) ++grey;
      if (px.r < 100 && px.g < 100 && px.b < 100) ++dark;
    }
  }
  EXPECT_GT(grey, 10);
  EXPECT_GT(dark, 10);

  const plot::Layout no_missing = plot::layout_picture(ramp_picture());
  EXPECT_EQ(no_missing.missing_key.w, 0);
}

TEST(RenderTest, ColourBarEndsAreTheRangeEnds) {
  for (const char* name : {"viridis", "cividis", "magma", "coolwarm"}) {
    Picture p = ramp_picture();
    p.map = *plot::ColourMap::find(name);
    p.range = std::pair{-50.0, 150.0};
    const plot::Layout layout = plot::layout_picture(p);
    const Decoded image = render_png(p);
    const double x = layout.bar.x + layout.bar.w / 2.0;
    EXPECT_TRUE(near(image.at(x, layout.bar.y + layout.bar.h - 1), pixel_of(p.map.at(0)), 2))
        << name;
    EXPECT_TRUE(near(image.at(x, layout.bar.y), pixel_of(p.map.at(1)), 2)) << name;
    EXPECT_TRUE(near(image.at(x, layout.bar.y + layout.bar.h / 2.0), pixel_of(p.map.at(0.5)), 2))
        << name;
    // A fixed range: the values 11..45 sit low in it; none takes an end colour.
    const Pixel want = pixel_of(p.map.at((11 + 50) / 200.0));
    EXPECT_TRUE(near(image.at(layout.centre_x(1), layout.centre_y(1)), want)) << name;
  }
}

TEST(RenderTest, ValuesOutsideAFixedRangeTakeTheEndColours) {
  Picture p = ramp_picture();
  p.range = std::pair{20.0, 30.0};
  const plot::Layout layout = plot::layout_picture(p);
  const Decoded image = render_png(p);
  EXPECT_TRUE(near(image.at(layout.centre_x(5), layout.centre_y(1)), pixel_of(p.map.at(0))));
  EXPECT_TRUE(near(image.at(layout.centre_x(1), layout.centre_y(4)), pixel_of(p.map.at(1))));
  EXPECT_TRUE(near(image.at(layout.centre_x(5), layout.centre_y(2)), pixel_of(p.map.at(0.5))));
}

TEST(RenderTest, CellShapeFollowsTheGround) {
  Picture p = ramp_picture();
  p.cell_aspect = 2.0;
  plot::Layout layout = plot::layout_picture(p);
  EXPECT_EQ(layout.cell_w, 2 * layout.cell_h);
  EXPECT_LE(layout.raster.w, 640);
  p.cell_aspect = 0.5;
  layout = plot::layout_picture(p);
  EXPECT_EQ(2 * layout.cell_w, layout.cell_h);
  EXPECT_LE(layout.raster.h, 480);
}

TEST(RenderTest, LargeGridsGetOnePixelPerPoint) {
  Picture p;
  p.nx = 900;
  p.ny = 700;
  p.values.resize(900 * 700);
  for (std::size_t k = 0; k < p.values.size(); ++k) p.values[k] = static_cast<float>(k % 900);
  p.range = plot::value_range(p.values);
  const plot::Layout layout = plot::layout_picture(p);
  EXPECT_EQ(layout.cell_w, 1);
  EXPECT_EQ(layout.raster.w, 900);
  EXPECT_EQ(layout.raster.h, 700);
  const Decoded image = render_png(p);
  EXPECT_EQ(image.width(), layout.width);
  EXPECT_TRUE(near(image.at(layout.centre_x(1), layout.centre_y(1)), pixel_of(p.map.at(0))));
  EXPECT_TRUE(near(image.at(layout.centre_x(900), layout.centre_y(700)), pixel_of(p.map.at(1))));
}

TEST(RenderTest, OneValueAndNoValue) {
  Picture p = ramp_picture();
  std::fill(p.values.begin(), p.values.end(), 7.0f);
  p.range = plot::value_range(p.values);
  ASSERT_TRUE(p.range);
  EXPECT_LT(p.range->first, 7.0);
  EXPECT_GT(p.range->second, 7.0);
  Decoded image = render_png(p);
  plot::Layout layout = plot::layout_picture(p);
  EXPECT_TRUE(near(image.at(layout.centre_x(2), layout.centre_y(2)), pixel_of(p.map.at(0.5))));

  std::fill(p.values.begin(), p.values.end(), -9999.0f);
  p.range = plot::value_range(p.values);
  EXPECT_FALSE(p.range);
  image = render_png(p);
  layout = plot::layout_picture(p);
  EXPECT_TRUE(near(image.at(layout.centre_x(2), layout.centre_y(2)), kGrey, 0));
}

TEST(RenderTest, LatitudeLineIsDrawnAndLabelledOnTheLeftEdge) {
  Picture p = ramp_picture();
  plot::GraticuleLine line;
  line.kind = plot::GraticuleLine::Kind::kLatitude;
  line.label = "30°N";
  line.segments = {{{0.5, 2.25}, {5.5, 2.25}}};  // across the raster, a quarter up row 2
  p.lines = {line};
  const plot::Layout layout = plot::layout_picture(p);
  const Decoded image = render_png(p);
  const double y = layout.raster.y + layout.raster.h - 1.75 * layout.cell_h;
  const double x = layout.centre_x(3);
  const Pixel cell = pixel_of(p.map.at((23.0 - 11) / (45 - 11)));
  EXPECT_TRUE(near(image.at(x, y + 10), cell));  // off the line: the cell's colour
  const Pixel on = image.at(x, y);
  EXPECT_LT(on.r + on.g + on.b, cell.r + cell.g + cell.b - 60);  // on it: darker
  int ink = 0;  // the label, left of the raster at the line's height
  for (int yy = static_cast<int>(y) - 6; yy <= static_cast<int>(y) + 6; ++yy) {
    for (int xx = layout.raster.x - 40; xx < layout.raster.x - 2; ++xx) {
      const Pixel px = image.at(xx, yy);
      if (px.r + px.g + px.b < 300) ++ink;
    }
  }
  EXPECT_GT(ink, 10);
}

// A small well-formedness check: every element closed in order, one root.
bool well_formed(const std::string& xml, std::string& why) {
  std::vector<std::string> open;
  int roots = 0;
  std::size_t pos = 0;
  while ((pos = xml.find('<', pos)) != std::string::npos) {
    if (xml.compare(pos, 4, "<!--") == 0) {
      pos = xml.find("-->", pos);
      if (pos == std::string::npos) return why = "open comment", false;
      continue;
    }
    const std::size_t end = xml.find('>', pos);
    if (end == std::string::npos) return why = "unclosed tag", false;
    const std::string tag = xml.substr(pos + 1, end - pos - 1);
    pos = end + 1;
    if (tag.empty() || tag[0] == '?' || tag[0] == '!') continue;
    if (tag[0] == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return why = "mismatched </" + tag, false;
      open.pop_back();
      continue;
    }
    const std::string name = tag.substr(0, tag.find_first_of(" \t\n/"));
    if (open.empty()) ++roots;
    if (tag.back() != '/') open.push_back(name);
  }
  if (!open.empty()) return why = "unclosed <" + open.back() + ">", false;
  if (roots != 1) return why = std::to_string(roots) + " roots", false;
  return true;
}

TEST(RenderTest, SvgIsWellFormedAndSizedLikeThePng) {
  Picture p = ramp_picture();
  p.values[3] = -9999.0f;
  const plot::Rendered out = plot::render_picture(p, ImageFormat::kSvg);
  ASSERT_TRUE(out.ok()) << out.error;
  const std::string svg(out.bytes.begin(), out.bytes.end());
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  std::string why;
  EXPECT_TRUE(well_formed(svg, why)) << why;
  const plot::Layout layout = plot::layout_picture(p);
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  EXPECT_NE(svg.find("width=\"" + std::to_string(layout.width) + "pt\""), std::string::npos);
  EXPECT_NE(svg.find("height=\"" + std::to_string(layout.height) + "pt\""), std::string::npos);
  EXPECT_NE(svg.find("<image"), std::string::npos);          // the raster
  EXPECT_NE(svg.find("linearGradient"), std::string::npos);  // the colour bar

  std::string broken = svg;
  broken.erase(broken.rfind("</svg>"));
  EXPECT_FALSE(well_formed(broken, why));
}

}  // namespace
