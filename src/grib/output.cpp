#include "grib/output.h"

#include <cerrno>
#include <utility>

#include "platform/platform.h"

namespace grib {
namespace {

gridfile::Error failure(const std::string& path, const std::string& what, int status) {
  return gridfile::Error{-1, path + ": " + what + platform::status_text(status)};
}

gridfile::Error exists(const std::string& path, const std::string& what) {
  return gridfile::Error{-1, path + ": " + what};
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
  if (!file_) return gridfile::Error{-1, pending_.path() + ": already closed"};
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) {
    return failure(pending_.temp_path(), "cannot write: ", errno);
  }
  return {};
}

gridfile::Status MessageOutput::publish() {
  if (!file_) return gridfile::Error{-1, pending_.path() + ": already closed"};
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
