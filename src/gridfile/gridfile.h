// A modern C++ face of the grid library: grid files as objects that close
// themselves, identifiers and navigation as values, errors as values. It is a
// thin layer over the gd_/gr_/dm_ routines, so the files it writes are the
// same, byte for byte, as those the routines write.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "base/status.h"
#include "pack/packing.h"
#include "time/year_window.h"

namespace gridfile {

// Errors as values (base/status.h): an Error knows its source, its code, the
// operating system's errno where there is one, the path as typed, one
// readable line, and the library's message lines behind it; its predicates
// (not_found(), exists(), full(), damaged(), bad_argument(), read_only(),
// closed(), in_use(), too_many_open()) are what callers branch on.
// value() of a failed Result throws base::BadResultAccess with the error's text.
using base::Condition;
using base::Error;
using base::Result;
using base::Source;
using base::Status;

// Codes of the failures this interface finds itself, before any library
// routine runs (the library's own codes lie between -100 and 0).
inline constexpr int kBadArgument = -101;  // a value the library would cut, misread or refuse late
inline constexpr int kClosed = -102;       // the GridFile was closed or moved from
inline constexpr int kInUse = -103;        // the file is open for update already
inline constexpr int kTooManyOpen = -104;  // three grid files are open already

// --- Values ------------------------------------------------------------------

inline constexpr float kMissing = -9999.0f;
// True for the missing value, within the tolerance the format's readers use.
bool is_missing(float value);
// Sets every missing value of `values` (as is_missing judges it) to
// `replacement`: NaN for a masked array, or kMissing to settle values that
// are only near it. One pass over a whole grid.
void replace_missing(std::span<float> values, float replacement);

// The vertical coordinate of an identifier. The file stores it as a code;
// the five named here are the ones this library knows, but a file written
// elsewhere may hold any other, and a Vcoord carries it as it is
// (static_cast<Vcoord>(code)): never assume a value is one of the five.
enum class Vcoord : int { kNone = 0, kPres = 1, kThta = 2, kHght = 3, kSgma = 4 };
// The code stored in the file.
constexpr int vcoord_code(Vcoord v) {
  return static_cast<int>(v);
}
// "NONE", "PRES", "THTA", "HGHT", "SGMA", or the code as digits when unknown.
std::string vcoord_name(Vcoord v);
// One of those names (any case), or nullopt.
std::optional<Vcoord> vcoord_from_name(std::string_view name);
// A name (any case) or a code ("7"); nullopt when it is neither.
std::optional<Vcoord> parse_vcoord(std::string_view text);

// The window that widens the two-digit years of grid times: 1950-2049 unless
// moved (YearWindow::starting(1921) gives the library routines' 1921-2020).
using YearWindow = timewin::YearWindow;

// A grid time text ("yymmdd/hhmm", optionally a forecast part such as "F012")
// taken apart as the library files it, the year widened with the window given.
// A valid time ("V") comes back as the matching 'F' time, and a forecast part
// of zero ("A00") as none, as the identifier stores them.
struct GridTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  char forecast_type = ' ';  // ' ' none, else 'F', 'A', 'G', 'I'
  int forecast_minutes = 0;  // forecast period
};
// nullopt for a blank or unconvertible text, one longer than 20 characters,
// or a date the window's year does not have (29 February 00 in a window
// where 00 is not a leap year).
std::optional<GridTime> parse_time(std::string_view text, const YearWindow& window = {});
// "2024-01-01T00:00Z" for the time text's reference time (hour 24 is the next
// day's 00:00); empty when blank or unconvertible.
std::string iso8601(std::string_view text, const YearWindow& window = {});
// The same for its valid time: the reference time plus the forecast period.
std::string valid_iso8601(std::string_view text, const YearWindow& window = {});

// The identifier a grid is filed under. Name the fields when building one
// (GridId{.time1 = "240101/0000", .param = "TMPK", .level1 = 850,
// .vcoord = Vcoord::kPres}), or use the named constructors below.
struct GridId {
  std::string time1{};  // grid time text, trailing blanks removed; empty: no time
  std::string time2{};
  std::string param{};  // at most 12 characters, trailing blanks removed
  int level1 = 0;
  // nullopt: not set. The file's word for "not set" is -1, so a level 2 of
  // -1 cannot be stored and is refused (kBadArgument).
  std::optional<int> level2{};
  Vcoord vcoord = Vcoord::kNone;
  // "240101/0000 850 PRES TMPK"; time 2 and level 2 only when set, after a
  // colon ("240101/0000:240101/1200 850:500 PRES TMPK"); "-" for no time 1.
  // Identifiers read back hold the library's form of the times ("F12" reads
  // back as "F012") and the parameter name in upper case.
  std::string text() const;
  friend bool operator==(const GridId&, const GridId&) = default;

