// Reading grid files back: grids written with gd_wdat and gd_wpgd come back
// exactly (unpacked) or within half a packing step, missing points restored;
// identifiers decode to their texts; the time list is rebuilt; and the
// refusals of gd_open, gd_rgrd and gd_rdat.
#include "grid/gd.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <string>
#include <vector>

#include "grid/gd_codes.h"
#include "grid/grid_test_support.h"

namespace grid_test {
namespace {

constexpr float kMiss = -9999.0f;

std::string text(std::span<const char> field) {
  std::string s(field.data(), field.size());
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

class ReadTest : public GridFileTest {
 protected:
  // Writes grid under the given identifier; ipktyp/nbits as gd_wpgd takes them.
  void write(int gfnum, const std::vector<float>& g, int kx, int ky, std::string_view time1,
             int lev1, std::string_view name, int ipktyp = 0, int nbits = 0) {
    const std::array<std::string_view, 2> times{time1, "                    "};
    const std::array<int, 2> levs{lev1, -1};
    const std::array<int, 2> hdr{kx * 10, ky * 10};
    int iret = 0;
    gd_wpgd(gfnum, g, kx, ky, hdr, times, levs, 1, name, false, ipktyp, nbits, iret);
    ASSERT_EQ(iret, 0) << name;
  }
  int reopen(std::string_view name, bool wrtflg = false) {
    int gfnum = 0, iret = 0;
    gd_open(filnam(name), wrtflg, gfnum, iret);
    EXPECT_EQ(iret, 0);
    return gfnum;
  }
  std::vector<float> read(int gfnum, int igrid, int& kx, int& ky) {
    std::vector<float> out(4096);
    std::array<int, 2> hdr{};
    int iret = 0;
    gd_rgrd(gfnum, igrid, out, kx, ky, hdr, iret);
    EXPECT_EQ(iret, 0) << "grid " << igrid;
    EXPECT_EQ(hdr, (std::array<int, 2>{kx * 10, ky * 10}));
    out.resize(static_cast<std::size_t>(kx * ky));
    return out;
  }

  // 7 x 5 values with a spread of magnitudes, two missing points and one that
  // is nearly missing but not quite.
  std::vector<float> varied() const {
    std::vector<float> g;
    for (int j = 0; j < 5; ++j) {
      for (int i = 0; i < 7; ++i) {
        const float x = 0.7f * static_cast<float>(i) + 1.3f * static_cast<float>(j);
        g.push_back(std::sin(x) * 37.5f + 250.0f);
      }
    }
    g[3] = kMiss;
    g[20] = kMiss;
    g[11] = 0.1f;
    return g;
  }
};

TEST_F(ReadTest, UnpackedGridsComeBackExactlyWithTheirIdentifiers) {
  const int gfnum = create("unpacked.grd");
  const std::vector<float> a = varied();
  const std::vector<float> b{-1.0e30f, 1.0e-38f, std::nextafter(1.0f, 2.0f), kMiss, 0.0f, -0.0f};
  write(gfnum, a, 7, 5, "910823/1200F012", 500, "tmpk");
  write(gfnum, b, 3, 2, "910823/1200", 1000, "PMSL");
  write(gfnum, b, 2, 3, "910822/0000", 850, "relh");
  int iret = 0;
  gd_clos(gfnum, iret);
  ASSERT_EQ(iret, 0);

  const int g = reopen("unpacked.grd");
  int ngrid = 0;
  gd_ngrd(g, ngrid, iret);
  EXPECT_EQ(ngrid, 3);
  std::array<char, 20> t1{}, t2{};
  std::array<int, 2> lev{};
  std::array<char, 12> pname{};
  int vcode = 0;
  gd_gidn(g, 1, t1, t2, lev, vcode, pname, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(text(t1), "910823/1200F012");
  EXPECT_EQ(text(t2), "");
  EXPECT_EQ(lev, (std::array<int, 2>{500, -1}));
  EXPECT_EQ(vcode, 1);
  EXPECT_EQ(text(pname), "TMPK");
  gd_gidn(g, 3, t1, t2, lev, vcode, pname, iret);
  EXPECT_EQ(text(t1), "910822/0000");
  EXPECT_EQ(text(pname), "RELH");

  int kx = 0, ky = 0;
  std::vector<float> got = read(g, 1, kx, ky);
  EXPECT_EQ(kx, 7);
  EXPECT_EQ(ky, 5);
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(got[i]), std::bit_cast<std::uint32_t>(a[i])) << i;
  }
  got = read(g, 2, kx, ky);
  for (std::size_t i = 0; i < b.size(); ++i) {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(got[i]), std::bit_cast<std::uint32_t>(b[i])) << i;
  }

