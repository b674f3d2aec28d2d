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
#include "driver/input_values.h"
#include "driver/output_file.h"
#include "driver/progress.h"
#include "grid/file_format.h"
#include "grid/gd.h"
#include "grid/gr.h"
#include "grid/packed_write.h"
#include "platform/platform.h"
#include "platform/publish.h"
#include "services/er.h"
#include "services/fl.h"
#include "services/message_text.h"
#include "strings/field.h"

namespace driver {
namespace {

using grid::kNavWords;                        // navigation block stored as "NAVB"
constexpr int kSecondLevel = -1;              // level 2 of every grid
constexpr std::size_t kMaxListedGrids = 100;  // grids named one by one in the summary

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
  // With --quiet those lines were not written.
  return platform::stdout_discarded()
             ? "run again without --quiet to see the [FL] and [DM] messages that say why"
             : "see the [FL] and [DM] messages on standard output";
}

void warn(const std::string& text) {
  platform::write_error_line("text2grid: warning: " + text);
}

}  // namespace

std::string quoted(std::string_view text) {
  // Built by appending: g++ 12 at -O3 reports a false -Wrestrict for a
  // literal + std::string temporary.
  std::string out(1, '"');
  out.append(text);
  out += '"';
  return out;
}

std::int64_t count_grids(const RunPar& runpar) {
  std::int64_t nlevels = 0;
  for (const int n : runpar.nlevels) nlevels += std::clamp(n, 0, kMaxLevels);
  return static_cast<std::int64_t>(runpar.dates.size()) * nlevels;
}

std::string grid_identifier(int igrid, std::string_view time, int level, int vcode,
                            std::string_view pname) {
  const std::string_view shown = strings::trim_right(time);
  return "grid " + std::to_string(igrid) + ": time " +
         (shown.empty() ? std::string("(none)") : std::string(shown)) + ", level " +
         std::to_string(level) + ", vertical coordinate " + std::to_string(vcode) + ", parameter " +
         std::string(strings::trim_right(pname));
}

int convert(const RunPar& runpar, std::span<const std::string> grid_times,
            const RunOptions& options) {
  RunFiles run_files;
  InputValues input(std::string(strings::trim_right(runpar.infile)),
                    options.input_stdin ? platform::kStdinUnit : kInputUnit, options.layout,
                    options.command_line);
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

  // The library's transcript is the dialogue's; the command-line way shows
  // a line per grid instead.
  const bool transcript = !options.command_line;
  int iret = 0;
  in_bdta(iret);
  run_files.library_started();
  if (transcript) {
    platform::write_list({"IN_BDTA: iret = ", iret});
    write_angles(runpar);
  }

  std::array<float, kNavWords> navblock{};
  gr_mnav(runpar.PROJ, runpar.NX, runpar.NY, runpar.lat1, runpar.lon1, runpar.lat2, runpar.lon2,
          runpar.angl1, runpar.angl2, runpar.angl3, true, navblock, iret);
  if (transcript) {
    platform::write_list({"GR_MNAV1: iret = ", iret});
    write_angles(runpar);
  }

  // The blocks and grid header every created grid file holds (grid/file_format.h).
  const std::span<const int> grdhdr = grid::kGridHeader;
  int gfnum = 0;
  const GridPublishing publishing(options.output);
  gd_cref(runpar.outfile1, kNavWords, navblock, grid::kAnlWords, grid::kEmptyAnalysis,
          grid::kGridHeaderWords, options.max_grids > 0 ? options.max_grids : kMostGrids, gfnum,
          iret);
  if (transcript) platform::write_list({"GD_CREF: iret = ", iret});
  const bool created = iret == 0;
  const std::string outname = services::creation_name(runpar.outfile1);
  if (!created && options.command_line) {
    platform::write_error_line("text2grid: the grid file " + quoted(outname) +
                               " could not be created: " + creation_problem(outname));
    return kNotWrittenStatus;
  }
  const std::int64_t nexpected = count_grids(runpar) * std::int64_t{runpar.NX} * runpar.NY;
  Progress progress(count_grids(runpar), nexpected, options.progress_bar);
  input.expect(nexpected);
  if (options.progress_bar) input.on_row([&progress](std::int64_t n) { progress.values_read(n); });

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
        levpair[0] = runpar.levels[v][static_cast<std::size_t>(l)];
        const std::string label =
            grid_identifier(igrid, timpair[0], levpair[0], runpar.vcodes[v], runpar.varnames[v]);
        if (!input.read_grid(runpar.NX, runpar.NY, grid, igrid, label)) {
          progress.finish();
          if (created) publishing.finish(gfnum, false, runpar.outfile1, outname);
          return kBadInputStatus;
        }
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
          if (refusal != 0 && iret == 0) unpacked.push_back({igrid, label, refusal});
        }
        if (transcript) {
          platform::write_list({"GD_WDAT1: iret = ", iret});
          platform::write_list({"Wrote variable ", runpar.varnames[v], "at level ", levpair[0]});
          platform::write_list({"date ", answered, " completed"});
        } else {
          progress.grid_done(igrid, iret, label);
        }
        ++ngrids;
        if (iret != 0) failed.push_back({igrid, label, iret});
      }
    }
  }

  // The headers written at creation wait in the record cache until a flush;
  // a run that wrote no grid gets them onto disk here.
  int iflush = 0;
  if (created) dm_fwrt(gfnum, iflush);
  progress.finish();

  const bool input_exact = input.finish();
  if (!unpacked.empty()) {
    warn(std::to_string(unpacked.size()) + " grid(s) could not be packed as --pack " +
         packing.text() + " asks and were written unpacked; the first, " +
         unpacked.front().identifier + ": " +
         services::message_text("DM", unpacked.front().code, outname));
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
                                 services::message_text("GD", failed[k].code, outname));
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
  const bool complete = failed.empty() && iflush == 0 && input_exact;
  const int named = publishing.finish(gfnum, complete, runpar.outfile1, outname);
  if (!input_exact) return kBadInputStatus;
  if (!complete || named != 0) return kNotWrittenStatus;
  if (options.command_line) {
    platform::write_line("wrote " + std::to_string(ngrids) + " grid(s) to " + file);
  }
  return 0;
}

}  // namespace driver
