// Process set-up and end, input and output checks, and new files published
// under their name only when complete.
#include "platform/publish.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/platform.h"
#include "platform/runtime.h"

namespace platform {
namespace {

bool stdout_failure_reported = false;

std::string lower_trimmed(std::string_view text) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The folder holding `path`.
std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

int sync_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int status = ::fsync(fd) != 0 ? errno : kOk;
  ::close(fd);
  return status;
}

}  // namespace

namespace detail {

std::string pending_name(const std::string& path, int n, int pid) {
  // Built by appending: g++ 12 at -O3 reports a false -Wrestrict for a
  // literal joined to a temporary string.
  std::string name = path;
  name.append(".incomplete.");
  name.append(std::to_string(pid != 0 ? pid : ::getpid()));
  if (n > 0) {
    name.push_back('.');
    name.append(std::to_string(n));
  }
  return name;
}

int rename_no_replace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return kOk;
  // File systems without the no-replace rename: a new link fails on an
  // existing name just the same.
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  ::unlink(from.c_str());
  return kOk;
}

int sync_folder(const std::string& path) {
  const int fd = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int status = ::fsync(fd) != 0 ? errno : kOk;
  ::close(fd);
  return status;
}

}  // namespace detail

std::optional<bool> parse_switch(std::string_view text) {
  const std::string word = lower_trimmed(text);
  for (const char* on : {"1", "yes", "true", "on"}) {
    if (word == on) return true;
  }
  for (const char* off : {"0", "no", "false", "off"}) {
    if (word == off) return false;
  }
  return std::nullopt;
}

bool start_program(std::string_view program) {
  ensure_standard_streams();
  ignore_file_size_signal();
  if (const std::optional<std::string> value = get_env("T2G_DURABLE");
      value && !parse_switch(*value)) {
    write_error_line(std::string(program) + ": T2G_DURABLE=\"" + *value +
                     "\" is neither on (1, yes, true, on) nor off (0, no, false, off)");
    return false;
  }
  return true;
}

bool report_stdout_failure(std::string_view program) {
  flush_stdout();
  const int error = stdout_error();
  if (error == 0) return false;
  if (!stdout_failure_reported) {
    stdout_failure_reported = true;
    write_error_line(std::string(program) +
                     ": standard output could not be written: " + status_text(error));
  }
  return true;
}

int finish_program(std::string_view program, int status) {
  if (report_stdout_failure(program) && status == 0) return 1;
  return status;
}

void exit_without_handlers(int status) {
  flush_stdout();
  std::_Exit(status);
}

int check_input_file(std::string_view path) {
  struct stat st {};
  if (::stat(std::string(path).c_str(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  return S_ISREG(st.st_mode) ? kOk : kNotRegularFile;
}

int check_output_name(std::string_view path) {
  struct stat st {};
  if (::lstat(std::string(path).c_str(), &st) == 0) return EEXIST;
  return errno == ENOENT ? kOk : errno;
}

PendingOutput::PendingOutput(PendingOutput&& other) noexcept
    : path_(std::move(other.path_)), temp_(std::exchange(other.temp_, {})) {}

PendingOutput& PendingOutput::operator=(PendingOutput&& other) noexcept {
  if (this != &other) {
    abandon();
    path_ = std::move(other.path_);
    temp_ = std::exchange(other.temp_, {});
  }
  return *this;
}

PendingOutput::~PendingOutput() {
  abandon();
}

int PendingOutput::reserve(std::string_view path) {
  abandon();
  if (path.empty() || path.find('\0') != std::string_view::npos) return EINVAL;
  if (const int status = check_output_name(path); status != kOk) return status;
  path_ = std::string(path);
  for (int n = 0; n < 100; ++n) {
    const std::string temp = detail::pending_name(path_, n);
    int fd = -1;
    do {
      fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno == EEXIST) continue;  // a leftover of an earlier run
    if (fd < 0) return errno;
    ::close(fd);
    temp_ = temp;
    return kOk;
  }
  return EEXIST;
}

int PendingOutput::publish() {
  if (temp_.empty()) return EINVAL;
  if (durable()) {
    if (const int status = sync_file(temp_); status != kOk) return status;
  }
  if (const int status = detail::rename_no_replace(temp_, path_); status != kOk) return status;
  temp_.clear();
  return durable() ? detail::sync_folder(path_) : kOk;
}

void PendingOutput::abandon() {
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

}  // namespace platform
