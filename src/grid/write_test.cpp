#include "grid/gd.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "grid/gd_codes.h"
#include "grid/grid_test_support.h"
#include "grid/packed_write.h"
#include "strings/concat.h"

namespace {

using grid_test::chars_word;
using grid_test::DmImage;
using grid_test::GridFileTest;
using grid_test::real_word;

const std::array<int, 2> kHeader = {2, 31};  // the grid header words of every test grid

class GridWriteTest : public GridFileTest {
 protected:
  // Writes a grid of `values` (kx x ky) under time1/blank time 2, level 500, vcode 1.
  int write(int gfnum, std::string_view time1, std::string_view pname,
            const std::vector<float>& values, int kx, int ky, bool replace = false, int ipktyp = 0,
            int nbits = 0) {
    const std::array<std::string_view, 2> timpair = {time1, "                    "};
    const std::array<int, 2> levpair = {500, -1};
    int iret = 99;
    if (ipktyp == 0 && nbits == 0) {
      gd_wdat(gfnum, values, kx, ky, kHeader, timpair, levpair, 1, pname, replace, iret);
    } else {
      gd_wpgd(gfnum, values, kx, ky, kHeader, timpair, levpair, 1, pname, replace, ipktyp, nbits,
              iret);
    }
    return iret;
  }
  int ntime(int f) const { return grdcmn.gfntime[grid::file_index(f)]; }
  int ngrids(int f) const { return grdcmn.gfgrids[grid::file_index(f)]; }
};

const std::vector<float> kSix = {1.5f, -2.0f, 3.25f, 4.0f, 0.0f, -9999.0f};

TEST_F(GridWriteTest, NavigationAndAnalysisHeadersOnDiskAfterFirstWrite) {
  for (std::size_t i = 0; i < anl_.size(); ++i) anl_[i] = static_cast<float>(i) * 0.5f;
  const int f = create("nav.grd");
  ASSERT_EQ(write(f, "910823/1200", "TMPK", kSix, 3, 2), 0);
  const auto img = image("nav.grd");
  const int nav = img.file_header_area("NAVB");
  ASSERT_NE(nav, 0);
  EXPECT_EQ(img.word(nav), 256);
  // The block of a CED 10 x 5 grid with angles given, word for word.
  EXPECT_EQ(img.real(nav + 1), 2.0f);
  EXPECT_EQ(img.word(nav + 2), chars_word("CED "));
  const std::array<float, 11> words3to13 = {1.0f,  1.0f,  10.0f, 5.0f, 10.0f, -20.0f,
                                            30.0f, 40.0f, 0.0f,  0.0f, 0.0f};
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(img.real(nav + 3 + i), words3to13[static_cast<std::size_t>(i)]) << i + 3;
  }
  for (int i = 14; i <= 256; ++i) EXPECT_EQ(img.word(nav + i), 0) << i;
  const int anl = img.file_header_area("ANLB");
  ASSERT_NE(anl, 0);
  EXPECT_EQ(img.word(anl), 128);
  for (int i = 1; i <= 128; ++i) {
    EXPECT_EQ(img.word(anl + i), real_word(anl_[static_cast<std::size_t>(i - 1)])) << i;
  }
}

TEST_F(GridWriteTest, ColumnHeadersAndUnpackedDataRecord) {
  const int f = create("cols.grd");
  ASSERT_EQ(write(f, "910823/1200", "tmpk", kSix, 3, 2), 0);
  ASSERT_EQ(write(f, "910823/1200F012", "Pmsl", kSix, 2, 3), 0);
  const auto img = image("cols.grd");

  const int c1 = img.column_header(1);
  const std::vector<int> col1 = {9999,
                                 910823,
                                 1200,
                                 0,
                                 0,
                                 500,
                                 -1,
                                 1,
                                 chars_word("TMPK"),
                                 chars_word("    "),
                                 chars_word("    ")};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(img.word(c1 + i), col1[static_cast<std::size_t>(i)]) << i;
  const int c2 = img.column_header(2);
  EXPECT_EQ(img.word(c2), 9999);
  EXPECT_EQ(img.word(c2 + 1), 823911200);
  EXPECT_EQ(img.word(c2 + 2), 101200);
  EXPECT_EQ(img.word(c2 + 8), chars_word("PMSL"));
  EXPECT_EQ(img.word(img.column_header(3)), -9999);

  // Record: length, header (X size, Y size, grid header), packing type 0, values.
  const int rec = img.data_record(1);
  ASSERT_GT(rec, 0);
  const std::vector<int> head = {4 + 7, 3, 2, 2, 31, 0};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(img.word(rec + i), head[static_cast<std::size_t>(i)]);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(img.word(rec + 6 + i), real_word(kSix[static_cast<std::size_t>(i)])) << i;
  }
  const int rec2 = img.data_record(2);
  ASSERT_GT(rec2, 0);
  EXPECT_EQ(img.word(rec2 + 1), 2);
  EXPECT_EQ(img.word(rec2 + 2), 3);
  EXPECT_EQ(ngrids(f), 2);
  EXPECT_EQ(ntime(f), 2);
}

