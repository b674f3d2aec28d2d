// Each bin lists its first segment and segment count; each segment its first
// point, the next segment's first point ending it. Coast segments carry their
// hierarchy level in bits 6-8 of a packed word; border segments in a variable
// of their own.
#include "plot/shorelines.h"

#include <netcdf.h>

#include <cstdint>

namespace plot {

namespace {

constexpr int kGroundingLine = 6;  // coast level of the Antarctic grounding line
constexpr int kNationalBorder = 1;

class NcFile {
 public:
  explicit NcFile(const std::string& path) { status_ = nc_open(path.c_str(), NC_NOWRITE, &id_); }
  ~NcFile() {
    if (status_ == NC_NOERR) nc_close(id_);
  }
  NcFile(const NcFile&) = delete;
  NcFile& operator=(const NcFile&) = delete;
  bool ok() const { return status_ == NC_NOERR; }
  std::string error() const { return nc_strerror(status_); }

  // The whole variable, read as T; empty (and the error kept) when absent.
  template <class T>
  std::vector<T> read(const char* name) {
    int var = 0, dims = 0;
    int dim_ids[NC_MAX_VAR_DIMS];
    std::size_t length = 1;
    if (!ok() || !check(nc_inq_varid(id_, name, &var)) ||
        !check(nc_inq_varndims(id_, var, &dims)) || dims > 1 ||
        !check(nc_inq_vardimid(id_, var, dim_ids))) {
      if (ok()) status_ = NC_ENOTVAR;
      return {};
    }
    if (dims == 1 && !check(nc_inq_dimlen(id_, dim_ids[0], &length))) return {};
    std::vector<T> values(length);
    if (!check(get(var, values.data()))) return {};
    return values;
  }

 private:
  bool check(int status) {
    if (status != NC_NOERR) status_ = status;
    return status == NC_NOERR;
  }
  int get(int var, int* out) const { return nc_get_var_int(id_, var, out); }
  int get(int var, short* out) const { return nc_get_var_short(id_, var, out); }

  int id_ = -1;
  int status_ = NC_NOERR;
};

// The offset stored as a signed short is an unsigned 16-bit fraction.
double fraction(short stored) {
  return static_cast<std::uint16_t>(stored) / 65535.0;
}

bool wanted(Shoreline kind, int level) {
  return kind == Shoreline::kCoast ? level != kGroundingLine : level == kNationalBorder;
}

}  // namespace

std::string shoreline_file(const std::string& folder, Shoreline kind) {
  return folder + (kind == Shoreline::kCoast ? "/binned_GSHHS_l.nc" : "/binned_border_l.nc");
}

Shorelines read_shorelines(const std::string& path, Shoreline kind) {
  Shorelines out;
  NcFile nc(path);
  const auto bin_minutes = nc.read<int>("Bin_size_in_minutes");
  const auto bins_across = nc.read<int>("N_bins_in_360_longitude_range");
  const auto first_segment = nc.read<int>("Id_of_first_segment_in_a_bin");
  const auto segments_in_bin = nc.read<short>("N_segments_in_a_bin");
  const auto first_point = nc.read<int>("Id_of_first_point_in_a_segment");
  const auto lons = nc.read<short>("Relative_longitude_from_SW_corner_of_bin");
  const auto lats = nc.read<short>("Relative_latitude_from_SW_corner_of_bin");
  std::vector<int> levels;
  if (kind == Shoreline::kCoast) {
    for (int word : nc.read<int>("Embedded_npts_levels_exit_entry_for_a_segment")) {
      levels.push_back(word >> 6 & 7);
    }
  } else {
    for (short level : nc.read<short>("Hierarchial_level_of_a_segment")) levels.push_back(level);
  }
  if (!nc.ok()) {
    out.error = path + ": " + nc.error();
    return out;
  }
  if (bin_minutes.empty() || bins_across.empty() || bin_minutes[0] <= 0 || bins_across[0] <= 0 ||
      first_segment.size() != segments_in_bin.size() || levels.size() != first_point.size() ||
      lons.size() != lats.size()) {
    out.error = path + ": not a binned shoreline file";
    return out;
  }
  const double side = bin_minutes[0] / 60.0;
  const auto segments = first_point.size(), points = lons.size();
  for (std::size_t bin = 0; bin < first_segment.size(); ++bin) {
    const double west = static_cast<double>(bin % static_cast<std::size_t>(bins_across[0])) * side;
    const double south =
        90 - static_cast<double>(bin / static_cast<std::size_t>(bins_across[0]) + 1) * side;
    for (int k = 0; k < segments_in_bin[bin]; ++k) {
      const auto s = static_cast<std::size_t>(first_segment[bin]) + static_cast<std::size_t>(k);
      if (first_segment[bin] < 0 || s >= segments || !wanted(kind, levels[s])) continue;
      const auto begin = static_cast<std::size_t>(first_point[s]);
      const std::size_t end =
          s + 1 < segments ? static_cast<std::size_t>(first_point[s + 1]) : points;
      if (first_point[s] < 0 || end > points || end < begin + 2) continue;
      std::vector<mapproj::LatLon>& line = out.lines.emplace_back();
      for (std::size_t q = begin; q < end; ++q) {
        line.push_back({south + fraction(lats[q]) * side, west + fraction(lons[q]) * side});
      }
    }
  }
  return out;
}

}  // namespace plot
