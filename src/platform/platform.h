// The record-oriented I/O runtime the library stands on: numbered units
// (direct-access files of fixed-length records, sequential text files,
// standard input and output), free-form reads and writes, environment lookup
// and process exit. This is the only code of the system that talks to the
// operating system.
//
// Every call returns a status and never throws, prints or aborts:
//   0            success
//   -1           end of file (kEndOfFile)
//   other > 0    the operating system's error number (errno) of the failing call,
//                or one of the status values below for conditions the OS does not name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform {

inline constexpr int kOk = 0;
inline constexpr int kEndOfFile = -1;
// Statuses of the runtime itself (above every errno value in use).
inline constexpr int kBadItem = 5010;         // a free-form item could not be read as its type
inline constexpr int kNotOpen = 5011;         // the unit number has no open file
inline constexpr int kUnitInUse = 5012;       // open on a unit that is already open
inline constexpr int kWrongAccess = 5013;     // record I/O on a sequential unit or the reverse
inline constexpr int kNoEarlierLine = 5014;   // backspace twice in a row: only one line is kept
inline constexpr int kNotRegularFile = 5015;  // a folder, FIFO or device where a file is wanted

inline constexpr int kStdinUnit = 5;   // standard input, always connected
inline constexpr int kStdoutUnit = 6;  // standard output, always connected
inline constexpr int kMaxUnit = 99;    // units are 0..kMaxUnit

// ---------------------------------------------------------------------------
// Direct-access units: files of fixed-length records numbered from 1, record
// `irec` at byte offset (irec-1)*recl_bytes. Words are moved as 4-byte items in
// the host's byte order.

// Open `path` on unit `lun`. create_new: status "NEW" (fails with EEXIST when the
// file exists); otherwise status "OLD" (fails with ENOENT when it does not).
// Only regular files open: kNotRegularFile for a FIFO or device, EISDIR for a
// folder.
int open_direct(int lun, std::string_view path, bool create_new, int recl_bytes);

// Create a new file for `lun` that appears under `path` only when
// publish_direct() gives it that name, so that a creation that fails or is
// killed leaves no file of that name. Until then it is written under a
// temporary name in the same folder, "<path>.incomplete.<pid>[.<n>]", which no
// later run reuses. Fails with EEXIST when `path` exists (and with the same
// statuses as open_direct otherwise); closing the unit before publishing
// removes the temporary file.
int create_direct_pending(int lun, std::string_view path, int recl_bytes);

// create_direct_pending for a file that is to take the place of any file of
// its name when published: an existing regular file (or link) under `path`
// stays untouched until publish_direct renames the new file over it in one
// step. EISDIR or kNotRegularFile when `path` names something else.
int create_direct_replacing(int lun, std::string_view path, int recl_bytes);

// Gives the pending file on `lun` its name without ever replacing a file of
// that name (EEXIST then, and the temporary file stays the unit's), or, when
// created by create_direct_replacing, in place of the file of that name. In
// durable mode the file is synced before and its folder after. kOk, and
// nothing done, for a unit that is not pending.
int publish_direct(int lun);

// Cut the file on `lun` back to `bytes` (for undoing a failed extension).
int truncate_direct(int lun, std::int64_t bytes);

// In durable mode, force every record written to `lun` to the medium; else kOk
// at once.
int sync_direct(int lun);

// Durable mode: whether sync_direct and publish_direct force data to the
// medium. Off unless the environment variable T2G_DURABLE is 1 when first
// asked; set_durable overrides it.
bool durable();
void set_durable(bool on);

// Open an existing file (status "OLD") for reading only: record writes on the
// unit then fail with EBADF. Lets readers look into files they may not write.
int open_direct_read_only(int lun, std::string_view path, int recl_bytes);

// Read words.size() words from the start of record `irec`. A record wholly
// beyond the end of the file gives kEndOfFile; a record cut short by the end of
// the file has its missing bytes set to 0 and also gives kEndOfFile.
int read_record(int lun, int irec, std::span<std::int32_t> words);

// Write words.size() words at the start of record `irec` (fewer words than the
// record length write only those words). The file grows as needed.
int write_record(int lun, int irec, std::span<const std::int32_t> words);

// Writes whole records irec, irec+1, ... from records[0], records[1], ...
// (each exactly one record long): the same as write_record of each in turn,
// up to the first that fails, in as few system calls as the run allows.
// `nwritten` is the number of records written before the one that failed,
// whose status is returned (EINVAL, with none written, for a record of
// another length).
int write_records(int lun, int irec, std::span<const std::span<const std::int32_t>> records,
                  int& nwritten);

