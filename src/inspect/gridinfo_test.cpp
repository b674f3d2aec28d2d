// gridinfo run in-process: the listing decodes identifiers and navigation,
// --dump writes each value so that it reads back as the same real (and a
// dump converted again by text2grid gives the same file), --check passes on
// written files and names the first fault, and every misuse is refused.
#include "driver/gridinfo.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/convert_test_support.h"
#include "driver/in.h"
#include "driver/text2grid.h"
#include "grid/gd.h"
#include "grid/gr.h"
#include "platform/platform_test.h"

namespace {

using convert_test::read_file;
using convert_test::write_file;

struct Result {
  int status = 0;
  std::string out;
  std::string err;
};

class GridinfoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int iret = 0;
    in_bdta(iret);
    dir_ = convert_test::make_scratch_dir("gridinfo");
    platform::testing::capture_stdout(true);
    platform::testing::capture_stderr(true);
  }
  void TearDown() override {
    platform::testing::take_stdout();
    platform::testing::take_stderr();
    platform::testing::capture_stdout(false);
    platform::testing::capture_stderr(false);
    platform::testing::reset_stdin();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  static Result run(std::vector<std::string> args) {
    args.insert(args.begin(), "gridinfo");
    platform::testing::take_stdout();
    platform::testing::take_stderr();
    Result r;
    r.status = gridinfo::run(args);
    r.out = platform::testing::take_stdout();
    r.err = platform::testing::take_stderr();
    return r;
  }
  // A 4 x 3 CED grid file with two grids: TMPK at 500 with a forecast time and
  // a missing point, and PMSL.
  std::string make_file() {
    const std::string p = dir_ + "/two.grd";
    std::array<float, 256> nav{};
    int iret = 0, gfnum = 0;
    gr_mnav("CED", 4, 3, 30.0f, -100.0f, 37.5f, -86.0f, 0.0f, 0.0f, 0.0f, true, nav, iret);
    std::array<float, 128> anl{};
    gd_cref("^" + p, 256, nav, 128, anl, 2, 10, gfnum, iret);
    EXPECT_EQ(iret, 0);
    const std::array<int, 2> hdr{};
    const std::array<std::string_view, 2> t1{"910823/1200F012", ""}, t2{"910823/1200", ""};
    const std::array<int, 2> l1{500, -1}, l2{0, -1};
    gd_wdat(gfnum, grid_, 4, 3, hdr, t1, l1, 1, "tmpk", false, iret);
    EXPECT_EQ(iret, 0);
    std::vector<float> flat(12, 1013.25f);
    gd_wdat(gfnum, flat, 4, 3, hdr, t2, l2, 0, "PMSL", false, iret);
    gd_clos(gfnum, iret);
    return p;
  }
  static std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
      const std::size_t end = text.find('\n', at);
      out.push_back(text.substr(at, end - at));
      at = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
  }

  std::string dir_;
  // Rows from the bottom: row 1 is values 0..3, row 3 (the top) values 8..11.
  const std::vector<float> grid_{0.1f,     -2.5f, 1e-7f, 3.4028235e38f, 273.15f, -9999.0f,
                                 1.0f / 3, 7.0f,  -0.0f, 12345.678f,    2e10f,   -1.5e-30f};
};

TEST_F(GridinfoTest, ListingShowsNavigationAndDecodedIdentifiers) {
  const std::string p = make_file();
  const Result r = run({p});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Projection: CED  (navigation type 2)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Size: 4 x 3"), std::string::npos);
  EXPECT_NE(r.out.find("Corners: 30 -100  37.5 -86"), std::string::npos);
  EXPECT_NE(r.out.find("Grids: 2"), std::string::npos);
  const std::vector<std::string> l = lines(r.out);
  ASSERT_GE(l.size(), 9u);
  EXPECT_EQ(l[6],
            "1     910823/1200F012                   500     -1      1       TMPK         none  0  "
            "  4x3       -2.5          3.4028235e+38");
  EXPECT_EQ(l[7].substr(0, 23), "2     910823/1200      ");
  EXPECT_NE(l[7].find("PMSL"), std::string::npos);
  EXPECT_NE(l[7].find("1013.25       1013.25"), std::string::npos) << l[7];
}

