// The state behind the test hooks and the checks the I/O paths make against
// it. Nothing here arms a hook: only the test-hook library (test_hooks.cpp,
// linked into tests and never installed) does, so a shipped program pays one
// predictable branch per operation and cannot be made to fail or die by its
// environment.
#include <csignal>

#include "platform/runtime.h"

namespace platform {
namespace detail {

HookState& hooks() {
  static HookState state;
  return state;
}

bool check_change() {
  HookState& h = hooks();
  if (h.kill_at > 0 && h.changes == h.kill_at) {
    flush_stdout();  // what the operator saw before the kill
    std::raise(SIGKILL);
  }
  if (h.crashed) return false;
  if (h.crash_at > 0 && h.changes >= h.crash_at) {
    h.crashed = true;
    h.out_at_crash = h.out.size();
    return false;
  }
  return true;
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
}  // namespace platform
