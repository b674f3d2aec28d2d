// Grid time conversions: the 20-character grid time text, its three integers
// (date, time, forecast word) and the two stored column-header words.
#pragma once

#include <span>
#include <string_view>

// Text to (yymmdd, hhmm, forecast word); -1 bad date/time, -2 bad type or
// period too long, -3 period not an integer. Remembers the last success.
void tg_ctoi(std::string_view timtxt, std::span<int> intdtf, int& iret);
// Forecast type letter and period text to the forecast word.
void tg_iftm(std::string_view ftype, std::string_view ftime, int& iftime, int& iret);
// Valid time to the matching initial "F" time; may alias.
void tg_vtof(std::span<const int> validt, std::span<int> intdtf, int& iret);
// Three integers to the two stored words.
void tg_itof(std::span<const int> intdtf, std::span<int> timwrd, int& iret);
// Two stored words back to three integers.
void tg_ftoi(std::span<const int> timwrd, std::span<int> intdtf, int& iret);

// Three integers back to the grid time text (yymmdd/hhmm, then the forecast
// type letter and the period as hhh, or hhhmm when it has minutes); (0, 0, 0)
// gives a blank text. -1 a date or time that does not fit its digits, -2 a
// forecast word that is negative or of an unknown type (the text is blank).
void tg_itoc(std::span<const int> intdtf, std::span<char> timtxt, int& iret);
