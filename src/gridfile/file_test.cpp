// GridFile: files written through it against files written by the routines,
// round trips through a closed and reopened file, and every error path.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "dm/dm.h"
#include "grid/gd.h"
#include "grid/gr.h"
#include "gridfile/gridfile.h"

namespace gridfile {
namespace {

namespace fs = std::filesystem;

class GridFileApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Some tests call the routines before any GridFile: a first call of the
    // interface makes sure the library is started.
    (void)check("");
    dir_ = fs::path(::testing::TempDir()) /
           ("gridfile_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  static std::vector<char> bytes(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path dir_;
};

const Navigation kNav{"CED", 4, 3, -10.0f, 20.0f, 10.0f, 50.0f, 0.0f, 0.0f, 0.0f};

std::vector<float> ramp(int n, float start, float step) {
  std::vector<float> v(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<std::size_t>(i)] = start + step * static_cast<float>(i);
  return v;
}

struct Written {
  GridId id;
  std::vector<float> values;
  Packing packing;
};

std::vector<Written> sample_grids() {
  std::vector<float> with_missing = ramp(12, 270.0f, 0.5f);
  with_missing[5] = kMissing;
  return {
      {{.time1 = "240101/0000", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres},
       ramp(12, 250.25f, 1.125f),
       {}},
      {{.time1 = "240101/0000", .param = "tmpk", .level1 = 700, .vcoord = Vcoord::kPres},
       with_missing,
       {}},
      {{.time1 = "240101/0600F006",
        .time2 = "240101/1200",
        .param = "HGHT",
        .level1 = 500,
        .level2 = 300,
        .vcoord = Vcoord::kPres},
       ramp(12, 5000.0f, 12.5f),
       {PackingType::kGrib, 12}},
      {{.time1 = "240101/1200", .param = "PMSL", .level1 = 0, .vcoord = Vcoord::kNone},
       ramp(12, 1000.0f, 0.37f),
       {PackingType::kDecimal, 2}},
      {{.time1 = "231231/1800", .param = "T2M", .level1 = 2, .vcoord = Vcoord::kHght},
       ramp(12, -5.0f, 0.75f),
       {PackingType::kDiff, 10}},
  };
}

// --- The same bytes as the routines ---------------------------------------------

// The routines given what text2grid gives them: a navigation block from
// gr_mnav with the angles set, 128 zero analysis words, the grid header
// (2, 0), and the names and times in their fixed-width fields.
void write_with_routines(const std::string& p, const std::vector<Written>& grids, int maxgrids) {
  std::array<float, 256> nav{};
  int iret = 0;
  gr_mnav(kNav.projection, kNav.nx, kNav.ny, kNav.lat1, kNav.lon1, kNav.lat2, kNav.lon2,
          kNav.angle1, kNav.angle2, kNav.angle3, true, nav, iret);
  const std::array<float, 128> anl{};
  const std::array<int, 2> grdhdr{2, 0};
  int gfnum = 0;
  gd_cref("^" + p, 256, nav, 128, anl, 2, maxgrids, gfnum, iret);
  ASSERT_EQ(iret, 0);
  for (const Written& w : grids) {
    std::string t1 = w.id.time1, t2 = w.id.time2, prm = w.id.param;
    t1.resize(20, ' ');
    t2.resize(20, ' ');
    prm.resize(12, ' ');
    const std::array<std::string_view, 2> timpair{t1, t2};
    // -1: the routines' level 2 that is not set.
    const std::array<int, 2> levpair{w.id.level1, w.id.level2.value_or(-1)};
    gd_wpgd(gfnum, w.values, kNav.nx, kNav.ny, grdhdr, timpair, levpair, vcoord_code(w.id.vcoord),
            prm, false, static_cast<int>(w.packing.type), w.packing.bits, iret);
    ASSERT_EQ(iret, 0) << w.id.text();
  }
  gd_clos(gfnum, iret);
  ASSERT_EQ(iret, 0);
}

TEST_F(GridFileApiTest, FilesAreByteIdenticalToTheRoutines) {
  const std::vector<Written> grids = sample_grids();
  write_with_routines(path("routines.grd"), grids, 400);
  {
    Result<GridFile> f = GridFile::create(path("api.grd"), kNav, 400);
    ASSERT_TRUE(f) << f.error().text;
    for (const Written& w : grids) {
      Status s = f->write(w.values, kNav.nx, kNav.ny, w.id, w.packing);
      ASSERT_TRUE(s) << s.error().text;
    }
  }
  const std::vector<char> a = bytes(path("routines.grd"));
  const std::vector<char> b = bytes(path("api.grd"));
  ASSERT_GT(a.size(), 23552u);  // more than the empty file of 400 columns
  EXPECT_EQ(a, b);
  // The routines' words for no level 2 read back as a level 2 not set.
  Result<GridFile> routines = GridFile::open(path("routines.grd"));
  ASSERT_TRUE(routines);
  Result<std::vector<GridInfo>> listed = routines->grids();
  ASSERT_TRUE(listed);
  ASSERT_EQ(listed->size(), grids.size());
  for (std::size_t k = 0; k < grids.size(); ++k) {
    EXPECT_EQ((*listed)[k].id.level2, grids[k].id.level2) << k;
  }
}

TEST_F(GridFileApiTest, ReplacingKeepsTheFileIdenticalToTheRoutines) {
  std::vector<Written> grids = sample_grids();
  grids.resize(2);
  write_with_routines(path("routines.grd"), grids, 9999);
  {
    int iret = 0, gfnum = 0;
    gd_open("^" + path("routines.grd"), true, gfnum, iret);
    ASSERT_EQ(iret, 0);
    std::string t1 = grids[0].id.time1, t2(20, ' '), prm = grids[0].id.param;
    t1.resize(20, ' ');
    prm.resize(12, ' ');
    const std::array<std::string_view, 2> timpair{t1, t2};
    const std::array<int, 2> levpair{grids[0].id.level1, -1};
    const std::array<int, 2> grdhdr{2, 0};
    gd_wpgd(gfnum, grids[1].values, 4, 3, grdhdr, timpair, levpair, vcoord_code(grids[0].id.vcoord),
            prm, true, 1, 16, iret);
    ASSERT_EQ(iret, 0);
    gd_clos(gfnum, iret);
  }
  {
    Result<GridFile> f = GridFile::create(path("api.grd"), kNav);
    ASSERT_TRUE(f) << f.error().text;
    for (const Written& w : grids) ASSERT_TRUE(f->write(w.values, 4, 3, w.id, w.packing));
  }
  {
    Result<GridFile> f = GridFile::open(path("api.grd"), Mode::kUpdate);
    ASSERT_TRUE(f) << f.error().text;
    Status s = f->write(grids[1].values, 4, 3, grids[0].id, {PackingType::kGrib, 16}, true);
    ASSERT_TRUE(s) << s.error().text;
  }
  EXPECT_EQ(bytes(path("routines.grd")), bytes(path("api.grd")));
}

// --- Round trips -------------------------------------------------------------------

TEST_F(GridFileApiTest, UnpackedGridsComeBackExactly) {
  const std::vector<Written> grids = sample_grids();
  {
    Result<GridFile> f = GridFile::create(path("a.grd"), kNav);
    ASSERT_TRUE(f) << f.error().text;
    EXPECT_EQ(f->navigation(), kNav);
    EXPECT_EQ(f->path(), path("a.grd"));
    for (std::size_t k = 0; k < 2; ++k) {
      ASSERT_TRUE(f->write(grids[k].values, 4, 3, grids[k].id));
    }
    ASSERT_TRUE(f->close());
    EXPECT_EQ(f->close().ok(), true);  // a second close does nothing
  }
  Result<GridFile> f = GridFile::open(path("a.grd"));
  ASSERT_TRUE(f) << f.error().text;
  EXPECT_EQ(f->navigation(), kNav);
  EXPECT_EQ(f->count(), 2);
  Result<std::vector<GridInfo>> list = f->grids();
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    const GridInfo& gi = (*list)[k];
    GridId expected = grids[k].id;
    expected.param = "TMPK";  // names are filed in upper case
    EXPECT_EQ(gi.number, static_cast<int>(k) + 1);
    EXPECT_EQ(gi.id, expected);
    EXPECT_EQ(gi.nx, 4);
    EXPECT_EQ(gi.ny, 3);
    EXPECT_EQ(gi.packing.type, PackingType::kNone);
    // Length word, X and Y size, grid header (2 words), packing type, 12 values.
    EXPECT_EQ(gi.words, 1u + 2u + 2u + 1u + 12u);
    Result<Grid> g = f->read(gi.number);
    ASSERT_TRUE(g) << g.error().text;
    EXPECT_EQ(g->values, grids[k].values);  // bit for bit, the missing value included
    EXPECT_EQ(g->at(1, 1), grids[k].values[0]);
    EXPECT_EQ(g->at(4, 3), grids[k].values[11]);
    EXPECT_EQ(g->at(2, 3), grids[k].values[9]);
    Result<Grid> by_id = f->read(grids[k].id);  // lower-case name finds it too
    ASSERT_TRUE(by_id) << by_id.error().text;
    EXPECT_EQ(by_id->info.number, gi.number);
    EXPECT_EQ(by_id->values, grids[k].values);
  }
}

TEST_F(GridFileApiTest, PackedGridsComeBackWithinHalfAStep) {
  const std::vector<Written> grids = sample_grids();
  {
    Result<GridFile> f = GridFile::create(path("p.grd"), kNav);
    ASSERT_TRUE(f);
    for (std::size_t k = 2; k < 4; ++k) {
      Status s = f->write(grids[k].values, 4, 3, grids[k].id, grids[k].packing);
      ASSERT_TRUE(s) << s.error().text;
    }
  }
  Result<GridFile> f = GridFile::open(path("p.grd"));
  ASSERT_TRUE(f);
  Result<std::vector<GridInfo>> list = f->grids();
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 2u);

