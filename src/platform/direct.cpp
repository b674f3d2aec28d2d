// Direct-access units: files of fixed-length records moved with pread/pwrite,
// and runs of consecutive records written with one pwritev.
// The file size is cached in the unit and kept current by writes, so a read
// of a record wholly beyond the end is answered without a system call.
//
// New files can be created pending: written under a temporary name beside
// their own and given that name (never replacing a file) only once complete.
#include "platform/runtime.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/platform.h"
#include "platform/publish.h"

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

// Checks common to every open; the unit when it may be opened.
int unit_to_open(int lun, std::string_view path, int recl_bytes, Unit*& u) {
  u = detail::find_unit(lun);
  if (u == nullptr) return kNotOpen;
  if (u->access != Access::kClosed) return kUnitInUse;
  if (recl_bytes <= 0 || path.empty() || path.find('\0') != std::string_view::npos) {
    return EINVAL;
  }
  return detail::injected_fault(testing::Op::kOpen, lun);
}

// Opens `name` with the given open(2) flags onto the unit. O_NONBLOCK keeps a
// FIFO from hanging the open; anything but a regular file is then refused.
int open_onto(Unit& u, const std::string& name, int flags, int recl_bytes) {
  int fd;
  do {
    fd = ::open(name.c_str(), flags | O_NONBLOCK, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno;
  struct stat st {};
  int status = ::fstat(fd, &st) != 0 ? errno : kOk;
  if (status == kOk && !S_ISREG(st.st_mode))
    status = S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile;
  if (status != kOk) {
    ::close(fd);
    return status;
  }
  u.access = Access::kDirect;
  u.fd = fd;
  u.name = name;
  u.recl = recl_bytes;
  u.size = st.st_size;
  u.pending.clear();
  return kOk;
}

// Opens `path` on `lun` with the given open(2) flags.
int open_direct_with(int lun, std::string_view path, int flags, int recl_bytes) {
  Unit* u = nullptr;
  if (const int status = unit_to_open(lun, path, recl_bytes, u)) return status;
  if ((flags & O_CREAT) != 0 && !detail::change_allowed()) return kOk;
  return open_onto(*u, std::string(path), flags, recl_bytes);
}

std::optional<bool>& durable_setting() {
  static std::optional<bool> on;
  return on;
}

}  // namespace

int open_direct(int lun, std::string_view path, bool create_new, int recl_bytes) {
  const int flags = create_new ? (O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC) : (O_RDWR | O_CLOEXEC);
  return open_direct_with(lun, path, flags, recl_bytes);
}

int open_direct_read_only(int lun, std::string_view path, int recl_bytes) {
  return open_direct_with(lun, path, O_RDONLY | O_CLOEXEC, recl_bytes);
}

int create_direct_pending(int lun, std::string_view path, int recl_bytes) {
  Unit* u = nullptr;
  if (const int status = unit_to_open(lun, path, recl_bytes, u)) return status;
  const std::string name(path);
  struct stat st {};
  if (::lstat(name.c_str(), &st) == 0) return EEXIST;  // never replaced, not even a dangling link
  if (errno != ENOENT) return errno;
  // A run's own name; a leftover of an earlier run with the same process
  // number is stepped over.
  for (int n = 0; n < 100; ++n) {
    const std::string temp = detail::pending_name(name, n);
    if (!detail::change_allowed()) {  // a crash before the file exists
      u->access = Access::kDirect;
      u->fd = -1;
      u->name = name;
      u->recl = recl_bytes;
      u->size = 0;
      u->pending = temp;
      return kOk;
    }
    const int status = open_onto(*u, temp, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, recl_bytes);
    if (status == EEXIST) continue;
    if (status != kOk) return status;
    u->name = name;
    u->pending = temp;
    return kOk;
  }
  return EEXIST;
}

int publish_direct(int lun) {
  Unit* u = nullptr;
  if (const int status = direct_unit(lun, u)) return status;
  if (u->pending.empty()) return kOk;
  if (durable() && u->fd >= 0 && ::fsync(u->fd) != 0) return errno;
  if (!detail::change_allowed()) {
    u->pending.clear();
    return kOk;
  }
  if (const int status = detail::rename_no_replace(u->pending, u->name); status != kOk) {
    return status;
  }
  u->pending.clear();
  if (durable()) return detail::sync_folder(u->name);
  return kOk;
}

int truncate_direct(int lun, std::int64_t bytes) {
  Unit* u = nullptr;
  if (const int status = direct_unit(lun, u)) return status;
  if (bytes < 0) return EINVAL;
  if (!detail::change_allowed()) return kOk;
  if (::ftruncate(u->fd, static_cast<off_t>(bytes)) != 0) return errno;
  u->size = bytes;
  return kOk;
}

int sync_direct(int lun) {
  Unit* u = nullptr;
  if (const int status = direct_unit(lun, u)) return status;
  if (!durable() || u->fd < 0) return kOk;
  return ::fdatasync(u->fd) != 0 ? errno : kOk;
}

bool durable() {
  std::optional<bool>& on = durable_setting();
  if (!on) {
    // A value that is neither on nor off counts as on, the careful side;
    // programs refuse it at start (start_program).
    const std::optional<std::string> value = get_env("T2G_DURABLE");
    on = value.has_value() && parse_switch(*value).value_or(true);
  }
  return *on;
}

void set_durable(bool on) {
  durable_setting() = on;
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

namespace {

// The pwrite loop of one record whose test hooks have been passed, from byte
// `done` on: `want` of its nbytes bytes may go out (fewer than nbytes under a
// simulated size limit, which then fails with ENOSPC). Keeps the unit's size.
int put_record(Unit& u, const std::byte* src, std::int64_t offset, std::int64_t nbytes,
               std::int64_t want, std::int64_t done) {
  while (done < nbytes) {
    if (done >= want) {  // the simulated full disk
      u.size = std::max(u.size, offset + done);
      return ENOSPC;
    }
    ++detail::hooks().counts.write_calls;
    const ssize_t n = ::pwrite(u.fd, src + done, static_cast<std::size_t>(want - done),
                               static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      u.size = std::max(u.size, offset + done);
      return errno;
    }
    if (n == 0) {  // no progress: give up rather than spin
      u.size = std::max(u.size, offset + done);
      return EIO;
    }
    done += n;
  }
  u.size = std::max(u.size, offset + done);
  return kOk;
}

// Bytes of a record at `offset` that may go out under a simulated size limit.
std::int64_t allowed_bytes(std::int64_t offset, std::int64_t nbytes) {
  const std::int64_t limit = detail::hooks().size_limit;
  if (limit >= 0 && offset + nbytes > limit) {
    return std::clamp<std::int64_t>(limit - offset, 0, nbytes);
  }
  return nbytes;
}

// Writes records [0, n) of a run whose hooks have been passed, from byte
// offset `offset`, with pwritev (the rest of a short write one record at a
// time). `nwritten` counts the records that went out whole.
int put_run(Unit& u, std::span<const std::span<const std::int32_t>> records, std::int64_t offset,
            int& nwritten) {
  constexpr std::size_t kMaxRun = 64;  // well below IOV_MAX
  const auto recl = static_cast<std::int64_t>(u.recl);
  while (!records.empty()) {
    const std::size_t n = std::min(records.size(), kMaxRun);
    std::array<iovec, kMaxRun> iov{};
    for (std::size_t k = 0; k < n; ++k) {
      // iovec takes a non-const pointer; pwritev only reads through it.
      iov[k].iov_base = const_cast<std::int32_t*>(records[k].data());
      iov[k].iov_len = records[k].size_bytes();
    }
    ssize_t got;
    do {
      ++detail::hooks().counts.write_calls;
      got = ::pwritev(u.fd, iov.data(), static_cast<int>(n), static_cast<off_t>(offset));
    } while (got < 0 && errno == EINTR);
    const std::int64_t whole = got < 0 ? 0 : got / recl;
    u.size = std::max(u.size, offset + std::max<std::int64_t>(got, 0));
    if (whole < static_cast<std::int64_t>(n)) {
      // A short write or a failure: the record it stopped in, and the ones
      // after it, one at a time from where the run stopped.
      for (auto k = static_cast<std::size_t>(whole); k < n; ++k) {
        const std::int64_t at = offset + static_cast<std::int64_t>(k) * recl;
        const std::int64_t done = k == static_cast<std::size_t>(whole) && got > 0 ? got % recl : 0;
        const auto* src = reinterpret_cast<const std::byte*>(records[k].data());
        if (const int status = put_record(u, src, at, recl, recl, done)) return status;
        ++nwritten;
      }
    } else {
      nwritten += static_cast<int>(n);
    }
    records = records.subspan(n);
    offset += static_cast<std::int64_t>(n) * recl;
  }
  return kOk;
}

}  // namespace

int write_record(int lun, int irec, std::span<const std::int32_t> words) {
  Unit* u = nullptr;
  if (const int status = direct_unit(lun, u)) return status;
  const std::int64_t offset = record_offset(*u, irec);
  const auto nbytes = static_cast<std::int64_t>(words.size_bytes());
  if (offset < 0 || nbytes > u->recl) return EINVAL;
  if (const int fault = detail::injected_fault(testing::Op::kRecordWrite, lun)) return fault;
  if (!detail::change_allowed()) return kOk;
  ++detail::hooks().counts.record_writes;
  return put_record(*u, std::as_bytes(words).data(), offset, nbytes, allowed_bytes(offset, nbytes),
                    0);
}

int write_records(int lun, int irec, std::span<const std::span<const std::int32_t>> records,
                  int& nwritten) {
  nwritten = 0;
  Unit* u = nullptr;
  if (const int status = direct_unit(lun, u)) return status;
  const std::int64_t first = record_offset(*u, irec);
  if (first < 0) return EINVAL;
  for (const auto& words : records) {
    if (static_cast<std::int64_t>(words.size_bytes()) != u->recl) return EINVAL;
  }
  const auto recl = static_cast<std::int64_t>(u->recl);
  // Each record passes the test hooks in turn, as write_record would; the
  // records that pass go out together, up to one that a hook stops or cuts.
  std::size_t start = 0;  // first record not yet written
  for (std::size_t k = 0; k <= records.size(); ++k) {
    const std::int64_t offset = first + static_cast<std::int64_t>(k) * recl;
    int fault = kOk;
    bool skipped = false;  // a simulated crash has come: the write is not made
    bool cut = false;      // the record meets a simulated size limit
    if (k < records.size()) {
      fault = detail::injected_fault(testing::Op::kRecordWrite, lun);
      if (fault == kOk) {
        skipped = !detail::change_allowed();
        if (!skipped) {
          ++detail::hooks().counts.record_writes;
          cut = allowed_bytes(offset, recl) < recl;
        }
      }
      if (fault == kOk && !skipped && !cut) continue;
    }
    const std::int64_t run_offset = first + static_cast<std::int64_t>(start) * recl;
    if (const int status = put_run(*u, records.subspan(start, k - start), run_offset, nwritten)) {
      return status;
    }
    if (k == records.size()) break;
    if (fault != kOk) return fault;
    if (cut) {
      const auto* src = reinterpret_cast<const std::byte*>(records[k].data());
      if (const int status = put_record(*u, src, offset, recl, allowed_bytes(offset, recl), 0)) {
        return status;
      }
    }
    ++nwritten;  // written, or not made because of the simulated crash
    start = k + 1;
  }
  return kOk;
}

int file_size(int lun, std::int64_t& bytes) {
  Unit* u = nullptr;
  if (const int status = direct_unit(lun, u)) return status;
  bytes = u->size;
  return kOk;
}

}  // namespace platform
