// Grid identifiers as column headers: the ten words under the keys GDT1, GTM1,
// GDT2, GTM2 (the two times, two words each), GLV1, GLV2 (levels), GVCD
// (vertical coordinate) and GPM1..GPM3 (12-character parameter name).
#include "grid/gd.h"

#include <array>
#include <span>
#include <string_view>

#include "strings/field.h"
#include "strings/st.h"
#include "time/tg.h"

namespace {

// The two stored words of one grid time text; a text that does not convert
// gives whatever the conversion left (0, 0 or 0 and the forecast word).
void time_words(std::string_view timtxt, std::span<int> timwrd) {
  std::array<int, 3> intdtf{};
  int ier = 0;
  tg_ctoi(timtxt, intdtf, ier);
  tg_itof(intdtf, timwrd, ier);
}

}  // namespace

void gd_itoh(std::span<const std::string_view> timpair, std::span<const int> levpair, int vcode,
             std::string_view pname, std::span<int> ihdarr, int& iret) {
  iret = 0;
  time_words(timpair[0], ihdarr.subspan(0, 2));
  time_words(timpair[1], ihdarr.subspan(2, 2));
  ihdarr[4] = levpair[0];
  ihdarr[5] = levpair[1];
  ihdarr[6] = vcode;

  std::array<char, 12> parm12{};
  strings::copy_field(pname, parm12);
  int nval = 0;
  int ier = 0;
  st_stoi(strings::as_view(parm12), 12, nval, ihdarr.subspan(7, 3), ier);
}
