// Tests of the translation of I/O statuses into file-service codes.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "services/fl.h"
#include "services/ss.h"
#include "services/test_env.h"

namespace {

using services::testing::ScopedEnv;

int translated(int iostat) {
  int iret = 12345;
  int ier = 12345;
  ss_iret(iostat, iret, ier);
  EXPECT_EQ(ier, 0);
  return iret;
}

void expect_table(const std::vector<std::pair<int, int>>& table) {
  for (const auto& [status, code] : table) EXPECT_EQ(translated(status), code) << status;
}

TEST(StatusTranslation, PlatformStatusesPassThrough) {
  ScopedEnv os("OS", std::nullopt);
  EXPECT_EQ(translated(0), 0);
  expect_table({{-1, -1}, {2, 2}, {13, 13}, {904, 904}, {5011, 5011}});

  ScopedEnv linux_os("OS", "Linux");
  expect_table({{2, 2}, {118, 118}});
}

TEST(StatusTranslation, HpuxTable) {
  ScopedEnv os("OS", "HPUX");
  expect_table({{904, -9},
                {908, -3},
                {117, -5},
                {918, -5},
                {920, -6},
                {922, -2},
                {956, -7},
                {905, 905},
                {-1, -1}});
  EXPECT_EQ(translated(0), 0);
}

TEST(StatusTranslation, SunosTableMatchesShiftedStatuses) {
  ScopedEnv os("OS", "SunOS");
  expect_table({{-1, -2},
                {13, -8},
                {103, -9},
                {117, -5},
                {118, -1},
                {1003, -9},
                {1018, -1},
                {119, 119},
                {100, 100},
                {127, 127}});
}

TEST(StatusTranslation, IrixTablesByVersion) {
  ScopedEnv os("OS", "IRIX");
  {
    ScopedEnv ver("OS_VER", std::nullopt);
    expect_table({{2, -1},
                  {13, -3},
                  {27, -2},
                  {102, -9},
                  {104, -9},
                  {126, -5},
                  {160, -4},
                  {103, 103},
                  {-1, -1}});
  }
  {
    ScopedEnv ver("OS_VER", "5");
    expect_table({{-1, -7},
                  {168, -7},
                  {2, -1},
                  {13, -3},
                  {28, -4},
                  {102, -9},
                  {103, -9},
                  {110, -10},
                  {126, -5},
                  {27, 27},
                  {104, 104}});
  }
  {
    ScopedEnv ver("OS_VER", "6");
    expect_table({{2, 2}, {13, 13}, {-1, -1}, {168, 168}});
  }
}

TEST(StatusTranslation, SystemNameIsCaseSensitive) {
  {
    ScopedEnv os("OS", "hpux");
    EXPECT_EQ(translated(904), 904);
  }
  {
    ScopedEnv os("OS", "HPUX   ");  // trailing blanks do not count
    EXPECT_EQ(translated(904), -9);
  }
  {
    ScopedEnv os("OS", " HPUX");
    EXPECT_EQ(translated(904), 904);
  }
}

TEST(StatusTranslation, FileServiceCodeGoesThroughTheSameTables) {
  ScopedEnv os("OS", "SunOS");
  int iret = 0;
  int ier = 7;
  fl_iret(118, iret, ier);
  EXPECT_EQ(iret, -1);
  EXPECT_EQ(ier, 0);
  fl_iret(0, iret, ier);
  EXPECT_EQ(iret, 0);
}

}  // namespace
