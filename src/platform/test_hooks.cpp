// Test hooks: in-memory standard input, captured standard streams, transfer
// counters and fault injection. While no fault is armed the I/O paths pay one
// predictable branch.
#include "platform/platform_test.h"

#include <unistd.h>

#include <utility>

#include "platform/runtime.h"

namespace platform {
namespace detail {

HookState& hooks() {
  static HookState state;
  return state;
}

int check_injected(testing::Op op, int lun) {
  Fault& f = hooks().faults[static_cast<std::size_t>(op)];
  if (!f.armed || (f.lun != -1 && f.lun != lun)) return 0;
  if (--f.remaining > 0) return 0;
  f.armed = false;
  bool any = false;
  for (const Fault& other : hooks().faults) any = any || other.armed;
  hooks().any_fault = any;
  return f.error;
}

}  // namespace detail

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
  for (detail::Fault& f : detail::hooks().faults) f = {};
  detail::hooks().any_fault = false;
}

}  // namespace testing
}  // namespace platform
