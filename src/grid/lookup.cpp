#include "grid/lookup.h"

#include "dm/dm.h"
#include "grid/gd.h"
#include "strings/st.h"

namespace grid {

int find_grid(int gfnum, std::span<const std::string_view> timpair, std::span<const int> levpair,
              int vcode, std::string_view pname, std::array<int, kIdentifierWords>& ihdarr,
              int& icol) {
  static constexpr std::array<int, kIdentifierWords> kAllColumnKeys = {1, 2, 3, 4, 5,
                                                                       6, 7, 8, 9, 10};
  std::array<char, 12> prm{};
  int ier = 0;
  st_lcuc(pname, prm, ier);
  ihdarr = {};
  gd_itoh(timpair, levpair, vcode, std::string_view(prm.data(), prm.size()), ihdarr, ier);
  icol = 0;
  dm_srch(gfnum, "COL", kIdentifierWords, kAllColumnKeys, ihdarr, icol, ier);
  return ier;
}

}  // namespace grid
