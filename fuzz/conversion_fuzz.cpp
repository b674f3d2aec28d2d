// The whole program, dialogue and conversion, in-process. Input layout: the
// answers on standard input up to the first 0xFF byte, the input value file
// after it. The file name answers are not taken from the input: after the
// first two answer lines (NX and NY) the target inserts its own input file and
// output file, both in a private folder, so the run writes nowhere else.
//
// Checks: run_text2grid returns (never ends the process) with status 0, 1 or 2;
// nothing stays open; no file other than the two is left in the folder; and
// when a grid file was made, it passes the structure check and holds exactly
// one grid for every progress line that reported a return code of 0.
#include <stdlib.h>  // mkdtemp, setenv

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "dm/dm.h"
#include "driver/convert.h"
#include "driver/in.h"
#include "driver/text2grid.h"
#include "grid/gd.h"
#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

// Inputs whose grids or grid counts would only measure speed are skipped.
constexpr std::int64_t kMaxGridValues = 4096;
constexpr std::int64_t kMaxTimesByVariables = 64;

std::filesystem::path g_dir;
std::string g_in;
std::string g_out;

void require(bool ok) {
  if (!ok) __builtin_trap();
}

void remove_dir() {
  std::error_code ec;
  std::filesystem::remove_all(g_dir, ec);
}

// Reads the size and count answers the way the dialogue does; false when they
// ask for more work than a fuzz run should do.
bool small_enough(const std::string& answers) {
  platform::testing::set_stdin(answers);
  std::array<int, 5> v{};  // NX, NY, nskip, ntimes, nvar
  std::array<char, 70> name{};
  for (std::size_t k = 0; k < v.size(); ++k) {
    if (k == 2) {
      platform::read_field(platform::kStdinUnit, name);
      platform::read_field(platform::kStdinUnit, name);
    }
    const platform::ReadItem item = platform::ReadItem::integer(v[k]);
    if (platform::read_list(platform::kStdinUnit, {&item, 1}) != platform::kOk) return true;
  }
  if (v[0] > 0 && v[1] > 0 && std::int64_t{v[0]} * v[1] > kMaxGridValues) return false;
  return !(v[3] > 0 && v[4] > 0 && std::int64_t{v[3]} * v[4] > kMaxTimesByVariables);
}

int count_written(const std::string& out) {
  int n = 0;
  const std::string_view ok = " GD_WDAT1: iret =            0\n";
  for (std::size_t at = out.find(ok); at != std::string::npos; at = out.find(ok, at + 1)) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string pattern = (std::filesystem::temp_directory_path() / "convfuzzXXXXXX").string();
  require(mkdtemp(pattern.data()) != nullptr);
  g_dir = pattern;
  g_in = (g_dir / "values.txt").string();
  g_out = (g_dir / "grids.grd").string();
  std::atexit(remove_dir);
  const std::filesystem::path errors =
      std::filesystem::path(__FILE__).parent_path().parent_path() / "tables" / "errors";
  setenv("MORERR", errors.c_str(), 1);
  platform::testing::capture_stdout(true);
  platform::testing::capture_stderr(true);
  // The library's start condition for runs stopped before the conversion
  // starts it (the checks below look at the DM file numbers).
  int iret = 0;
  in_bdta(iret);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = std::min(all.find('\xff'), all.size());
  std::string_view stdin_text = all.substr(0, cut);
  const std::string_view values = cut < all.size() ? all.substr(cut + 1) : std::string_view{};

  // NX and NY, then the two names, then the rest of the answers.
  std::size_t after_two = 0;
  for (int line = 0; line < 2 && after_two != std::string_view::npos; ++line) {
    after_two = stdin_text.find('\n', after_two);
    if (after_two != std::string_view::npos) ++after_two;
  }
  if (after_two == std::string_view::npos) after_two = stdin_text.size();
  const std::string answers =
      std::string(stdin_text.substr(0, after_two)) +
      (after_two == stdin_text.size() && !stdin_text.empty() && stdin_text.back() != '\n' ? "\n"
                                                                                          : "") +
      g_in + "\n^" + g_out + "\n" + std::string(stdin_text.substr(after_two));
  if (!small_enough(answers)) return 0;

  std::ofstream(g_in, std::ios::binary) << values;
  platform::testing::set_stdin(answers);
  const int status = driver::run_text2grid();
  const std::string out = platform::testing::take_stdout();
  platform::testing::take_stderr();
  require(status == 0 || status == 1 || status == 2);

  // Nothing open, nothing else written.
  require(!platform::is_open(driver::kInputUnit));
  for (int idmf = 1; idmf <= 3; ++idmf) {
    int iret = 0;
    dm_chkf(idmf, iret);
    require(iret != 0);
  }
  for (const auto& entry : std::filesystem::directory_iterator(g_dir)) {
    require(entry.path() == g_in || entry.path() == g_out);
  }

  if (std::filesystem::exists(g_out)) {
    std::array<char, 200> msgtxt{};
    int iret = 0;
    dm_chck(g_out, msgtxt, iret);
    // A file cut short by a failed creation is not a grid file; every other is sound.
    if (out.find(" GD_CREF: iret =            0\n") != std::string::npos) {
      require(iret == 0);
      int gfnum = 0;
      gd_open(g_out, false, gfnum, iret);
      require(iret == 0);
      int ngrid = -1;
      gd_ngrd(gfnum, ngrid, iret);
      require(iret == 0 && ngrid == count_written(out));
      gd_clos(gfnum, iret);
    }
    std::filesystem::remove(g_out);
  }
  platform::testing::reset_stdin();
  return 0;
}