TEST_F(GridWriteTest, DuplicateRefusedOrReplacedElsewhere) {
  const int f = create("dup.grd");
  ASSERT_EQ(write(f, "910823/1200", "tmpk", kSix, 3, 2), 0);
  const auto before = grid_test::read_bytes(path("dup.grd"));
  ASSERT_FALSE(before.empty());
  std::vector<float> other(6, 42.0f);
  // Same identifier: the name differs only in case.
  EXPECT_EQ(write(f, "910823/1200", "TMPK", other, 3, 2, false), grid::kGdDuplicate);
  EXPECT_EQ(output(), "");
  EXPECT_EQ(grid_test::read_bytes(path("dup.grd")), before);

  const int rec = image("dup.grd").data_record(1);
  EXPECT_EQ(write(f, "910823/1200", "TMPK", other, 3, 2, true), 0);
  const auto img = image("dup.grd");
  // Never written over in place: a crash in the middle would leave neither
  // grid. The new record follows the old one, whose words are then free.
  const int moved = img.data_record(1);
  EXPECT_EQ(moved, rec + 12);
  EXPECT_EQ(img.word(img.column_header(2)), -9999);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(img.real(moved + 6 + i), 42.0f);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(img.real(rec + 6 + i), kSix[static_cast<std::size_t>(i)]);
  EXPECT_EQ(ngrids(f), 1);
  EXPECT_EQ(ntime(f), 1);
  EXPECT_EQ(grdcmn.gftgrid[grid::tgrid_index(1, f)], 1);
}

TEST_F(GridWriteTest, RefusalsBeforeAnythingIsWritten) {
  const int f = create("early.grd");
  ASSERT_EQ(write(f, "910823/1200", "A", kSix, 3, 2), 0);
  const auto before = grid_test::read_bytes(path("early.grd"));
  ASSERT_FALSE(before.empty());
  EXPECT_EQ(write(0, "910823/1200", "B", kSix, 3, 2), grid::kGdBadFile);
  EXPECT_EQ(write(2, "910823/1200", "B", kSix, 3, 2), grid::kGdBadFile);
  EXPECT_EQ(write(4, "910823/1200", "B", kSix, 3, 2), grid::kGdBadFile);
  EXPECT_EQ(write(f, "910823/1200", "B", kSix, 0, 2), grid::kGdBadSize);
  EXPECT_EQ(write(f, "910823/1200", "B", kSix, 3, -1), grid::kGdBadSize);
  // More values than the caller handed over.
  EXPECT_EQ(write(f, "910823/1200", "B", kSix, 3, 3), grid::kGdBadSize);
  EXPECT_EQ(write(f, "910823/1200", "B", kSix, 65536, 65536), grid::kGdBadSize);
  grdcmn.gfwrite[grid::file_index(f)] = 0;
  EXPECT_EQ(write(f, "910823/1200", "B", kSix, 3, 2), grid::kGdNotWritable);
  grdcmn.gfwrite[grid::file_index(f)] = 1;
  EXPECT_EQ(output(), "");
  EXPECT_EQ(grid_test::read_bytes(path("early.grd")), before);
  EXPECT_EQ(ngrids(f), 1);
  int iret = 0;
  gd_fchk(-1, iret);
  EXPECT_EQ(iret, grid::kGdBadFile);
}

TEST_F(GridWriteTest, TimeListOfFourGrids) {
  const int f = create("times.grd");
  ASSERT_EQ(write(f, "910823/0000", "A", kSix, 3, 2), 0);
  ASSERT_EQ(write(f, "910822/1800", "B", kSix, 3, 2), 0);
  ASSERT_EQ(write(f, "910823/1200", "C", kSix, 3, 2), 0);
  ASSERT_EQ(write(f, "910823/0000", "D", kSix, 3, 2), 0);
  ASSERT_EQ(ntime(f), 3);
  const std::array<std::array<int, 3>, 3> expected = {
      {{910822, 1800, 0}, {910823, 0, 0}, {910823, 1200, 0}}};
  const std::array<int, 3> counts = {1, 2, 1};
  for (int k = 1; k <= 3; ++k) {
    for (int j = 1; j <= 3; ++j) {
      EXPECT_EQ(grdcmn.gftimes[grid::time_index(j, k, f)],
                expected[static_cast<std::size_t>(k - 1)][static_cast<std::size_t>(j - 1)]);
    }
    EXPECT_EQ(grdcmn.gftgrid[grid::tgrid_index(k, f)], counts[static_cast<std::size_t>(k - 1)]);
  }
  EXPECT_EQ(ngrids(f), 4);
  // A forecast time is listed with its forecast word.
  ASSERT_EQ(write(f, "910823/1200F012", "E", kSix, 3, 2), 0);
  EXPECT_EQ(grdcmn.gftimes[grid::time_index(1, 4, f)], 910823);
  EXPECT_EQ(grdcmn.gftimes[grid::time_index(3, 4, f)], 101200);
}

