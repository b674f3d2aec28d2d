// Message files and context strings on arbitrary bytes. Input layout:
//   byte 0       group choice (low 3 bits) and whether the number is one byte
//                or four (top bit)
//   byte 1 or 1-4  the message number
//   the rest     the message file, then after the first 0xFF byte the context
// The file is written as <group>.ERR in a private MORERR folder (removed at
// exit); the blank and odd groups have no file. Checks: er_mmsg and er_wmsg
// return 0, 2 or 3 and agree; the message starts with its prefix; er_wmsg
// writes exactly one line (nothing for number 0); every unit the search took
// is handed back.
#include <stdlib.h>  // mkdtemp, setenv

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/platform_test.h"
#include "services/er.h"
#include "services/fl.h"

namespace {

std::filesystem::path g_dir;

void require(bool ok) {
  if (!ok) __builtin_trap();
}

void remove_dir() {
  std::error_code ec;
  std::filesystem::remove_all(g_dir, ec);
}

constexpr std::array<std::string_view, 8> kGroups = {
    "DM",
    "FL",
    "GD",
    "dm",
    " ",
    "Gd  ",
    "../DM",
    "GROUPNAMEWELLBEYONDTHEPREFIXFIELDOFONEHUNDREDTWENTYEIGHT"
    "CHARACTERSGROUPNAMEWELLBEYONDTHEPREFIXFIELDOFONEHUNDRED"};

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern = (std::filesystem::temp_directory_path() / "msgfuzzXXXXXX").string();
  require(mkdtemp(pattern.data()) != nullptr);
  g_dir = pattern;
  setenv("MORERR", pattern.c_str(), 1);
  std::atexit(remove_dir);
  services::reset_units();
  platform::testing::capture_stdout(true);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string_view group = kGroups[data[0] & 7u];
  int msgnum = static_cast<std::int8_t>(data[1]);
  std::size_t used = 2;
  if ((data[0] & 0x80u) != 0 && size >= 5) {
    std::memcpy(&msgnum, data + 1, sizeof msgnum);
    used = 5;
  }
  const std::string_view rest(reinterpret_cast<const char*>(data) + used, size - used);
  const std::size_t cut = std::min(rest.find('\xff'), rest.size());
  const std::string_view file_text = rest.substr(0, cut);
  const std::string_view context = cut < rest.size() ? rest.substr(cut + 1) : std::string_view{};

  // The group's file, for groups that name one inside the folder.
  const std::string trimmed(group.substr(0, group.find_last_not_of(' ') + 1));
  const bool plain = !trimmed.empty() && std::all_of(trimmed.begin(), trimmed.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  });
  const std::filesystem::path file = g_dir / (trimmed + ".ERR");
  if (plain) std::ofstream(file, std::ios::binary) << file_text;

  std::string outmsg(8 + (data[0] >> 3 & 15u) * 10, '?');
  int iret = -1;
  er_mmsg(group, msgnum, context, outmsg, iret);
  require(iret == 0 || iret == kErNoFile || iret == kErNotFound);
  const std::string prefix = trimmed.empty() ? "[MORLIX " : "[" + upper(trimmed) + " ";
  require(outmsg.compare(0, std::min(prefix.size(), outmsg.size()), prefix, 0,
                         std::min(prefix.size(), outmsg.size())) == 0);

  int wret = -1;
  er_wmsg(group, msgnum, context, wret);
  const std::string out = platform::testing::take_stdout();
  if (msgnum == 0) {
    require(wret == 0 && out.empty());
  } else {
    require(wret == iret);
    require(out.rfind(" [", 0) == 0 && out.back() == '\n');
  }

  // The search closed its table file: the lowest unit is free again.
  int lun = 0;
  int ier = 0;
  fl_glun(lun, ier);
  require(lun == 11);
  fl_flun(lun, ier);

  if (plain) std::filesystem::remove(file);
  return 0;
}