  const GridInfo& grib = (*list)[0];
  EXPECT_EQ(grib.id, grids[2].id);
  EXPECT_EQ(grib.packing.type, PackingType::kGrib);
  EXPECT_EQ(grib.packing.bits, 12);
  EXPECT_EQ(grib.reference, 5000.0f);  // the smallest value
  EXPECT_GT(grib.step, 0.0f);
  // 12 codes of 12 bits: 144 bits in 5 words, after the six words of the block.
  EXPECT_EQ(grib.words, 1u + 4u + 6u + 5u);

  const GridInfo& dec = (*list)[1];
  EXPECT_EQ(dec.packing.type, PackingType::kGrib);  // decimal packing is filed as GRIB
  EXPECT_EQ(dec.reference, 1000.0f);
  EXPECT_FLOAT_EQ(dec.step, 0.01f);
  // Range 4.07 in hundredths: 407 (or one more) needs 9 bits.
  EXPECT_EQ(dec.packing.bits, 9);

  for (std::size_t k = 0; k < 2; ++k) {
    const GridInfo& gi = (*list)[k];
    Result<Grid> g = f->read(gi.number);
    ASSERT_TRUE(g) << g.error().text;
    const std::vector<float>& in = grids[k + 2].values;
    ASSERT_EQ(g->values.size(), in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
      EXPECT_LE(std::fabs(g->values[i] - in[i]), gi.step / 2 * 1.0001f) << k << " " << i;
    }
  }
}

