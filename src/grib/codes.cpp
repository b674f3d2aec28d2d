// ecCodes behind the Keys and GribReader faces.
#include "grib/codes.h"

#include <eccodes.h>

#include <utility>

namespace grib {

void HandleDeleter::operator()(grib_handle* h) const {
  codes_handle_delete(h);
}

Handle new_message() {
  return Handle(codes_grib_handle_new_from_samples(nullptr, "GRIB2"));
}

Handle clone(grib_handle* h) {
  return Handle(codes_handle_clone(h));
}

bool Keys::check(int err, const char* key) {
  if (err == CODES_SUCCESS) return true;
  if (err_ == 0) {
    err_ = err;
    key_ = key;
  }
  return false;
}

void Keys::set(const char* key, long value) {
  if (err_ == 0) check(codes_set_long(h_, key, value), key);
}
void Keys::set(const char* key, double value) {
  if (err_ == 0) check(codes_set_double(h_, key, value), key);
}
void Keys::set(const char* key, const std::string& value) {
  std::size_t len = value.size();
  if (err_ == 0) check(codes_set_string(h_, key, value.c_str(), &len), key);
}
void Keys::set(const char* key, std::span<const double> values) {
  if (err_ == 0) check(codes_set_double_array(h_, key, values.data(), values.size()), key);
}

std::optional<long> Keys::get_long(const char* key) {
  long v = 0;
  if (err_ != 0 || !check(codes_get_long(h_, key, &v), key)) return std::nullopt;
  return v;
}
std::optional<double> Keys::get_double(const char* key) {
  double v = 0;
  if (err_ != 0 || !check(codes_get_double(h_, key, &v), key)) return std::nullopt;
  return v;
}
std::optional<std::string> Keys::get_string(const char* key) {
  char buf[256] = {};
  std::size_t len = sizeof buf;
  if (err_ != 0 || !check(codes_get_string(h_, key, buf, &len), key)) return std::nullopt;
  return std::string(buf);
}
std::optional<std::vector<double>> Keys::get_doubles(const char* key) {
  std::size_t n = 0;
  if (err_ != 0 || !check(codes_get_size(h_, key, &n), key)) return std::nullopt;
  std::vector<double> v(n);
  if (!check(codes_get_double_array(h_, key, v.data(), &n), key)) return std::nullopt;
  v.resize(n);
  return v;
}
bool Keys::defined(const char* key) const {
  return codes_is_defined(h_, key) != 0;
}
bool Keys::missing(const char* key) const {
  int err = 0;
  return defined(key) && codes_is_missing(h_, key, &err) != 0 && err == 0;
}

gridfile::Status Keys::status() const {
  if (err_ == 0) return {};
  return base::Error(base::Source::kGrib, err_,
                     "ecCodes: key " + key_ + ": " + codes_get_error_message(err_));
}

std::span<const unsigned char> message_bytes(grib_handle* h) {
  const void* bytes = nullptr;
  std::size_t size = 0;
  if (codes_get_message(h, &bytes, &size) != CODES_SUCCESS) return {};
  return {static_cast<const unsigned char*>(bytes), size};
}

gridfile::Result<GribReader> GribReader::open(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return base::Error(base::Source::kGrib, -1, path + ": cannot open");
  return GribReader(f, path);
}
GribReader::GribReader(GribReader&& o) noexcept
    : f_(std::exchange(o.f_, nullptr)), path_(std::move(o.path_)) {}
GribReader& GribReader::operator=(GribReader&& o) noexcept {
  std::swap(f_, o.f_);
  std::swap(path_, o.path_);
  return *this;
}
GribReader::~GribReader() {
  if (f_ != nullptr) std::fclose(f_);
}

gridfile::Result<int> GribReader::count() {
  int n = 0;
  const int err = codes_count_in_file(nullptr, f_, &n);
  rewind();
  if (err != CODES_SUCCESS) {
    return base::Error(base::Source::kGrib, err, path_ + ": " + codes_get_error_message(err));
  }
  return n;
}

void GribReader::rewind() {
  std::rewind(f_);
}

gridfile::Result<Handle> GribReader::next() {
  int err = 0;
  Handle h(codes_handle_new_from_file(nullptr, f_, PRODUCT_GRIB, &err));
  if (err != CODES_SUCCESS) {
    return base::Error(base::Source::kGrib, err, path_ + ": " + codes_get_error_message(err));
  }
  return h;
}

}  // namespace grib
