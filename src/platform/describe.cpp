// Texts of statuses for operators, and a probe of whether a file can be read,
// so that a program can give the operating system's own reason for a file it
// cannot use.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/platform.h"

namespace platform {

int probe_read(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return EINVAL;
  const std::string name(path);
  int fd;
  do {
    // Non-blocking: a FIFO without a writer must not hang the probe.
    fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  ::close(fd);
  return kOk;
}

std::string status_text(int status) {
  switch (status) {
    case kOk:
      return "success";
    case kEndOfFile:
      return "end of file";
    case kBadItem:
      return "an item could not be read as its type";
    case kNotOpen:
      return "the unit has no open file";
    case kUnitInUse:
      return "the unit is already open";
    case kWrongAccess:
      return "record I/O on a sequential unit, or the reverse";
    case kNoEarlierLine:
      return "only one line can be stepped back";
    case kNotRegularFile:
      return "not a regular file (a folder, FIFO or device)";
    default:
      break;
  }
  if (status > 0) return std::strerror(status);
  return "status " + std::to_string(status);
}

}  // namespace platform
