// Containment of a library that may crash, loop or claim memory without end
// on a damaged input (the netCDF and HDF5 libraries on a mutated file): the
// work runs in a child process under a memory limit, and a step that takes
// too long is stopped. What the child writes to the standard streams and to
// files is its own; the caller learns how it ended.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

struct ContainLimits {
  // Longest time between two steps of the work (see contained_step); 0: none.
  double step_seconds = 0;
  // Address space of the child in bytes; 0: none. Not applied in builds with
  // AddressSanitizer, which reserves far more address space than it uses.
  std::uint64_t memory_bytes = 0;

  // The limits as the programs' --timeout (seconds) and --memory-limit
  // (MiB) give them.
  static ContainLimits of(double step_seconds, int memory_mib) {
    return {step_seconds, static_cast<std::uint64_t>(memory_mib) << 20};
  }
};

struct ContainOutcome {
  enum class Kind {
    kExited,       // the work returned `status`
    kOutOfMemory,  // an allocation failed (std::bad_alloc) within the limit
    kSignalled,    // the child was killed by `signal` (a crash, or a limit)
    kTimedOut,     // a step took longer than step_seconds; the child was killed
    kNotStarted,   // no child could be started (`status` holds the errno)
  };
  Kind kind = Kind::kExited;
  int status = 0;
  int signal = 0;
  int pid = 0;  // the child's process number
};

// Runs `work` in a child process and waits for it. The child dies with this
// process. Standard output is flushed before the child starts.
ContainOutcome run_contained(const std::function<int()>& work, const ContainLimits& limits);

// Whether ContainLimits::memory_bytes is applied in this build.
bool memory_limit_applies();

// In the contained work: one step is done (the time allowed starts again).
// Does nothing outside a contained child.
void contained_step();

// The name of a signal as operators know it ("SIGSEGV").
std::string signal_name(int signal);

// Removes what a killed process `pid` left of a new output `path` under its
// temporary names (see PendingOutput and create_direct_pending).
void remove_pending_of(std::string_view path, int pid);

}  // namespace platform
