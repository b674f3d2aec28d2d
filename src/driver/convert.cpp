// The conversion loop: open the input on unit 9, start the library, build the
// navigation block, create the grid file, then for every time, variable and
// level read one grid (top row first, one free-form read per value) and write
// it with gd_wdat. Every return code goes to standard output on its progress
// line and none changes the course of the loop; the run's outcome is kept
// aside for the exit status.
#include "driver/convert.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "dm/dm.h"
#include "driver/in.h"
#include "grid/gd.h"
#include "grid/gr.h"
#include "platform/platform.h"

namespace driver {
namespace {

constexpr int kNavWords = 256;       // navigation block stored as "NAVB"
constexpr int kAnlWords = 128;       // analysis block stored as "ANLB"
constexpr int kGridHeaderWords = 2;  // grid header length given at creation
constexpr int kMaxGrids = 9999;      // columns of the grid file
constexpr int kSecondLevel = -1;     // level 2 of every grid

std::string without_trailing_blanks(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return std::string(text.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

std::string quoted(std::string_view text) {
  std::string q;
  q.reserve(text.size() + 2);
  q.append(1, '"').append(text).append(1, '"');
  return q;
}

// Operating-system text for a platform status.
std::string reason(int status) {
  return std::generic_category().message(status);
}

// Closes what a run may leave open: the input unit and, once the library has
// been started, the grid file and any other DM file (a close flushes the
// record cache first). Runs on every way out of convert().
class RunFiles {
 public:
  RunFiles() = default;
  RunFiles(const RunFiles&) = delete;
  RunFiles& operator=(const RunFiles&) = delete;
  void library_started() { started_ = true; }
  ~RunFiles() {
    if (platform::is_open(kInputUnit)) platform::close_unit(kInputUnit);
    if (!started_) return;
    for (int idmf = 1; idmf <= dm::kMaxFiles; ++idmf) {
      int iret = 0;
      gd_clos(idmf, iret);  // a grid file: closed and no longer a grid file
      dm_chkf(idmf, iret);
      if (iret == 0) dm_clos(idmf, iret);  // a DM file left by a failed creation
    }
  }

 private:
  bool started_ = false;
};

// The reader of the input values, which reports why the input stopped.
class InputValues {
 public:
  explicit InputValues(std::string name) : name_(std::move(name)) {}

  int open() {
    const int status = platform::open_sequential(kInputUnit, name_);
    if (status != platform::kOk) {
      platform::write_error_line("text2grid: cannot open the input file " + quoted(name_) + ": " +
                                 reason(status));
    }
    return status;
  }

  // Reads grid number `igrid` (from 1): for j = NY down to 1, for i = 1..NX,
  // one real into position (j-1) x NX + i. False, with the message written,
  // when the values run out or one cannot be read.
  bool read_grid(int NX, int NY, std::span<float> grid, int igrid) {
    // With NX of 0 or less a row holds no value (and there is no buffer).
    const auto nx = static_cast<std::size_t>(std::max(NX, 0));
    std::int64_t nread = 0;
    for (int j = NY; j >= 1; --j) {
      const std::span<float> row = grid.subspan(static_cast<std::size_t>(j - 1) * nx, nx);
      std::size_t count = 0;
      const int status = platform::read_reals(kInputUnit, row, count, &bad_);
      nread += static_cast<std::int64_t>(count);
      if (status != platform::kOk) {
        report(status, nread + 1, igrid);
        return false;
      }
    }
    return true;
  }

 private:
  void report(int status, std::int64_t ivalue, int igrid) const {
    const std::string line = std::to_string(platform::line_number(kInputUnit));
    std::string message = "text2grid: input file " + quoted(name_);
    if (status == platform::kEndOfFile) {
      message += " ends after line " + line + ": value " + std::to_string(ivalue) + " of grid " +
                 std::to_string(igrid) + " is missing";
    } else if (status == platform::kBadItem) {
      message += ", line " + line + ": " + quoted(bad_) + " is not a real number";
    } else {
      message += ", line " + line + ": the read failed: " + reason(status);
    }
    platform::write_error_line(message);
  }

  std::string name_;
  std::string bad_;
};

void write_angles(const RunPar& runpar) {
  platform::write_list({"ANGLES:"});
  platform::write_list({runpar.angl1, runpar.angl2, runpar.angl3});
}

// The grid buffer: NX x NY reals, or none when either size is not positive
// (gd_wdat then refuses every grid with -9 and no value is read). Its words
// are not cleared: every grid fills all of them before it is written.
std::unique_ptr<float[]> allocate_grid(const RunPar& runpar, std::size_t& nvalues) {
  nvalues = 0;
  if (runpar.NX <= 0 || runpar.NY <= 0) return nullptr;
  nvalues = static_cast<std::size_t>(runpar.NX) * static_cast<std::size_t>(runpar.NY);
  return std::unique_ptr<float[]>(new (std::nothrow) float[nvalues]);
}

}  // namespace

int convert(const RunPar& runpar) {
  RunFiles run_files;
  InputValues input(without_trailing_blanks(runpar.infile));
  if (input.open() != platform::kOk) return kBadInputStatus;

  std::size_t nvalues = 0;
  const std::unique_ptr<float[]> buffer = allocate_grid(runpar, nvalues);
  if (nvalues > 0 && buffer == nullptr) {
    platform::write_error_line("text2grid: no memory for a grid of " + std::to_string(runpar.NX) +
                               " x " + std::to_string(runpar.NY) + " values");
    return kBadInputStatus;
  }
  const std::span<float> grid(buffer.get(), nvalues);

  const std::string blank_time(kDateWidth, ' ');
  std::array<std::string_view, 2> timpair{blank_time, blank_time};
  std::array<int, 2> levpair{0, kSecondLevel};

  int iret = 0;
  in_bdta(iret);
  run_files.library_started();
  platform::write_list({"IN_BDTA: iret = ", iret});
  write_angles(runpar);

  std::array<float, kNavWords> navblock{};
  gr_mnav(runpar.PROJ, runpar.NX, runpar.NY, runpar.lat1, runpar.lon1, runpar.lat2, runpar.lon2,
          runpar.angl1, runpar.angl2, runpar.angl3, true, navblock, iret);
  platform::write_list({"GR_MNAV1: iret = ", iret});
  write_angles(runpar);

  // The analysis block carries nothing in a conversion: 128 zero words. The
  // grid header is the header length itself followed by a zero word.
  const std::array<float, kAnlWords> anlblock{};
  const std::array<int, kGridHeaderWords> grdhdr{kGridHeaderWords, 0};
  int gfnum = 0;
  gd_cref(runpar.outfile1, kNavWords, navblock, kAnlWords, anlblock, grdhdr[0], kMaxGrids, gfnum,
          iret);
  platform::write_list({"GD_CREF: iret = ", iret});
  const bool created = iret == 0;

  int ngrids = 0;
  int nfailed = 0;
  for (std::size_t t = 0; t < runpar.dates.size(); ++t) {
    timpair[0] = runpar.dates[t];
    for (std::size_t v = 0; v < runpar.varnames.size(); ++v) {
      const int nlevels = std::min(runpar.nlevels[v], kMaxLevels);  // the levels table's rows
      for (int l = 0; l < nlevels; ++l) {
        if (!input.read_grid(runpar.NX, runpar.NY, grid, ngrids + 1)) return kBadInputStatus;
        levpair[0] = runpar.levels[v][static_cast<std::size_t>(l)];
        gd_wdat(gfnum, grid, runpar.NX, runpar.NY, grdhdr, timpair, levpair, runpar.vcodes[v],
                runpar.varnames[v], false, iret);
        platform::write_list({"GD_WDAT1: iret = ", iret});
        platform::write_list({"Wrote variable ", runpar.varnames[v], "at level ", levpair[0]});
        platform::write_list({"date ", timpair[0], " completed"});
        ++ngrids;
        if (iret != 0) ++nfailed;
      }
    }
  }

  // The headers written at creation wait in the record cache until a flush;
  // a run that wrote no grid gets them onto disk here.
  int iflush = 0;
  if (created) dm_fwrt(gfnum, iflush);

  const std::string outname = quoted(without_trailing_blanks(runpar.outfile1));
  if (!created) {
    platform::write_error_line("text2grid: the grid file " + outname + " could not be created");
  } else if (nfailed > 0) {
    platform::write_error_line("text2grid: " + std::to_string(nfailed) + " of " +
                               std::to_string(ngrids) + " grids were not written");
  } else if (iflush != 0) {
    platform::write_error_line("text2grid: the grid file " + outname +
                               " is incomplete: its headers could not be written");
  } else {
    return 0;
  }
  return kNotWrittenStatus;
}

}  // namespace driver