TEST_F(GridFileApiTest, DifferencePackingReportsItsHeader) {
  // Differences 0.5 along a row and 2.0 between rows: a step of 0.25 holds them exactly.
  std::vector<float> values(12);
  for (std::size_t j = 0; j < 3; ++j) {
    for (std::size_t i = 0; i < 4; ++i) {
      values[j * 4 + i] = 10.0f + 2.0f * static_cast<float>(j) + 0.5f * static_cast<float>(i);
    }
  }
  values[6] = kMissing;
  const GridId id{.time1 = "240101/0000", .param = "RELH", .level1 = 1000, .vcoord = Vcoord::kPres};
  {
    Result<GridFile> f = GridFile::create(path("d.grd"), kNav);
    ASSERT_TRUE(f);
    Status s = f->write(values, 4, 3, id, {PackingType::kDiff, 4});
    ASSERT_TRUE(s) << s.error().text;
  }
  Result<GridFile> f = GridFile::open(path("d.grd"));
  ASSERT_TRUE(f);
  Result<GridInfo> gi = f->info(1);
  ASSERT_TRUE(gi);
  EXPECT_EQ(gi->packing.type, PackingType::kDiff);
  EXPECT_EQ(gi->packing.bits, 4);
  EXPECT_EQ(gi->reference, 10.0f);  // the first value
  EXPECT_EQ(gi->difmin, 0.0f);      // every difference is positive
  EXPECT_FLOAT_EQ(gi->step, 2.0f / 14.0f);
  EXPECT_EQ(gi->words, 1u + 4u + 8u + 2u);  // 48 bits of codes in 2 words
  Result<Grid> g = f->read(1);
  ASSERT_TRUE(g);
  EXPECT_TRUE(is_missing(g->values[6]));
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i == 6) continue;
    // Each difference is within half a step; a value sums at most five of them.
    EXPECT_LE(std::fabs(g->values[i] - values[i]), 5 * gi->step / 2) << i;
  }
}

