// Test hooks: in-memory standard input, captured standard streams, transfer
// counters, fault injection, simulated crashes and full disks. A library of
// its own (t2g_test_hooks) that tests and fuzzers link; the installed
// libraries and programs hold no way to arm a hook.
#include "platform/platform_test.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

#include "platform/runtime.h"

namespace platform {
namespace testing {

void set_stdin(std::string text) {
  detail::Unit& u = *detail::find_unit(kStdinUnit);
  u.reset_text();
  u.buf.assign(text.begin(), text.end());
  u.end = u.buf.size();
  u.at_eof = true;  // everything there is to read is in the buffer
  u.fd = -1;
  detail::skip_byte_order_mark(u);
}

void reset_stdin() {
  detail::Unit& u = *detail::find_unit(kStdinUnit);
  u.reset_text();
  u.fd = STDIN_FILENO;
}

void capture_stdout(bool on) {
  detail::hooks().capture_out = on;
}

std::string take_stdout() {
  return std::exchange(detail::hooks().out, {});
}

void capture_stderr(bool on) {
  detail::hooks().capture_err = on;
}

std::string take_stderr() {
  return std::exchange(detail::hooks().err, {});
}

IoCounts io_counts() {
  return detail::hooks().counts;
}

void reset_io_counts() {
  detail::hooks().counts = {};
}

void fail_nth(Op op, int lun, int n, int error) {
  detail::Fault& f = detail::hooks().faults[static_cast<std::size_t>(op)];
  f = {true, lun, n < 1 ? 1 : n, error};
  detail::hooks().any_fault = true;
}

void clear_faults() {
  detail::HookState& h = detail::hooks();
  for (detail::Fault& f : h.faults) f = {};
  h.any_fault = false;
  h.crash_at = 0;
  h.crashed = false;
  h.out_at_crash = 0;
  h.size_limit = -1;
  h.watch_changes = h.kill_at > 0;
}

std::int64_t file_changes() {
  return detail::hooks().changes;
}

void reset_file_changes() {
  detail::hooks().changes = 0;
}

void crash_at_change(std::int64_t k) {
  detail::HookState& h = detail::hooks();
  h.crash_at = h.changes + std::max<std::int64_t>(k, 1);
  h.crashed = false;
  h.watch_changes = true;
}

bool crashed() {
  return detail::hooks().crashed;
}

std::size_t stdout_at_crash() {
  return detail::hooks().out_at_crash;
}

void limit_file_size(std::int64_t bytes) {
  detail::hooks().size_limit = bytes;
}

void kill_at_change(std::int64_t k) {
  detail::HookState& h = detail::hooks();
  h.kill_at = k > 0 ? k : 0;
  if (h.kill_at > 0) h.watch_changes = true;
}

}  // namespace testing
}  // namespace platform
