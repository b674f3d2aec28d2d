// Direct-access units: files of fixed-length records moved with pread/pwrite.
// The file size is cached in the unit and kept current by writes, so a read
// of a record wholly beyond the end is answered without a system call.
#include "platform/runtime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {
namespace {

using detail::Access;
using detail::Unit;

// The open direct unit `lun`, or a status.
int direct_unit(int lun, Unit*& u) {
  u = detail::find_unit(lun);
  if (u == nullptr || u->access == Access::kClosed) return kNotOpen;
  if (u->access != Access::kDirect) return kWrongAccess;
  return kOk;
}

// Byte offset of record irec (from 1), or -1 when irec is not a record number.
std::int64_t record_offset(const Unit& u, int irec) {
  if (irec < 1) return -1;
  return (static_cast<std::int64_t>(irec) - 1) * u.recl;
}

// Opens `path` on `lun` with the given open(2) flags.
int open_direct_with(int lun, std::string_view path, int flags, int recl_bytes) {
  Unit* u = detail::find_unit(lun);
  if (u == nullptr) return kNotOpen;
  if (u->access != Access::kClosed) return kUnitInUse;
  if (recl_bytes <= 0 || path.empty() || path.find('\0') != std::string_view::npos) {
    return EINVAL;
  }
  if (const int fault = detail::injected_fault(testing::Op::kOpen, lun)) return fault;
  const std::string name(path);
  int fd;
  do {
    fd = ::open(name.c_str(), flags, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    return error;
  }
  u->access = Access::kDirect;
  u->fd = fd;
  u->name = name;
  u->recl = recl_bytes;
  u->size = st.st_size;
  return kOk;
}

}  // namespace

int open_direct(int lun, std::string_view path, bool create_new, int recl_bytes) {
  const int flags = create_new ? (O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC) : (O_RDWR | O_CLOEXEC);
  return open_direct_with(lun, path, flags, recl_bytes);
}

int open_direct_read_only(int lun, std::string_view path, int recl_bytes) {
  return open_direct_with(lun, path, O_RDONLY | O_CLOEXEC, recl_bytes);
}

int read_record(int lun, int irec, std::span<std::int32_t> words) {
  Unit* u = nullptr;
  if (const int status = direct_unit(lun, u)) return status;
  const std::int64_t offset = record_offset(*u, irec);
  const auto nbytes = static_cast<std::int64_t>(words.size_bytes());
  if (offset < 0 || nbytes > u->recl) return EINVAL;
  std::byte* dest = std::as_writable_bytes(words).data();
  if (offset >= u->size) {
    std::fill_n(dest, nbytes, std::byte{0});
    return kEndOfFile;
  }
  if (const int fault = detail::injected_fault(testing::Op::kRecordRead, lun)) return fault;
  ++detail::hooks().counts.record_reads;
  std::int64_t done = 0;
  while (done < nbytes) {
    const ssize_t n = ::pread(u->fd, dest + done, static_cast<std::size_t>(nbytes - done),
                              static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) break;
    done += n;
  }
  if (done < nbytes) {
    std::fill_n(dest + done, nbytes - done, std::byte{0});
    return kEndOfFile;
  }
  return kOk;
}

int write_record(int lun, int irec, std::span<const std::int32_t> words) {
  Unit* u = nullptr;
  if (const int status = direct_unit(lun, u)) return status;
  const std::int64_t offset = record_offset(*u, irec);
  const auto nbytes = static_cast<std::int64_t>(words.size_bytes());
  if (offset < 0 || nbytes > u->recl) return EINVAL;
  if (const int fault = detail::injected_fault(testing::Op::kRecordWrite, lun)) return fault;
  ++detail::hooks().counts.record_writes;
  const std::byte* src = std::as_bytes(words).data();
  std::int64_t done = 0;
  while (done < nbytes) {
    const ssize_t n = ::pwrite(u->fd, src + done, static_cast<std::size_t>(nbytes - done),
                               static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      u->size = std::max(u->size, offset + done);
      return errno;
    }
    if (n == 0) {  // no progress: give up rather than spin
      u->size = std::max(u->size, offset + done);
      return EIO;
    }
    done += n;
  }
  u->size = std::max(u->size, offset + done);
  return kOk;
}

int file_size(int lun, std::int64_t& bytes) {
  Unit* u = nullptr;
  if (const int status = direct_unit(lun, u)) return status;
  bytes = u->size;
  return kOk;
}

}  // namespace platform
