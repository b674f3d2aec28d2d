// Output files: temporary name, then a hard link to the target name (which
// never replaces a file) and the temporary name removed.
#include "grib/output.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace grib {
namespace {

std::string fresh_name(const std::string& target) {
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<int> digit(0, 35);
  constexpr std::string_view kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (;;) {
    std::string name = target + ".incomplete.";
    for (int k = 0; k < 6; ++k) name += kDigits[static_cast<std::size_t>(digit(random))];
    if (!output_exists(name)) return name;
  }
}

gridfile::Error failure(const std::string& path, const std::string& what) {
  return base::Error(base::Source::kGrib, -1, path + ": " + what);
}

}  // namespace

bool output_exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found;
}

PendingOutput::PendingOutput(std::string target)
    : target_(std::move(target)), temporary_(fresh_name(target_)) {}

PendingOutput::~PendingOutput() {
  (void)close_file();
  if (!published_) {
    std::error_code ec;
    std::filesystem::remove(temporary_, ec);
  }
}

gridfile::Status PendingOutput::write(std::span<const unsigned char> bytes) {
  if (file_ == nullptr) {
    file_ = std::fopen(temporary_.c_str(), "wbx");  // exclusive: never another's file
    if (file_ == nullptr) return failure(temporary_, std::strerror(errno));
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    return failure(temporary_, std::string("cannot write: ") + std::strerror(errno));
  }
  return {};
}

gridfile::Status PendingOutput::close_file() {
  if (file_ == nullptr) return {};
  const bool flushed = std::fflush(file_) == 0;
  const int error = errno;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!flushed || !closed)
    return failure(temporary_, std::string("cannot write: ") + std::strerror(error));
  return {};
}

gridfile::Status PendingOutput::publish() {
  if (gridfile::Status s = close_file(); !s) return s;
  std::error_code ec;
  std::filesystem::create_hard_link(temporary_, target_, ec);
  if (ec) return failure(target_, "cannot create: " + ec.message());
  published_ = true;
  std::filesystem::remove(temporary_, ec);
  return {};
}

}  // namespace grib
