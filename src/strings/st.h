// String utilities on fixed-width, blank-padded fields. Every routine ends with
// iret (0 on success); text inputs are string_views whose size is the field
// width, text outputs are the caller's fields (cut or padded with blanks).
#pragma once

#include <span>
#include <string_view>

// lens = trimmed length of string (trailing blanks, tabs and NULs not counted).
void st_lstr(std::string_view string, int& lens, int& iret);
// outfld = string with a..z turned to A..Z.
void st_lcuc(std::string_view string, std::span<char> outfld, int& iret);
// outfld = string with A..Z turned to a..z.
void st_uclc(std::string_view string, std::span<char> outfld, int& iret);
// Every blank and tab removed; length = characters kept.
void st_rmbl(std::string_view string, std::span<char> outfld, int& length, int& iret);
// Leading blanks, tabs and NULs removed; nc = trimmed length of the result.
void st_ldsp(std::string_view string, std::span<char> outfld, int& nc, int& iret);
// First occurrence of delstr removed; ipos = where it was, 0 if absent.
void st_rmst(std::string_view string, std::string_view delstr, int& ipos, std::span<char> outfld,
             int& iret);
// itype = 1 digit, 2 letter, 0 otherwise.
void st_alnm(std::string_view onechr, int& itype, int& iret);
// Clean a list: keep letters, digits, . - + *, other characters to single blanks.
void st_rnan(std::string_view string, std::span<char> outfld, int& length, int& iret);
// The field as a signed decimal integer; -2 and ival = -9999 when it is not one.
void st_intg(std::string_view string, int& ival, int& iret);
// As st_intg after removing blanks and one trailing point.
void st_numb(std::string_view string, int& ival, int& iret);
// Up to maxnum integers from a list; -1 blank text, -2 a bad item, 1 too many items.
void st_c2i(std::string_view string, int maxnum, std::span<int> iarray, int& num, int& iret);
// ival as left-justified decimal text.
void st_inch(int ival, std::span<char> outfld, int& iret);
// nval 4-character groups to integer words (first character in the lowest byte).
void st_ctoi(std::span<const std::string_view> carray, int nval, std::span<int> iarray, int& iret);
// The first nchar characters to nval integer words, four characters each.
void st_stoi(std::string_view string, int nchar, int& nval, std::span<int> iarray, int& iret);
