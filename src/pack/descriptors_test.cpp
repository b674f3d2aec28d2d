#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "pack/descriptor_flags.h"
#include "pack/dp.h"

namespace {

class DescriptorTest : public ::testing::Test {
 protected:
  void SetUp() override { pack::reset_descriptors(); }

  // A descriptor of equal parameters; returns iret.
  int setup(int nparms, int bits, int& kdesc, int& nwdrec) {
    std::vector<int> zeros(static_cast<std::size_t>(std::max(nparms, 1)), 0);
    std::vector<int> ibits(zeros.size(), bits);
    int iret = 99;
    dp_setp(nparms, zeros, zeros, ibits, kdesc, nwdrec, iret);
    return iret;
  }
  static int at(const auto& table, int kdesc, int i) {
    return table[static_cast<std::size_t>(pack::param_slot(kdesc, i))];
  }
};

TEST_F(DescriptorTest, FieldsLaidEndToEnd) {
  const std::array iscale{0, 0, 0}, iofset{0, 0, 0}, ibits{8, 30, 5};
  int kdesc = 0, nwdrec = 0, iret = 99;
  dp_setp(3, iscale, iofset, ibits, kdesc, nwdrec, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(kdesc, 1);
  EXPECT_EQ(nwdrec, 2);
  EXPECT_EQ(at(dpcmn.pkword, kdesc, 1), 1);
  EXPECT_EQ(at(dpcmn.pkbit1, kdesc, 1), 1);
  EXPECT_EQ(at(dpcmn.pkword, kdesc, 2), 1);
  EXPECT_EQ(at(dpcmn.pkbit1, kdesc, 2), 9);
  EXPECT_EQ(at(dpcmn.pkword, kdesc, 3), 2);
  EXPECT_EQ(at(dpcmn.pkbit1, kdesc, 3), 7);
  EXPECT_EQ(at(dpcmn.pkmask, kdesc, 1), 255);
  EXPECT_EQ(at(dpcmn.pkmask, kdesc, 2), 1073741823);
  EXPECT_EQ(at(dpcmn.pkmask, kdesc, 3), 31);
  EXPECT_EQ(dpcmn.ipkall, -1);
  EXPECT_EQ(dpflag.ipkuse[0], 1);
}

TEST_F(DescriptorTest, WordCountsAtTheEdges) {
  int kdesc = 0, nwdrec = 0;
  ASSERT_EQ(setup(1, 31, kdesc, nwdrec), 0);
  EXPECT_EQ(nwdrec, 1);
  EXPECT_EQ(at(dpcmn.pkmask, kdesc, 1), 2147483647);
  ASSERT_EQ(setup(40, 31, kdesc, nwdrec), 0);
  EXPECT_EQ(nwdrec, 39);
  ASSERT_EQ(setup(2, 16, kdesc, nwdrec), 0);
  EXPECT_EQ(nwdrec, 1);
  EXPECT_EQ(at(dpcmn.pkbit1, kdesc, 2), 17);
}

TEST_F(DescriptorTest, ScaleIsPowerOfTen) {
  const std::array iscale{-2, 0, 3}, iofset{0, 0, 0}, ibits{8, 8, 8};
  int kdesc = 0, nwdrec = 0, iret = 99;
  dp_setp(3, iscale, iofset, ibits, kdesc, nwdrec, iret);
  ASSERT_EQ(iret, 0);
  const auto scal = [&](int i) {
    return dpcmn.pkscal[static_cast<std::size_t>(pack::param_slot(kdesc, i))];
  };
  EXPECT_EQ(scal(1), 0.01f);
  EXPECT_EQ(scal(2), 1.0f);
  EXPECT_EQ(scal(3), 1000.0f);
}

TEST_F(DescriptorTest, LowestFreeNumberIsTaken) {
  int k1 = 0, k2 = 0, k3 = 0, nw = 0, iret = 0;
  setup(1, 8, k1, nw);
  setup(1, 8, k2, nw);
  setup(1, 8, k3, nw);
  EXPECT_EQ(k3, 3);
  dp_endp(2, iret);
  EXPECT_EQ(iret, 0);
  int again = 0;
  ASSERT_EQ(setup(1, 8, again, nw), 0);
  EXPECT_EQ(again, 2);
  // Releasing a free number succeeds and changes nothing.
  dp_endp(4, iret);
  EXPECT_EQ(iret, 0);
  dp_endp(4, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(dpflag.ipkuse[3], 0);
  dp_endp(0, iret);
  EXPECT_EQ(iret, -1);
  dp_endp(61, iret);
  EXPECT_EQ(iret, -1);
}

TEST_F(DescriptorTest, RefusalsInOrder) {
  int kdesc = 0, nwdrec = 0;
  EXPECT_EQ(setup(0, 99, kdesc, nwdrec), -3);  // no bit count is examined
  EXPECT_EQ(kdesc, 1);
  EXPECT_EQ(setup(1, 32, kdesc, nwdrec), -4);
  EXPECT_EQ(setup(1, 0, kdesc, nwdrec), -4);
  EXPECT_EQ(setup(41, 0, kdesc, nwdrec), -4);  // bad bits reported before bad count
  EXPECT_EQ(setup(41, 8, kdesc, nwdrec), -3);
  EXPECT_EQ(dpflag.ipkuse[0], 0);  // nothing reserved

  for (int n = 1; n <= 60; ++n) ASSERT_EQ(setup(1, 8, kdesc, nwdrec), 0);
  EXPECT_EQ(setup(1, 32, kdesc, nwdrec), -2);  // full table first
  EXPECT_EQ(kdesc, 0);
}

TEST_F(DescriptorTest, ShortArraysAreRefused) {
  const std::array iscale{0};
  const std::array iofset{0, 0}, ibits{8, 8};
  int kdesc = 0, nwdrec = 0, iret = 0;
  dp_setp(2, iscale, iofset, ibits, kdesc, nwdrec, iret);
  EXPECT_EQ(iret, -13);
  EXPECT_EQ(dpflag.ipkuse[0], 0);
}

}  // namespace
