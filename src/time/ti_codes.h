// Return codes of the time families. ti_: date/time texts and arithmetic;
// tg_: grid time texts.
#pragma once

namespace timecodes {

inline constexpr int kTiBadText = -1;     // too short, no "/" at 7 or 9, or a field not an integer
inline constexpr int kTiBadYear = -7;     // negative date, or year out of range
inline constexpr int kTiBadMonth = -8;    // month outside 1-12
inline constexpr int kTiBadDay = -9;      // day outside 1 to the month's day count
inline constexpr int kTiBadHour = -10;    // negative time, or hour outside 0-24
inline constexpr int kTiBadMinute = -11;  // minute outside 0-60

inline constexpr int kTgBadDateTime = -1;  // characters 1-11 not a valid date and time
inline constexpr int kTgBadType = -2;      // period longer than 5, or unknown type letter
inline constexpr int kTgBadPeriod = -3;    // period not a non-negative integer

}  // namespace timecodes
