#include "grid/gd.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "grid/gd_codes.h"
#include "grid/grid_test_support.h"

namespace {

using grid_test::chars_word;
using grid_test::GridFileTest;

using GridCreateTest = GridFileTest;

TEST_F(GridCreateTest, LayoutOfTheDmFile) {
  const int gfnum = create("layout.grd", 400);
  ASSERT_EQ(gfnum, 1);
  const auto img = image("layout.grd");
  EXPECT_EQ(img.word(24), 3);  // file type
  EXPECT_EQ(img.word(25), 6);  // file source
  EXPECT_EQ(img.nfhdrs(), 2);
  EXPECT_EQ(img.nrow(), 1);
  EXPECT_EQ(img.word(12), 1);  // row keys
  EXPECT_EQ(img.ncol(), 400);
  EXPECT_EQ(img.nckeys(), 10);
  EXPECT_EQ(img.nprt(), 1);
  // Section starts of a 400-column grid file, worked out by hand from the map.
  EXPECT_EQ(img.word(17), 258);
  EXPECT_EQ(img.fhdbeg(), 268);
  EXPECT_EQ(img.word(14), 769);
  EXPECT_EQ(img.chdbeg(), 771);
  EXPECT_EQ(img.prtbeg(), 5249);
  EXPECT_EQ(img.datbeg(), 5377);
  EXPECT_EQ(img.word(257), chars_word("GRID"));
  const char* keys[] = {"GDT1", "GTM1", "GDT2", "GTM2", "GLV1",
                        "GLV2", "GVCD", "GPM1", "GPM2", "GPM3"};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(img.word(258 + i), chars_word(keys[i])) << keys[i];
  // File-header definitions: names, declared lengths, types.
  const std::vector<int> fhd = {chars_word("NAVB"), chars_word("ANLB"), 256, 128, 1, 1};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(img.word(268 + i), fhd[static_cast<std::size_t>(i)]);
  // The single row header: in use, key value 1. Column 1 unused.
  EXPECT_EQ(img.word(769), 9999);
  EXPECT_EQ(img.word(770), 1);
  EXPECT_EQ(img.word(img.column_header(1)), -9999);
  // Part "GRID": header length 4, type 5, one parameter "GRID", scale/offset/bits 0.
  const std::vector<int> prt = {chars_word("GRID"), 4, 5, 1, chars_word("GRID"), 0, 0, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(img.word(5249 + i), prt[static_cast<std::size_t>(i)]);
  // The navigation and analysis length words reach the file at once.
  EXPECT_EQ(img.word(img.file_header_area("NAVB")), 256);
  EXPECT_EQ(img.word(img.file_header_area("ANLB")), 128);
  EXPECT_EQ(output(), "");
}

TEST_F(GridCreateTest, GridLayerStateAfterCreation) {
  const int gfnum = create("state.grd", 50, 5);
  const auto fi = grid::file_index(gfnum);
  int ier = 0;
  gd_fchk(gfnum, ier);
  EXPECT_EQ(ier, 0);  // marked as a grid file
  EXPECT_EQ(grdcmn.gfwrite[fi], 1);
  EXPECT_EQ(grdcmn.gfhdrln[fi], 5);
  EXPECT_EQ(grdcmn.gfgrids[fi], 0);
  EXPECT_EQ(grdcmn.gfntime[fi], 0);
  EXPECT_EQ(grdcmn.gfnavln[fi], 256);
  EXPECT_EQ(grdcmn.gfanlln[fi], 128);
  for (int i = 1; i <= 13; ++i) {
    EXPECT_EQ(grid_test::real_word(grdcmn.gfnav[grid::nav_index(i, gfnum)]),
              grid_test::real_word(nav_[static_cast<std::size_t>(i - 1)]));
  }
  int iret = -1;
  gd_fchk(gfnum, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(image("state.grd").part_header_length(), 7);
}

TEST_F(GridCreateTest, MaximumGridsBounds) {
  EXPECT_EQ(create("zero.grd", 0), 1);
  EXPECT_EQ(image("zero.grd").ncol(), 400);
  EXPECT_EQ(create("many.grd", 20000), 2);
  EXPECT_EQ(image("many.grd").ncol(), 9999);
  EXPECT_EQ(create("exact.grd", 9999), 3);
  EXPECT_EQ(image("exact.grd").ncol(), 9999);
}

TEST_F(GridCreateTest, GridHeaderLengthLimit) {
  EXPECT_EQ(create("h126.grd", 10, 126), 1);
  EXPECT_EQ(image("h126.grd").part_header_length(), 128);

  int gfnum = 0;
  int iret = 0;
  gd_cref(filnam("h127.grd"), 256, nav_, 128, anl_, 127, 10, gfnum, iret);
  EXPECT_EQ(iret, grid::kGdHeaderTooLong);
  EXPECT_FALSE(std::filesystem::exists(path("h127.grd")));
  EXPECT_EQ(output(), "");
  // The refused creation claimed no DM file number.
  EXPECT_EQ(create("next.grd", 10), 2);
}

TEST_F(GridCreateTest, NoAnalysisWordsLeavesAnEmptyHeader) {
  int gfnum = 0;
  int iret = -1;
  gd_cref(filnam("noanl.grd"), 256, nav_, 0, anl_, 2, 10, gfnum, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(grdcmn.gfanlln[grid::file_index(gfnum)], 0);
  std::vector<float> grid(6, 1.0f);
  const std::array<std::string_view, 2> timpair = {"910823/1200", ""};
  const std::array<int, 2> levpair = {0, -1};
  const std::array<int, 2> hdr = {2, 0};
  gd_wdat(gfnum, grid, 3, 2, hdr, timpair, levpair, 0, "T", false, iret);
  ASSERT_EQ(iret, 0);
  const auto img = image("noanl.grd");
  const int anl = img.file_header_area("ANLB");
  ASSERT_NE(anl, 0);
  EXPECT_EQ(img.word(anl), 0);
  for (int i = 1; i <= 128; ++i) EXPECT_EQ(img.word(anl + i), 0);
}

TEST_F(GridCreateTest, NavigationLongerThanItsHeaderFails) {
  std::vector<float> nav257(257, 1.0f);
  int gfnum = 0;
  int iret = 0;
  gd_cref(filnam("nav257.grd"), 257, nav257, 128, anl_, 2, 10, gfnum, iret);
  EXPECT_EQ(iret, grid::kGdCreateFailed);
  const std::string out = output();
  EXPECT_NE(out.find("[DM -18]"), std::string::npos) << out;
  EXPECT_NE(out.find("[GD -1]"), std::string::npos) << out;
  EXPECT_LT(out.find("[DM -18]"), out.find("[GD -1]"));
  // The slot is no grid file: writes are refused.
  const std::array<std::string_view, 2> timpair = {"", ""};
  const std::array<int, 2> levpair = {0, 0};
  const std::array<float, 1> grid = {1.0f};
  const std::array<int, 2> hdr = {0, 0};
  gd_wdat(gfnum, grid, 1, 1, hdr, timpair, levpair, 0, "T", false, iret);
  EXPECT_EQ(iret, grid::kGdBadFile);
}

// Every record write of a creation that fails makes the creation fail with
// the file-service message; none is left to surface as a success (the row
// header written after the DM file's own sections once was).
TEST_F(GridCreateTest, EachFailedWriteFailsTheCreation) {
  platform::testing::reset_io_counts();
  create("count.grd", 10);
  const std::int64_t nwrites = platform::testing::io_counts().record_writes;
  ASSERT_GT(nwrites, 1);
  for (std::int64_t k = 1; k <= nwrites; ++k) {
    for (int idmf = 1; idmf <= 3; ++idmf) {
      int ier = 0;
      dm_clos(idmf, ier);
    }
    output();
    const std::string name = "fail" + std::to_string(k) + ".grd";
    platform::testing::fail_nth(platform::testing::Op::kRecordWrite, -1, static_cast<int>(k),
                                ENOSPC);
    int gfnum = 0;
    int iret = 0;
    gd_cref(filnam(name), grid::kNavWords, nav_, grid::kAnlWords, anl_, 2, 10, gfnum, iret);
    platform::testing::clear_faults();
    EXPECT_EQ(iret, grid::kGdCreateFailed) << "write " << k;
    const std::string out = output();
    EXPECT_NE(out.find("[FL 28]"), std::string::npos) << "write " << k << "\n" << out;
    EXPECT_NE(out.find("[GD -1]"), std::string::npos) << "write " << k << "\n" << out;
  }
}

TEST_F(GridCreateTest, CountBeyondTheGivenBlockIsRefusedBeforeCreation) {
  std::vector<float> nav10(10, 1.0f);
  int gfnum = 0;
  int iret = 0;
  gd_cref(filnam("short.grd"), 256, nav10, 128, anl_, 2, 10, gfnum, iret);
  EXPECT_EQ(iret, grid::kGdCreateFailed);
  EXPECT_FALSE(std::filesystem::exists(path("short.grd")));
  EXPECT_NE(output().find("[GD -1]"), std::string::npos);
}

TEST_F(GridCreateTest, FourthFileWhileThreeAreOpen) {
  create("a.grd", 10);
  create("b.grd", 10);
  create("c.grd", 10);
  output();
  int gfnum = 0;
  int iret = 0;
  const std::string name = filnam("d.grd");
  gd_cref(name, 256, nav_, 128, anl_, 2, 10, gfnum, iret);
  EXPECT_EQ(iret, grid::kGdCreateFailed);
  const std::string out = output();
  const auto dm = out.find("[DM -3]");
  const auto gd = out.find("[GD -1]");
  ASSERT_NE(dm, std::string::npos) << out;
  ASSERT_NE(gd, std::string::npos) << out;
  EXPECT_LT(dm, gd);
  EXPECT_FALSE(std::filesystem::exists(path("d.grd")));
}

}  // namespace
