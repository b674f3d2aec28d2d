// Environment and system symbols: symbol lookup, expansion of a leading
// "$SYMBOL/" or "SYMBOL:" in file names, and translation of I/O statuses.
#pragma once

#include <span>
#include <string_view>

inline constexpr int kSsUndefined = -1;  // symbol not defined, or nothing to expand

// value = environment value of symbol (upper-cased, at most 20 characters; a
// leading "$" is tried with and without). iret 0 defined, -1 not.
void ss_gsym(std::string_view symbol, std::span<char> value, int& iret);
// outname = inname with its leading symbol replaced; iret 0 replaced, -1 not.
void ss_envr(std::string_view inname, std::span<char> outname, int& iret);
// iret = file-service code of an I/O status (OS, OS_VER tables); ier = 0.
void ss_iret(int iostat, int& iret, int& ier);
