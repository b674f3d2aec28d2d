// gridinfo's commands on top of the grid layer's readers. Every line goes
// through the platform's writers.
#include "driver/gridinfo.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "dm/dm.h"
#include "driver/in.h"
#include "grid/gd.h"
#include "grid/gd_codes.h"
#include "platform/platform.h"
#include "strings/field.h"

namespace gridinfo {
namespace {

constexpr int kTimeChars = 20;
constexpr int kNameChars = 12;

// The file name as the library takes it: "^" keeps it exactly as written.
std::string literal(std::string_view path) {
  return "^" + std::string(path);
}

bool is_missing(float v) {
  return std::fabs(static_cast<double>(v - (-9999.0f))) < static_cast<double>(0.1f);
}

std::string trimmed(std::span<const char> field) {
  return std::string(strings::trim_right(strings::as_view(field)));
}

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

void error_line(std::string_view path, std::string_view text) {
  platform::write_error_line("gridinfo: " + std::string(path) + ": " + std::string(text));
}

// The first structural problem of a file that did not open, for the operator.
void explain_open_failure(std::string_view path, int iret) {
  if (iret == grid::kGdNotGridFile) {
    error_line(path, "a DM file, but not a grid file (no GRID part, identifier keys or NAVB)");
    return;
  }
  std::array<char, 400> msg{};
  int ier = 0;
  dm_chck(literal(path), msg, ier);
  error_line(path, ier != 0 ? trimmed(msg) : "cannot be opened as a grid file");
}

// Opens path for reading; gfnum 0 when it failed (and the failure was reported).
int open_grid_file(std::string_view path) {
  int gfnum = 0, iret = 0;
  gd_open(literal(path), false, gfnum, iret);
  if (iret != 0) {
    explain_open_failure(path, iret);
    return 0;
  }
  return gfnum;
}

void close_grid_file(int gfnum) {
  int ier = 0;
  gd_clos(gfnum, ier);
}

// Values of grid igrid (kx x ky); empty with a reported problem on failure.
std::vector<float> read_grid(std::string_view path, int gfnum, int igrid, int& kx, int& ky) {
  // Room for the largest grid a record can hold; sized by the record itself.
  std::vector<float> values(1024);
  std::array<int, 128> grdhdr{};
  for (;;) {
    int iret = 0;
    gd_rgrd(gfnum, igrid, values, kx, ky, grdhdr, iret);
    if (iret == 0) {
      values.resize(static_cast<std::size_t>(kx) * static_cast<std::size_t>(ky));
      return values;
    }
    if (iret == grid::kGdBadSize && values.size() < (std::size_t{1} << 31)) {
      values.resize(values.size() * 8);
      continue;
    }
    error_line(path, iret == grid::kGdNoGrid
                         ? "no grid number " + std::to_string(igrid)
                         : "grid " + std::to_string(igrid) + " cannot be read (code " +
                               std::to_string(iret) + ")");
    return {};
  }
}

std::string packing_name(int ipktyp) {
  switch (ipktyp) {
    case 0:
      return "none";
    case 1:
      return "GRIB";
    case 3:
      return "diff";
    default:
      return "type" + std::to_string(ipktyp);
  }
}

void list_navigation(int gfnum) {
  std::array<float, 256> nav{};
  int nnav = 0, ier = 0;
  gd_gnav(gfnum, nav, nnav, ier);
  std::array<char, 4> proj{};
  std::memcpy(proj.data(), &nav[1], proj.size());  // word 2 holds the name's characters
  platform::write_line("Projection: " + trimmed(proj) + "  (navigation type " + real_text(nav[0]) +
                       ")");
  platform::write_line("Size: " + real_text(nav[4]) + " x " + real_text(nav[5]));
  platform::write_line("Corners: " + real_text(nav[6]) + " " + real_text(nav[7]) + "  " +
                       real_text(nav[8]) + " " + real_text(nav[9]));
  platform::write_line("Angles: " + real_text(nav[10]) + " " + real_text(nav[11]) + " " +
                       real_text(nav[12]));
}

// One listing line for grid igrid, or nothing when the number holds no grid.
void list_grid(std::string_view path, int gfnum, int igrid, int& ngrids) {
  std::array<char, kTimeChars> time1{}, time2{};
  std::array<int, 2> levpair{};
  std::array<char, kNameChars> pname{};
  int vcode = 0, iret = 0;
  gd_gidn(gfnum, igrid, time1, time2, levpair, vcode, pname, iret);
  if (iret == grid::kGdNoGrid) return;
  ++ngrids;
  int ipktyp = 0, nbits = 0, kx = 0, ky = 0;
  gd_gpck(gfnum, igrid, ipktyp, nbits, iret);
  std::string line = padded(std::to_string(igrid), 6) + padded(trimmed(time1), 17) +
                     padded(trimmed(time2), 17) + padded(std::to_string(levpair[0]), 8) +
                     padded(std::to_string(levpair[1]), 8) + padded(std::to_string(vcode), 8) +
                     padded(trimmed(pname), 13);
  std::vector<float> values = read_grid(path, gfnum, igrid, kx, ky);
  if (values.empty()) {
    platform::write_line(line + "(unreadable)");
    return;
  }
  line += padded(packing_name(ipktyp), 6) + padded(std::to_string(nbits), 5) +
          padded(std::to_string(kx) + "x" + std::to_string(ky), 10);
  std::optional<float> lo, hi;
  for (float v : values) {
    if (is_missing(v)) continue;
    if (!lo || v < *lo) lo = v;
    if (!hi || v > *hi) hi = v;
  }
  line += lo ? padded(real_text(*lo), 14) + real_text(*hi) : "all missing";
  platform::write_line(line);
}

}  // namespace

std::string real_text(float value) {
  std::array<char, 32> buf{};
  auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), value);
  return ec == std::errc() ? std::string(buf.data(), end) : std::string("?");
}

