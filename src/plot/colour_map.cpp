// The colour-map tables. viridis, cividis and magma are sampled at every fifth
// entry of their published 256-entry tables (52 anchors, 1/51 apart);
// coolwarm, a diverging map (blue, neutral grey at the middle, red), is its
// published 33-entry table (1/32 apart), from the Msh interpolation between
// (59, 76, 192) and (180, 4, 38).
#include "plot/colour_map.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace plot {

namespace {

constexpr std::array<std::uint32_t, 52> kViridis = {
    0x440154, 0x46085C, 0x471063, 0x481769, 0x481D6F, 0x482475, 0x472A7A, 0x46307E, 0x453781,
    0x433D84, 0x414287, 0x3F4889, 0x3D4E8A, 0x3A538B, 0x38598C, 0x355E8D, 0x33638D, 0x31688E,
    0x2E6D8E, 0x2C718E, 0x2A768E, 0x297B8E, 0x27808E, 0x25848E, 0x23898E, 0x218E8D, 0x20928C,
    0x1F978B, 0x1E9C89, 0x1FA188, 0x21A585, 0x24AA83, 0x28AE80, 0x2EB37C, 0x35B779, 0x3DBC74,
    0x46C06F, 0x50C46A, 0x5AC864, 0x65CB5E, 0x70CF57, 0x7CD250, 0x89D548, 0x95D840, 0xA2DA37,
    0xB0DD2F, 0xBDDF26, 0xCAE11F, 0xD8E219, 0xE5E419, 0xF1E51D, 0xFDE725,
};

constexpr std::array<std::uint32_t, 52> kCividis = {
    0x00224E, 0x002656, 0x002A5F, 0x002D68, 0x003070, 0x083370, 0x163770, 0x203A6F, 0x273E6E,
    0x2E416D, 0x34456C, 0x3A486C, 0x3F4C6C, 0x444F6C, 0x49536C, 0x4E566C, 0x535A6D, 0x575D6D,
    0x5C616E, 0x60646F, 0x656870, 0x696B71, 0x6D6F72, 0x727274, 0x767676, 0x7A7A78, 0x7E7D78,
    0x838179, 0x888578, 0x8D8878, 0x928C78, 0x969077, 0x9B9476, 0xA09875, 0xA59C74, 0xAAA073,
    0xAFA471, 0xB5A86F, 0xBAAC6D, 0xBFB06B, 0xC4B468, 0xC9B965, 0xCFBD62, 0xD4C15F, 0xDAC65B,
    0xDFCA57, 0xE5CF52, 0xEAD34C, 0xF0D846, 0xF6DD3F, 0xFCE236, 0xFEE838,
};

constexpr std::array<std::uint32_t, 52> kMagma = {
    0x000004, 0x02020B, 0x050416, 0x090720, 0x0E0B2B, 0x140E36, 0x1A1042, 0x21114E, 0x29115A,
    0x311165, 0x390F6E, 0x420F75, 0x4A1079, 0x52137C, 0x5A167E, 0x621980, 0x6A1C81, 0x721F81,
    0x792282, 0x812581, 0x892881, 0x912B81, 0x992D80, 0xA1307E, 0xAA337D, 0xB2357B, 0xBA3878,
    0xC23B75, 0xCA3E72, 0xD2426F, 0xD9466B, 0xE04C67, 0xE75263, 0xEC5860, 0xF1605D, 0xF4695C,
    0xF7725C, 0xF97B5D, 0xFB8560, 0xFC8E64, 0xFD9869, 0xFEA16E, 0xFEAA74, 0xFEB47B, 0xFEBD82,
    0xFEC68A, 0xFECF92, 0xFED89A, 0xFDE2A3, 0xFDEBAC, 0xFCF4B6, 0xFCFDBF,
};

constexpr std::array<std::uint32_t, 33> kCoolwarm = {
    0x3B4CC0, 0x445ACC, 0x4E68D7, 0x5875E1, 0x6282EA, 0x6C8EF1, 0x779AF7, 0x82A5FB, 0x8DB0FE,
    0x98B9FF, 0xA3C2FE, 0xAEC9FD, 0xB8D0F9, 0xC2D5F4, 0xCCD9EE, 0xD5DBE6, 0xDDDDDD, 0xE5D8D1,
    0xECD3C6, 0xF1CCB9, 0xF5C4AD, 0xF7BBA0, 0xF7B194, 0xF7A687, 0xF49A7B, 0xF18D6F, 0xEC7F63,
    0xE57057, 0xDE614C, 0xD55042, 0xCB3E38, 0xC0282F, 0xB40426,
};

struct Entry {
  std::string_view name;
  std::span<const std::uint32_t> anchors;
};
constexpr std::array<Entry, 4> kMaps = {{
    {"viridis", kViridis},
    {"cividis", kCividis},
    {"magma", kMagma},
    {"coolwarm", kCoolwarm},
}};

bool same_name(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

Rgb rgb_from_hex(std::uint32_t hex) {
  return {static_cast<double>((hex >> 16) & 0xFFu) / 255.0,
          static_cast<double>((hex >> 8) & 0xFFu) / 255.0,
          static_cast<double>(hex & 0xFFu) / 255.0};
}

ColourMap::ColourMap(std::string_view name, std::span<const std::uint32_t> anchors)
    : name_(name), anchors_(anchors) {}

double ColourMap::anchor_position(std::size_t k) const {
  return static_cast<double>(k) / static_cast<double>(anchors_.size() - 1);
}

Rgb ColourMap::at(double t) const {
  if (!(t > 0)) return anchor_colour(0);  // also NaN
  if (t >= 1) return anchor_colour(anchors_.size() - 1);
  const double x = t * static_cast<double>(anchors_.size() - 1);
  const auto k = static_cast<std::size_t>(std::floor(x));
  const double f = x - static_cast<double>(k);
  const Rgb a = anchor_colour(k);
  const Rgb b = anchor_colour(std::min(k + 1, anchors_.size() - 1));
  return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}

std::optional<ColourMap> ColourMap::find(std::string_view name) {
  for (const Entry& e : kMaps) {
    if (same_name(e.name, name)) return ColourMap(e.name, e.anchors);
  }
  return std::nullopt;
}

std::vector<std::string> ColourMap::names() {
  std::vector<std::string> list;
  for (const Entry& e : kMaps) list.emplace_back(e.name);
  return list;
}

}  // namespace plot
