// Environment symbols: the lookup of a symbol's value and the expansion of a
// leading "$SYMBOL/" or "SYMBOL:" in a file name into "value/rest".
#include "services/ss.h"

#include <array>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "services/name_width.h"
#include "strings/field.h"
#include "strings/st.h"

namespace {

constexpr std::size_t kSymbolWidth = 20;  // symbol names are looked up at most this long
constexpr std::size_t kEnvirnWidth = 48;  // symbol part of a file name
using services::kNameWidth;

// Value of an environment variable; empty when it is not set. A name holding a
// NUL cannot name a variable, so it is not looked up (the lookup would see only
// the part before the NUL).
std::string env_value(std::string_view name) {
  if (name.empty() || name.find('\0') != std::string_view::npos) return {};
  return platform::get_env(name).value_or(std::string{});
}

// A symbol is defined when its value does not begin with a blank.
bool is_defined(std::string_view value) {
  return !value.empty() && value.front() != ' ';
}

}  // namespace

void ss_gsym(std::string_view symbol, std::span<char> value, int& iret) {
  iret = 0;
  int ier = 0;
  std::array<char, kSymbolWidth> name{};
  st_lcuc(symbol, name, ier);
  int lens = 0;
  st_lstr(strings::as_view(name), lens, ier);
  std::string_view key(name.data(), static_cast<std::size_t>(lens));

  std::string found = env_value(key);
  // "$MORERR" names a variable of that exact name first, then MORERR.
  if (!is_defined(found) && key.starts_with('$')) found = env_value(key.substr(1));
  strings::copy_field(found, value);
  if (!is_defined(found)) iret = kSsUndefined;
}

void ss_envr(std::string_view inname, std::span<char> outname, int& iret) {
  iret = kSsUndefined;
  constexpr auto npos = std::string_view::npos;
  const std::size_t idollar = inname.find('$');
  const std::size_t icolon = inname.find(':');
  const std::size_t islash = inname.find('/');

  std::string symbol;
  std::string_view rest;
  if (idollar == 0 && islash != npos) {  // "$SYMBOL/rest"
    symbol = inname.substr(0, islash);
    rest = inname.substr(islash + 1);
  } else if (idollar == 0) {  // "$SYMBOL": the whole name, nothing after it
    symbol = inname;
  } else if (icolon != npos && icolon >= 1) {  // "SYMBOL:rest"
    symbol = "$";
    symbol += inname.substr(0, icolon);
    rest = inname.substr(icolon + 1);
  } else {
    strings::copy_field(inname, outname);
    return;
  }

  int ier = 0;
  std::array<char, kEnvirnWidth> envirn{};
  st_lcuc(symbol, envirn, ier);
  std::array<char, kNameWidth> symval{};
  ss_gsym(strings::as_view(envirn), symval, ier);
  if (ier != 0) {
    strings::copy_field(inname, outname);
    return;
  }

  std::array<char, kNameWidth> tmpnam{};
  strings::copy_field(rest, tmpnam);
  std::string expanded(strings::trim_right(strings::as_view(symval)));
  expanded += '/';
  expanded += strings::as_view(tmpnam);
  strings::copy_field(expanded, outname);
  iret = 0;
}