TEST_F(GridWriteTest, NoFreeColumnForThe401stGrid) {
  const int f = create("full.grd", 400);
  const std::vector<float> one = {1.0f};
  for (int i = 1; i <= 400; ++i) {
    const std::string name = strings::concat({"G", std::to_string(10000 + i).substr(1)});
    ASSERT_EQ(write(f, "910823/1200", name, one, 1, 1), 0) << i;
  }
  output();
  EXPECT_EQ(write(f, "910823/1200", "G0401", one, 1, 1), grid::kGdNoColumn);
  const std::string out = output();
  EXPECT_NE(out.find("[DM -12]"), std::string::npos) << out;
  EXPECT_EQ(ngrids(f), 400);
  // An existing identifier can still be rewritten.
  EXPECT_EQ(write(f, "910823/1200", "G0400", one, 1, 1, true), 0);
}

TEST_F(GridWriteTest, ThousandAndFirstDistinctTimeIsWrittenButNotListed) {
  const int f = create("manytimes.grd", 1002);
  const std::vector<float> one = {1.0f};
  for (int i = 0; i <= 1000; ++i) {
    const std::string time = "910823/" + std::to_string(10000 + i / 60 * 100 + i % 60).substr(1);
    ASSERT_EQ(write(f, time, "T", one, 1, 1), 0) << time;
  }
  EXPECT_EQ(ntime(f), 1000);
  EXPECT_EQ(ngrids(f), 1001);
  EXPECT_EQ(grdcmn.gftimes[grid::time_index(2, 1000, f)], 1639);  // 999 minutes: 16:39
  // The unlisted grid is in the file under its identifier.
  const auto img = image("manytimes.grd");
  const int c = img.column_header(1001);
  EXPECT_EQ(img.word(c), 9999);
  EXPECT_EQ(img.word(c + 2), 1640);
  EXPECT_GT(img.data_record(1001), 0);
  // A listed time still counts its grids.
  ASSERT_EQ(write(f, "910823/0000", "U", one, 1, 1), 0);
  EXPECT_EQ(grdcmn.gftgrid[grid::tgrid_index(1, f)], 2);
}

// Packed grids: the grid block after the data header (X size, Y size, 2, 31).
TEST_F(GridWriteTest, PackedGridsLandAsRequested) {
  const int f = create("packed.grd");
  const std::vector<float> three = {10.0f, 12.5f, -9999.0f};
  ASSERT_EQ(write(f, "910823/1200", "GRIB", three, 3, 1, false, 1, 8), 0);
  const std::vector<float> six = {1.0f, 2.0f, 4.0f, 2.0f, -9999.0f, 1.0f};
  ASSERT_EQ(write(f, "910823/1200", "DIFF", six, 3, 2, false, 3, 4), 0);
  ASSERT_EQ(write(f, "910823/1200", "DEC", three, 3, 1, false, 4, 1), 0);
  const auto img = image("packed.grd");

  int rec = img.data_record(1);
  EXPECT_EQ(img.word(rec), 4 + 7);
  EXPECT_EQ(img.word(rec + 1), 3);
  EXPECT_EQ(img.word(rec + 2), 1);
  const int b1 = rec + 5;
  EXPECT_EQ(img.word(b1), 1);  // packing type
  EXPECT_EQ(img.word(b1 + 1), 8);
  EXPECT_EQ(img.word(b1 + 2), -1);
  EXPECT_EQ(img.word(b1 + 3), 3);
  EXPECT_EQ(img.real(b1 + 4), 10.0f);
  EXPECT_EQ(img.real(b1 + 5), 0.015625f);
  EXPECT_EQ(static_cast<unsigned>(img.word(b1 + 6)), 0x00A0FF00u);

  rec = img.data_record(2);
  EXPECT_EQ(img.word(rec), 4 + 9);
  const int b3 = rec + 5;
  EXPECT_EQ(img.word(b3), 3);
  EXPECT_EQ(img.word(b3 + 1), 4);
  EXPECT_EQ(img.word(b3 + 2), -1);
  EXPECT_EQ(img.word(b3 + 3), 6);
  EXPECT_EQ(img.word(b3 + 4), 3);  // points along x
  EXPECT_EQ(img.real(b3 + 5), 1.0f);
  EXPECT_FLOAT_EQ(img.real(b3 + 6), 3.0f / 14.0f);
  EXPECT_EQ(img.real(b3 + 7), -1.0f);
  EXPECT_EQ(static_cast<unsigned>(img.word(b3 + 8)), 0x59E9F000u);

  // Decimal packing to tenths is stored as packing type 1 with the chosen 5 bits:
  // codes 0, 25 and 31 (missing).
  rec = img.data_record(3);
  EXPECT_EQ(img.word(rec), 4 + 7);
  const int b4 = rec + 5;
  EXPECT_EQ(img.word(b4), 1);
  EXPECT_EQ(img.word(b4 + 1), 5);
  EXPECT_EQ(img.word(b4 + 3), 3);
  EXPECT_EQ(img.real(b4 + 4), 10.0f);
  EXPECT_EQ(img.real(b4 + 5), 0.1f);
  EXPECT_EQ(static_cast<unsigned>(img.word(b4 + 6)), 0x067E0000u);
}

