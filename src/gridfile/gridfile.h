// A modern C++ face of the grid library: grid files as objects that close
// themselves, identifiers and navigation as values, errors as values. It is a
// thin layer over the gd_/gr_/dm_ routines, so the files it writes are the
// same, byte for byte, as those the routines write.
#pragma once

#include <array>
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

#include "pack/packing.h"
#include "time/year_window.h"

namespace gridfile {

// A failure: the library's return code and a readable explanation (the text
// of its numbered message where there is one, with the file name).
struct Error {
  int code = 0;
  std::string text;
};

// Codes of the failures this interface finds itself, before any library
// routine runs (the library's own codes lie between -100 and 0, or are
// positive operating-system statuses of the file services).
inline constexpr int kBadArgument = -101;  // a value the library would cut, misread or refuse late
inline constexpr int kClosed = -102;       // the GridFile was closed or moved from

// A value or an Error.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::move(value)) {}      // NOLINT: implicit by design
  Result(Error error) : v_(std::move(error)) {}  // NOLINT: implicit by design
  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  const Error& error() const { return std::get<1>(v_); }

 private:
  std::variant<T, Error> v_;
};

// Success, or an Error.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(std::move(error)) {}  // NOLINT: implicit by design
  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Error& error() const { return *error_; }

 private:
  std::optional<Error> error_;
};

// --- Values ------------------------------------------------------------------

inline constexpr float kMissing = -9999.0f;
// True for the missing value, within the tolerance the format's readers use.
bool is_missing(float value);

// Vertical coordinate codes of the identifier.
inline constexpr int kVcoordNone = 0, kVcoordPres = 1, kVcoordThta = 2, kVcoordHght = 3,
                     kVcoordSgma = 4;
// "NONE", "PRES", "THTA", "HGHT", "SGMA", or the code as digits when unknown.
std::string vcoord_name(int vcode);
// The code for one of those names (any case), or nullopt.
std::optional<int> vcoord_code(std::string_view name);

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

// The identifier a grid is filed under.
struct GridId {
  std::string time1;  // grid time text, trailing blanks removed; empty: no time
  std::string time2;
  int level1 = 0;
  int level2 = -1;  // -1: not set
  int vcoord = kVcoordNone;
  std::string param;  // at most 12 characters, trailing blanks removed
  // "240101/0000 850 PRES TMPK"; time 2 and level 2 only when set, after a
  // colon ("240101/0000:240101/1200 850:500 PRES TMPK"); "-" for no time 1.
  // Identifiers read back hold the library's form of the times ("F12" reads
  // back as "F012") and the parameter name in upper case.
  std::string text() const;
  friend bool operator==(const GridId&, const GridId&) = default;
};

// The navigation block's meaning.
struct Navigation {
  std::string projection;  // "CED", "LCC", ... trailing blanks removed
  int nx = 0, ny = 0;
  float lat1 = 0, lon1 = 0;  // grid point (1,1): the first value of the bottom row
  float lat2 = 0, lon2 = 0;  // grid point (nx,ny)
  float angle1 = 0, angle2 = 0, angle3 = 0;
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

// Where the library's numbered message lines ("[DM -3] ...") go. An empty
// function restores standard output, the default the converter needs. A line
// reaches the sink without the leading blank it has on standard output. The
// lines a failing call writes are also in its Error's text.
// The sink must not throw: the line comes from inside a library routine.
using MessageSink = std::function<void(std::string_view line)>;
void set_message_sink(MessageSink sink);

struct SalvageResult;

// --- Files ---------------------------------------------------------------------

enum class Mode { kRead, kUpdate };

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
  // The grid filed under id (the parameter name in any case); -15 none.
  Result<Grid> read(const GridId& id) const;
  // Writes nx x ny values (bottom row first) under id; refuses an existing
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

 private:
  struct State;
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

}  // namespace gridfile