TEST_F(GridFileApiTest, ReadsAreSizedByTheGridItself) {
  // Larger than any fixed buffer a reader might guess: 700 x 500 values.
  const int nx = 700, ny = 500;
  std::vector<float> values(static_cast<std::size_t>(nx) * ny);
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> dist(-50.0f, 50.0f);
  for (float& v : values) v = dist(rng);
  Navigation nav = kNav;
  nav.nx = nx;
  nav.ny = ny;
  {
    Result<GridFile> f = GridFile::create(path("big.grd"), nav, 10);
    ASSERT_TRUE(f);
    ASSERT_TRUE(
        f->write(values, nx, ny,
                 {.time1 = "240101/0000", .param = "BIG", .level1 = 0, .vcoord = Vcoord::kNone}));
  }
  Result<GridFile> f = GridFile::open(path("big.grd"));
  ASSERT_TRUE(f);
  Result<Grid> g = f->read(1);
  ASSERT_TRUE(g) << g.error().text;
  EXPECT_EQ(g->info.nx, nx);
  EXPECT_EQ(g->info.ny, ny);
  EXPECT_EQ(g->values, values);

  // Into the caller's memory: exactly the grid's room, nothing beyond it.
  std::vector<float> room(values.size() + 1, 1.0f);
  Result<GridInfo> into = f->read_into(1, std::span(room).first(values.size()));
  ASSERT_TRUE(into) << into.error().text;
  EXPECT_EQ(into->id, g->info.id);
  EXPECT_TRUE(std::equal(values.begin(), values.end(), room.begin()));
  EXPECT_EQ(room.back(), 1.0f);
  for (std::size_t size : {values.size() - 1, values.size() + 1}) {
    Result<GridInfo> wrong = f->read_into(1, std::span(room).first(size));
    ASSERT_FALSE(wrong) << size;
    EXPECT_TRUE(wrong.error().bad_argument()) << wrong.error().text;
  }
  EXPECT_TRUE(f->read_into(2, room).error().not_found());
}

TEST_F(GridFileApiTest, GridsSkipsNumbersWithoutAGrid) {
  // A file whose only grid sits in column 3, as the routines allow.
  {
    std::array<float, 256> nav = kNav.to_block();
    const std::array<float, 128> anl{};
    int gfnum = 0, iret = 0, ipos = 0;
    gd_cref("^" + path("gap.grd"), 256, nav, 128, anl, 2, 10, gfnum, iret);
    ASSERT_EQ(iret, 0);
    std::string t1 = "240101/0000", t2(20, ' '), prm = "UREL";
    t1.resize(20, ' ');
    prm.resize(12, ' ');
    const std::array<std::string_view, 2> timpair{t1, t2};
    const std::array<int, 2> levpair{250, -1};
    std::array<int, 10> ihdarr{};
    gd_itoh(timpair, levpair, 1, prm, ihdarr, iret);
    dm_wclh(gfnum, 3, ihdarr, ipos, iret);
    ASSERT_EQ(ipos, 3);
    const std::vector<float> values = ramp(12, 1.0f, 1.0f);
    gd_wdat(gfnum, values, 4, 3, std::array<int, 2>{2, 0}, timpair, levpair, 1, prm, true, iret);
    ASSERT_EQ(iret, 0);
    gd_clos(gfnum, iret);
  }
  Result<GridFile> f = GridFile::open(path("gap.grd"));
  ASSERT_TRUE(f) << f.error().text;
  EXPECT_EQ(f->count(), 3);
  Result<std::vector<GridInfo>> list = f->grids();
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 1u);
  EXPECT_EQ((*list)[0].number, 3);
  EXPECT_EQ((*list)[0].id.param, "UREL");
  Result<Grid> none = f->read(1);
  ASSERT_FALSE(none);
  EXPECT_EQ(none.error().code, -15);
}

