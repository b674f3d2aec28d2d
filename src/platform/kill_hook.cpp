// Linked as an object into test programs only (text2grid_killable): arms the
// process-level kill from T2G_TEST_KILL_AT_CHANGE before main runs, so that
// the crash tests can kill the real program at any file change.
#include <cstdlib>

#include "platform/platform_test.h"

namespace {

[[maybe_unused]] const bool kArmed = [] {
  const char* text = std::getenv(platform::testing::kKillAtChangeVariable);
  if (text == nullptr) return false;
  char* end = nullptr;
  const long long k = std::strtoll(text, &end, 10);
  if (end == text || *end != '\0' || k <= 0) return false;
  platform::testing::kill_at_change(k);
  return true;
}();

}  // namespace
