#include "base/status.h"

#include <gtest/gtest.h>

#include <string>

namespace base {
namespace {

TEST(StatusTest, ValueOfAnErrorFailsWithTheErrorsOwnText) {
  Result<int> failed =
      Error(Source::kGrid, -15, "t.grd: no grid of that identifier", Condition::kNotFound);
  ASSERT_FALSE(failed);
  try {
    (void)failed.value();
    FAIL() << "value() of an error returned";
  } catch (const BadResultAccess& e) {
    EXPECT_NE(std::string(e.what()).find("t.grd: no grid of that identifier"), std::string::npos);
  }
  EXPECT_THROW((void)*failed, BadResultAccess);
  const Result<int> fine = 3;
  EXPECT_EQ(*fine, 3);
  EXPECT_THROW((void)fine.error(), std::logic_error);
  EXPECT_THROW((void)Status().error(), std::logic_error);
}

TEST(StatusTest, EachPredicateHasOneMeaning) {
  const Condition all[] = {Condition::kNotFound, Condition::kExists,      Condition::kFull,
                           Condition::kDamaged,  Condition::kBadArgument, Condition::kReadOnly,
                           Condition::kClosed,   Condition::kInUse,       Condition::kTooManyOpen,
                           Condition::kOther};
  for (const Condition c : all) {
    const Error e(Source::kDm, -11, "x", c);
    const int held = e.not_found() + e.exists() + e.full() + e.damaged() + e.bad_argument() +
                     e.read_only() + e.closed() + e.in_use() + e.too_many_open();
    EXPECT_EQ(held, c == Condition::kOther ? 0 : 1);
  }
  EXPECT_STREQ(source_name(Source::kNetcdf), "netCDF");
  EXPECT_STREQ(source_name(Source::kFileSystem), "file system");
}

}  // namespace
}  // namespace base
