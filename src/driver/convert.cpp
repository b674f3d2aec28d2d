// The conversion loop: open the input on unit 9, start the library, build the
// navigation block, create the grid file, then for every time, variable and
// level read one grid (top row first, one free-form read per value) and write
// it with gd_wdat. Every return code goes to standard output on its progress
// line and none changes the course of the loop; the run's outcome is kept
// aside for the exit status. What went wrong or looks wrong is explained on
// standard error at the end: grids not written, values stored as missing,
// dropped items, values left over, grids stored unpacked.
#include "driver/convert.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "dm/dm.h"
#include "driver/in.h"
#include "grid/gd.h"
#include "grid/gr.h"
#include "grid/packed_write.h"
#include "pack/missing.h"
#include "platform/platform.h"
#include "services/er.h"
#include "services/fl.h"
#include "strings/field.h"

namespace driver {
namespace {

constexpr int kNavWords = 256;                // navigation block stored as "NAVB"
constexpr int kAnlWords = 128;                // analysis block stored as "ANLB"
constexpr int kGridHeaderWords = 2;           // grid header length given at creation
constexpr int kMaxGrids = 9999;               // columns of the grid file
constexpr int kSecondLevel = -1;              // level 2 of every grid
constexpr float kMissing = pack::kMissing;    // the real missing value of the format
constexpr std::size_t kMaxListedGrids = 100;  // grids named one by one in the summary

std::string quoted(std::string_view text) {
  // Built by appending: g++ 12 at -O3 reports a false -Wrestrict for a
  // literal + std::string temporary.
  std::string out(1, '"');
  out.append(text);
  out += '"';
  return out;
}

// Operating-system text for a platform status.
std::string reason(int status) {
  return platform::status_text(status);
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

// A count of input lines of one kind and the first of them.
struct LineTally {
  std::int64_t count = 0;
  int first_line = 0;
  void add(int line) {
    if (count++ == 0) first_line = line;
  }
};

// The reader of the input values, which reports why the input stopped and
// keeps count of values it could not store as read and of lines it did not
// read whole.
class InputValues {
 public:
  explicit InputValues(std::string name) : name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  // NaN, infinities and values beyond the range of a 32-bit real.
  const LineTally& not_finite() const { return not_finite_; }
  // Lines whose further items were dropped.
  const LineTally& extra_items() const { return extra_items_; }

  // Values after the last grid: the lines holding an item, and the first.
  LineTally rest() {
    LineTally tally;
    std::string line;
    while (platform::read_line(kInputUnit, line) == platform::kOk) {
      if (line.find_first_not_of(" \t,") != std::string::npos) {
        tally.add(platform::line_number(kInputUnit));
      }
    }
    return tally;
  }

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
      // read_reals stops early after a value worth a look, so only the last
      // value of each call needs the checks below.
      for (std::size_t i = 0; i < nx;) {
        std::size_t count = 0;
        const int status = platform::read_reals(kInputUnit, row.subspan(i), count, &bad_);
        nread += static_cast<std::int64_t>(count);
        i += count;
        if (status != platform::kOk) {
          report(status, nread + 1, igrid);
          return false;
        }
        float& last = row[i - 1];
        // Readers of grid files cannot contour NaN or infinity (a value
        // beyond the float range reads as infinity): store them as missing.
        if (!std::isfinite(last)) {
          last = kMissing;
          not_finite_.add(platform::line_number(kInputUnit));
        }
        if (platform::more_items_on_line(kInputUnit)) {
          extra_items_.add(platform::line_number(kInputUnit));
        }
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
  LineTally not_finite_;
  LineTally extra_items_;
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

// A grid the run did not write, or wrote otherwise than asked.
struct GridNote {
  int igrid = 0;
  std::string identifier;
  int code = 0;
};

// "grid 3: time 910823/1200, level 850, vertical coordinate 1, parameter TMPK"
std::string grid_identifier(int igrid, std::string_view time, int level, int vcode,
                            std::string_view pname) {
  const std::string_view shown = strings::trim_right(time);
  return "grid " + std::to_string(igrid) + ": time " +
         (shown.empty() ? std::string("(none)") : std::string(shown)) + ", level " +
         std::to_string(level) + ", vertical coordinate " + std::to_string(vcode) + ", parameter " +
         std::string(strings::trim_right(pname));
}

// The message of a return code as the message files word it, e.g.
// "[GD -10] A grid with this identifier is already in the file (not replaced): t.grd".
std::string message_text(std::string_view group, int code, std::string_view context) {
  std::array<char, 128> msg{};
  int ier = 0;
  er_mmsg(group, code, context, msg, ier);
  std::string text(strings::trim_right(strings::as_view(msg)));
  // The message files put a blank after the "!" that opens each text.
  if (const std::size_t at = text.find("]  "); at != std::string::npos) text.erase(at + 1, 1);
  return text;
}

// Why the grid file could not be created, as far as the driver can tell.
std::string creation_problem(const std::string& name) {
  if (platform::file_exists(name)) {
    return "a file of that name exists, and text2grid never replaces a file: remove or rename "
           "it, or answer another output file name";
  }
  const std::size_t slash = name.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !platform::file_exists(name.substr(0, slash))) {
    return "the folder " + quoted(name.substr(0, slash)) +
           " does not exist (names are turned to lower case unless they begin with ^)";
  }
  return "see the [FL] and [DM] messages on standard output";
}

void warn(const std::string& text) {
  platform::write_error_line("text2grid: warning: " + text);
}

// The warnings about the input file, at the end of a run that read it all.
void warn_about_input(InputValues& input, std::int64_t nread) {
  const std::string file = quoted(input.name());
  if (const LineTally& bad = input.not_finite(); bad.count > 0) {
    warn(std::to_string(bad.count) + " value(s) of " + file +
         " were NaN, infinite or beyond the range of a 32-bit real, and were stored as the "
         "missing value -9999.0 (first at line " +
         std::to_string(bad.first_line) + ")");
  }
  if (const LineTally& extra = input.extra_items(); extra.count > 0) {
    warn(std::to_string(extra.count) + " line(s) of " + file +
         " held more than one item, and only the first was read (first at line " +
         std::to_string(extra.first_line) +
         "): values go one per line, and a decimal comma ends a value");
  }
  if (const LineTally rest = input.rest(); rest.count > 0) {
    warn(std::to_string(rest.count) + " line(s) of values of " + file + " were left after the " +
         std::to_string(nread) + " values of the grids (first at line " +
         std::to_string(rest.first_line) +
         "): check NX, NY and the numbers of times, variables and levels");
  }
}

}  // namespace

int convert(const RunPar& runpar, std::span<const std::string> grid_times,
            const RunOptions& options) {
  RunFiles run_files;
  InputValues input(std::string(strings::trim_right(runpar.infile)));
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
  const std::string outname = services::creation_name(runpar.outfile1);

  const Packing& packing = options.packing;
  std::vector<GridNote> failed;
  std::vector<GridNote> unpacked;
  int ngrids = 0;
  for (std::size_t t = 0; t < runpar.dates.size(); ++t) {
    // The progress line shows the time as answered; the file holds its stored form.
    const std::string_view answered = runpar.dates[t];
    timpair[0] = t < grid_times.size() ? std::string_view(grid_times[t]) : answered;
    for (std::size_t v = 0; v < runpar.varnames.size(); ++v) {
      const int nlevels = std::min(runpar.nlevels[v], kMaxLevels);  // the levels table's rows
      for (int l = 0; l < nlevels; ++l) {
        const int igrid = ngrids + 1;
        if (!input.read_grid(runpar.NX, runpar.NY, grid, igrid)) return kBadInputStatus;
        levpair[0] = runpar.levels[v][static_cast<std::size_t>(l)];
        if (packing.type == pack::PackingType::kNone || !created) {
          gd_wdat(gfnum, grid, runpar.NX, runpar.NY, grdhdr, timpair, levpair, runpar.vcodes[v],
                  runpar.varnames[v], false, iret);
        } else {
          // A grid the packing cannot hold (no value that is not missing, a
          // range or decimal step it cannot keep) is kept, unpacked.
          int refusal = 0;
          grid::write_packed_grid(gfnum, grid, runpar.NX, runpar.NY, grdhdr, timpair, levpair,
                                  runpar.vcodes[v], runpar.varnames[v], false, packing.ipktyp(),
                                  packing.bits, grid::OnPackingRefusal::kWriteUnpacked, refusal,
                                  iret);
          if (refusal != 0 && iret == 0) {
            unpacked.push_back({igrid,
                                grid_identifier(igrid, timpair[0], levpair[0], runpar.vcodes[v],
                                                runpar.varnames[v]),
                                refusal});
          }
        }
        platform::write_list({"GD_WDAT1: iret = ", iret});
        platform::write_list({"Wrote variable ", runpar.varnames[v], "at level ", levpair[0]});
        platform::write_list({"date ", answered, " completed"});
        ++ngrids;
        if (iret != 0) {
          failed.push_back(
              {igrid,
               grid_identifier(igrid, timpair[0], levpair[0], runpar.vcodes[v], runpar.varnames[v]),
               iret});
        }
      }
    }
  }

  // The headers written at creation wait in the record cache until a flush;
  // a run that wrote no grid gets them onto disk here.
  int iflush = 0;
  if (created) dm_fwrt(gfnum, iflush);

  warn_about_input(input, static_cast<std::int64_t>(ngrids) * static_cast<std::int64_t>(nvalues));
  if (!unpacked.empty()) {
    warn(std::to_string(unpacked.size()) + " grid(s) could not be packed as --pack " +
         packing.text() + " asks and were written unpacked; the first, " +
         unpacked.front().identifier + ": " + message_text("DM", unpacked.front().code, outname));
  }

  const std::string file = quoted(outname);
  if (!created) {
    platform::write_error_line("text2grid: the grid file " + file +
                               " could not be created: " + creation_problem(outname));
    platform::write_error_line("text2grid: none of the " + std::to_string(ngrids) +
                               " grids was written");
    return kNotWrittenStatus;
  }
  if (!failed.empty()) {
    platform::write_error_line("text2grid: " + std::to_string(failed.size()) + " of " +
                               std::to_string(ngrids) + " grids were not written to " + file + ":");
    for (std::size_t k = 0; k < failed.size() && k < kMaxListedGrids; ++k) {
      platform::write_error_line("text2grid:   " + failed[k].identifier + ": " +
                                 message_text("GD", failed[k].code, outname));
    }
    if (failed.size() > kMaxListedGrids) {
      platform::write_error_line("text2grid:   and " +
                                 std::to_string(failed.size() - kMaxListedGrids) + " more");
    }
  }
  if (iflush != 0) {
    platform::write_error_line("text2grid: the grid file " + file +
                               " is incomplete: its headers could not be written");
  }
  return failed.empty() && iflush == 0 ? 0 : kNotWrittenStatus;
}

}  // namespace driver
