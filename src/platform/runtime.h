// Internals of the I/O runtime shared by its files: the unit table, the
// standard-stream writers and the state of the test hooks. Not for use
// outside platform/.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_test.h"

namespace platform::detail {

enum class Access { kClosed, kDirect, kSequential, kOutput };

// One logical unit. Direct units use fd, recl and size; sequential units (and
// standard input) use the text buffer: unread bytes are buf[pos, end), and
// last_start is where the line last read began (kNoLine when backspace has
// nothing to go back to); buf[pos, lines_end) holds only whole lines, each
// ending with an LF (lines_end is 0 until the free-form reader looks for them
// after a refill).
struct Unit {
  static constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

  Access access = Access::kClosed;
  int fd = -1;
  std::string name;
  int recl = 0;
  std::int64_t size = 0;   // direct: file size in bytes, kept up to date by writes
  std::string pending;     // direct, created pending: the temporary name until published
  bool replacing = false;  // pending: published over any file of its name

  std::vector<char> buf;
  std::size_t pos = 0;
  std::size_t end = 0;
  std::size_t last_start = kNoLine;
  std::size_t lines_end = 0;
  bool at_eof = false;      // the descriptor has delivered its last byte
  bool bom_pending = true;  // a UTF-8 byte-order mark may still come first
  bool more_items = false;  // the last free-form read left items on its line
  bool not_finite = false;  // the last free-layout read stored a value that is not finite
  int line_no = 0;

  void reset_text() {
    buf.clear();
    pos = end = 0;
    last_start = kNoLine;
    lines_end = 0;
    at_eof = false;
    bom_pending = true;
    more_items = false;
    not_finite = false;
    line_no = 0;
  }
};

// The unit, or nullptr when lun is outside 0..kMaxUnit.
Unit* find_unit(int lun);

// Bytes read from a descriptor per refill of a text buffer.
inline constexpr std::size_t kReadChunk = std::size_t{1} << 20;

// Reads the next piece of the unit's descriptor into its buffer, keeping the
// unread bytes and the line last read (moved to the front).
int refill(Unit& u);

// A real item in any of the free-form forms (see read_list); false when the
// text is not one.
bool parse_real(std::string_view tok, float& value);

// Next line of a sequential unit (or standard input), without its line end.
// The view stays valid until the next call on the same unit.
int next_line(Unit& u, std::string_view& line);

// Steps over a UTF-8 byte-order mark at the very start of the text, once the
// first three bytes (or all there are) are in the buffer.
void skip_byte_order_mark(Unit& u);

// Resolves a unit for line or free-form reading: kNotOpen or kWrongAccess on failure.
int text_unit(int lun, Unit*& u);

// Writes `line` and one LF to fd 1 or 2 in one system call (or to the capture buffer).
void emit_line(int fd, std::string_view line);
// Whole lines, each ending in '\n', in one write (or one capture).
void emit_lines(int fd, std::string_view lines);

// --- new files given their name when complete --------------------------------

// The temporary name of the n-th try (from 0) for a new file `path` of the
// process `pid` (0: this one): "<path>.incomplete.<pid>" and then ".<n>".
std::string pending_name(const std::string& path, int n, int pid = 0);
// Renames `from` to `to` unless something is at `to` (EEXIST then); kOk or an errno.
int rename_no_replace(const std::string& from, const std::string& to);
// Makes the entries of the folder holding `path` (a new name) reach the medium.
int sync_folder(const std::string& path);

// --- test hooks -----------------------------------------------------------
struct Fault {
  bool armed = false;
  int lun = -1;
  int remaining = 0;
  int error = 0;
};

struct HookState {
  bool any_fault = false;
  bool watch_changes = false;  // a crash, a size limit or a kill is armed
  std::int64_t changes = 0;
  std::int64_t crash_at = 0;  // 0: none
  bool crashed = false;
  std::size_t out_at_crash = 0;
  std::int64_t kill_at = 0;  // kill the process at this change; 0: none
  std::int64_t size_limit = -1;
  std::array<Fault, 4> faults{};
  testing::IoCounts counts{};
  bool capture_out = false;
  bool capture_err = false;
  std::string out;
  std::string err;
};
HookState& hooks();

// Counts one operation against the armed fault of its kind; the fault's error
// number when this is the operation that is to fail, else 0.
int check_injected(testing::Op op, int lun);

// Looks at change number hooks().changes: false when it must not happen (the
// simulated crash has come). May raise SIGKILL (the process-level hook).
bool check_change();

// Counts one change to the file system and tells whether it may go ahead:
// always while no crash or kill is armed.
inline bool change_allowed() {
  ++hooks().changes;
  if (!hooks().watch_changes) return true;
  return check_change();
}

// The error number of an injected fault for this operation, or 0.
inline int injected_fault(testing::Op op, int lun) {
  if (!hooks().any_fault) return 0;
  return check_injected(op, lun);
}

}  // namespace platform::detail
