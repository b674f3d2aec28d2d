// gridinfo --csv: one header line, then one line per grid of every file.
#include "gridtools/describe.h"
#include "gridtools/report.h"

namespace gridtools {
namespace {

// A field quoted when it holds a separator, a quote or a line end.
std::string field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string join(const std::vector<std::string>& fields) {
  std::string out;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    if (k > 0) out += ',';
    out += field(fields[k]);
  }
  return out;
}

}  // namespace

std::string csv_header() {
  return "file,number,time1,time1_iso,time2,time2_iso,level1,level2,vcoord,param,units,nx,ny,"
         "packing,bits,reference,step,words,points,missing,nan,infinite,valid,min,max,mean,"
         "stddev,valid_iso,forecast_minutes";
}

std::vector<std::string> csv_lines(const FileReport& report) {
  std::vector<std::string> out;
  for (const GridReport& g : report.grids) {
    const gridfile::GridInfo& i = g.info;
    const bool packed = i.packing.type != gridfile::PackingType::kNone;
    const gridfile::YearWindow& w = report.window;
    std::vector<std::string> f{report.path,
                               std::to_string(i.number),
                               i.id.time1,
                               gridfile::iso8601(i.id.time1, w),
                               i.id.time2,
                               gridfile::iso8601(i.id.time2, w),
                               std::to_string(i.id.level1),
                               i.id.level2 ? std::to_string(*i.id.level2) : "",
                               gridfile::vcoord_name(i.id.vcoord),
                               i.id.param,
                               g.units.value_or(""),
                               std::to_string(i.nx),
                               std::to_string(i.ny),
                               i.packing.text(),
                               std::to_string(i.packing.bits),
                               packed ? real_text(i.reference) : "",
                               packed ? real_text(i.step) : "",
                               std::to_string(i.words)};
    if (g.stats) {
      const GridStats& s = *g.stats;
      f.insert(f.end(), {std::to_string(s.points), std::to_string(s.missing), std::to_string(s.nan),
                         std::to_string(s.infinite), std::to_string(s.valid)});
      if (s.valid > 0) {
        f.insert(f.end(), {real_text(s.min), real_text(s.max), number_text(s.mean, 9),
                           number_text(s.stddev, 9)});
      } else {
        f.insert(f.end(), {"", "", "", ""});
      }
    } else {
      f.insert(f.end(), 9, "");
    }
    // The first time's valid time and forecast period (0 without a forecast part).
    const std::optional<gridfile::GridTime> t = gridfile::parse_time(i.id.time1, w);
    f.push_back(t ? gridfile::valid_iso8601(i.id.time1, w) : "");
    f.push_back(t ? std::to_string(t->forecast_minutes) : "");
    out.push_back(join(f));
  }
  return out;
}

}  // namespace gridtools
