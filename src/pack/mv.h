// Machine value conversion of 32-bit words: byte reversal and IEEE <-> VAX
// F-floating reals. Input and output may be the same array.
#pragma once

#include <span>

// Reverse the bytes of each of n words; returns 0.
int mv_swp4(int n, std::span<const int> input, std::span<int> output);
// IEEE (big-endian storage) to VAX; returns the number of values set to 0
// because they cannot be represented.
int mv_ev32(int n, std::span<const int> input, std::span<int> output);
// VAX to IEEE; returns 0.
// Each routine converts n words, never past the end of either array.
int mv_ve32(int n, std::span<const int> input, std::span<int> output);
