// Data records: the record on disk word by word for each part type and grid
// packing, the reuse and reallocation of a record's words, and the refusals.
#include "dm/dm.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "dm/dm_test_support.h"

namespace dm::testing {
namespace {

// The grid file of 400 columns: data pointer table at 5377 (the first part of column c
// at 5376 + c), first free word 5889; part "GRID" of type 5, 4 header words.
constexpr int kDatbeg = 5377;
constexpr int kFirstFree = 5889;
constexpr float kMiss = -9999.0f;

class DataTest : public DmTest {
 protected:
  void SetUp() override {
    DmTest::SetUp();
    file_ = path();
    int iret = 0;
    create_grid_file(file_, 400, idmf_, iret);
    ASSERT_EQ(iret, 0);
  }
  // Sets the packing request and writes grid (kx x ky) at column icol.
  int write_grid(int icol, const std::vector<float>& grid, int kx, int ky, int ipktyp, int nbits) {
    int iret = 99;
    dm_sgpk(kx, ky, ipktyp, nbits, true, 0.0f, 0.0f, 0.0f, iret);
    EXPECT_EQ(iret, 0);
    dm_wdtr(idmf_, 1, icol, "GRID", header_, grid, static_cast<int>(grid.size()), iret);
    return iret;
  }
  // The file's words from word `first` on, after flushing the cache.
  std::vector<int> words_at(int first, int count) {
    int ier = 0;
    dm_fwrt(idmf_, ier);
    const std::vector<std::int32_t> w = file_words(file_);
    const auto begin = w.begin() + (first - 1);
    return {begin, begin + count};
  }
  std::vector<std::int32_t> flushed_file() {
    int ier = 0;
    dm_fwrt(idmf_, ier);
    return file_words(file_);
  }

