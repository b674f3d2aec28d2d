// Opening existing DM files: the tables rebuilt from a file equal those its
// creation and writes left; records of every part type and grid packing read
// back; and each kind of damage refused with its code and a precise text.
#include "dm/dm.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "dm/dm_test_support.h"

namespace dm::testing {
namespace {

constexpr float kMiss = -9999.0f;

void write_words(const std::string& p, const std::vector<std::int32_t>& w) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(w.data()), static_cast<std::streamsize>(w.size() * 4));
}

class OpenTest : public DmTest {
 protected:
  // A grid file of 8 columns with two grids in columns 1 and 2, flushed and closed.
  std::string written_grid_file() {
    const std::string p = path("grid");
    int idmf = 0, iret = 0;
    create_grid_file(p, 8, idmf, iret);
    EXPECT_EQ(iret, 0);
    const std::array<float, 3> nav{1.0f, 2.5f, -3.0f};
    dm_wfhr(idmf, "NAVB", nav, 3, iret);
    for (int icol = 1; icol <= 2; ++icol) {
      std::array<int, 10> key{910823, 1200, 0, 0, 500 * icol, -1, 1, chars_word("TMPK"), 0, 0};
      int ipos = 0;
      dm_wclh(idmf, 0, key, ipos, iret);
      write_grid(idmf, icol, grid_, 3, 2, 0, 0);
    }
    dm_clos(idmf, iret);
    return p;
  }
  int write_grid(int idmf, int icol, const std::vector<float>& g, int kx, int ky, int ipktyp,
                 int nbits) {
    int iret = 0;
    dm_sgpk(kx, ky, ipktyp, nbits, true, 0.0f, 0.0f, 0.0f, iret);
    const std::array<int, 4> hdr{kx, ky, 7, 8};
    dm_wdtr(idmf, 1, icol, "GRID", hdr, g, static_cast<int>(g.size()), iret);
    int ier = 0;
    dm_fwrt(idmf, ier);
    return iret;
  }
  // dm_chck of p: its code, and its text in msg.
  int check(const std::string& p, std::string& msg) {
    std::array<char, 400> field{};
    int iret = 0;
    dm_chck(literal(p), field, iret);
    msg = std::string(field.data(), field.size());
    msg.erase(msg.find_last_not_of(' ') + 1);
    return iret;
  }
  // A copy of p with word w (from 1) set to value.
  std::string corrupt(const std::string& p, int w, std::int32_t value, std::string_view tag) {
    std::vector<std::int32_t> words = file_words(p);
    words[static_cast<std::size_t>(w - 1)] = value;
    const std::string q = path(tag);
    write_words(q, words);
    return q;
  }

  const std::vector<float> grid_{1.5f, -2.0f, kMiss, 4.25f, 0.0f, 6.0f};
};

