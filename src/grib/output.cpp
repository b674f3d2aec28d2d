#include "grib/output.h"

#include <cerrno>
#include <utility>

#include "platform/platform.h"

namespace grib {
namespace {

gridfile::Error failure(const std::string& path, const std::string& what, int status) {
  base::Error e(base::Source::kFileSystem, 0, path + ": " + what + platform::status_text(status));
  e.os_error = status;
  e.path = path;
  e.reason = what + platform::status_text(status);
  return e;
}

gridfile::Error exists(const std::string& path, const std::string& what) {
  base::Error e(base::Source::kFileSystem, 0, path + ": " + what, base::Condition::kExists);
  e.os_error = EEXIST;
  e.path = path;
  e.reason = what;
  return e;
}

gridfile::Error closed(const std::string& path) {
  return base::Error(base::Source::kTool, 0, path + ": already closed", base::Condition::kClosed);
}

}  // namespace

gridfile::Result<MessageOutput> MessageOutput::reserve(const std::string& path) {
  MessageOutput out;
  if (const int st = out.pending_.reserve(path); st != platform::kOk) {
    if (st == EEXIST) return exists(path, "exists; grid2grib never replaces a file");
    return failure(path, "cannot create: ", st);
  }
  // The reserved file is empty and ours alone.
  out.file_.reset(std::fopen(out.pending_.temp_path().c_str(), "wb"));
  if (!out.file_) return failure(out.pending_.temp_path(), "cannot create: ", errno);
  return out;
}

gridfile::Status MessageOutput::write(std::span<const unsigned char> bytes) {
  if (!file_) return closed(pending_.path());
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) {
    return failure(pending_.temp_path(), "cannot write: ", errno);
  }
  return {};
}

gridfile::Status MessageOutput::publish() {
  if (!file_) return closed(pending_.path());
  int error = std::fflush(file_.get()) == 0 ? 0 : errno;
  if (std::fclose(file_.release()) != 0 && error == 0) error = errno;
  if (error != 0) return failure(pending_.temp_path(), "cannot write: ", error);
  if (const int st = pending_.publish(); st != platform::kOk) {
    if (st == EEXIST) return exists(pending_.path(), "appeared meanwhile; not replaced");
    return failure(pending_.path(), "cannot be given its name: ", st);
  }
  return {};
}

}  // namespace grib