  // An analysis at `time` (UTC; seconds are dropped) of `param` at one
  // level: the time text "yymmdd/hhmm" of the format.
  static GridId analysis(std::chrono::sys_seconds time, std::string param, int level,
                         Vcoord vcoord = Vcoord::kNone);
  // A forecast `period` after `reference` (UTC; seconds are dropped): the
  // time text "yymmdd/hhmmFhhh" ("Fhhhmm" when the period has minutes).
  // kBadArgument for a period outside 0 to 999 hours 59 minutes.
  static Result<GridId> forecast(std::chrono::sys_seconds reference, std::chrono::minutes period,
                                 std::string param, int level, Vcoord vcoord = Vcoord::kNone);
};

// The navigation block's meaning.
struct Navigation {
  std::string projection;  // "CED", "LCC", ... trailing blanks removed
  int nx = 0, ny = 0;
  float lat1 = 0, lon1 = 0;  // grid point (1,1): the first value of the bottom row
  float lat2 = 0, lon2 = 0;  // grid point (nx,ny)
  float angle1 = 0, angle2 = 0, angle3 = 0;
  // A point of the earth, in degrees.
  struct Point {
    float lat = 0, lon = 0;
  };
  // Named constructors: `first` is grid point (1,1), the first value of the
  // bottom row; `last` is point (nx,ny).
  // A regular latitude-longitude grid.
  static Navigation ced(int nx, int ny, Point first, Point last);
  // Mercator true at `true_lat`, central meridian `central_lon`.
  static Navigation mercator(int nx, int ny, Point first, Point last, float true_lat,
                             float central_lon);
  // Lambert conformal conic with standard parallels `std_lat1` and `std_lat2`
  // (equal for a tangent cone), central meridian `central_lon`.
  static Navigation lambert(int nx, int ny, Point first, Point last, float std_lat1, float std_lat2,
                            float central_lon);
  // Polar stereographic true at the pole, `central_lon` running straight up.
  enum class Pole { kNorth, kSouth };
  static Navigation polar_stereographic(int nx, int ny, Point first, Point last, Pole pole,
                                        float central_lon);
  // The 256-word block as gr_mnav builds it, and back.
  std::array<float, 256> to_block() const;
  static Navigation from_block(const std::array<float, 256>& block);
  friend bool operator==(const Navigation&, const Navigation&) = default;
};

// How a grid is stored: the one packing request and --pack grammar of every
// program ("none", "grib:BITS", "diff:BITS", "dec:DIGITS"; pack/packing.h).
using PackingType = pack::PackingType;
using Packing = pack::Packing;

// What is stored about one grid, without its values.
struct GridInfo {
  int number = 0;  // 1-based grid number in the file
  GridId id;
  int nx = 0, ny = 0;
  Packing packing;      // as stored (decimal packing is stored as GRIB)
  float reference = 0;  // packed grids: reference value
  // packed grids: value of one packing step. Every value reads back within
  // half a step of the value written, in every packing.
  float step = 0;
  float difmin = 0;       // difference packing: the smallest difference
  std::size_t words = 0;  // size of the data record in 4-byte words, its length word included
};

struct Grid {
  GridInfo info;
  std::vector<float> values;      // nx * ny, bottom row first, each row west to east
  float at(int i, int j) const {  // 1-based column i, row j
    return values[static_cast<std::size_t>(j - 1) * static_cast<std::size_t>(info.nx) +
                  static_cast<std::size_t>(i - 1)];
  }
};

// --- Messages ------------------------------------------------------------------

// Where the library's numbered message lines ("[DM -3] ...") go while this
// interface runs: nowhere by default (an empty function restores that). The
// lines a failing call writes are in its Error's library_lines in any case.
// The sink must not throw: the line comes from inside a library routine.
//
// The texts of the messages come from the message files installed with the
// library, found without any environment variable; MORERR, when set, names
// another folder.
using MessageSink = std::function<void(std::string_view line)>;
void set_message_sink(MessageSink sink);

struct SalvageResult;

// --- Files ---------------------------------------------------------------------

enum class Mode { kRead, kUpdate };

// How a grid file is created.
struct CreateOptions {
  int max_grids = 9999;           // grid slots, 1..9999
  bool replace_existing = false;  // remove a file of that name first (else: exists())
  // Sync the file and its folder whenever the library flushes it. The
  // durable mode is the process's: once asked for, it holds for every file.
  bool durable = false;
};

// One open grid file; closed (flushed) by its destructor. Movable, not copyable.
// At most three DM files are open at a time in one process. The library's
// state is process-wide: use grid files from one thread at a time, and do not
// open one file twice for update.
class GridFile {
 public:
  // Creates a new file (never overwrites an existing one) with room for
  // max_grids grids (1..9999). The name is used exactly as given (no
  // lower-casing or symbol expansion); kBadArgument for a name longer than
  // the 132 characters the library keeps, a projection name longer than 4,
  // or max_grids outside 1..9999. The file holds what text2grid writes for
  // the same grids: 128 zero analysis words and the grid header (2, 0).
  static Result<GridFile> create(const std::string& path, const Navigation& nav,
                                 int max_grids = 9999);
  static Result<GridFile> create(const std::string& path, const Navigation& nav,
                                 const CreateOptions& options);
  // The same, but written under a temporary name beside `path` (see
  // platform::PendingOutput): the file appears under its name only when
  // publish() succeeds, and is removed when closed or destroyed before. For
  // outputs that must appear whole or not at all.
  static Result<GridFile> create_unpublished(const std::string& path, const Navigation& nav,
                                             int max_grids = 9999);
  // Opens an existing grid file. Failures: -1 the file did not open as a DM
  // file (the library's DM and FL lines are in the Error's text), -14 not a
  // grid file.
  static Result<GridFile> open(const std::string& path, Mode mode = Mode::kRead);

