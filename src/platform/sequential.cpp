// Sequential text units and standard input: a buffered line reader.
//
// Bytes are read in pieces of kReadChunk into the unit's buffer. A line ends
// at LF; a CR right before the LF (or at the very end of the input) is
// dropped; a last line without LF still counts. When the buffer is refilled,
// the line last read is kept in it, so that backspace can step back over it.
// A line is kept to its first kMaxLineBytes bytes; the rest of it is read and
// dropped piece by piece, so memory stays bounded whatever the input holds.
#include "platform/runtime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace platform {
namespace detail {

// Moves the bytes still needed (the line last read and everything unread) to
// the front of the buffer, grows the buffer when a single line fills it, and
// reads the next piece from the descriptor.
int refill(Unit& u) {
  const std::size_t keep = std::min(u.pos, u.last_start);
  if (keep > 0) {
    std::memmove(u.buf.data(), u.buf.data() + keep, u.end - keep);
    u.end -= keep;
    u.pos -= keep;
    if (u.last_start != Unit::kNoLine) u.last_start -= keep;
  }
  u.lines_end = 0;  // the free-form reader looks for whole lines again
  if (u.buf.size() - u.end < kReadChunk) u.buf.resize(u.end + kReadChunk);
  for (;;) {
    const ssize_t n = ::read(u.fd, u.buf.data() + u.end, u.buf.size() - u.end);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) u.at_eof = true;
    u.end += static_cast<std::size_t>(n);
    if (u.bom_pending) skip_byte_order_mark(u);
    return kOk;
  }
}

namespace {

// The line starting at u.pos has no LF within kMaxLineBytes: keep its first
// kMaxLineBytes bytes, read on and drop everything up to its LF (or the end of
// the input), and end the kept part with an LF of its own.
int cut_long_line(Unit& u) {
  const std::size_t cut = u.pos + kMaxLineBytes;
  std::size_t have = u.end;  // bytes [cut, have) are unread rest of the line
  for (;;) {
    const char* rest = u.buf.data() + cut;
    const void* lf = have > cut ? std::memchr(rest, '\n', have - cut) : nullptr;
    if (lf != nullptr) {  // keep what follows the line end
      const char* after = static_cast<const char*>(lf) + 1;
      const std::size_t tail = static_cast<std::size_t>(u.buf.data() + have - after);
      std::memmove(u.buf.data() + cut + 1, after, tail);
      u.end = cut + 1 + tail;
      break;
    }
    if (u.at_eof) {
      u.end = cut + 1;
      break;
    }
    if (u.buf.size() < cut + 1 + kReadChunk) u.buf.resize(cut + 1 + kReadChunk);
    const ssize_t n = ::read(u.fd, u.buf.data() + cut, kReadChunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) u.at_eof = true;
    have = cut + static_cast<std::size_t>(n);
  }
  u.buf[cut] = '\n';
  u.lines_end = 0;  // the buffer's bytes have moved
  return kOk;
}

std::string_view without_cr(const char* p, std::size_t len) {
  if (len > 0 && p[len - 1] == '\r') --len;
  return {p, len};
}

}  // namespace

void skip_byte_order_mark(Unit& u) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  const std::size_t avail = u.end - u.pos;
  if (u.line_no > 0 || u.pos > 0) {
    u.bom_pending = false;  // past the start: nothing to skip
    return;
  }
  if (avail < kBom.size() && !u.at_eof) {
    // Too few bytes to tell; decide after the next read, unless a line end
    // shows that the text does not start with a mark.
    if (std::memchr(u.buf.data(), '\n', avail) != nullptr) u.bom_pending = false;
    return;
  }
  u.bom_pending = false;
  if (std::string_view(u.buf.data(), avail).starts_with(kBom)) u.pos = kBom.size();
}

int next_line(Unit& u, std::string_view& line) {
  for (;;) {
    if (u.pos < u.end) {
      const char* start = u.buf.data() + u.pos;
      const std::size_t avail = u.end - u.pos;
      const void* lf = std::memchr(start, '\n', avail);
      if (lf != nullptr || u.at_eof) {
        const std::size_t len =
            lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : avail;
        line = without_cr(start, len);
        u.last_start = u.pos;
        u.pos += lf != nullptr ? len + 1 : len;
        ++u.line_no;
        return kOk;
      }
      if (avail >= kMaxLineBytes) {
        if (const int status = cut_long_line(u)) return status;
        continue;
      }
    } else if (u.at_eof) {
      return kEndOfFile;
    }
    if (const int status = refill(u)) return status;
  }
}

}  // namespace detail

int open_sequential(int lun, std::string_view path) {
  detail::Unit* u = detail::find_unit(lun);
  if (u == nullptr) return kNotOpen;
  if (u->access != detail::Access::kClosed) return kUnitInUse;
  if (path.empty() || path.find('\0') != std::string_view::npos) return EINVAL;
  if (const int fault = detail::injected_fault(testing::Op::kOpen, lun)) return fault;
  const std::string name(path);
  int fd;
  do {  // O_NONBLOCK: a FIFO must not hang the open; it is refused below
    fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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
  u->access = detail::Access::kSequential;
  u->fd = fd;
  u->name = name;
  u->reset_text();
  return kOk;
}

int read_line(int lun, std::string& line) {
  detail::Unit* u = nullptr;
  if (const int status = detail::text_unit(lun, u)) return status;
  std::string_view view;
  if (const int status = detail::next_line(*u, view)) return status;
  line.assign(view);
  return kOk;
}

int read_field(int lun, std::span<char> field) {
  detail::Unit* u = nullptr;
  if (const int status = detail::text_unit(lun, u)) return status;
  std::string_view view;
  if (const int status = detail::next_line(*u, view)) return status;
  const std::size_t n = std::min(view.size(), field.size());
  std::copy_n(view.data(), n, field.begin());
  std::fill(field.begin() + static_cast<std::ptrdiff_t>(n), field.end(), ' ');
  return kOk;
}

int backspace(int lun) {
  detail::Unit* u = nullptr;
  if (const int status = detail::text_unit(lun, u)) return status;
  if (u->last_start == detail::Unit::kNoLine) {
    // At the start of the input there is nothing to step over.
    return u->line_no == 0 ? kOk : kNoEarlierLine;
  }
  u->pos = u->last_start;
  u->last_start = detail::Unit::kNoLine;
  --u->line_no;
  return kOk;
}

int line_number(int lun) {
  const detail::Unit* u = detail::find_unit(lun);
  if (u == nullptr || u->access != detail::Access::kSequential) return 0;
  return u->line_no;
}

}  // namespace platform
