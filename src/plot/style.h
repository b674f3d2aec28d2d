// Fonts and spacing of the picture, shared by the layout (which measures) and
// the renderer (which draws).
#pragma once

#include <cairo.h>

#include <string>

namespace plot::style {

inline constexpr int kMargin = 12;
inline constexpr int kBarGap = 20;  // raster to colour bar
inline constexpr int kBarWidth = 16;
inline constexpr int kBarMinHeight = 160;
inline constexpr int kTickLength = 4;
inline constexpr int kLabelGap = 3;  // tick mark to its label
inline constexpr int kKeyGap = 14;   // colour bar to the missing-point key
inline constexpr int kKeyWidth = 16, kKeyHeight = 12;
inline constexpr int kKeyTextGap = 6;
inline constexpr int kLatLabelRoom = 40;   // left of the raster, for latitude labels
inline constexpr int kLonLabelRoom = 18;   // under the raster, for longitude labels
inline constexpr int kTitleGap = 8;        // last text line to the raster
inline constexpr int kWindKeyHeight = 30;  // under the colour bar: arrow and speed

// Text and label rooms grow with the raster: 1 up to 600 pixels, then in
// proportion, up to 2.5.
double text_scale_for(int raster_width, int raster_height);

enum class TextRole { kTitle, kDetail, kLabel };

// Selects the role's face and size on cr, scaled by `scale`.
void use_font(cairo_t* cr, TextRole role, double scale = 1);
// Width in pixels of text in the role's font.
double text_width(TextRole role, const std::string& text, double scale = 1);
// Distance between baselines of the role's lines.
int line_height(TextRole role, double scale = 1);
// A length of the unscaled picture at this scale, in whole pixels.
int scaled(int length, double scale);

// "missing (12)"
std::string missing_key_text(std::size_t count);

}  // namespace plot::style