// --- Errors --------------------------------------------------------------------------

TEST_F(GridFileApiTest, ErrorsCarryTheCodeTheMessageAndTheFileName) {
  {
    Result<GridFile> f = GridFile::create(path("e.grd"), kNav);
    ASSERT_TRUE(f);
    const std::vector<float> v = ramp(12, 0, 1);
    const GridId id{
        .time1 = "240101/0000", .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres};
    ASSERT_TRUE(f->write(v, 4, 3, id));
    Status dup = f->write(v, 4, 3, id);
    ASSERT_FALSE(dup);
    EXPECT_EQ(dup.error().code, -10);
    EXPECT_NE(dup.error().text.find("[GD -10]"), std::string::npos) << dup.error().text;
    EXPECT_NE(dup.error().text.find("already in the file"), std::string::npos);
    EXPECT_NE(dup.error().text.find(path("e.grd")), std::string::npos);
    Status bad_size = f->write(v, 0, 3, id);
    ASSERT_FALSE(bad_size);
    // The file's navigation fixes the shape: refused before the library runs.
    EXPECT_TRUE(bad_size.error().bad_argument());
  }
  // Never overwrites.
  Result<GridFile> again = GridFile::create(path("e.grd"), kNav);
  ASSERT_FALSE(again);
  EXPECT_EQ(again.error().code, -1);
  EXPECT_NE(again.error().text.find("[GD -1]"), std::string::npos);
  EXPECT_NE(again.error().text.find(path("e.grd")), std::string::npos);

  Result<GridFile> missing = GridFile::open(path("nothing.grd"));
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().code, -1);
  EXPECT_NE(missing.error().text.find(path("nothing.grd")), std::string::npos);

  std::ofstream(path("text.grd")) << std::string(2048, 'x');
  Result<GridFile> not_dm = GridFile::open(path("text.grd"));
  ASSERT_FALSE(not_dm);
  EXPECT_EQ(not_dm.error().code, -1);
  const auto& lines = not_dm.error().library_lines;
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("[DM -35]") == 0;
  })) << not_dm.error().text;

  Result<GridFile> read_only = GridFile::open(path("e.grd"));
  ASSERT_TRUE(read_only);
  Status refused = read_only->write(
      ramp(12, 0, 1), 4, 3,
      {.time1 = "240101/0000", .param = "X", .level1 = 1, .vcoord = Vcoord::kPres});
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().code, -5);
  Result<Grid> absent = read_only->read(
      GridId{.time1 = "240101/0000", .param = "X", .level1 = 1, .vcoord = Vcoord::kPres});
  ASSERT_FALSE(absent);
  EXPECT_EQ(absent.error().code, -15);
  EXPECT_NE(absent.error().text.find("[GD -15]"), std::string::npos);
  EXPECT_FALSE(read_only->read(0));
  EXPECT_FALSE(read_only->read(2));
}

TEST_F(GridFileApiTest, ArgumentsTheLibraryWouldCutAreRefused) {
  Result<GridFile> f = GridFile::create(path("arg.grd"), kNav);
  ASSERT_TRUE(f);
  const std::vector<float> v = ramp(12, 0, 1);
  auto refused = [&](const Status& s) { return !s && s.error().code == kBadArgument; };
  EXPECT_TRUE(refused(f->write(
      v, 4, 3,
      {.time1 = "240101/0000", .param = "ABCDEFGHIJKLM", .level1 = 1, .vcoord = Vcoord::kPres})));
  EXPECT_TRUE(refused(f->write(
      v, 4, 3,
      {.time1 = "240101/0000F012       ", .param = "X", .level1 = 1, .vcoord = Vcoord::kPres})));
  EXPECT_TRUE(refused(f->write(
      v, 4, 3,
      {.time1 = "241301/0000", .param = "X", .level1 = 1, .vcoord = Vcoord::kPres})));  // month 13
  EXPECT_TRUE(refused(f->write(v, 4, 3,
                               {.time1 = "240101/0000",
                                .time2 = "garbage",
                                .param = "X",
                                .level1 = 1,
                                .vcoord = Vcoord::kPres})));
  EXPECT_TRUE(refused(f->write(
      v, 3, 3, {.time1 = "240101/0000", .param = "X", .level1 = 1, .vcoord = Vcoord::kPres})));
  EXPECT_TRUE(refused(f->write(
      v, 4, 3, {.time1 = "240101/0000", .param = "X", .level1 = 1, .vcoord = Vcoord::kPres},
      {PackingType::kGrib, 40})));
  EXPECT_EQ(f->count(), 0);
  ASSERT_TRUE(f->close());

  Navigation long_proj = kNav;
  long_proj.projection = "LAMBERT";
  Result<GridFile> g = GridFile::create(path("proj.grd"), long_proj);
  ASSERT_FALSE(g);
  EXPECT_EQ(g.error().code, kBadArgument);
  EXPECT_FALSE(fs::exists(path("proj.grd")));
  EXPECT_FALSE(GridFile::create(path("zero.grd"), kNav, 0));
  EXPECT_FALSE(GridFile::create(path("many.grd"), kNav, 10000));
}

