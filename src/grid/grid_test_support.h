// Test support for the grid layer: a fixture that puts every layer below the
// grid layer into its start condition, creates grid files in a fresh directory
// and reads files back as raw 32-bit words, and the DM layout lookups the tests
// use to find sections from the label words on disk.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dm/dm.h"
#include "grid/gd.h"
#include "grid/gr.h"
#include "pack/dp.h"
#include "platform/platform.h"
#include "platform/platform_test.h"
#include "platform/test_files.h"
#include "services/fl.h"

namespace grid_test {

// The file's bytes as words; word w (from 1) is words[w - 1].
using test_files::file_words;

inline std::vector<char> read_bytes(const std::string& path) {
  const auto words = file_words(path);
  std::vector<char> bytes(words.size() * 4);
  if (!bytes.empty()) std::memcpy(bytes.data(), words.data(), bytes.size());
  return bytes;
}

// Four characters as the DM file stores them (first character in the first
// byte), and a real's word.
using test_files::chars_word;
using test_files::real_word;

// A DM file as the tests see it: words by 1-based number and the label fields.
class DmImage {
 public:
  explicit DmImage(std::vector<std::int32_t> words) : words_(std::move(words)) {}
  std::int32_t word(int w) const {
    const auto i = static_cast<std::size_t>(w - 1);
    return i < words_.size() ? words_[i] : 0;
  }
  float real(int w) const { return std::bit_cast<float>(word(w)); }
  std::size_t size() const { return words_.size(); }

  // Label words (record 1).
  int nfhdrs() const { return word(9); }
  int fhdbeg() const { return word(10); }
  int nrow() const { return word(11); }
  int ncol() const { return word(15); }
  int nckeys() const { return word(16); }
  int chdbeg() const { return word(18); }
  int nprt() const { return word(19); }
  int prtbeg() const { return word(20); }
  int datbeg() const { return word(23); }

  // First word of the area of file header `name` (its length word), 0 if absent.
  int file_header_area(std::string_view name) const {
    int iarea = fhdbeg() + 3 * nfhdrs();
    for (int i = 0; i < nfhdrs(); ++i) {
      if (word(fhdbeg() + i) == chars_word(name)) return iarea;
      iarea += word(fhdbeg() + nfhdrs() + i) + 1;
    }
    return 0;
  }
  // First word (the in-use flag) of column header c.
  int column_header(int c) const { return chdbeg() + (c - 1) * (nckeys() + 1); }
  // First word of the data record of (row 1, column c, first part), 0 if none.
  int data_record(int c) const { return word(datbeg() + (c - 1) * nprt()); }
  // Header length of the first part as defined in the file.
  int part_header_length() const { return word(prtbeg() + nprt()); }

 private:
  std::vector<std::int32_t> words_;
};

class GridFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services::reset_units();
    pack::reset_descriptors();
    dm::reset_state();
    grid::reset_state();
    scratch_ = std::make_unique<test_files::ScratchDir>("gridtest");
    dir_ = scratch_->path();
    platform::testing::capture_stdout(true);
  }
  void TearDown() override {
    for (int idmf = 1; idmf <= 3; ++idmf) {
      int ier = 0;
      dm_clos(idmf, ier);
    }
    platform::testing::take_stdout();
    platform::testing::capture_stdout(false);
    scratch_.reset();
  }

  std::string path(std::string_view name) const { return (dir_ / std::string(name)).string(); }
  // File name as handed to the library: "^" keeps it exactly as written.
  std::string filnam(std::string_view name) const { return test_files::exact(path(name)); }
  DmImage image(std::string_view name) const { return DmImage(file_words(path(name))); }
  std::string output() { return platform::testing::take_stdout(); }

  // Creates `name` with the conversion's blocks: a CED navigation block of
  // 10 x 5, 128 zero analysis words, grid header length 2.
  int create(std::string_view name, int maxgrids = 9999, int hdrlen = 2) {
    int iret = 0;
    gr_mnav("CED", 10, 5, 10.0f, -20.0f, 30.0f, 40.0f, 0.0f, 0.0f, 0.0f, true, nav_, iret);
    int gfnum = 0;
    gd_cref(filnam(name), grid::kNavWords, nav_, grid::kAnlWords, anl_, hdrlen, maxgrids, gfnum,
            iret);
    EXPECT_EQ(iret, 0);
    return gfnum;
  }

  std::unique_ptr<test_files::ScratchDir> scratch_;
  std::filesystem::path dir_;
  std::array<float, grid::kNavWords> nav_{};
  std::array<float, grid::kAnlWords> anl_{};
};

}  // namespace grid_test
