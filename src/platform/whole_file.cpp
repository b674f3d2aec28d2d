// Whole-file writes: a picture or report produced in memory goes to disk in
// one piece, through a temporary file renamed over the target.
#include "platform/platform.h"
#include "platform/runtime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace platform {

namespace {

// Opens a new file next to `path` that no other writer can be using.
int create_temporary(const std::string& path, std::string& temp_path, int& fd) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_path = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    do {
      fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) return kOk;
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
}

int write_all(int fd, std::span<const unsigned char> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(n);
  }
  return kOk;
}

}  // namespace

int write_whole_file(std::string_view path, std::span<const unsigned char> bytes) {
  const std::string target(path);
  // A FIFO, device or folder of that name is not ours to replace.
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
    return S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
  }
  std::string temp_path;
  int fd = -1;
  if (const int status = create_temporary(target, temp_path, fd); status != kOk) return status;
  int status = write_all(fd, bytes);
  if (status == kOk && durable() && ::fsync(fd) != 0) status = errno;
  if (::close(fd) != 0 && status == kOk) status = errno;
  if (status == kOk && std::rename(temp_path.c_str(), target.c_str()) != 0) status = errno;
  if (status != kOk) ::unlink(temp_path.c_str());
  if (status == kOk && durable()) status = detail::sync_folder(target);
  return status;
}

}  // namespace platform