TEST_F(GridFileApiTest, UnpackableGridIsRefusedBeforeItIsListed) {
  {
    Result<GridFile> f = GridFile::create(path("m.grd"), kNav);
    ASSERT_TRUE(f);
    const std::vector<float> all_missing(12, kMissing);
    Status s =
        f->write(all_missing, 4, 3,
                 {.time1 = "240101/0000", .param = "X", .level1 = 1, .vcoord = Vcoord::kPres},
                 {PackingType::kGrib, 8});
    ASSERT_FALSE(s);
    EXPECT_EQ(s.error().code, -11);
    EXPECT_NE(s.error().text.find("[DM -11]"), std::string::npos) << s.error().text;
    // The same grid unpacked is fine.
    ASSERT_TRUE(
        f->write(all_missing, 4, 3,
                 {.time1 = "240101/0000", .param = "X", .level1 = 1, .vcoord = Vcoord::kPres}));
  }
  ASSERT_TRUE(check(path("m.grd")));
  Result<GridFile> f = GridFile::open(path("m.grd"));
  ASSERT_TRUE(f);
  Result<std::vector<GridInfo>> list = f->grids();
  ASSERT_TRUE(list);
  ASSERT_EQ(list->size(), 1u);
  EXPECT_EQ((*list)[0].packing.type, PackingType::kNone);
}

TEST_F(GridFileApiTest, NamesAreTakenExactly) {
  // Upper case stays, and a leading symbol form is not expanded.
  ASSERT_TRUE(GridFile::create(path("UPPER.grd"), kNav));
  EXPECT_TRUE(fs::exists(path("UPPER.grd")));
  EXPECT_FALSE(fs::exists(path("upper.grd")));
  const fs::path old = fs::current_path();
  fs::current_path(dir_);
  ::setenv("GRIDFILE_TEST_SYMBOL", dir_.c_str(), 1);
  fs::create_directory(dir_ / "$GRIDFILE_TEST_SYMBOL");
  ASSERT_TRUE(GridFile::create("GRIDFILE_TEST_SYMBOL:x.grd", kNav));
  ASSERT_TRUE(GridFile::create("$GRIDFILE_TEST_SYMBOL/y.grd", kNav));
  EXPECT_TRUE(fs::exists(dir_ / "GRIDFILE_TEST_SYMBOL:x.grd"));
  EXPECT_TRUE(fs::exists(dir_ / "$GRIDFILE_TEST_SYMBOL" / "y.grd"));
  EXPECT_FALSE(fs::exists(dir_ / "x.grd"));
  EXPECT_TRUE(GridFile::open("GRIDFILE_TEST_SYMBOL:x.grd"));
  fs::current_path(old);
}

TEST_F(GridFileApiTest, NamesLongerThanTheLibraryKeepsAreRefused) {
  const std::string base = path("");
  ASSERT_LT(base.size(), 120u);
  const std::string longest = base + std::string(132 - base.size(), 'n');
  const std::string too_long = base + std::string(133 - base.size(), 'n');
  ASSERT_EQ(longest.size(), 132u);
  Result<GridFile> ok = GridFile::create(longest, kNav);
  ASSERT_TRUE(ok) << ok.error().text;
  EXPECT_TRUE(fs::exists(longest));
  Result<GridFile> refused = GridFile::create(too_long, kNav);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().code, kBadArgument);
  EXPECT_FALSE(fs::exists(too_long));
  EXPECT_FALSE(fs::exists(longest.substr(0, 131)));
  EXPECT_FALSE(GridFile::open(too_long));
  EXPECT_FALSE(check(too_long));
}

