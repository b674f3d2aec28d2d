// A program that never starts the library itself: the first GridFile call
// must find the library ready. This file is its own test program, so that no
// other test has started the library before it runs.
#include <gtest/gtest.h>

#include <filesystem>

#include "gridfile/gridfile.h"

namespace gridfile {
namespace {

TEST(StartupTest, WritesAndReadsWithoutAnyStartUpCall) {
  const std::filesystem::path dir =
      std::filesystem::path(::testing::TempDir()) / "gridfile_startup";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string p = (dir / "s.grd").string();
  const std::vector<float> values = {1, 2, 3, 4, 5, 6};
  const GridId id{.time1 = "240101/0000", .param = "TMPK", .level1 = 500, .vcoord = Vcoord::kPres};
  {
    Result<GridFile> f = GridFile::create(p, Navigation{"CED", 3, 2, 0, 0, 1, 1, 0, 0, 0});
    ASSERT_TRUE(f) << f.error().text;
    Status s = f->write(values, 3, 2, id);
    ASSERT_TRUE(s) << s.error().text;
  }
  Result<GridFile> f = GridFile::open(p);
  ASSERT_TRUE(f) << f.error().text;
  Result<Grid> g = f->read(id);
  ASSERT_TRUE(g) << g.error().text;
  EXPECT_EQ(g->values, values);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace gridfile
