// Test hooks of the I/O runtime: an in-memory standard input, captured standard
// output, counters of physical record transfers and a fault-injection seam.
// For tests and fuzzers only; none of it costs anything while unused.
#pragma once

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
};
IoCounts io_counts();
void reset_io_counts();

// Fault injection: make the n-th (from 1, counted from this call) operation of
// kind `op` on unit `lun` (or on any unit when lun is -1) fail with `error`
// (an errno value). One pending fault per kind; clear_faults() removes all.
enum class Op { kOpen, kRecordRead, kRecordWrite, kClose };
void fail_nth(Op op, int lun, int n, int error);
void clear_faults();

}  // namespace platform::testing
