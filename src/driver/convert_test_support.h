// Test support for whole conversions: scratch folders, dialogue answers, and
// a reader of a grid file's words straight from its bytes, laid out as a grid
// file of 9999 grids created by the converter.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform_test.h"
#include "platform/test_files.h"

namespace convert_test {

// A new, empty folder under the test temporary directory.
std::string make_scratch_dir(const std::string& stem);
// A whole file written or read as bytes.
using test_files::read_file;
using test_files::write_file;

// Stage 1 answers: grid size, files (the output name kept as typed by a
// leading "^"), nskip, ntimes, nvar, area, projection and angles.
inline std::string stage_one(int nx, int ny, const std::string& in, const std::string& out,
                             int nskip, int ntimes, int nvar,
                             const std::string& angles = "0.0 0.0 0.0") {
  return std::to_string(nx) + "\n" + std::to_string(ny) + "\n" + in + "\n^" + out + "\n" +
         std::to_string(nskip) + "\n" + std::to_string(ntimes) + "\n" + std::to_string(nvar) +
         "\n30.0 -100.0 37.5 -86.0\nCED\n" + angles + "\n";
}

// Word positions of the grid file the converter creates (9999 columns of ten
// keys, "NAVB" of 256 and "ANLB" of 128 words, one part "GRID"), worked out by
// hand from the section order: rows at 769, columns at 771, part definitions
// at 110849, data pointers at 110977, data records from 121089.
inline constexpr int kNavArea = 274;
inline constexpr int kAnlArea = 531;
inline constexpr int kColumnHeaders = 771;
inline constexpr int kDataPointers = 110977;
inline constexpr int kFirstDataWord = 121089;

// The words of a grid file, numbered from 1.
class GridFileWords {
 public:
  explicit GridFileWords(const std::string& path) { words_ = test_files::file_words(path); }
  std::size_t size() const { return words_.size(); }
  std::int32_t word(int w) const {
    return w >= 1 && static_cast<std::size_t>(w) <= words_.size()
               ? words_[static_cast<std::size_t>(w - 1)]
               : INT32_MIN;
  }
  float real(int w) const { return std::bit_cast<float>(word(w)); }
  std::string chars(int w, int nwords) const {
    std::string text(static_cast<std::size_t>(nwords) * 4, ' ');
    for (int k = 0; k < nwords; ++k) {
      const std::int32_t v = word(w + k);
      std::memcpy(text.data() + 4 * k, &v, 4);
    }
    return text;
  }
  // Column header c: in-use flag, then the ten key words.
  std::vector<std::int32_t> column(int c) const {
    std::vector<std::int32_t> out;
    for (int k = 0; k < 11; ++k) out.push_back(word(kColumnHeaders + (c - 1) * 11 + k));
    return out;
  }
  int pointer(int c) const { return word(kDataPointers + c - 1); }

 private:
  std::vector<std::int32_t> words_;
};

// A grid identifier as the column header encodes it.
struct Identifier {
  int date = 0;  // yymmdd
  int time = 0;  // hhmm
  int level = 0;
  int vcode = 0;
  std::string name;  // 12 characters
};

// Checks column c: in use, the identifier (second time blank, second level -1).
inline void expect_column(const GridFileWords& f, int c, const Identifier& id) {
  const std::vector<std::int32_t> h = f.column(c);
  EXPECT_EQ(h[0], 9999) << "column " << c;
  EXPECT_EQ(h[1], id.date) << "column " << c;
  EXPECT_EQ(h[2], id.time) << "column " << c;
  EXPECT_EQ(h[3], 0) << "column " << c;
  EXPECT_EQ(h[4], 0) << "column " << c;
  EXPECT_EQ(h[5], id.level) << "column " << c;
  EXPECT_EQ(h[6], -1) << "column " << c;
  EXPECT_EQ(h[7], id.vcode) << "column " << c;
  EXPECT_EQ(f.chars(kColumnHeaders + (c - 1) * 11 + 8, 3), id.name) << "column " << c;
}

// Checks the data record of column c: length word, data header (NX, NY, then
// the grid header 2 and 0), packing type 0 and the values, bottom row first.
inline void expect_grid(const GridFileWords& f, int c, int nx, int ny,
                        const std::vector<float>& values) {
  const int p = f.pointer(c);
  ASSERT_GE(p, kFirstDataWord) << "column " << c;
  EXPECT_EQ(f.word(p), 4 + 1 + nx * ny) << "column " << c;
  EXPECT_EQ(f.word(p + 1), nx);
  EXPECT_EQ(f.word(p + 2), ny);
  EXPECT_EQ(f.word(p + 3), 2);
  EXPECT_EQ(f.word(p + 4), 0);
  EXPECT_EQ(f.word(p + 5), 0) << "packing type";
  ASSERT_EQ(values.size(), static_cast<std::size_t>(nx * ny));
  for (std::size_t k = 0; k < values.size(); ++k) {
    EXPECT_EQ(f.real(p + 6 + static_cast<int>(k)), values[k]) << "column " << c << " value " << k;
  }
}

// Whole conversions run in-process over a scratch folder whose input file is
// `values.txt` (written when `values` is given) and grid file `grids.grd`,
// with standard output and error captured; every armed fault and captured
// text is cleared after.
class ConversionFixture : public ::testing::Test {
 protected:
  void prepare(const std::string& stem, const std::optional<std::string>& values = {}) {
    ::setenv("MORERR", T2G_SOURCE_DIR "/tables/errors", 0);
    dir_ = make_scratch_dir(stem);
    in_ = dir_ + "/values.txt";
    out_ = dir_ + "/grids.grd";
    if (values) write_file(in_, *values);
    platform::testing::capture_stdout(true);
    platform::testing::capture_stderr(true);
  }
  void TearDown() override {
    platform::testing::clear_faults();
    platform::testing::capture_stdout(false);
    platform::testing::capture_stderr(false);
    platform::testing::take_stdout();
    platform::testing::take_stderr();
    platform::testing::reset_stdin();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  std::string dir_;
  std::string in_;
  std::string out_;
};

}  // namespace convert_test