  // By identifier: the name in any case, the time as written.
  const std::array<std::string_view, 2> times{"910823/1200F012", ""};
  const std::array<int, 2> levs{500, -1};
  std::vector<float> out(35);
  std::array<int, 2> hdr{};
  gd_rdat(g, times, levs, 1, "TmPk", out, kx, ky, hdr, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(out, a);
  gd_rdat(g, times, levs, 2, "TMPK", out, kx, ky, hdr, iret);
  EXPECT_EQ(iret, grid::kGdNoGrid);

  // The time list: the three times ascending, the forecast time last.
  const std::size_t f = grid::file_index(g);
  EXPECT_EQ(grdcmn.gfntime[f], 3);
  EXPECT_EQ(grdcmn.gftimes[grid::time_index(1, 1, g)], 910822);
  EXPECT_EQ(grdcmn.gftimes[grid::time_index(3, 2, g)], 0);
  EXPECT_EQ(grdcmn.gftimes[grid::time_index(3, 3, g)], 101200);
  EXPECT_EQ(grdcmn.gfgrids[f], 0);                        // none added by this process
  EXPECT_EQ(grdcmn.gfnav[grid::nav_index(5, g)], 10.0f);  // the navigation block came back
}

TEST_F(ReadTest, PackedGridsWithinHalfAStep) {
  const int gfnum = create("packed.grd");
  const std::vector<float> a = varied();
  float lo = 1e30f, hi = -1e30f;
  for (float v : a) {
    if (v != kMiss) lo = std::min(lo, v), hi = std::max(hi, v);
  }
  write(gfnum, a, 7, 5, "910823/1200", 1, "GRIB", 1, 12);
  write(gfnum, a, 7, 5, "910823/1200", 2, "DECI", 4, 2);
  write(gfnum, a, 7, 5, "910823/1200", 3, "DIFF", 3, 16);
  const std::vector<float> flat{5.5f, kMiss, 5.5f, 5.5f, 5.5f, kMiss};
  write(gfnum, flat, 3, 2, "910823/1200", 4, "FLAT", 1, 8);
  write(gfnum, flat, 3, 2, "910823/1200", 5, "FLAT", 3, 8);
  write(gfnum, flat, 3, 2, "910823/1200", 6, "FLAT", 4, 1);
  int iret = 0;
  gd_clos(gfnum, iret);
  const int g = reopen("packed.grd");
  int kx = 0, ky = 0, ipktyp = 0, nbits = 0;

  // GRIB: the step is at most twice the range over the largest code.
  const double grib_half = (hi - lo) / (4095 - 0.5) + 1e-4;
  std::vector<float> got = read(g, 1, kx, ky);
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == kMiss) {
      EXPECT_EQ(got[i], kMiss) << i;
    } else {
      EXPECT_NEAR(got[i], a[i], grib_half) << i;
    }
  }
  gd_gpck(g, 1, ipktyp, nbits, iret);
  EXPECT_EQ(ipktyp, 1);
  EXPECT_EQ(nbits, 12);
  // Decimal to hundredths: half a step is 0.005 (and the reals' own rounding).
  got = read(g, 2, kx, ky);
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_NEAR(got[i], a[i], a[i] == kMiss ? 0.0 : 0.005 + 3e-5) << i;
  }
  gd_gpck(g, 2, ipktyp, nbits, iret);
  EXPECT_EQ(ipktyp, 1);
  // Difference: every difference on the way from the first point adds up to
  // half a step of rounding; a point is reached in at most i + j differences.
  got = read(g, 3, kx, ky);
  const double diff_half = 2 * (hi - lo) / 65534.0 / 2 + 1e-5;
  for (int j = 0; j < 5; ++j) {
    for (int i = 0; i < 7; ++i) {
      const auto k = static_cast<std::size_t>(j * 7 + i);
      EXPECT_NEAR(got[k], a[k], a[k] == kMiss ? 0.0 : diff_half * (i + j + 1)) << k;
    }
  }
  // Constant grids come back exactly, missing points included.
  for (int igrid = 4; igrid <= 6; ++igrid) EXPECT_EQ(read(g, igrid, kx, ky), flat) << igrid;
}

