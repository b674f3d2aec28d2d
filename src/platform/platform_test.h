// Test hooks of the I/O runtime: an in-memory standard input, captured standard
// output, counters of physical record transfers and a fault-injection seam.
// For tests and fuzzers only; none of it costs anything while unused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::testing {

// Replace standard input by `text` (read from the start, as if piped in).
void set_stdin(std::string text);
// Restore the real standard input.
void reset_stdin();

// Collect standard output in memory instead of writing it; take_stdout() returns
// and clears what was collected so far.
void capture_stdout(bool on);
std::string take_stdout();
// The same for standard error.
void capture_stderr(bool on);
std::string take_stderr();

// Physical record transfers on direct-access units since the last reset.
struct IoCounts {
  std::int64_t record_reads = 0;
  std::int64_t record_writes = 0;
  std::int64_t write_calls = 0;  // system calls that wrote records (a run is one)
};
IoCounts io_counts();
void reset_io_counts();

// Fault injection: make the n-th (from 1, counted from this call) operation of
// kind `op` on unit `lun` (or on any unit when lun is -1) fail with `error`
// (an errno value). One pending fault per kind; clear_faults() removes all.
enum class Op { kOpen, kRecordRead, kRecordWrite, kClose };
void fail_nth(Op op, int lun, int n, int error);
// clear_faults() also ends a crash and a size limit (below).
void clear_faults();

// Changes made to files: record writes, file creations, truncations, and the
// renames and removals of pending files, counted from the last reset.
std::int64_t file_changes();
void reset_file_changes();

// Crash at change k (from 1, counted from this call): change k and every later
// one never reach the file system, as when the process dies there, while the
// run goes on and is told each succeeded. Reads still see the files as they
// are.
void crash_at_change(std::int64_t k);
// Whether the crash has happened, and how much standard output had been
// captured when it did (what the operator saw before the process died).
bool crashed();
std::size_t stdout_at_crash();

// A full disk: no direct-access file may grow beyond `bytes`. A record write
// that would pass the limit writes what fits and fails with ENOSPC. A
// negative value lifts the limit.
void limit_file_size(std::int64_t bytes);

// Raise SIGKILL just before change k (from 1, counted from the start of the
// process); 0 or less: never. The test build of text2grid (text2grid_killable)
// arms it from T2G_TEST_KILL_AT_CHANGE; no installed program or library reads
// that variable.
void kill_at_change(std::int64_t k);
inline constexpr const char* kKillAtChangeVariable = "T2G_TEST_KILL_AT_CHANGE";

}  // namespace platform::testing