// Size in bytes of the file open on `lun`.
int file_size(int lun, std::int64_t& bytes);

// ---------------------------------------------------------------------------
// Sequential text units (status "OLD", formatted). Lines end at LF; a CR
// before the LF is dropped; a last line without LF still counts. A UTF-8
// byte-order mark at the start of a file (or of standard input) is skipped.
// A line longer than kMaxLineBytes is cut there: its rest is skipped unread
// into memory. Only regular files open (kNotRegularFile, EISDIR otherwise).
inline constexpr std::size_t kMaxLineBytes = std::size_t{1} << 16;

int open_sequential(int lun, std::string_view path);

// Next whole line, without its line end. kEndOfFile after the last line.
int read_line(int lun, std::string& line);

// Whole-line read into a fixed-width field: the first field.size() characters
// of the next line, blank-padded when the line is shorter.
int read_field(int lun, std::span<char> field);

// Step back one line, so that the next read returns the line last read.
// One step is kept: a second backspace before the next read gives
// kNoEarlierLine; a backspace before the first read does nothing.
int backspace(int lun);

// Line number (from 1) of the line last read on `lun`, 0 before the first;
// used to point operators at a bad input line.
int line_number(int lun);

// ---------------------------------------------------------------------------
// Free-form (list-directed) reads on kStdinUnit or a sequential unit. One read
// starts on a new line, takes the items in order (separated by blanks, tabs or
// commas), continues over further lines until it has them all and discards the
// rest of its last line. A text item is bare or between quotes ('...' or "...")
// and is cut or blank-padded to its field (a doubled quote inside stands for
// one). A run of separators counts as one separator. A read of no items takes
// one line. Integers: optional sign and digits, in range. Reals: integer,
// decimal or exponent forms (E, e, D or d), also Inf and NaN; a value beyond
// the float range reads as infinity, one too small as zero. On kBadItem,
// `bad_text` (when given) receives the offending item as read; the items
// before it are already stored.
struct ReadItem {
  enum class Kind { kInteger, kReal, kText };
  Kind kind;
  int* ival = nullptr;
  float* rval = nullptr;
  std::span<char> text{};

  static ReadItem integer(int& v) { return {Kind::kInteger, &v, nullptr, {}}; }
  static ReadItem real(float& v) { return {Kind::kReal, nullptr, &v, {}}; }
  static ReadItem chars(std::span<char> field) { return {Kind::kText, nullptr, nullptr, field}; }
};
int read_list(int lun, std::span<const ReadItem> items, std::string* bad_text = nullptr);

// Fast path for the value reader: one free-form read of a single real per
// call, the same rules as read_list with one kReal item.
int read_real(int lun, float& value, std::string* bad_text = nullptr);

// Free-form reads of a single real, one after the other, into values[0],
// values[1], ...: the same as that many read_real calls, without their
// per-call overhead. `count` is the number of values stored. Returns early,
// with kOk, after a value worth a look (further items on its line, see
// more_items_on_line, or a value that is not finite), so that every value but
// the last one stored is finite and alone on its line. On a failure `count`
// is the index of the read that failed, whose status is returned.
int read_reals(int lun, std::span<float> values, std::size_t& count,
               std::string* bad_text = nullptr);

// Free-layout reads: values.size() numbers into values[0], values[1], ...,
// taking every item of the text in order whatever blanks, tabs and line ends
// (LF or CR LF) separate them, and commas too when `commas`. Items are reals
// in any free-form form; lines may be of any length. `count` is the number
// stored: kEndOfFile when the text ends first, kBadItem (the item in
// `bad_text`) at an item that is not a real. line_number then gives the line
// of the last item taken. Not to be mixed with line reads on the same unit.
int read_numbers(int lun, std::span<float> values, std::size_t& count, bool commas,
                 std::string* bad_text = nullptr);
// Whether the last read_numbers on `lun` stored a value that is not finite
// (NaN, an infinity, a value beyond the float range).
bool read_not_finite(int lun);
// The number of items left in the text, numbers or not (free layout as above).
int count_items(int lun, bool commas, std::int64_t& count);

// Whether the line that the last successful free-form read on `lun` ended on
// held further items, which the read discarded (for example "1 99" or the
// decimal comma of "1,5" read as one real).
bool more_items_on_line(int lun);