// A grid whose data cannot be written is not listed: its column stays free
// and the same identifier can be written next.
TEST_F(GridWriteTest, DataWriterFailureLeavesNoColumnAndReports) {
  const int f = create("badpack.grd");
  // Packing type 2 does not exist: the data writer refuses it.
  EXPECT_EQ(write(f, "910823/1200", "X", kSix, 3, 2, false, 2, 8), grid::kGdWriteFailed);
  const std::string out = output();
  EXPECT_NE(out.find("[DM -31]"), std::string::npos) << out;
  const auto img = image("badpack.grd");
  EXPECT_EQ(img.word(img.column_header(1)), -9999);
  EXPECT_EQ(img.data_record(1), 0);
  EXPECT_EQ(ngrids(f), 0);
  EXPECT_EQ(write(f, "910823/1200", "X", kSix, 3, 2), 0);
  EXPECT_EQ(image("badpack.grd").word(img.column_header(1)), 9999);
  EXPECT_EQ(ngrids(f), 1);
}

// A grid its packing refuses (here: no value that is not missing) is packed
// once: gd_wpgd reports the refusal and lists nothing; write_packed_grid
// names it without a message, and writes the grid unpacked when asked to.
TEST_F(GridWriteTest, PackingRefusalIsKnownBeforeTheFileChanges) {
  const int f = create("refused.grd");
  const std::vector<float> missing(6, -9999.0f);
  EXPECT_EQ(write(f, "910823/1200", "X", missing, 3, 2, false, 1, 8), grid::kGdWriteFailed);
  EXPECT_NE(output().find("[DM -11]"), std::string::npos);
  EXPECT_EQ(ngrids(f), 0);

  const std::array<std::string_view, 2> timpair = {"910823/1200", ""};
  const std::array<int, 2> levpair = {500, -1};
  int refusal = 0, iret = 99;
  grid::write_packed_grid(f, missing, 3, 2, kHeader, timpair, levpair, 1, "X", false, 3, 8,
                          grid::OnPackingRefusal::kRefuse, refusal, iret);
  EXPECT_EQ(iret, grid::kGdWriteFailed);
  EXPECT_EQ(refusal, -11);
  EXPECT_EQ(ngrids(f), 0);
  grid::write_packed_grid(f, missing, 3, 2, kHeader, timpair, levpair, 1, "X", false, 3, 8,
                          grid::OnPackingRefusal::kWriteUnpacked, refusal, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(refusal, -11);
  EXPECT_EQ(ngrids(f), 1);
  EXPECT_EQ(output().find("[DM"), std::string::npos) << output();
  const auto img = image("refused.grd");
  EXPECT_EQ(img.word(img.data_record(1) + 5), 0);  // packing type 0: unpacked
  grid::write_packed_grid(f, kSix, 3, 2, kHeader, timpair, levpair, 1, "Y", false, 1, 8,
                          grid::OnPackingRefusal::kWriteUnpacked, refusal, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(refusal, 0);
  EXPECT_EQ(image("refused.grd").word(image("refused.grd").data_record(2) + 5), 1);
}

TEST_F(GridWriteTest, ShortGridHeaderIsPaddedWithZeros) {
  const int f = create("shorthdr.grd", 10, 4);
  const std::array<std::string_view, 2> timpair = {"910823/1200", ""};
  const std::array<int, 2> levpair = {0, -1};
  const std::array<int, 1> hdr = {77};
  int iret = -1;
  gd_wdat(f, kSix, 3, 2, hdr, timpair, levpair, 0, "T", false, iret);
  ASSERT_EQ(iret, 0);
  const auto img = image("shorthdr.grd");
  const int rec = img.data_record(1);
  const std::vector<int> head = {6 + 7, 3, 2, 77, 0, 0, 0, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(img.word(rec + i), head[static_cast<std::size_t>(i)]);
}

}  // namespace
