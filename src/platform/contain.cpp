// run_contained: fork, limits in the child, and a parent that waits on a
// pipe of step bytes with a timeout.
#include "platform/contain.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <new>

#include "platform/platform.h"
#include "platform/runtime.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define T2G_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define T2G_ADDRESS_SANITIZER 1
#endif

namespace platform {
namespace {

// The child's end of the step pipe; -1 outside a contained child.
int step_fd = -1;

// The child's exit status for a failed allocation.
constexpr int kOutOfMemoryStatus = 121;

// What the child sends on the step pipe: kStep for each step; at its end,
// when the test hooks capture the standard streams, kCaptured and then the
// captured output and error, each as a 64-bit length and its bytes.
constexpr char kStep = 'S';
constexpr char kCaptured = 'C';

void send(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
}

void send_text(int fd, const std::string& text) {
  const std::uint64_t size = text.size();
  send(fd, &size, sizeof size);
  send(fd, text.data(), text.size());
}

// The parent's side: what the child captured, added to this process's capture.
void take_captured(const std::string& sent) {
  std::size_t k = sent.find_first_not_of(kStep);
  if (k == std::string::npos || sent[k] != kCaptured) return;
  ++k;
  for (std::string* into : {&detail::hooks().out, &detail::hooks().err}) {
    std::uint64_t size = 0;
    if (sent.size() - k < sizeof size) return;
    std::memcpy(&size, sent.data() + k, sizeof size);
    k += sizeof size;
    if (sent.size() - k < size) return;
    into->append(sent, k, static_cast<std::size_t>(size));
    k += static_cast<std::size_t>(size);
  }
}

[[noreturn]] void child(const std::function<int()>& work, const ContainLimits& limits,
                        int write_end) {
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  // A crash ends the child by its signal, for the parent to report, whatever
  // handlers this process had (a sanitizer's or a fuzzer's).
  for (const int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(sig, SIG_DFL);
  step_fd = write_end;
#ifndef T2G_ADDRESS_SANITIZER
  if (limits.memory_bytes > 0) {
    const rlimit lim{limits.memory_bytes, limits.memory_bytes};
    ::setrlimit(RLIMIT_AS, &lim);
  }
#else
  // The sanitizer reserves terabytes of address space: no limit on it here.
  (void)limits;
#endif
  int status = 0;
  try {
    status = work();
  } catch (const std::bad_alloc&) {
    status = kOutOfMemoryStatus;
  }
  flush_stdout();
  if (detail::hooks().capture_out || detail::hooks().capture_err) {
    send(write_end, &kCaptured, 1);
    send_text(write_end, detail::hooks().out);
    send_text(write_end, detail::hooks().err);
  }
  ::_exit(status);
}

// Waits for the child's steps and end, keeping what it sent; false when a
// step took too long.
bool await_steps(int read_end, double step_seconds, std::string& sent) {
  const int timeout_ms =
      step_seconds > 0 ? static_cast<int>(std::min(step_seconds * 1000.0, 2.0e9)) : -1;
  char buf[64];
  for (;;) {
    pollfd p{read_end, POLLIN, 0};
    const int n = ::poll(&p, 1, timeout_ms);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) return false;
    const ssize_t got = ::read(read_end, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;  // the child is gone (its end of the pipe closed)
    // Steps need not be kept; the captured streams at the end are.
    if (sent.find(kCaptured) == std::string::npos) sent.clear();
    sent.append(buf, static_cast<std::size_t>(got));
  }
}

}  // namespace

ContainOutcome run_contained(const std::function<int()>& work, const ContainLimits& limits) {
  ContainOutcome out;
  flush_stdout();
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    out.kind = ContainOutcome::Kind::kNotStarted;
    out.status = errno;
    return out;
  }
  const pid_t pid = ::fork();
  if (pid < 0) {
    out.kind = ContainOutcome::Kind::kNotStarted;
    out.status = errno;
    ::close(fds[0]);
    ::close(fds[1]);
    return out;
  }
  if (pid == 0) {
    ::close(fds[0]);
    child(work, limits, fds[1]);
  }
  ::close(fds[1]);
  out.pid = pid;
  std::string sent;
  const bool in_time = await_steps(fds[0], limits.step_seconds, sent);
  ::close(fds[0]);
  if (!in_time) ::kill(pid, SIGKILL);
  int wstatus = 0;
  while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  if (!in_time) {
    out.kind = ContainOutcome::Kind::kTimedOut;
  } else if (WIFSIGNALED(wstatus)) {
    out.kind = ContainOutcome::Kind::kSignalled;
    out.signal = WTERMSIG(wstatus);
  } else if (WEXITSTATUS(wstatus) == kOutOfMemoryStatus) {
    out.kind = ContainOutcome::Kind::kOutOfMemory;
  } else {
    out.status = WEXITSTATUS(wstatus);
    take_captured(sent);
  }
  return out;
}

bool memory_limit_applies() {
#ifdef T2G_ADDRESS_SANITIZER
  return false;
#else
  return true;
#endif
}

void contained_step() {
  if (step_fd < 0) return;
  send(step_fd, &kStep, 1);
}

std::string signal_name(int signal) {
  const char* abbrev = ::sigabbrev_np(signal);
  return abbrev != nullptr ? std::string("SIG") + abbrev : "signal " + std::to_string(signal);
}

void remove_pending_of(std::string_view path, int pid) {
  if (pid <= 0) return;
  for (int n = 0; n < 100; ++n) ::unlink(detail::pending_name(std::string(path), n, pid).c_str());
}

}  // namespace platform
