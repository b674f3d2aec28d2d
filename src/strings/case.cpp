// Trimmed length and ASCII case conversion of fixed-width fields.
#include "strings/st.h"

#include "strings/field.h"

namespace {

// Shift every byte of `field` within [first, last] by `delta` (the ASCII case distance).
void shift_range(std::span<char> field, char first, char last, int delta) {
  for (char& c : field) {
    if (c >= first && c <= last) c = static_cast<char>(c + delta);
  }
}

}  // namespace

void st_lstr(std::string_view string, int& lens, int& iret) {
  iret = 0;
  lens = static_cast<int>(strings::trim_right(string).size());
}

void st_lcuc(std::string_view string, std::span<char> outfld, int& iret) {
  iret = 0;
  strings::copy_field(string, outfld);
  shift_range(outfld, 'a', 'z', -32);
}

void st_uclc(std::string_view string, std::span<char> outfld, int& iret) {
  iret = 0;
  strings::copy_field(string, outfld);
  shift_range(outfld, 'A', 'Z', 32);
}
