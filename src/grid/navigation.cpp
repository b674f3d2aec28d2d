// The navigation block of a grid: 256 reals naming the projection, the grid
// size, the two corner points and the three projection angles.
//
//   word 1      navigation type: 3 for LIN, LOG, KAP, POL; else 2 (angles given) or 1
//   word 2      projection name, 4 characters packed into the word's bytes
//   words 3, 4  1.0
//   words 5, 6  points along X and Y
//   words 7-10  lat1, lon1, lat2, lon2
//   words 11-13 angl1, angl2, angl3
//   14-256      0.0
#include "grid/gr.h"

#include <algorithm>
#include <array>
#include <bit>
#include <span>
#include <string_view>

#include "grid/gd_blocks.h"
#include "strings/field.h"
#include "strings/st.h"

namespace {

constexpr std::array<std::string_view, 4> kLinearProjections = {"LIN", "LOG", "KAP", "POL"};

// Equal as fixed-width fields: the shorter one counts as padded with blanks.
bool same_field(std::string_view a, std::string_view b) {
  const std::size_t n = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char ca = i < a.size() ? a[i] : ' ';
    const char cb = i < b.size() ? b[i] : ' ';
    if (ca != cb) return false;
  }
  return true;
}

// Store `value` as word `iword` (from 1) when the caller's block reaches it.
void set_word(std::span<float> navblock, int iword, float value) {
  const auto i = static_cast<std::size_t>(iword - 1);
  if (i < navblock.size()) navblock[i] = value;
}

}  // namespace

void gr_mnav(std::string_view proj, int kx, int ky, float lat1, float lon1, float lat2, float lon2,
             float angl1, float angl2, float angl3, bool angset, std::span<float> navblock,
             int& iret) {
  iret = 0;
  const std::size_t nclear = std::min<std::size_t>(navblock.size(), grid::kNavWords);
  std::fill_n(navblock.begin(), nclear, 0.0f);

  // Word 2 holds the name's characters, not a number: move the packed word's bits.
  std::array<char, 4> name4{};
  strings::copy_field(proj, name4);
  const std::array<std::string_view, 1> carray = {strings::as_view(name4)};
  std::array<int, 1> iname = {0};
  int ier = 0;
  st_ctoi(carray, 1, iname, ier);
  set_word(navblock, 2, std::bit_cast<float>(iname[0]));

  set_word(navblock, 3, 1.0f);
  set_word(navblock, 4, 1.0f);
  set_word(navblock, 5, static_cast<float>(kx));
  set_word(navblock, 6, static_cast<float>(ky));
  set_word(navblock, 7, lat1);
  set_word(navblock, 8, lon1);
  set_word(navblock, 9, lat2);
  set_word(navblock, 10, lon2);
  set_word(navblock, 11, angl1);
  set_word(navblock, 12, angl2);
  set_word(navblock, 13, angl3);

  const bool linear = std::any_of(kLinearProjections.begin(), kLinearProjections.end(),
                                  [proj](std::string_view name) { return same_field(proj, name); });
  float navtype = angset ? 2.0f : 1.0f;
  if (linear) navtype = 3.0f;
  set_word(navblock, 1, navtype);
}