int list_file(std::string_view path) {
  const int gfnum = open_grid_file(path);
  if (gfnum == 0) return kExitBadFile;
  platform::write_line("File: " + std::string(path));
  list_navigation(gfnum);
  int last = 0, ier = 0;
  gd_ngrd(gfnum, last, ier);
  std::vector<std::string> lines;
  platform::write_line(
      "Grid  Time 1           Time 2           Level 1 Level 2 Vcoord  Parameter    "
      "Pack  Bits Size      Minimum       Maximum");
  int ngrids = 0;
  for (int igrid = 1; igrid <= last; ++igrid) list_grid(path, gfnum, igrid, ngrids);
  platform::write_line("Grids: " + std::to_string(ngrids));
  close_grid_file(gfnum);
  return kExitOk;
}

int dump_grid(std::string_view path, int igrid) {
  const int gfnum = open_grid_file(path);
  if (gfnum == 0) return kExitBadFile;
  int kx = 0, ky = 0;
  std::vector<float> values = read_grid(path, gfnum, igrid, kx, ky);
  close_grid_file(gfnum);
  if (values.empty()) return kExitBadFile;
  // The converter reads rows from the top (row ky) down, each row west to east.
  for (int j = ky; j >= 1; --j) {
    for (int i = 1; i <= kx; ++i) {
      platform::write_line(real_text(values[static_cast<std::size_t>((j - 1) * kx + (i - 1))]));
    }
  }
  return kExitOk;
}

int check_file(std::string_view path) {
  std::array<char, 400> msg{};
  int iret = 0;
  dm_chck(literal(path), msg, iret);
  if (iret != 0) {
    error_line(path, trimmed(msg));
    return kExitBadFile;
  }
  platform::write_line("OK");
  return kExitOk;
}

int run(std::span<const std::string> args) {
  CLI::App app{"gridinfo: look inside a grid file written by text2grid", "gridinfo"};
  std::string path;
  int igrid = 0;
  bool check = false;
  app.add_option("FILE", path, "the grid file")->required();
  auto* dump = app.add_option("--dump", igrid,
                              "write grid N's values as text, top row first, one per line, "
                              "as text2grid reads them")
                   ->check(CLI::PositiveNumber)
                   ->type_name("N");
  auto* chk = app.add_flag("--check", check, "check the file's structure: OK, or the first fault");
  dump->excludes(chk);

  std::vector<std::string> rest(args.begin() + (args.empty() ? 0 : 1), args.end());
  std::reverse(rest.begin(), rest.end());  // CLI11 takes the words last first
  try {
    app.parse(rest);
  } catch (const CLI::CallForHelp&) {
    platform::write_line(app.help());
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    platform::write_error_line(std::string("gridinfo: ") + e.what());
    platform::write_error_line("Run gridinfo --help for the usage.");
    return kExitUsage;
  }
  int ier = 0;
  in_bdta(ier);  // every layer in its start condition: no file open, the cache empty
  if (check) return check_file(path);
  if (dump->count() > 0) return dump_grid(path, igrid);
  return list_file(path);
}

}  // namespace gridinfo