  GridFile(GridFile&& other) noexcept;
  GridFile& operator=(GridFile&& other) noexcept;
  GridFile(const GridFile&) = delete;
  GridFile& operator=(const GridFile&) = delete;
  ~GridFile();

  const std::string& path() const;
  const Navigation& navigation() const;
  // Number of grid slots in use (grids are numbered 1..count()).
  int count() const;
  // Empty for a sound file; for a damaged one (a torn last record, data said
  // to lie past its end) what is wrong: its grids are read as far as they lie
  // wholly inside the file.
  std::string damage() const;
  // Every grid's identifier and packing, in file order; numbers that hold
  // no grid are skipped. The first grid that cannot be read fails the list
  // (info() and read() still reach the others).
  Result<std::vector<GridInfo>> grids() const;
  // -15 no grid under that number; -36 a data record whose words disagree.
  Result<GridInfo> info(int number) const;
  Result<Grid> read(int number) const;
  // Reads grid `number` into memory of the caller's, which holds exactly the
  // grid's nx * ny values (kBadArgument otherwise): for a caller gathering
  // many grids into one array. The grid's info.
  Result<GridInfo> read_into(int number, std::span<float> values) const;
  // The grid filed under id (the parameter name in any case); -15 none.
  Result<Grid> read(const GridId& id) const;
  // Writes the values of one grid of the file's shape (navigation().nx x
  // navigation().ny, bottom row first) under id; as the next one.
  Status write(std::span<const float> values, const GridId& id, Packing packing = {},
               bool replace = false);
  // Writes nx x ny values (bottom row first) under id; nx and ny other than
  // the navigation's are refused (kBadArgument); refuses an existing
  // identifier unless replace (-10). The grid is in the file when this
  // returns ok. Refused with kBadArgument before anything is written: a
  // value count other than nx * ny, a time text that is not a grid time or
  // longer than 20 characters, a parameter name longer than 12, a packing
  // outside its range; a grid the packing cannot take is refused, and not
  // written, with the packer's code (-11 no value that is not missing, -41 a
  // range beyond the packing, -43 a decimal step finer than the values'
  // precision). Other codes are those of gd_wpgd (-5 a file opened for
  // reading, -9 nx or ny below 1, -11 the file is full).
  Status write(std::span<const float> values, int nx, int ny, const GridId& id,
               Packing packing = {}, bool replace = false);
  // Flushes and closes now; the destructor then does nothing.
  Status close();
  // Flushes a file made by create_unpublished, syncs it in durable mode and
  // gives it its name (never replacing a file: then an error and the file is
  // still unpublished); ok at once for any other file. It stays open.
  Status publish();

  struct State;  // the implementation's own

 private:
  friend Result<SalvageResult> salvage(const std::string& path, const std::string& target);
  explicit GridFile(std::unique_ptr<State> state);
  static Result<GridFile> create_file(const std::string& path, const Navigation& nav, int max_grids,
                                      bool publish_now);
  std::unique_ptr<State> state_;
};

// What salvage copied and what it could not.
struct SalvageResult {
  int copied = 0;
  std::vector<std::string> left_out;  // one line per grid left out, with the reason
};
// Copies every grid of the grid file `path` that reads back whole into the
// new grid file `target`, each data record word for word (values, packing
// and grid header exactly as stored) under its identifier, with the same
// navigation and analysis blocks, grid header length and capacity. The grids
// are numbered from 1 in file order. `target` is used exactly as given, like
// every name here, and appears only when complete (never replacing a file).
// An Error when either file fails; a grid that does not read back whole is
// left out and listed.
Result<SalvageResult> salvage(const std::string& path, const std::string& target);

// The check of a file: its structure (every pointer, record and free block),
// then everything the reader stops on (the keys of a grid file, every grid's
// identifier and values). Ok, or the first fault found (its code, mostly DM
// -36, with a description of the fault).
Status check(const std::string& path);

namespace detail {
// The message folder a consumer's build names (the CMake package defines
// T2G_PACKAGE_MESSAGE_DIR for its users): found even after the installed
// package has been moved.
bool register_message_folder(const char* folder);
#ifdef T2G_PACKAGE_MESSAGE_DIR
inline const bool package_message_folder = register_message_folder(T2G_PACKAGE_MESSAGE_DIR);
#endif
}  // namespace detail

}  // namespace gridfile