// ---------------------------------------------------------------------------
// Any unit

int close_unit(int lun);
bool is_open(int lun);
// Name of the file open on `lun` (as it was opened).
int unit_name(int lun, std::string& name);
// Whether a file of that name exists.
bool file_exists(std::string_view path);
// The file `path` names, as the operating system tells one file from another
// (device and inode): two names of one file give the same identity. nullopt
// when there is no such file.
struct FileIdentity {
  std::uint64_t device = 0, inode = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
std::optional<FileIdentity> file_identity(std::string_view path);
// Removes the file `path` (never a folder): kOk, or the errno of the failure.
int remove_file(std::string_view path);
// Whether `path` can be opened for reading: kOk, or the errno of the failed open.
int probe_read(std::string_view path);
// A status as an operator reads it: the operating system's text for an errno
// value ("No such file or directory"), a description of the runtime's own.
std::string status_text(int status);

// ---------------------------------------------------------------------------
// Whole files

// Writes `bytes` as the file `path`, replacing any file of that name. The
// bytes go to a new file beside it first, renamed over `path` once complete,
// so a failed write leaves an earlier file as it was and no partial file.
int write_whole_file(std::string_view path, std::span<const unsigned char> bytes);

// ---------------------------------------------------------------------------
// Standard output: one free-form write is one line, laid out exactly as the
// list-directed output of integers, reals and texts (leading blank, 12-column
// integers, 16-column reals, adjacent texts joined).
struct OutItem {
  enum class Kind { kInteger, kReal, kText };
  Kind kind;
  int ival = 0;
  float rval = 0.0f;
  std::string_view text{};

  OutItem(int v) : kind(Kind::kInteger), ival(v) {}
  OutItem(float v) : kind(Kind::kReal), rval(v) {}
  OutItem(std::string_view s) : kind(Kind::kText), text(s) {}
  OutItem(const char* s) : kind(Kind::kText), text(s) {}
  OutItem(const std::string& s) : kind(Kind::kText), text(s) {}
};
void write_list(std::initializer_list<OutItem> items);
// The formatted line itself, without writing it (for tests and the fuzzers).
std::string format_list(std::span<const OutItem> items);

// A line written as it stands (the message writer's "(1x,a)" lines add their own blank).
void write_line(std::string_view text);
// Lines for standard output gathered into writes of about 64 KiB, for long
// outputs (a dump of a million values) that need not reach the system line
// by line; in order with write_line only at flush(). Whatever is gathered
// is written by flush() and at the end of the batch's life.
class StdoutBatch {
 public:
  StdoutBatch() = default;
  StdoutBatch(const StdoutBatch&) = delete;
  StdoutBatch& operator=(const StdoutBatch&) = delete;
  ~StdoutBatch() { flush(); }
  void line(std::string_view text);
  void flush();

 private:
  std::string pending_;
};
// One line on standard error (operator diagnostics outside the dialogue).
void write_error_line(std::string_view text);
// Text on standard error as it stands, without a line end (a progress bar
// redrawn with a carriage return).
void write_error_text(std::string_view text);
// Whether standard error is a terminal.
bool stderr_is_terminal();
// The error number of the first write to standard output that failed (a full
// disk behind a redirect, /dev/full), or 0 while every write has succeeded.
int stdout_error();
// While on, lines for standard output are dropped unwritten.
void discard_stdout(bool on);
// Push buffered standard output to the operating system.
void flush_stdout();

// ---------------------------------------------------------------------------
// Environment and process

std::optional<std::string> get_env(std::string_view name);
// Set `name` for this process only when it is not set yet.
void set_env_default(std::string_view name, std::string_view value);
// Set `name` for this process (and the processes it starts), replacing any value.
void set_env(std::string_view name, std::string_view value);
[[noreturn]] void exit_process(int status);
// The folder holding this process's program file (links resolved), or
// nothing where the system cannot tell.
std::optional<std::string> program_folder();
// Process set-up: descriptors 0, 1 and 2 that are closed are opened on
// /dev/null, so that no file opened later takes their numbers and receives
// what is meant for a standard stream.
void ensure_standard_streams();
// Process set-up: a write beyond the file size limit (ulimit -f) then fails
// with EFBIG like any other refused write, instead of killing the process
// with SIGXFSZ.
void ignore_file_size_signal();

}  // namespace platform
