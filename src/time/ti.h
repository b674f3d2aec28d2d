// Date and time arithmetic: date/time texts to five integers, yymmdd and hhmm
// words, and stepping back by minutes or one day.
#pragma once

#include <span>
#include <string_view>

// yymmdd/hhmm or yyyymmdd/hhmm to (year, month, day, hour, minute).
void ti_ctoi(std::string_view dttext, std::span<int> idtarr, int& iret);
// The same text to idate = yymmdd and itime = hhmm (both 0 on failure).
void ti_idtm(std::string_view dttext, int& idate, int& itime, int& iret);
// Subtract nsubm minutes; dtout written only on success; may alias idtarr.
void ti_subm(std::span<const int> idtarr, int nsubm, std::span<int> dtout, int& iret);
// Subtract one day.
void ti_subd(std::span<const int> idtarr, std::span<int> dtout, int& iret);
