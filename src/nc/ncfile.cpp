// netCDF-C behind NcFile: create/open/close and attribute reads.
#include "nc/ncfile.h"

#include <netcdf.h>

#include <cerrno>
#include <utility>

#include "platform/platform.h"

namespace nc {

NcFile::NcFile(int ncid, std::string path, bool netcdf4)
    : ncid_(ncid), path_(std::move(path)), netcdf4_(netcdf4) {}

NcFile::NcFile(NcFile&& other) noexcept
    : ncid_(std::exchange(other.ncid_, -1)),
      path_(std::move(other.path_)),
      netcdf4_(other.netcdf4_) {}

NcFile& NcFile::operator=(NcFile&& other) noexcept {
  if (this != &other) {
    if (ncid_ >= 0) nc_close(ncid_);
    ncid_ = std::exchange(other.ncid_, -1);
    path_ = std::move(other.path_);
    netcdf4_ = other.netcdf4_;
  }
  return *this;
}

NcFile::~NcFile() {
  if (ncid_ >= 0) nc_close(ncid_);
}

gridfile::Error NcFile::error(int status, std::string_view what) const {
  std::string text = path_ + ": " + std::string(what) + ": " + nc_strerror(status);
  // The libraries' "HDF error" or "I/O failure" hides what the system said:
  // a full disk or a size limit.
  if ((status == NC_EHDFERR || status == NC_EIO) &&
      (errno == ENOSPC || errno == EDQUOT || errno == EFBIG || errno == EIO)) {
    text += " (" + platform::status_text(errno) + ")";
  }
  return base::Error(base::Source::kNetcdf, status, text);
}

gridfile::Result<NcFile> NcFile::create(const std::string& path, bool classic) {
  return create_file(path, path, classic, NC_NOCLOBBER);
}

gridfile::Result<NcFile> NcFile::create_in(const std::string& temp_path, const std::string& path,
                                           bool classic) {
  return create_file(temp_path, path, classic, NC_CLOBBER);
}

gridfile::Result<NcFile> NcFile::create_file(const std::string& where, const std::string& path,
                                             bool classic, int clobber) {
  const int mode = clobber | (classic ? NC_64BIT_OFFSET : NC_NETCDF4);
  int ncid = -1;
  const int status = nc_create(where.c_str(), mode, &ncid);
  if (status != NC_NOERR) {
    return base::Error(base::Source::kNetcdf, status,
                       path + ": cannot create: " + nc_strerror(status));
  }
  return NcFile(ncid, path, !classic);
}

gridfile::Result<NcFile> NcFile::open(const std::string& path) {
  int ncid = -1;
  const int status = nc_open(path.c_str(), NC_NOWRITE, &ncid);
  if (status != NC_NOERR) {
    return base::Error(base::Source::kNetcdf, status,
                       path + ": cannot open as netCDF: " + nc_strerror(status));
  }
  int format = 0;
  nc_inq_format(ncid, &format);
  return NcFile(ncid, path, format == NC_FORMAT_NETCDF4);
}

gridfile::Status NcFile::close() {
  if (ncid_ < 0) return {};
  const int status = nc_close(std::exchange(ncid_, -1));
  if (status != NC_NOERR) return error(status, "close");
  return {};
}

std::optional<std::string> NcFile::text_att(int varid, const char* name) const {
  nc_type type = 0;
  std::size_t len = 0;
  if (nc_inq_att(ncid_, varid, name, &type, &len) != NC_NOERR) return std::nullopt;
  if (type == NC_CHAR) {
    std::string s(len, '\0');
    if (len > 0 && nc_get_att_text(ncid_, varid, name, s.data()) != NC_NOERR) return std::nullopt;
    while (!s.empty() && (s.back() == '\0')) s.pop_back();
    return s;
  }
  if (type == NC_STRING && len == 1) {
    char* value = nullptr;
    if (nc_get_att_string(ncid_, varid, name, &value) != NC_NOERR) return std::nullopt;
    std::string s = value != nullptr ? value : "";
    nc_free_string(1, &value);
    return s;
  }
  return std::nullopt;
}

std::optional<std::vector<double>> NcFile::number_att(int varid, const char* name) const {
  nc_type type = 0;
  std::size_t len = 0;
  if (nc_inq_att(ncid_, varid, name, &type, &len) != NC_NOERR) return std::nullopt;
  if (type == NC_CHAR || type == NC_STRING || type > NC_STRING || len == 0) return std::nullopt;
  std::vector<double> v(len);
  if (nc_get_att_double(ncid_, varid, name, v.data()) != NC_NOERR) return std::nullopt;
  return v;
}

std::optional<double> NcFile::number_att1(int varid, const char* name) const {
  const auto v = number_att(varid, name);
  if (!v || v->size() != 1) return std::nullopt;
  return (*v)[0];
}

int NcFile::var_id(std::string_view name) const {
  int varid = -1;
  if (nc_inq_varid(ncid_, std::string(name).c_str(), &varid) != NC_NOERR) return -1;
  return varid;
}

std::string NcFile::var_name(int varid) const {
  char name[NC_MAX_NAME + 1] = {};
  nc_inq_varname(ncid_, varid, name);
  return name;
}

std::string NcFile::dim_name(int dimid) const {
  char name[NC_MAX_NAME + 1] = {};
  nc_inq_dimname(ncid_, dimid, name);
  return name;
}

std::size_t NcFile::dim_len(int dimid) const {
  std::size_t len = 0;
  nc_inq_dimlen(ncid_, dimid, &len);
  return len;
}

std::vector<int> NcFile::var_dims(int varid) const {
  int ndims = 0;
  nc_inq_varndims(ncid_, varid, &ndims);
  std::vector<int> dims(static_cast<std::size_t>(ndims));
  if (ndims > 0) nc_inq_vardimid(ncid_, varid, dims.data());
  return dims;
}

int NcFile::var_type(int varid) const {
  nc_type type = 0;
  nc_inq_vartype(ncid_, varid, &type);
  return type;
}

int NcFile::nvars() const {
  int n = 0;
  nc_inq_nvars(ncid_, &n);
  return n;
}

std::vector<std::string> NcFile::group_names() const {
  std::vector<std::string> names;
  int n = 0;
  if (!netcdf4_ || nc_inq_grps(ncid_, &n, nullptr) != NC_NOERR || n <= 0) return names;
  std::vector<int> ids(static_cast<std::size_t>(n));
  if (nc_inq_grps(ncid_, &n, ids.data()) != NC_NOERR) return names;
  for (int id : ids) {
    char name[NC_MAX_NAME + 1] = {};
    if (nc_inq_grpname(id, name) == NC_NOERR) names.emplace_back(name);
  }
  return names;
}

gridfile::Result<std::vector<double>> NcFile::read_doubles(int varid) const {
  std::size_t n = 1;
  for (int d : var_dims(varid)) n *= dim_len(d);
  const int type = var_type(varid);
  if (type == NC_CHAR || type == NC_STRING || type > NC_STRING) {
    return base::Error(base::Source::kNetcdf, NC_EBADTYPE,
                       path_ + ": variable " + var_name(varid) + " is not numeric");
  }
  std::vector<double> v(n);
  const int status = nc_get_var_double(ncid_, varid, v.data());
  if (status != NC_NOERR) return error(status, "reading variable " + var_name(varid));
  return v;
}

std::vector<std::string> attribute_words(const NcFile& f, int varid, const char* name) {
  std::vector<std::string> words;
  const auto text = f.text_att(varid, name);
  if (!text) return words;
  std::size_t k = 0;
  while (k < text->size()) {
    const std::size_t start = text->find_first_not_of(' ', k);
    if (start == std::string::npos) break;
    const std::size_t end = std::min(text->find(' ', start), text->size());
    words.push_back(text->substr(start, end - start));
    k = end;
  }
  return words;
}

int coordinate_var(const NcFile& f, int dimid) {
  const int varid = f.var_id(f.dim_name(dimid));
  if (varid < 0) return -1;
  const std::vector<int> dims = f.var_dims(varid);
  return dims.size() == 1 && dims[0] == dimid ? varid : -1;
}

}  // namespace nc