TEST_F(GridFileApiTest, DestructorClosesAndMovesTransferTheFile) {
  std::vector<GridFile> open;
  for (int k = 0; k < 3; ++k) {
    Result<GridFile> f = GridFile::create(path("f" + std::to_string(k) + ".grd"), kNav);
    ASSERT_TRUE(f) << f.error().text;
    open.push_back(std::move(f).value());
  }
  Result<GridFile> fourth = GridFile::create(path("f3.grd"), kNav);
  ASSERT_FALSE(fourth);
  EXPECT_EQ(fourth.error().code, kTooManyOpen);
  EXPECT_TRUE(fourth.error().too_many_open()) << fourth.error().text;
  GridFile moved = std::move(open[0]);
  EXPECT_EQ(open[0].count(), 0);
  EXPECT_FALSE(open[0].write(ramp(12, 0, 1), 4, 3, {}));
  EXPECT_EQ(open[0].write(ramp(12, 0, 1), 4, 3, {}).error().code, kClosed);
  EXPECT_TRUE(
      moved.write(ramp(12, 0, 1), 4, 3,
                  {.time1 = "240101/0000", .param = "A", .level1 = 0, .vcoord = Vcoord::kNone}));
  open.clear();                                            // closes two
  moved = GridFile::create(path("f4.grd"), kNav).value();  // closes f0.grd first
  Result<GridFile> f0 = GridFile::open(path("f0.grd"));
  ASSERT_TRUE(f0) << f0.error().text;
  EXPECT_EQ(f0->count(), 1);
}

// An unpublished file is nowhere under its name until published, and
// nowhere at all when closed before; published, it is the same file.
TEST_F(GridFileApiTest, UnpublishedFileAppearsOnlyWhenPublished) {
  {
    Result<GridFile> f = GridFile::create_unpublished(path("late.grd"), kNav);
    ASSERT_TRUE(f) << f.error().text;
    ASSERT_TRUE(
        f->write(ramp(12, 0, 1), 4, 3,
                 {.time1 = "240101/0000", .param = "T", .level1 = 500, .vcoord = Vcoord::kPres}));
    EXPECT_FALSE(fs::exists(path("late.grd")));
  }
  EXPECT_TRUE(fs::is_empty(dir_));  // closed unpublished: removed
  Result<GridFile> f = GridFile::create_unpublished(path("late.grd"), kNav);
  ASSERT_TRUE(f);
  ASSERT_TRUE(
      f->write(ramp(12, 0, 1), 4, 3,
               {.time1 = "240101/0000", .param = "T", .level1 = 500, .vcoord = Vcoord::kPres}));
  ASSERT_TRUE(f->publish());
  ASSERT_TRUE(f->close());
  EXPECT_TRUE(check(path("late.grd")));
  Result<GridFile> back = GridFile::open(path("late.grd"));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->read(1)->values, ramp(12, 0, 1));
  // An existing name is refused at once.
  Result<GridFile> again = GridFile::create_unpublished(path("late.grd"), kNav);
  EXPECT_FALSE(again);
}

TEST_F(GridFileApiTest, CheckReportsTheFirstFault) {
  {
    Result<GridFile> f = GridFile::create(path("c.grd"), kNav);
    ASSERT_TRUE(f);
    ASSERT_TRUE(
        f->write(ramp(12, 0, 1), 4, 3,
                 {.time1 = "240101/0000", .param = "A", .level1 = 0, .vcoord = Vcoord::kNone}));
  }
  EXPECT_TRUE(check(path("c.grd")));
  // Label word 23 (the data pointer table's start) pointing outside the file.
  {
    std::fstream io(path("c.grd"), std::ios::in | std::ios::out | std::ios::binary);
    const std::int32_t bad = 1 << 30;
    io.seekp(22 * 4);
    io.write(reinterpret_cast<const char*>(&bad), 4);
  }
  Status s = check(path("c.grd"));
  ASSERT_FALSE(s);
  EXPECT_EQ(s.error().code, -36);
  EXPECT_NE(s.error().text.find("[DM -36]"), std::string::npos) << s.error().text;
  EXPECT_NE(s.error().text.find(path("c.grd")), std::string::npos);
  Status none = check(path("none.grd"));
  ASSERT_FALSE(none);
}

}  // namespace
}  // namespace gridfile
