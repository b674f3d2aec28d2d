// A thin owner of one open netCDF dataset (netCDF-C), and the few typed
// attribute and variable helpers the export and import need. Errors are
// texts naming the file and netCDF-C's own explanation.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gridfile/gridfile.h"

namespace nc {

class NcFile {
 public:
  // Creates a new dataset; never overwrites. classic: 64-bit-offset format,
  // else netCDF-4 (HDF5-based). The dataset starts in define mode.
  static gridfile::Result<NcFile> create(const std::string& path, bool classic);
  // Creates the dataset in the empty file `temp_path` reserved for it (see
  // platform::PendingOutput); messages name it `path`, the name it will have.
  static gridfile::Result<NcFile> create_in(const std::string& temp_path, const std::string& path,
                                            bool classic);
  static gridfile::Result<NcFile> open(const std::string& path);

  NcFile(NcFile&& other) noexcept;
  NcFile& operator=(NcFile&& other) noexcept;
  NcFile(const NcFile&) = delete;
  NcFile& operator=(const NcFile&) = delete;
  ~NcFile();  // closes (a dataset being written is left as netCDF-C leaves it)

  int id() const { return ncid_; }
  const std::string& path() const { return path_; }
  bool netcdf4() const { return netcdf4_; }

  // An Error for netCDF-C status `status` while doing `what`.
  gridfile::Error error(int status, std::string_view what) const;
  gridfile::Status close();

  // --- Reading --------------------------------------------------------------
  // Text attribute of a variable (NC_GLOBAL for the dataset), or nullopt.
  std::optional<std::string> text_att(int varid, const char* name) const;
  // Numeric attribute as doubles, or nullopt when absent or not numeric.
  std::optional<std::vector<double>> number_att(int varid, const char* name) const;
  std::optional<double> number_att1(int varid, const char* name) const;
  // Variable id by name, or -1.
  int var_id(std::string_view name) const;
  std::string var_name(int varid) const;
  std::string dim_name(int dimid) const;
  std::size_t dim_len(int dimid) const;
  std::vector<int> var_dims(int varid) const;
  int var_type(int varid) const;
  int nvars() const;  // of the root group
  // Names of the root group's subgroups (netCDF-4), whose variables the
  // bridge does not read.
  std::vector<std::string> group_names() const;
  // Whole 1-D variable as doubles.
  gridfile::Result<std::vector<double>> read_doubles(int varid) const;

 private:
  // nc_create of `where` (NC_CLOBBER or NC_NOCLOBBER), named `path` in messages.
  static gridfile::Result<NcFile> create_file(const std::string& where, const std::string& path,
                                              bool classic, int clobber);
  NcFile(int ncid, std::string path, bool netcdf4);
  int ncid_ = -1;
  std::string path_;
  bool netcdf4_ = false;
};

// The blank-separated words of a text attribute ("lat lon"), none when absent.
std::vector<std::string> attribute_words(const NcFile& f, int varid, const char* name);

// The coordinate variable of a dimension (same name, one dimension), or -1.
int coordinate_var(const NcFile& f, int dimid);

}  // namespace nc
