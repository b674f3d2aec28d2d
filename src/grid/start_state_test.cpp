// A program that links the library without the driver, and so never calls
// in_bdta, writes and reads grid files: every layer starts in the state
// in_bdta establishes. This test program must not reset any layer itself, so
// it has an executable of its own and touches no fixture of the other tests.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "dm/dm.h"
#include "grid/gd.h"
#include "grid/gr.h"
#include "pack/dp.h"
#include "platform/platform_test.h"
#include "platform/test_files.h"
#include "services/fl.h"

namespace {

const std::array<int, 2> kHeader = {0, 0};
const std::array<std::string_view, 2> kTimes = {"240101/0000", ""};
const std::array<int, 2> kLevels = {850, -1};

std::array<float, 256> navigation(int kx, int ky) {
  std::array<float, 256> nav{};
  int iret = 0;
  gr_mnav("CED", kx, ky, -10.0f, 20.0f, 10.0f, 40.0f, 0.0f, 0.0f, 0.0f, true, nav, iret);
  return nav;
}

// Run once: whatever the order the test cases run in, the first library call
// of this process happens here.
class StartStateTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { platform::testing::capture_stdout(true); }
  static void TearDownTestSuite() { platform::testing::capture_stdout(false); }
  test_files::ScratchDir dir_{"start_state"};
};

TEST_F(StartStateTest, GridFileWrittenAndReadBackWithoutStartUp) {
  const std::vector<float> values = {1.5f, -2.0f, 3.25f, 4.0f, 0.0f, -9999.0f};
  const std::array<float, 256> nav = navigation(3, 2);
  const std::array<float, 128> anl{};
  const std::string name = test_files::exact(dir_.path("first.grd"));
  int gfnum = 0, iret = 0;
  gd_cref(name, 256, nav, 128, anl, 2, 10, gfnum, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(gfnum, 1);  // the lowest DM file number was free
  gd_wdat(gfnum, values, 3, 2, kHeader, kTimes, kLevels, 1, "TMPK", false, iret);
  ASSERT_EQ(iret, 0);
  gd_wpgd(gfnum, values, 3, 2, kHeader, kTimes, kLevels, 1, "PMSL", false, 1, 16, iret);
  ASSERT_EQ(iret, 0);
  gd_clos(gfnum, iret);
  ASSERT_EQ(iret, 0);

  gd_open(name, false, gfnum, iret);
  ASSERT_EQ(iret, 0);
  int ngrid = 0;
  gd_ngrd(gfnum, ngrid, iret);
  EXPECT_EQ(ngrid, 2);
  std::vector<float> back(6);
  std::array<int, 2> hdr{};
  int kx = 0, ky = 0;
  gd_rdat(gfnum, kTimes, kLevels, 1, "TMPK", back, kx, ky, hdr, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(kx, 3);
  EXPECT_EQ(ky, 2);
  EXPECT_EQ(back, values);
  int ipktyp = 0, nbits = 0;
  gd_gpck(gfnum, 2, ipktyp, nbits, iret);
  EXPECT_EQ(ipktyp, 1);
  EXPECT_EQ(nbits, 16);
  gd_clos(gfnum, iret);
  EXPECT_EQ(iret, 0);
  // No library message: no file number or unit was taken for in use.
  EXPECT_EQ(platform::testing::take_stdout(), "");
}

TEST_F(StartStateTest, EveryFileNumberUnitAndDescriptorStartsFree) {
  // Three grid files open at once, numbered 1..3, on pool units 11..13.
  const std::array<float, 256> nav = navigation(2, 2);
  const std::array<float, 128> anl{};
  const std::array<std::string_view, 3> kNames = {"many1.grd", "many2.grd", "many3.grd"};
  std::array<int, 3> gfnum{};
  for (int i = 0; i < 3; ++i) {
    int iret = 0;
    gd_cref(test_files::exact(dir_.path(kNames[static_cast<std::size_t>(i)])), 256, nav, 128, anl,
            2, 10, gfnum[static_cast<std::size_t>(i)], iret);
    ASSERT_EQ(iret, 0) << i;
  }
  EXPECT_EQ(gfnum, (std::array<int, 3>{1, 2, 3}));
  int idmf = 0, iret = 0;
  dm_getf(idmf, iret);
  EXPECT_EQ(iret, dm::kDmNoFileNumber);  // a fourth has none left
  for (int g : gfnum) {
    gd_clos(g, iret);
    EXPECT_EQ(iret, 0);
  }
  // All ten pool units are free again, the first handed out being 11.
  std::vector<int> luns;
  for (int k = 0; k < services::kPoolUnits; ++k) {
    int lun = 0;
    fl_glun(lun, iret);
    ASSERT_EQ(iret, 0) << k;
    luns.push_back(lun);
  }
  EXPECT_EQ(luns.front(), services::kFirstPoolUnit);
  for (int lun : luns) fl_flun(lun, iret);
  // Packing descriptor 1 is the first handed out.
  const std::array<int, 1> scale{0}, offset{0}, bits{8};
  int kdesc = 0, nwdrec = 0;
  dp_setp(1, scale, offset, bits, kdesc, nwdrec, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(kdesc, 1);
  dp_endp(kdesc, iret);
  EXPECT_EQ(platform::testing::take_stdout(), "");
}

}  // namespace