TEST_F(ReadTest, OpenForWritingAddsGrids) {
  const int gfnum = create("append.grd");
  write(gfnum, {1, 2, 3, 4}, 2, 2, "910823/1200", 1, "A");
  int iret = 0;
  gd_clos(gfnum, iret);
  int g = reopen("append.grd", true);
  write(g, {5, 6}, 2, 1, "910823/1200", 2, "B");
  const std::array<std::string_view, 2> times{"910823/1200", ""};
  const std::array<int, 2> levs{1, -1};
  const std::array<int, 2> hdr{};
  gd_wdat(g, std::vector<float>{9, 9, 9, 9}, 2, 2, hdr, times, levs, 1, "A", false, iret);
  EXPECT_EQ(iret, grid::kGdDuplicate);  // the search sees the grids already in the file
  gd_clos(g, iret);
  g = reopen("append.grd");
  int kx = 0, ky = 0;
  EXPECT_EQ(read(g, 1, kx, ky), (std::vector<float>{1, 2, 3, 4}));
  EXPECT_EQ(read(g, 2, kx, ky), (std::vector<float>{5, 6}));
  gd_wdat(g, std::vector<float>{1}, 1, 1, hdr, times, levs, 1, "C", false, iret);
  EXPECT_EQ(iret, grid::kGdNotWritable);
}

TEST_F(ReadTest, Refusals) {
  int gfnum = 0, iret = 0;
  gd_open(filnam("absent.grd"), false, gfnum, iret);
  EXPECT_EQ(iret, grid::kGdCreateFailed);
  EXPECT_NE(output().find("[DM -37]"), std::string::npos);

  // A DM file that is not a grid file: no identifier keys.
  const std::array<std::string_view, 1> rkey{"ROWK"}, ckey{"COLK"}, prt{"GRID"}, prm{"PARM"};
  const std::array<int, 1> five{5}, two{2}, one{1}, zero{0};
  int idmf = 0;
  dm_cret(filnam("plain.dm"), 1, 1, 0, {}, {}, {}, 1, 1, rkey, 1, 1, ckey, 1, prt, two, five, one,
          1, prm, zero, zero, zero, idmf, iret);
  ASSERT_EQ(iret, 0);
  dm_clos(idmf, iret);
  gd_open(filnam("plain.dm"), false, gfnum, iret);
  EXPECT_EQ(iret, grid::kGdNotGridFile);
  int fchk = 0;
  gd_fchk(1, fchk);
  EXPECT_EQ(fchk, grid::kGdBadFile);  // number 1 not left marked as a grid file

  const int g0 = create("small.grd");
  write(g0, {1, 2, 3, 4, 5, 6}, 3, 2, "910823/1200", 1, "A");
  gd_clos(g0, iret);
  const int g = reopen("small.grd");
  std::vector<float> out(5);
  std::array<int, 2> hdr{};
  int kx = 0, ky = 0;
  gd_rgrd(g, 1, out, kx, ky, hdr, iret);
  EXPECT_EQ(iret, grid::kGdBadSize);
  out.resize(6);
  gd_rgrd(g, 2, out, kx, ky, hdr, iret);
  EXPECT_EQ(iret, grid::kGdNoGrid);
  gd_rgrd(g, 10000, out, kx, ky, hdr, iret);
  EXPECT_EQ(iret, grid::kGdNoGrid);
  std::array<char, 20> t1{}, t2{};
  std::array<int, 2> lev{};
  std::array<char, 12> pname{};
  int vcode = 0;
  gd_gidn(g, 2, t1, t2, lev, vcode, pname, iret);
  EXPECT_EQ(iret, grid::kGdNoGrid);
  gd_clos(g, iret);
  gd_rgrd(g, 1, out, kx, ky, hdr, iret);
  EXPECT_EQ(iret, grid::kGdBadFile);
}

}  // namespace
}  // namespace grid_test
