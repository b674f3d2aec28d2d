// Errors as values, below every layer that reports to a caller: what went
// wrong, where it came from and what a caller may branch on. The grid-file
// API, the map geometry, the netCDF bridge and the parameter table all
// report with these.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace base {

// Where a failure arose.
enum class Source {
  kTool,        // the calling program's own checks
  kArgument,    // a value the callee refused before doing anything
  kFileSystem,  // the operating system (os_error holds errno)
  kDm,          // the DM file engine (code: its DM code)
  kGrid,        // the grid file layer (code: its GD code)
  kNetcdf,      // netCDF-C (code: its status)
  kProj,        // PROJ (code: the geometry's own code)
  kGrib,        // ecCodes (code: its status)
};
// "file system", "DM", "grid", "argument", "netCDF", "PROJ", "GRIB", "tool".
const char* source_name(Source source);

// What a caller may branch on; one meaning each.
enum class Condition {
  kOther,        // nothing a caller is expected to handle apart
  kNotFound,     // no such file, or no such grid in the file
  kExists,       // the file or grid exists already and is not replaced
  kFull,         // no room left: the file's grid slots, or the disk
  kDamaged,      // the file's structure is broken (or it is not a grid file)
  kBadArgument,  // a value refused before anything was done
  kReadOnly,     // a write to a file opened for reading
  kClosed,       // the object was closed or moved from
  kInUse,        // the file is open for update already in this process
  kTooManyOpen,  // as many files are open as the library can hold
};

struct Error {
  Source source = Source::kTool;
  int code = 0;      // the source's own code; 0 when it has none
  std::string text;  // one readable line: what happened, naming the path as typed
  Condition condition = Condition::kOther;
  int os_error = 0;                        // errno when the operating system refused, else 0
  std::string path;                        // the file concerned, as the caller typed it
  std::string reason;                      // text without the path: for "PATH: reason" lines
  std::vector<std::string> library_lines;  // numbered message lines the library wrote meanwhile

  Error() = default;
  Error(Source source_, int code_, std::string text_, Condition condition_ = Condition::kOther)
      : source(source_), code(code_), text(std::move(text_)), condition(condition_) {}

  bool not_found() const { return condition == Condition::kNotFound; }
  bool exists() const { return condition == Condition::kExists; }
  bool full() const { return condition == Condition::kFull; }
  bool damaged() const { return condition == Condition::kDamaged; }
  bool bad_argument() const { return condition == Condition::kBadArgument; }
  bool read_only() const { return condition == Condition::kReadOnly; }
  bool closed() const { return condition == Condition::kClosed; }
  bool in_use() const { return condition == Condition::kInUse; }
  bool too_many_open() const { return condition == Condition::kTooManyOpen; }

  // The reason when the error has one, else the whole text.
  const std::string& reason_or_text() const { return reason.empty() ? text : reason; }
};

// What value() throws on an error: its what() is the error's text.
class BadResultAccess : public std::logic_error {
 public:
  explicit BadResultAccess(const Error& error);
};
[[noreturn]] void throw_bad_access(const Error& error);

// A value or an Error.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::move(value)) {}      // NOLINT: implicit by design
  Result(Error error) : v_(std::move(error)) {}  // NOLINT: implicit by design
  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  // The value; on an error, throws BadResultAccess with the error's text.
  T& value() & { return checked(), std::get<0>(v_); }
  const T& value() const& { return checked(), std::get<0>(v_); }
  T&& value() && { return checked(), std::get<0>(std::move(v_)); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  // The error; only on an error (else a logic error is thrown).
  const Error& error() const {
    if (ok()) throw std::logic_error("Result::error() on a value");
    return std::get<1>(v_);
  }

 private:
  void checked() const {
    if (!ok()) throw_bad_access(std::get<1>(v_));
  }
  std::variant<T, Error> v_;
};

// Success, or an Error.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(std::move(error)) {}  // NOLINT: implicit by design
  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  // The error; only on an error (else a logic error is thrown).
  const Error& error() const {
    if (ok()) throw std::logic_error("Status::error() on success");
    return *error_;
  }

 private:
  std::optional<Error> error_;
};

}  // namespace base