TEST_F(GridinfoTest, DumpIsTopRowFirstAndEveryValueRoundTrips) {
  const std::string p = make_file();
  const Result r = run({p, "--dump", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> l = lines(r.out);
  ASSERT_EQ(l.size(), 12u);
  EXPECT_EQ(l[0], "-0");  // row 3, column 1
  for (int j = 3, k = 0; j >= 1; --j) {
    for (int i = 1; i <= 4; ++i, ++k) {
      const std::string& s = l[static_cast<std::size_t>(k)];
      float v = 0.0f;
      const auto res = std::from_chars(s.data(), s.data() + s.size(), v);
      ASSERT_EQ(res.ptr, s.data() + s.size()) << s;
      EXPECT_EQ(std::bit_cast<std::uint32_t>(v),
                std::bit_cast<std::uint32_t>(grid_[static_cast<std::size_t>((j - 1) * 4 + i - 1)]))
          << "row " << j << " column " << i << ": " << s;
    }
  }
  EXPECT_EQ(l[5], "-9999");
  EXPECT_EQ(l[11], "3.4028235e+38");  // row 1, column 4
}

TEST_F(GridinfoTest, CheckPassesAndNamesTheFirstFault) {
  const std::string p = make_file();
  Result r = run({p, "--check"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "OK\n");
  std::string bytes = read_file(p);
  bytes[0] = 'X';
  write_file(dir_ + "/bad.grd", bytes);
  r = run({dir_ + "/bad.grd", "--check"});
  EXPECT_EQ(r.status, gridinfo::kExitBadFile);
  EXPECT_EQ(r.err,
            "gridinfo: " + dir_ +
                "/bad.grd: the label does not begin with \"MORLIX DATA MANAGEMENT FILE \"\n");
  // Listing a damaged file explains why it cannot be read.
  r = run({dir_ + "/bad.grd"});
  EXPECT_EQ(r.status, gridinfo::kExitBadFile);
  EXPECT_NE(r.err.find("the label does not begin"), std::string::npos) << r.err;
}

TEST_F(GridinfoTest, Misuse) {
  const std::string p = make_file();
  EXPECT_EQ(run({}).status, gridinfo::kExitUsage);
  EXPECT_EQ(run({p, "--dump", "0"}).status, gridinfo::kExitUsage);
  EXPECT_EQ(run({p, "--dump", "x"}).status, gridinfo::kExitUsage);
  EXPECT_EQ(run({p, "--dump", "1", "--check"}).status, gridinfo::kExitUsage);
  const Result bogus = run({p, "--bogus"});
  EXPECT_EQ(bogus.status, gridinfo::kExitUsage);
  EXPECT_NE(bogus.err.find("--help"), std::string::npos);
  const Result help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--dump"), std::string::npos);
  EXPECT_NE(help.out.find("--check"), std::string::npos);
  const Result none = run({p, "--dump", "3"});
  EXPECT_EQ(none.status, gridinfo::kExitBadFile);
  EXPECT_NE(none.err.find("no grid number 3"), std::string::npos) << none.err;
  const Result absent = run({dir_ + "/absent.grd"});
  EXPECT_EQ(absent.status, gridinfo::kExitBadFile);
  EXPECT_NE(absent.err.find("cannot be opened"), std::string::npos) << absent.err;
}

// The program itself, as an operator runs it: its own start-up, exit statuses.
TEST_F(GridinfoTest, AsAProgram) {
  const std::string p = make_file();
  const std::string quiet = " >/dev/null 2>&1";
  EXPECT_EQ(std::system((std::string(GRIDINFO_PATH) + " " + p + " --check" + quiet).c_str()), 0);
  EXPECT_EQ(std::system((std::string(GRIDINFO_PATH) + " " + p + " --dump 2" + quiet).c_str()), 0);
  EXPECT_NE(std::system((std::string(GRIDINFO_PATH) + " " + p + " --dump 3" + quiet).c_str()), 0);
  EXPECT_NE(std::system((std::string(GRIDINFO_PATH) + quiet).c_str()), 0);
}

// text2grid, then gridinfo --dump of every grid, gives the input back exactly;
// converting the dump again gives the same file, byte for byte.
TEST_F(GridinfoTest, TextToGridAndBack) {
  std::string values;
  std::vector<float> all;
  for (int g = 0; g < 6; ++g) {
    for (int k = 0; k < 12; ++k) {
      const float v = k == 5 ? -9999.0f
                             : std::ldexp(std::sin(static_cast<float>(7 * g + k)), 3 * g - 6) +
                                   static_cast<float>(g * 100);
      all.push_back(v);
      values += gridinfo::real_text(v) + "\n";
    }
  }
  const std::string answers =
      "\n0\n2\n2\n30.0 -100.0 37.5 -86.0\nCED\n0.0 0.0 0.0\n"
      "910823/1200\n910824/0000F006\nPMSL\nTMPK\n1\n0\n0\n0\n2\n1\n0\n"
      "850 700\n";
  auto convert = [&](const std::string& in, const std::string& out) {
    write_file(in, values);
    platform::testing::set_stdin("4\n3\n" + in + "\n^" + out + answers);
    EXPECT_EQ(driver::run_text2grid(), 0) << platform::testing::take_stderr();
  };
  const std::string a = dir_ + "/a.grd";
  convert(dir_ + "/in.txt", a);
  std::string dumped;
  for (int g = 1; g <= 6; ++g) {
    const Result r = run({a, "--dump", std::to_string(g)});
    ASSERT_EQ(r.status, 0) << r.err;
    dumped += r.out;
  }
  EXPECT_EQ(dumped, values);
  const std::vector<std::string> l = lines(dumped);
  ASSERT_EQ(l.size(), all.size());
  for (std::size_t k = 0; k < all.size(); ++k) {
    float v = 0.0f;
    std::from_chars(l[k].data(), l[k].data() + l[k].size(), v);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(v), std::bit_cast<std::uint32_t>(all[k])) << k;
  }
  const Result listing = run({a});
  EXPECT_NE(listing.out.find("910824/0000F006"), std::string::npos) << listing.out;
  EXPECT_NE(listing.out.find("Grids: 6"), std::string::npos);
  EXPECT_EQ(run({a, "--check"}).out, "OK\n");

  values = dumped;
  const std::string b = dir_ + "/b.grd";
  convert(dir_ + "/again.txt", b);
  EXPECT_EQ(read_file(a), read_file(b));
}

}  // namespace
