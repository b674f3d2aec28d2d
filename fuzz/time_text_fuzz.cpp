// Time texts and number texts on arbitrary bytes of any width: the fuzz input
// is handed over as the string_view itself, so a read past its end is caught.
// Besides memory safety the target checks what must hold for every text:
//  - ti_idtm agrees with ti_ctoi, and a date ti_ctoi accepts can step back a
//    day (ti_subd) and any number of minutes (ti_subm);
//  - tg_ctoi gives the same answer twice (its memory only saves work), its
//    stored words come back through tg_itof/tg_ftoi, and its codes are 0, -1,
//    -2 or -3;
//  - st_intg/st_numb give -9999 on failure; st_c2i never counts past maxnum;
//  - a typed time that is refused says why; a grid time text read with the
//    default window is a real date there, and a time selection made of a
//    grid time text picks that very text.
#include <array>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

#include "strings/st.h"
#include "time/civil_time.h"
#include "time/grid_time_reading.h"
#include "time/tg.h"
#include "time/ti.h"
#include "time/time_query.h"

namespace {

void require(bool ok) {
  if (!ok) __builtin_trap();
}

void check_date_time(std::string_view text, int nsubm) {
  std::array<int, 5> idtarr{};
  int iret = 0;
  ti_ctoi(text, idtarr, iret);
  int idate = -1;
  int itime = -1;
  int ier = 0;
  ti_idtm(text, idate, itime, ier);
  require(ier == iret);
  if (iret != 0) {
    require(idate == 0 && itime == 0);
    return;
  }
  require(idate == (idtarr[0] % 100) * 10000 + idtarr[1] * 100 + idtarr[2]);
  require(itime == idtarr[3] * 100 + idtarr[4]);
  std::array<int, 5> back{};
  ti_subd(idtarr, back, ier);
  require(ier == 0);
  ti_subm(idtarr, nsubm, back, ier);
  require(ier == 0);
}

void check_grid_time(std::string_view text) {
  std::array<int, 3> first{};
  std::array<int, 3> again{};
  int iret = 0;
  int ier = 0;
  tg_ctoi(text, first, iret);
  require(iret == 0 || iret == -1 || iret == -2 || iret == -3);
  tg_ctoi(text, again, ier);
  require(ier == iret && again == first);
  if (iret != 0) return;

  std::array<int, 2> words{};
  std::array<int, 3> back{};
  tg_itof(first, words, ier);
  tg_ftoi(words, back, ier);
  // A valid time stepped back before 1 January of year 00 has a negative
  // date, and one whose period has more than 59 minutes can get a negative
  // time (see tg_vtof); their words do not split back. Every other time does.
  if (first[0] >= 0 && first[1] >= 0) require(back == first);
}

void check_typed_time(std::string_view text) {
  std::string problem;
  const std::optional<timewin::TimeQuery> q = timewin::TimeQuery::parse(text, {}, problem);
  require(q.has_value() || !problem.empty());
  const std::optional<timewin::GridTimeReading> t = timewin::read_grid_time(text, {});
  if (!t) return;
  const timecal::CivilTime back = timecal::from_minutes(t->reference_minutes());
  require(timecal::valid_date(back.year, back.month, back.day));
  require(!q || !q->valid_minutes().has_value() ||
          q->matches(text) == (*q->valid_minutes() == t->valid_minutes()));
  if (q && !q->valid_minutes()) require(q->matches(text));
}

void check_numbers(std::string_view text, int maxnum) {
  int ival = 0;
  int iret = 0;
  st_intg(text, ival, iret);
  require(iret == 0 || (iret == -2 && ival == -9999));
  st_numb(text, ival, iret);
  require(iret == 0 || (iret == -2 && ival == -9999));

  std::array<int, 8> iarray{};
  int num = -1;
  st_c2i(text, maxnum, std::span<int>(iarray).first(static_cast<std::size_t>(maxnum)), num, iret);
  require(num >= 0 && num <= maxnum);
  require(iret == 0 || iret == 1 || iret == -1 || iret == -2);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // A minute count and a list size drawn from the text's own bytes.
  std::uint32_t raw = 0;
  std::memcpy(&raw, data, size < sizeof raw ? size : sizeof raw);
  // Mostly up to 2^24 minutes (32 years of day steps); the whole range when
  // the top bit is set.
  const int nsubm = static_cast<int>(raw & ((raw >> 31) != 0 ? 0x7fffffffu : 0x00ffffffu));
  const int maxnum = static_cast<int>(size % 9);

  check_date_time(text, nsubm);
  check_grid_time(text);
  check_typed_time(text);
  check_numbers(text, maxnum);
  return 0;
}
