// What gridinfo tells about one file, gathered once and then written as a
// readable listing, JSON or CSV.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"
#include "gridtools/selection.h"
#include "gridtools/stats.h"
#include "params/params.h"

namespace gridtools {

// Grid spacing in the projection's own terms: degrees for CED, metres else.
struct Spacing {
  double dx = 0, dy = 0;
  std::string units;
};

struct GridReport {
  gridfile::GridInfo info;
  std::optional<std::string> units;  // from the parameter table, when it knows the name
  std::optional<GridStats> stats;    // absent when the values could not be read
  std::string error;                 // why they could not
};

struct FileReport {
  std::string path;  // as the user typed it
  gridfile::Navigation nav;
  std::optional<Spacing> spacing;  // when the projection has a known geometry
  int grids_in_file = 0;           // before selection
  std::vector<GridReport> grids;   // the selected ones, in file order
  gridfile::YearWindow window;     // reads the two-digit years of the times
  bool complete() const;           // every selected grid was read
};

// Reads the grids the selection picks (values too when with_stats).
gridfile::Result<FileReport> build_report(const gridfile::GridFile& file,
                                          const Selection& selection, bool with_stats = true);

// Fills in each grid's units from the parameter table.
void add_units(FileReport& report, const params::Table& table);
// Fills in the grid spacing when the projection has a known geometry.
void add_spacing(FileReport& report);

// Readable listing: navigation, then a table of the grids.
std::vector<std::string> text_listing(const FileReport& report);
// One JSON document on one line; the schema is in the README.
std::string json_document(const FileReport& report);
// CSV: the header line, and one line per grid of a report (with the file name).
std::string csv_header();
std::vector<std::string> csv_lines(const FileReport& report);

}  // namespace gridtools
