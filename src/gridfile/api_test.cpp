// The interface's guards against misuse and its errors as a caller meets
// them: shapes from the navigation, one updater per file, three open files,
// named constructors, creation options, quiet by default.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"

namespace gridfile {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class GridFileGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::path(::testing::TempDir()) /
        ("guard_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

const Navigation kNav = Navigation::ced(10, 8, {40.0f, -10.0f}, {47.0f, 8.0f});

TEST_F(GridFileGuardTest, TheShapeComesFromTheNavigation) {
  auto file = GridFile::create(path("s.grd"), kNav);
  ASSERT_TRUE(file) << file.error().text;
  const GridId id =
      GridId::analysis(std::chrono::sys_days{2024y / 1 / 1} + 12h, "TMPK", 850, Vcoord::kPres);
  EXPECT_EQ(id.time1, "240101/1200");
  // 5 x 16 values are 80 like 10 x 8, and still not this file's grid.
  const std::vector<float> values(80, 1.0f);
  const Status wrong = file->write(values, 5, 16, id);
  ASSERT_FALSE(wrong);
  EXPECT_TRUE(wrong.error().bad_argument());
  EXPECT_EQ(wrong.error().source, Source::kArgument);
  ASSERT_TRUE(file->write(values, id));
  ASSERT_TRUE(file->close());
  auto back = GridFile::open(path("s.grd"));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->count(), 1);
  auto grid = back->read(id);
  ASSERT_TRUE(grid);
  EXPECT_EQ(grid->info.nx, 10);
  EXPECT_EQ(grid->info.ny, 8);
  EXPECT_EQ(back->navigation(), kNav);
}

TEST_F(GridFileGuardTest, NamedErrorsForASecondUpdaterAndAFourthFile) {
  auto first = GridFile::create(path("a.grd"), kNav);
  ASSERT_TRUE(first);
  // The same file under another name is the same file.
  auto again = GridFile::open(dir_.string() + "/./a.grd", Mode::kUpdate);
  ASSERT_FALSE(again);
  EXPECT_TRUE(again.error().in_use()) << again.error().text;
  auto b = GridFile::create(path("b.grd"), kNav);
  auto c = GridFile::create(path("c.grd"), kNav);
  ASSERT_TRUE(b && c);
  auto d = GridFile::create(path("d.grd"), kNav);
  ASSERT_FALSE(d);
  EXPECT_TRUE(d.error().too_many_open());
  EXPECT_FALSE(fs::exists(path("d.grd")));
  ASSERT_TRUE(c->close());
  EXPECT_TRUE(GridFile::create(path("d.grd"), kNav));
}

TEST_F(GridFileGuardTest, ConditionsAndTheirTexts) {
  auto missing = GridFile::open(path("none.grd"));
  ASSERT_FALSE(missing);
  EXPECT_TRUE(missing.error().not_found());
  EXPECT_EQ(missing.error().source, Source::kFileSystem);
  EXPECT_EQ(missing.error().path, path("none.grd"));
  EXPECT_EQ(missing.error().text.find('^'), std::string::npos) << missing.error().text;
  EXPECT_THROW((void)missing.value(), base::BadResultAccess);
  {
    auto file = GridFile::create(path("e.grd"), kNav, CreateOptions{.max_grids = 1});
    ASSERT_TRUE(file);
    const std::vector<float> values(80, 2.0f);
    const GridId id{
        .time1 = "240101/0000", .param = "HGHT", .level1 = 500, .vcoord = Vcoord::kPres};
    ASSERT_TRUE(file->write(values, id));
    const Status twice = file->write(values, id);
    EXPECT_TRUE(twice.error().exists()) << twice.error().text;
    EXPECT_EQ(twice.error().source, Source::kGrid);
    GridId other = id;
    other.level1 = 700;
    const Status full = file->write(values, other);
    EXPECT_TRUE(full.error().full()) << full.error().text;
    EXPECT_FALSE(full.error().exists());
    EXPECT_TRUE(file->read(other).error().not_found());
  }
  auto exists = GridFile::create(path("e.grd"), kNav);
  ASSERT_FALSE(exists);
  EXPECT_TRUE(exists.error().exists()) << exists.error().text;
  auto replaced = GridFile::create(path("e.grd"), kNav, CreateOptions{.replace_existing = true});
  ASSERT_TRUE(replaced) << replaced.error().text;
  EXPECT_EQ(replaced->count(), 0);
}

TEST_F(GridFileGuardTest, IdentifiersRoundTripAsWritten) {
  const GridId unknown{
      .time1 = "240101/0000", .param = "TMPK", .level1 = 850, .vcoord = static_cast<Vcoord>(7)};
  GridId level2_none{
      .time1 = "240101/0000", .param = "THCK", .level1 = 850, .vcoord = Vcoord::kPres};
  GridId level2_zero = level2_none;
  level2_zero.level2 = 0;
  {
    auto file = GridFile::create(path("ids.grd"), kNav);
    ASSERT_TRUE(file);
    for (const GridId& id : {unknown, level2_none, level2_zero}) {
      const std::vector<float> values(80, static_cast<float>(file->count()));
      const Status s = file->write(values, id);
      ASSERT_TRUE(s) << id.text() << ": " << s.error().text;
    }
    // -1 is the file's word for no level 2: as a level 2 that is set, refused.
    GridId minus_one = level2_none;
    minus_one.level2 = -1;
    const Status refused = file->write(std::vector<float>(80, 1.0f), minus_one);
    ASSERT_FALSE(refused);
    EXPECT_TRUE(refused.error().bad_argument()) << refused.error().text;
    EXPECT_TRUE(file->read(minus_one).error().bad_argument());
    EXPECT_EQ(file->count(), 3);
  }
  auto back = GridFile::open(path("ids.grd"));
  ASSERT_TRUE(back);
  auto listed = back->grids();
  ASSERT_TRUE(listed);
  ASSERT_EQ(listed->size(), 3u);
  EXPECT_EQ((*listed)[0].id, unknown);
  EXPECT_EQ(vcoord_code((*listed)[0].id.vcoord), 7);
  EXPECT_EQ((*listed)[0].id.text(), "240101/0000 850 7 TMPK");
  EXPECT_EQ((*listed)[1].id, level2_none);
  EXPECT_EQ((*listed)[1].id.text(), "240101/0000 850 PRES THCK");
  EXPECT_EQ((*listed)[2].id, level2_zero);
  EXPECT_EQ((*listed)[2].id.text(), "240101/0000 850:0 PRES THCK");
  // Each identifier finds its own grid.
  for (int number = 1; number <= 3; ++number) {
    auto grid = back->read((*listed)[static_cast<std::size_t>(number - 1)].id);
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->info.number, number);
    EXPECT_EQ(grid->values[0], static_cast<float>(number - 1));
  }
}

TEST_F(GridFileGuardTest, QuietByDefaultWithTheLibraryLinesInTheError) {
  ::testing::internal::CaptureStdout();
  auto missing = GridFile::open(path("none.grd"));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  ASSERT_FALSE(missing);
  EXPECT_FALSE(missing.error().library_lines.empty());
}

}  // namespace
}  // namespace gridfile
