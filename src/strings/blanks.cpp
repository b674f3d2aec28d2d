// Blank handling: removing blanks, leading blanks and substrings, classifying
// characters and cleaning lists. Each routine works on a 160-character copy of
// its input; characters beyond it are not seen.
#include "strings/st.h"

#include <array>
#include <string_view>

#include "strings/field.h"

namespace {

constexpr std::size_t kWorkWidth = 160;
using WorkBuffer = std::array<char, kWorkWidth>;

bool is_blank_or_tab(char c) {
  return c == ' ' || c == '\t';
}
bool is_leading_space(char c) {
  return c == ' ' || c == '\t' || c == '\0';
}

std::string_view view_of(const WorkBuffer& buf, std::size_t n = kWorkWidth) {
  return {buf.data(), n};
}

bool is_list_punctuation(char c) {
  return c == '.' || c == '-' || c == '+' || c == '*';
}

}  // namespace

void st_rmbl(std::string_view string, std::span<char> outfld, int& length, int& iret) {
  iret = 0;
  length = 0;
  WorkBuffer input;
  strings::copy_field(string, input);
  std::size_t lens = strings::trim_right(view_of(input)).size();
  WorkBuffer kept;
  kept.fill(' ');
  std::size_t nkept = 0;
  for (std::size_t i = 0; i < lens; ++i) {
    if (!is_blank_or_tab(input[i])) kept[nkept++] = input[i];
  }
  length = static_cast<int>(nkept);
  strings::copy_field(view_of(kept), outfld);
}

void st_ldsp(std::string_view string, std::span<char> outfld, int& nc, int& iret) {
  iret = 0;
  WorkBuffer input;
  strings::copy_field(string, input);
  std::size_t lens = strings::trim_right(view_of(input)).size();
  if (lens == 0) {
    nc = 0;
    strings::copy_field("", outfld);
    return;
  }
  // The trimmed length ends on a character that is not leading space, so this stops.
  std::size_t first = 0;
  while (is_leading_space(input[first])) ++first;
  nc = static_cast<int>(lens - first);
  strings::copy_field(view_of(input).substr(first, lens - first), outfld);
}

void st_rmst(std::string_view string, std::string_view delstr, int& ipos, std::span<char> outfld,
             int& iret) {
  iret = 0;
  strings::copy_field(string, outfld);
  // A blank pattern still removes one blank.
  std::size_t lsub = strings::trim_right(delstr).size();
  std::string_view pattern = lsub == 0 ? std::string_view(" ") : delstr.substr(0, lsub);
  if (lsub == 0) lsub = 1;
  std::size_t found = string.find(pattern);
  if (found == std::string_view::npos) {
    ipos = 0;
    return;
  }
  ipos = static_cast<int>(found + 1);
  std::size_t lstr = strings::trim_right(string).size();
  std::size_t after = found + lsub;  // 0-based index of the first character after the pattern
  bool nothing_after = after >= lstr;
  WorkBuffer result;
  if (found == 0) {
    strings::copy_field(nothing_after ? std::string_view() : string.substr(after), result);
  } else {
    std::span<char> rest(result);
    std::size_t nhead = found < kWorkWidth ? found : kWorkWidth;
    strings::copy_field(string.substr(0, found), rest.first(nhead));
    std::string_view tail = nothing_after ? std::string_view() : string.substr(after, lstr - after);
    strings::copy_field(tail, rest.subspan(nhead));
  }
  strings::copy_field(view_of(result), outfld);
}

void st_alnm(std::string_view onechr, int& itype, int& iret) {
  iret = 0;
  itype = 0;
  auto within = [onechr](std::string_view low, std::string_view high) {
    return strings::compare_padded(onechr, low) >= 0 && strings::compare_padded(onechr, high) <= 0;
  };
  if (within("0", "9")) itype = 1;
  if (within("a", "z") || within("A", "Z")) itype = 2;
}

void st_rnan(std::string_view string, std::span<char> outfld, int& length, int& iret) {
  length = 0;
  iret = 0;
  WorkBuffer buf;
  strings::copy_field(string, buf);
  strings::copy_field("", outfld);
  WorkBuffer stripped;
  int isiz = 0;
  int ier = 0;
  st_ldsp(view_of(buf), stripped, isiz, ier);
  if (isiz == 0) return;
  auto nsiz = static_cast<std::size_t>(isiz);
  for (std::size_t i = 0; i < nsiz; ++i) {
    int itype = 0;
    st_alnm(std::string_view(&stripped[i], 1), itype, ier);
    if (itype == 0 && !is_list_punctuation(stripped[i])) stripped[i] = ' ';
  }
  // Compact in place: a blank directly after a kept blank is dropped.
  std::size_t nkept = 0;
  for (std::size_t i = 0; i < nsiz; ++i) {
    if (stripped[i] == ' ' && nkept > 0 && stripped[nkept - 1] == ' ') continue;
    stripped[nkept++] = stripped[i];
  }
  length = static_cast<int>(nkept);
  if (nkept > 0) strings::copy_field(view_of(stripped, nkept), outfld);
}