  std::string file_;
  int idmf_ = 0;
  const std::array<int, 4> header_{3, 2, 77, 88};
};

TEST_F(DataTest, UnpackedGridRecord) {
  const std::vector<float> grid{1.5f, -2.0f, kMiss, 4.25f, 0.0f, 6.0f};
  ASSERT_EQ(write_grid(7, grid, 3, 2, 0, 0), 0);
  EXPECT_EQ(words_at(kDatbeg + 6, 1), ints(kFirstFree));  // pointer of column 7
  // L = 4 header words + packing type + 6 reals.
  std::vector<int> expected{11, 3, 2, 77, 88, 0};
  for (float v : grid) expected.push_back(real_word(v));
  EXPECT_EQ(words_at(kFirstFree, 12), expected);
  EXPECT_EQ(words_at(129, 1), ints(kFirstFree + 12));  // ifnext in the free-space block
}

TEST_F(DataTest, GribPackedGridRecord) {
  ASSERT_EQ(write_grid(1, {10.0f, 12.5f, kMiss}, 3, 1, 1, 8), 0);
  EXPECT_EQ(words_at(kDatbeg, 1), ints(kFirstFree));
  // type, nbits, flag, kxky, ref, scale, then one packed word.
  EXPECT_EQ(words_at(kFirstFree, 12), ints(11, 3, 2, 77, 88, 1, 8, -1, 3, real_word(10.0f),
                                           real_word(0.015625f), 0x00A0FF00));
}

TEST_F(DataTest, DifferencePackedGridRecord) {
  ASSERT_EQ(write_grid(2, {1.0f, 2.0f, 4.0f, 2.0f, kMiss, 1.0f}, 3, 2, 3, 4), 0);
  EXPECT_EQ(words_at(kDatbeg + 1, 1), ints(kFirstFree));
  // type, nbits, flag, kxky, kx, ref, scale, difmin, then one packed word.
  EXPECT_EQ(words_at(kFirstFree, 14), ints(13, 3, 2, 77, 88, 3, 4, -1, 6, 3, real_word(1.0f),
                                           real_word(3.0f / 14.0f), real_word(-1.0f), 0x59E9F000));
}

TEST_F(DataTest, DecimalPackedGridIsRecordedAsGrib) {
  ASSERT_EQ(write_grid(3, {10.0f, 12.5f, kMiss}, 3, 1, 4, 1), 0);
  // Recorded as type 1 with the 5 bits chosen; step 0.1.
  EXPECT_EQ(words_at(kFirstFree, 12),
            ints(11, 3, 2, 77, 88, 1, 5, -1, 3, real_word(10.0f), real_word(0.1f), 0x067E0000));
  // The request itself is unchanged: the next grid is decimal-packed too.
  ASSERT_EQ(write_grid(4, {0.0f, 1.0f, 2.0f}, 3, 1, 4, 0), 0);
  EXPECT_EQ(words_at(kFirstFree + 12, 8), ints(7 + 4, 3, 2, 77, 88, 1, 2, -1));
}

// A record in use is never written over: its replacement, of any length,
// goes to words no record holds, and the old words are given back only after
// the pointer has moved (a crash in between leaves the old grid whole).
TEST_F(DataTest, ReplacedRecordMovesAndItsWordsAreFreedAfterThePointer) {
  ASSERT_EQ(write_grid(5, {1.0f, 2.0f, 3.0f, 4.0f}, 2, 2, 0, 0), 0);  // L = 9: 10 words
  flushed_file();

  // Same length: 10 new words at the end, the old 10 given back.
  platform::testing::reset_io_counts();
  ASSERT_EQ(write_grid(5, {5.0f, 6.0f, 7.0f, 8.0f}, 2, 2, 0, 0), 0);
  // The record (length word, header and packing type word written through,
  // then the reals flushed), the free-space block, the pointer, and the
  // free-space block again with the old words.
  EXPECT_EQ(platform::testing::io_counts().record_writes, 7);
  EXPECT_EQ(words_at(kDatbeg + 4, 1), ints(kFirstFree + 10));
  EXPECT_EQ(words_at(kFirstFree + 10, 10), ints(9, 3, 2, 77, 88, 0, real_word(5.0f),
                                                real_word(6.0f), real_word(7.0f), real_word(8.0f)));
  EXPECT_EQ(words_at(129, 6), ints(kFirstFree + 20, 62, 1, 0, 10, kFirstFree));

  // Longer: 12 words do not fit the free 10, so they come from the end; the
  // old 10 then merge with the free 10 before them.
  ASSERT_EQ(write_grid(5, {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f}, 3, 2, 0, 0), 0);
  EXPECT_EQ(words_at(kDatbeg + 4, 1), ints(kFirstFree + 20));
  EXPECT_EQ(words_at(kFirstFree + 20, 6), ints(11, 3, 2, 77, 88, 0));
  EXPECT_EQ(words_at(129, 6), ints(kFirstFree + 32, 62, 1, 0, 20, kFirstFree));

  // Shorter: the 8 words come from the start of the free 20; the old 12 then
  // merge with the 12 left after them.
  ASSERT_EQ(write_grid(5, {1.0f, 2.0f}, 2, 1, 0, 0), 0);
  EXPECT_EQ(words_at(kDatbeg + 4, 1), ints(kFirstFree));
  EXPECT_EQ(words_at(kFirstFree, 8), ints(7, 3, 2, 77, 88, 0, real_word(1.0f), real_word(2.0f)));
  EXPECT_EQ(words_at(129, 6), ints(kFirstFree + 32, 62, 1, 0, 24, kFirstFree + 8));
}

// A record write that fails on a full disk leaves the file byte for byte as
// it was (no partial record, the free-space block and pointer untouched), and
// the next write, once there is room, lands where the failed one would have.
TEST_F(DataTest, FailedRecordWriteIsRolledBack) {
  ASSERT_EQ(write_grid(1, {1.0f, 2.0f, 3.0f, 4.0f}, 2, 2, 0, 0), 0);
  const std::vector<std::int32_t> before = flushed_file();
  const std::vector<float> big(300, 7.5f);  // 306 words, into two records past the end
  const std::int64_t bytes = 4 * static_cast<std::int64_t>(before.size());
  for (const std::int64_t limit : {bytes + 700, bytes + 512, bytes}) {
    SCOPED_TRACE(limit);
    platform::testing::limit_file_size(limit);
    EXPECT_EQ(write_grid(2, big, 20, 15, 0, 0), kDmWriteFailed);
    platform::testing::clear_faults();
    EXPECT_EQ(flushed_file(), before);
  }
  ASSERT_EQ(write_grid(2, big, 20, 15, 0, 0), 0);
  EXPECT_EQ(words_at(kDatbeg + 1, 1), ints(kFirstFree + 10));
  EXPECT_EQ(words_at(kFirstFree + 10, 6), ints(4 + 1 + 300, 3, 2, 77, 88, 0));
  EXPECT_EQ(words_at(129, 3), ints(kFirstFree + 10 + 306, 62, 0));
}

TEST_F(DataTest, RefusalsLeaveTheFileUntouched) {
  const std::vector<std::int32_t> before = flushed_file();
  const std::vector<float> grid{1.0f, 2.0f, 3.0f, 4.0f};
  int iret = 0;

  dm_wdtr(0, 1, 1, "GRID", header_, grid, 4, iret);
  EXPECT_EQ(iret, -4);
  dm_wdtr(idmf_, 1, 1, "NONE", header_, grid, 0, iret);  // nothing to write
  EXPECT_EQ(iret, 0);
  dm_wdtr(idmf_, 0, 1, "GRID", header_, grid, 4, iret);
  EXPECT_EQ(iret, -9);
  dm_wdtr(idmf_, 1, 401, "GRID", header_, grid, 4, iret);
  EXPECT_EQ(iret, -9);
  dm_wdtr(idmf_, 1, 1, "NONE", header_, grid, 4, iret);
  EXPECT_EQ(iret, -10);
  dm_wdtr(idmf_, 1, 1, "GRID", std::span<const int>(header_).first(3), grid, 4, iret);
  EXPECT_EQ(iret, kDmBadArgument);  // header shorter than the part's 4 words

  EXPECT_EQ(write_grid(1, grid, 2, 2, 2, 8), -31);
  EXPECT_EQ(write_grid(1, grid, 2, 2, 1, 1), -10);
  EXPECT_EQ(write_grid(1, {kMiss, kMiss}, 2, 1, 3, 8), -11);
  EXPECT_EQ(write_grid(1, grid, 3, 2, 0, 0), kDmBadArgument);  // request larger than the grid
  EXPECT_EQ(write_grid(1, {0.0f, 1.0e10f}, 2, 1, 4, 0), kDmGridRangeTooBig);
  // Codes of 29 bits: 32-bit reals cannot rebuild 16000001 to a tenth.
  EXPECT_EQ(write_grid(1, {-16000001.0f, 16000001.0f}, 2, 1, 4, 1), kDmGridStepTooFine);

  dmfile.kwrite[file_index(idmf_)] = 0;
  dm_wdtr(idmf_, 1, 1, "GRID", header_, grid, 4, iret);
  EXPECT_EQ(iret, -13);
  dmfile.kwrite[file_index(idmf_)] = 1;

  EXPECT_EQ(flushed_file(), before);
  EXPECT_EQ(free_space(idmf_).ifnext, kFirstFree);

  // No work area: 1000 x 200 codes of 16 bits take 100000 words, and the
  // record takes them all.
  std::vector<float> big(200000, 1.5f);
  big[1] = 2.5f;
  EXPECT_EQ(write_grid(1, big, 1000, 200, 1, 16), 0);
  EXPECT_EQ(words_at(kFirstFree, 1), ints(4 + 6 + 100000));
}

// A file with one part of packed reals: 3 parameters of 8, 10 and 20 bits
// (38 bits: 2 words per record) and a 2-word header.
class PackedRealTest : public DmTest {
 protected:
  void SetUp() override {
    DmTest::SetUp();
    file_ = path();
    const std::array<std::string_view, 1> rkey{"ROWK"}, ckey{"COLK"}, prt{"PKRL"};
    const std::array<std::string_view, 3> prm{"TEMP", "PRES", "HGHT"};
    const std::array<int, 1> hdr{2}, type{4}, nparm{3};
    const std::array<int, 3> iscale{-1, 0, 0}, iofset{0, -100, 0}, ibits{8, 10, 20};
    int iret = 0;
    dm_cret(literal(file_), 1, 1, 0, {}, {}, {}, 1, 1, rkey, 1, 1, ckey, 1, prt, hdr, type, nparm,
            3, prm, iscale, iofset, ibits, idmf_, iret);
    ASSERT_EQ(iret, 0);
  }
  std::string file_;
  int idmf_ = 0;
};

TEST_F(PackedRealTest, RecordsPackedTwoWordsEach) {
  // Smallest file layout: data pointer at 641, first free word 769.
  const std::array<int, 2> hdr{41, 42};
  const std::vector<float> values{12.34f, 5.0f, 1000000.0f, kMiss, 30.0f, 0.0f};
  int iret = 99;
  dm_wdtr(idmf_, 1, 1, "PKRL", hdr, values, 7, iret);
  EXPECT_EQ(iret, -24);  // not a whole number of records
  dm_wdtr(idmf_, 1, 1, "PKRL", hdr, values, 6, iret);
  ASSERT_EQ(iret, 0);
  dm_fwrt(idmf_, iret);
  const std::vector<std::int32_t> w = file_words(file_);
  EXPECT_EQ(w[640], 769);
  // Record 1: 123 | 105 << 8 | low 14 bits of 1000000 (576) << 18; its high
  // 6 bits (61) in word 2. Record 2: 255 (missing) | 130 << 8; 0.
  const std::vector<int> record(w.begin() + 768, w.begin() + 775);
  EXPECT_EQ(record, ints(6, 41, 42, 123 + 105 * 256 + (576 << 18), 61, 255 + 130 * 256, 0));
}

TEST_F(PackedRealTest, RecordsAsLongAsTheDataNeed) {
  // 5000 records of 2 words: no work area limits them.
  const std::array<int, 2> hdr{0, 0};
  std::vector<float> values(3 * 5000, 1.0f);
  int iret = 99;
  dm_wdtr(idmf_, 1, 1, "PKRL", hdr, values, 3 * 5000, iret);
  EXPECT_EQ(iret, 0);
  std::array<int, 2> back_hdr{};
  std::vector<float> back(values.size());
  int nword = 0;
  dm_rdtr(idmf_, 1, 1, "PKRL", back_hdr, back, nword, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(nword, 3 * 5000);
  EXPECT_EQ(back, values);
  // A caller's array too short for the packed records.
  int kword = 0;
  std::array<int, 4> out{};
  dm_pack(idmf_, 1, 6, values, kword, out, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(kword, 4);
  dm_pack(idmf_, 1, 9, values, kword, out, iret);
  EXPECT_EQ(iret, kDmPackedTooLong);
}

}  // namespace
}  // namespace dm::testing