TEST_F(OpenTest, TablesRebuiltAsCreationLeftThem) {
  const std::string p = path();
  int idmf = 0, iret = 0;
  create_grid_file(p, 8, idmf, iret);
  ASSERT_EQ(iret, 0);
  std::array<int, 10> key{910823, 1200, 0, 0, 500, -1, 1, chars_word("TMPK"), 0, 0};
  int ipos = 0;
  dm_wclh(idmf, 3, key, ipos, iret);
  ASSERT_EQ(write_grid(idmf, 3, grid_, 3, 2, 0, 0), 0);
  ASSERT_EQ(write_grid(idmf, 3, {1.0f, 2.0f}, 2, 1, 0, 0), 0);  // frees the first record
  const std::size_t f = file_index(idmf);
  const DmLabelValues label = dmlabl.file[f];
  const DmKeyNames keys = dmkeys.file[f];
  const DmFileHeaderDefs fhd = dmfhdrs.file[f];
  const DmPartDef part = dmpart.file[f][0];
  const DmFreeSpace fs = dmdmgt.file[f];
  const auto headers = dmhdrs.kheadr[f];
  dm_clos(idmf, iret);

  dm_open(literal(p), false, idmf, iret);
  ASSERT_EQ(iret, 0);
  const std::size_t g = file_index(idmf);
  EXPECT_EQ(std::memcmp(&dmlabl.file[g], &label, sizeof label), 0);
  for (std::size_t k = 0; k < 10; ++k) EXPECT_EQ(dmkeys.file[g].kcol[k], keys.kcol[k]) << k;
  EXPECT_EQ(dmkeys.file[g].krow[0], keys.krow[0]);
  EXPECT_EQ(dmfhdrs.file[g].kfhnam[1], fhd.kfhnam[1]);
  EXPECT_EQ(dmfhdrs.file[g].kfhlen[0], fhd.kfhlen[0]);
  EXPECT_EQ(dmfhdrs.file[g].kfhlen[1], fhd.kfhlen[1]);
  EXPECT_EQ(dmfhdrs.file[g].kfhtyp[1], fhd.kfhtyp[1]);
  EXPECT_EQ(dmpart.file[g][0].kprtnm, part.kprtnm);
  EXPECT_EQ(dmpart.file[g][0].klnhdr, 4);
  EXPECT_EQ(dmpart.file[g][0].ktyprt, 5);
  EXPECT_EQ(dmdmgt.file[g].ifnext, fs.ifnext);
  EXPECT_EQ(dmdmgt.file[g].ifnfre, 1);
  EXPECT_EQ(dmdmgt.file[g].iffree, fs.iffree);
  for (int islot = 1; islot <= 9; ++islot) {
    const auto s = static_cast<std::size_t>(islot - 1);
    EXPECT_EQ(std::vector<int>(dmhdrs.kheadr[g][s].begin(), dmhdrs.kheadr[g][s].begin() + 11),
              std::vector<int>(headers[s].begin(), headers[s].begin() + 11))
        << "slot " << islot;
  }
  EXPECT_EQ(dmhdrs.klstrw[g], 0);  // the grid file's row header was never written here
  EXPECT_EQ(dmhdrs.klstcl[g], 3);
  EXPECT_EQ(dmfile.kwrite[g], 0);

  // Opened for reading: the writers refuse; the search finds the column.
  dm_wclh(idmf, 0, key, ipos, iret);
  EXPECT_EQ(iret, kDmNotWritable);
  const std::array<int, 1> loc{5};
  const std::array<int, 1> want{500};
  dm_srch(idmf, "COL", 1, loc, want, ipos, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(ipos, 3);
}

TEST_F(OpenTest, GridsOfEveryPackingReadBack) {
  const std::string p = path();
  int idmf = 0, iret = 0;
  create_grid_file(p, 8, idmf, iret);
  const std::vector<float> g{1.0f, 2.0f, 4.0f, 2.0f, kMiss, 1.0f};  // the difference example
  ASSERT_EQ(write_grid(idmf, 1, g, 3, 2, 0, 0), 0);
  ASSERT_EQ(write_grid(idmf, 2, g, 3, 2, 1, 8), 0);
  ASSERT_EQ(write_grid(idmf, 3, g, 3, 2, 3, 4), 0);
  ASSERT_EQ(write_grid(idmf, 4, g, 3, 2, 4, 2), 0);
  ASSERT_EQ(write_grid(idmf, 5, {3.5f, kMiss, 3.5f, 3.5f}, 2, 2, 1, 8), 0);  // constant
  dm_clos(idmf, iret);
  dm_open(literal(p), true, idmf, iret);
  ASSERT_EQ(iret, 0);

  std::array<int, 4> hdr{};
  std::vector<float> out(6);
  int nword = 0, ipktyp = 0, nbits = 0;
  dm_rdtr(idmf, 1, 1, "GRID", hdr, out, nword, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(nword, 6);
  EXPECT_EQ(hdr, (std::array<int, 4>{3, 2, 7, 8}));
  EXPECT_EQ(out, g);
  // GRIB, 8 bits over a range of 3: step 1/64, so halves of it at most.
  dm_rdtr(idmf, 1, 2, "GRID", hdr, out, nword, iret);
  ASSERT_EQ(iret, 0);
  for (std::size_t i = 0; i < g.size(); ++i) EXPECT_NEAR(out[i], g[i], 1.0 / 128) << i;
  EXPECT_EQ(out[4], kMiss);
  dm_rgpk(idmf, 1, 2, "GRID", ipktyp, nbits, iret);
  EXPECT_EQ(ipktyp, 1);
  EXPECT_EQ(nbits, 8);
  // Difference packing, codes 5, 9, 14, 9, 15, 0 with step 3/14 and ref 1.0:
  // each value carries the rounding of every difference on its way from ref.
  dm_rdtr(idmf, 1, 3, "GRID", hdr, out, nword, iret);
  ASSERT_EQ(iret, 0);
  auto d = [](int code) { return -1.0f + static_cast<float>(code) * (3.0f / 14.0f); };
  const std::vector<float> diff{1.0f,        1.0f + d(9), 1.0f + d(9) + d(14),
                                1.0f + d(9), kMiss,       1.0f + d(9) + d(0)};
  for (std::size_t i = 0; i < g.size(); ++i) EXPECT_NEAR(out[i], diff[i], 1e-5) << i;
  // Decimal to hundredths, stored as GRIB.
  dm_rdtr(idmf, 1, 4, "GRID", hdr, out, nword, iret);
  ASSERT_EQ(iret, 0);
  for (std::size_t i = 0; i < g.size(); ++i) EXPECT_NEAR(out[i], g[i], 0.005) << i;
  dm_rgpk(idmf, 1, 4, "GRID", ipktyp, nbits, iret);
  EXPECT_EQ(ipktyp, 1);
  // A constant grid keeps its value and its missing point.
  dm_rdtr(idmf, 1, 5, "GRID", hdr, out, nword, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + 4),
            (std::vector<float>{3.5f, kMiss, 3.5f, 3.5f}));

  // Refusals: no record, bad column, no part, arrays too small.
  dm_rdtr(idmf, 1, 6, "GRID", hdr, out, nword, iret);
  EXPECT_EQ(iret, kDmNoData);
  dm_rdtr(idmf, 1, 9, "GRID", hdr, out, nword, iret);
  EXPECT_EQ(iret, kDmBadRowCol);
  dm_rdtr(idmf, 1, 1, "GRIB", hdr, out, nword, iret);
  EXPECT_EQ(iret, kDmNoPart);
  std::vector<float> small(5);
  dm_rdtr(idmf, 1, 1, "GRID", hdr, small, nword, iret);
  EXPECT_EQ(iret, kDmBadArgument);
  std::array<int, 3> short_hdr{};
  dm_rdtr(idmf, 1, 1, "GRID", short_hdr, out, nword, iret);
  EXPECT_EQ(iret, kDmBadArgument);

  // Opened for writing: a new record goes after the others and reads back.
  ASSERT_EQ(write_grid(idmf, 6, {9.0f}, 1, 1, 0, 0), 0);
  dm_rdtr(idmf, 1, 6, "GRID", hdr, out, nword, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(out[0], 9.0f);
  std::string msg;
  dm_clos(idmf, iret);
  EXPECT_EQ(check(p, msg), 0) << msg;
}

TEST_F(OpenTest, RealAndPackedRealPartsAndFileHeaders) {
  const std::string p = path();
  const std::array<std::string_view, 1> fh{"HEAD"}, rkey{"ROWK"}, ckey{"COLK"};
  const std::array<int, 1> fhlen{4}, fhtyp{1};
  const std::array<std::string_view, 2> prt{"REAL", "PACK"};
  const std::array<int, 2> hdrlen{1, 0}, types{1, 4}, nparm{2, 2};
  const std::array<std::string_view, 4> parms{"A", "B", "C", "D"};
  const std::array<int, 4> iscale{0, 0, -1, 0}, iofset{0, 0, 0, -100}, ibits{0, 0, 8, 10};
  int idmf = 0, iret = 0;
  dm_cret(literal(p), 1, 1, 1, fh, fhlen, fhtyp, 2, 1, rkey, 2, 1, ckey, 2, prt, hdrlen, types,
          nparm, 2, parms, iscale, iofset, ibits, idmf, iret);
  ASSERT_EQ(iret, 0);
  const std::array<float, 3> head{1.0f, kMiss, 2.0f};
  dm_wfhr(idmf, "HEAD", head, 3, iret);
  const std::array<int, 1> one{42};
  const std::vector<float> reals{0.5f, kMiss, 1e30f};
  dm_wdtr(idmf, 2, 1, "REAL", one, reals, 3, iret);
  ASSERT_EQ(iret, 0);
  const std::vector<float> packed{12.34f, 5.0f, kMiss, 30.0f};
  dm_wdtr(idmf, 1, 2, "PACK", {}, packed, 4, iret);
  ASSERT_EQ(iret, 0);
  dm_clos(idmf, iret);

  dm_open(literal(p), false, idmf, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_GT(dmpart.file[file_index(idmf)][1].kpkno, 0);
  std::array<float, 4> got{};
  int nword = 0;
  dm_rfhr(idmf, "HEAD", 4, got, nword, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(nword, 3);
  EXPECT_EQ(got[1], kMiss);
  dm_rfhr(idmf, "HEAD", 2, got, nword, iret);
  EXPECT_EQ(iret, kDmBadArgument);
  dm_rfhr(idmf, "NONE", 4, got, nword, iret);
  EXPECT_EQ(iret, kDmNoFileHeader);

  std::array<int, 1> hdr{};
  std::vector<float> out(4);
  dm_rdtr(idmf, 2, 1, "REAL", hdr, out, nword, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(hdr[0], 42);
  EXPECT_EQ(std::vector<float>(out.begin(), out.begin() + nword), reals);
  dm_rdtr(idmf, 1, 2, "PACK", hdr, out, nword, iret);
  ASSERT_EQ(iret, 0);
  ASSERT_EQ(nword, 4);
  EXPECT_NEAR(out[0], 12.3f, 1e-5);  // codes 123 and 105: (code + offset) x scale
  EXPECT_EQ(out[1], 5.0f);
  EXPECT_EQ(out[2], kMiss);
  EXPECT_EQ(out[3], 30.0f);
  dm_clos(idmf, iret);
  std::string msg;
  EXPECT_EQ(check(p, msg), 0) << msg;
}

// Damage of every kind: dm_open refuses it and dm_chck names it.
TEST_F(OpenTest, CheckPassesOnWrittenFiles) {
  const std::string p = written_grid_file();
  std::string msg = "x";
  EXPECT_EQ(check(p, msg), 0);
  EXPECT_EQ(msg, "");
}

TEST_F(OpenTest, NotADmFile) {
  const std::string p = written_grid_file();
  std::string msg;
  EXPECT_EQ(check(corrupt(p, 1, chars_word("morl"), "text"), msg), kDmNotDmFile);
  EXPECT_NE(msg.find("label"), std::string::npos) << msg;
  const std::string tiny = path("tiny");
  write_words(tiny, {1, 2, 3});
  EXPECT_EQ(check(tiny, msg), kDmNotDmFile);
  EXPECT_NE(msg.find("12 bytes"), std::string::npos) << msg;
  int idmf = 0, iret = 0;
  dm_open(literal(tiny), false, idmf, iret);
  EXPECT_EQ(iret, kDmNotDmFile);
  EXPECT_EQ(iflun(1), -1);  // the number stays free
  platform::testing::capture_stdout(true);
  dm_open(literal(path("absent")), false, idmf, iret);
  EXPECT_EQ(iret, kDmOpenFailed);
  EXPECT_NE(platform::testing::take_stdout().find("[FL"), std::string::npos);
}

TEST_F(OpenTest, SectionStartAndCounts) {
  const std::string p = written_grid_file();
  std::string msg;
  EXPECT_EQ(check(corrupt(p, 14, 770, "rhdbeg"), msg), kDmDamaged);
  EXPECT_EQ(msg, "label word 14 (rhdbeg) is 770, but the layout puts it at 769");
  EXPECT_EQ(check(corrupt(p, 11, 0x7FFFFFFF, "nrow"), msg), kDmDamaged);
  EXPECT_NE(msg.find("label word 11 (nrow) is 2147483647"), std::string::npos) << msg;
  EXPECT_EQ(check(corrupt(p, 19, -5, "nprt"), msg), kDmDamaged);
  EXPECT_EQ(check(corrupt(p, 26, 2, "mchtyp"), msg), kDmNoConversion);
  // Truncated: the file ends inside its data pointer table.
  std::vector<std::int32_t> words = file_words(p);
  words.resize(4 * 128);
  const std::string cut = path("short");
  write_words(cut, words);
  EXPECT_EQ(check(cut, msg), kDmDamaged);
  EXPECT_NE(msg.find("ends at word 512, inside the part definitions"), std::string::npos) << msg;
  words = file_words(p);
  words.resize(words.size() - 3);
  const std::string ragged = path("ragged");
  write_words(ragged, words);
  EXPECT_EQ(check(ragged, msg), kDmDamaged);
  EXPECT_NE(msg.find("whole number of 128-word records"), std::string::npos) << msg;
}

TEST_F(OpenTest, HeaderFlag) {
  const std::string p = written_grid_file();
  std::string msg;
  // Column 2's header starts at chdbeg 771 + 11.
  EXPECT_EQ(check(corrupt(p, 782, 1, "flag"), msg), kDmDamaged);
  EXPECT_EQ(msg, "column header 2 (word 782) has the in-use flag 1, neither 9999 nor -9999");
}

TEST_F(OpenTest, PointersAndRecordLengths) {
  const std::string p = written_grid_file();
  const std::vector<std::int32_t> words = file_words(p);
  // Grid file of 8 columns: datbeg 1025, data area from 1153; records of 12 words.
  ASSERT_EQ(words[1025 - 1], 1153);
  ASSERT_EQ(words[1026 - 1], 1165);
  std::string msg;
  EXPECT_EQ(check(corrupt(p, 1025, 1 << 30, "beyond"), msg), kDmDamaged);
  EXPECT_NE(msg.find("data pointer at word 1025 (the record of row 1, column 1, part \"GRID\") "
                     "points to word 1073741824, outside the data area"),
            std::string::npos)
      << msg;
  EXPECT_EQ(check(corrupt(p, 1025, 600, "fixed"), msg), kDmDamaged);
  EXPECT_EQ(check(corrupt(p, 1026, 1153, "overlap"), msg), kDmDamaged);
  EXPECT_NE(msg.find("column 1"), std::string::npos) << msg;
  EXPECT_NE(msg.find("column 2"), std::string::npos) << msg;
  EXPECT_NE(msg.find(" overlaps the record of row 1, column "), std::string::npos) << msg;
  const std::string bad_length = corrupt(p, 1153, 5000, "length");
  EXPECT_EQ(check(bad_length, msg), kDmDamaged);
  EXPECT_NE(msg.find("length word 5000, running past the data area's end"), std::string::npos)
      << msg;
  // The same damage makes dm_rdtr refuse rather than read past the end.
  int idmf = 0, iret = 0;
  dm_open(literal(bad_length), false, idmf, iret);
  ASSERT_EQ(iret, 0);
  std::array<int, 4> hdr{};
  std::vector<float> out(100);
  int nword = 0;
  dm_rdtr(idmf, 1, 1, "GRID", hdr, out, nword, iret);
  EXPECT_EQ(iret, kDmDamaged);
  dm_rdtr(idmf, 1, 2, "GRID", hdr, out, nword, iret);
  EXPECT_EQ(iret, 0);
}

TEST_F(OpenTest, FreeSpaceEntries) {
  const std::string p = written_grid_file();
  std::string msg;
  // One free entry of 5 words at 1160, inside column 1's record (1153..1164).
  std::vector<std::int32_t> words = file_words(p);
  words[129 + 2 - 1] = 1;
  words[129 + 4 - 1] = 5;
  words[129 + 5 - 1] = 1160;
  const std::string inside = path("free");
  write_words(inside, words);
  EXPECT_EQ(check(inside, msg), kDmDamaged);
  EXPECT_EQ(msg,
            "the record of row 1, column 1, part \"GRID\" (words 1153 to 1164) overlaps "
            "free-space entry 1 (words 1160 to 1164)");
  words[129 + 5 - 1] = 5;  // before the data area
  const std::string early = path("early");
  write_words(early, words);
  EXPECT_EQ(check(early, msg), kDmDamaged);
  EXPECT_NE(msg.find("free-space entry 1 (5 words at 5) lies outside"), std::string::npos) << msg;
  EXPECT_EQ(check(corrupt(p, 129, 1 << 20, "next"), msg), kDmDamaged);
  EXPECT_NE(msg.find("but the file ends at word"), std::string::npos) << msg;
}

}  // namespace
}  // namespace dm::testing
