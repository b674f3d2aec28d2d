// in_bdta puts every layer back into the start condition the library has at
// program start, whatever files, units and descriptors were taken.
#include "driver/in.h"

#include <gtest/gtest.h>

#include <array>

#include "dm/dm.h"
#include "grid/gd.h"
#include "grid/gr.h"
#include "pack/dp.h"
#include "platform/platform.h"
#include "platform/platform_test.h"
#include "platform/test_files.h"
#include "services/fl.h"

namespace {

TEST(StartUp, InBdtaFreesEveryFileNumberUnitAndDescriptor) {
  test_files::ScratchDir dir("in_bdta");
  platform::testing::capture_stdout(true);
  int iret = 0;
  in_bdta(iret);
  std::array<float, 256> nav{};
  gr_mnav("CED", 2, 2, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, true, nav, iret);
  const std::array<float, 128> anl{};
  int gfnum = 0;
  gd_cref(test_files::exact(dir.path("held.grd")), 256, nav, 128, anl, 2, 10, gfnum, iret);
  ASSERT_EQ(iret, 0);
  int lun = 0;
  fl_glun(lun, iret);  // a second unit taken
  const std::array<int, 1> scale{0}, offset{0}, bits{8};
  int kdesc = 0, nwdrec = 0;
  dp_setp(1, scale, offset, bits, kdesc, nwdrec, iret);
  ASSERT_EQ(kdesc, 1);

  in_bdta(iret);
  EXPECT_EQ(iret, 0);
  gd_fchk(gfnum, iret);
  EXPECT_EQ(iret, -4);  // no grid file any more
  int idmf = 0;
  dm_getf(idmf, iret);
  EXPECT_EQ(idmf, 1);
  fl_glun(lun, iret);
  EXPECT_EQ(lun, services::kFirstPoolUnit);
  fl_flun(lun, iret);
  dp_setp(1, scale, offset, bits, kdesc, nwdrec, iret);
  EXPECT_EQ(kdesc, 1);
  dp_endp(kdesc, iret);
  // The runtime units the forgotten file and unit held are the caller's to close.
  for (int u = services::kFirstPoolUnit; u < services::kFirstPoolUnit + services::kPoolUnits; ++u) {
    if (platform::is_open(u)) platform::close_unit(u);
  }
  EXPECT_EQ(platform::testing::take_stdout(), "");
  platform::testing::capture_stdout(false);
}

}  // namespace
