// A thin face of ecCodes: messages that delete themselves, and key access
// that remembers the first failure, so that a run of settings is checked once.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"

struct grib_handle;

namespace grib {

struct HandleDeleter {
  void operator()(grib_handle* h) const;
};
using Handle = std::unique_ptr<grib_handle, HandleDeleter>;

// A new GRIB2 message from ecCodes' GRIB2 sample (null when it is missing).
Handle new_message();
// A copy of a message, to change on its own.
Handle clone(grib_handle* h);

// Key access on one message. Getters give nullopt (and setters do nothing)
// once a call has failed; status() tells the first failure and its key.
class Keys {
 public:
  explicit Keys(grib_handle* h) : h_(h) {}
  void set(const char* key, long value);
  void set(const char* key, double value);
  void set(const char* key, const std::string& value);
  void set(const char* key, std::span<const double> values);
  std::optional<long> get_long(const char* key);
  std::optional<double> get_double(const char* key);
  std::optional<std::string> get_string(const char* key);
  std::optional<std::vector<double>> get_doubles(const char* key);
  bool defined(const char* key) const;
  bool missing(const char* key) const;  // defined and coded as missing
  gridfile::Status status() const;

 private:
  bool check(int err, const char* key);
  grib_handle* h_;
  int err_ = 0;
  std::string key_;
};

// The message's bytes (valid while the handle lives).
std::span<const unsigned char> message_bytes(grib_handle* h);

// Reading a GRIB file message by message.
class GribReader {
 public:
  static gridfile::Result<GribReader> open(const std::string& path);
  GribReader(GribReader&&) noexcept;
  GribReader& operator=(GribReader&&) noexcept;
  ~GribReader();
  // The number of GRIB messages in the file, from the current position.
  gridfile::Result<int> count();
  void rewind();
  // The next message; a null handle at the end of the file.
  gridfile::Result<Handle> next();
  const std::string& path() const { return path_; }

 private:
  GribReader(std::FILE* f, std::string path) : f_(f), path_(std::move(path)) {}
  std::FILE* f_ = nullptr;
  std::string path_;
};

}  // namespace grib
