// The unit table and the operations valid on any unit.
#include "platform/runtime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace detail {
namespace {

std::array<Unit, kMaxUnit + 1> make_table() {
  std::array<Unit, kMaxUnit + 1> table{};
  table[kStdinUnit].access = Access::kSequential;
  table[kStdinUnit].fd = STDIN_FILENO;
  table[kStdinUnit].name = "stdin";
  table[kStdoutUnit].access = Access::kOutput;
  table[kStdoutUnit].fd = STDOUT_FILENO;
  table[kStdoutUnit].name = "stdout";
  return table;
}

}  // namespace

Unit* find_unit(int lun) {
  static std::array<Unit, kMaxUnit + 1> table = make_table();
  if (lun < 0 || lun > kMaxUnit) return nullptr;
  return &table[static_cast<std::size_t>(lun)];
}

int text_unit(int lun, Unit*& u) {
  u = find_unit(lun);
  if (u == nullptr || u->access == Access::kClosed) return kNotOpen;
  if (u->access != Access::kSequential) return kWrongAccess;
  return kOk;
}

}  // namespace detail

int close_unit(int lun) {
  detail::Unit* u = detail::find_unit(lun);
  if (u == nullptr || u->access == detail::Access::kClosed) return kNotOpen;
  // Standard input and output stay connected for the life of the process.
  if (lun == kStdinUnit || lun == kStdoutUnit) return kOk;
  int status = detail::injected_fault(testing::Op::kClose, lun);
  // A file created pending and never published is not wanted under any name.
  if (!u->pending.empty() && detail::change_allowed()) ::unlink(u->pending.c_str());
  u->pending.clear();
  u->replacing = false;
  // The descriptor is released even when close reports an error (Linux
  // semantics), so the unit is free again in every case.
  if (u->fd >= 0 && ::close(u->fd) != 0 && status == 0) status = errno;
  u->access = detail::Access::kClosed;
  u->fd = -1;
  u->name.clear();
  u->recl = 0;
  u->size = 0;
  u->reset_text();
  u->buf.shrink_to_fit();
  return status;
}

bool is_open(int lun) {
  const detail::Unit* u = detail::find_unit(lun);
  return u != nullptr && u->access != detail::Access::kClosed;
}

int unit_name(int lun, std::string& name) {
  const detail::Unit* u = detail::find_unit(lun);
  if (u == nullptr || u->access == detail::Access::kClosed) return kNotOpen;
  name = u->name;
  return kOk;
}

bool file_exists(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return false;
  struct stat st {};
  return ::stat(std::string(path).c_str(), &st) == 0;
}

int remove_file(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return EINVAL;
  return ::unlink(std::string(path).c_str()) == 0 ? kOk : errno;
}

std::optional<FileIdentity> file_identity(std::string_view path) {
  if (path.empty() || path.find('\0') != std::string_view::npos) return std::nullopt;
  struct stat st {};
  if (::stat(std::string(path).c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace platform
