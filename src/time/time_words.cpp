// The three integers of a grid time and its two stored column-header words:
//   forecast word 0:  (yymmdd, hhmm)
//   otherwise:        (mmdd * 1000000 + yy * 10000 + hhmm, forecast word)
// e.g. (910823, 1200, 101200) <-> (823911200, 101200). A first word above
// 99999999 marks the second shape.
#include "time/tg.h"

#include <cstdint>

namespace {

constexpr int kLargestDateWord = 99999999;

}  // namespace

void tg_itof(std::span<const int> intdtf, std::span<int> timwrd, int& iret) {
  iret = 0;
  int idate = intdtf[0];
  int itime = intdtf[1];
  int iftime = intdtf[2];
  if (iftime == 0) {
    timwrd[0] = idate;
    timwrd[1] = itime;
    return;
  }
  int iyyy = idate / 10000;
  int mmdd = idate - iyyy * 10000;
  // At most 1231992359 for a real date; other inputs keep the wrapped 32-bit value.
  std::int64_t word = std::int64_t{mmdd} * 1000000 + std::int64_t{iyyy} * 10000 + itime;
  timwrd[0] = static_cast<int>(word);
  timwrd[1] = iftime;
}

void tg_ftoi(std::span<const int> timwrd, std::span<int> intdtf, int& iret) {
  iret = 0;
  int iword1 = timwrd[0];
  int iword2 = timwrd[1];
  if (iword1 <= kLargestDateWord) {
    intdtf[0] = iword1;
    intdtf[1] = iword2;
    intdtf[2] = 0;
    return;
  }
  int mmddyy = iword1 / 10000;
  int hhmm = iword1 - mmddyy * 10000;
  int mmdd = mmddyy / 100;
  int iyyy = mmddyy - mmdd * 100;
  intdtf[0] = iyyy * 10000 + mmdd;
  intdtf[1] = hhmm;
  intdtf[2] = iword2;
}
