// Word I/O and the record cache: addressing, physical transfers counted,
// slot reuse order, write-back of reals, missing values and conversions.
#include "dm/dm.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <numeric>
#include <string>
#include <vector>

#include "dm/dm_test_support.h"
#include "dm/internal.h"

namespace dm::testing {
namespace {

using platform::testing::io_counts;
using platform::testing::reset_io_counts;

class CacheTest : public DmTest {
 protected:
  void SetUp() override {
    DmTest::SetUp();
    file_ = path();
    int iret = 0;
    create_small_file(file_, idmf_, iret);
    ASSERT_EQ(iret, 0);
    empty_cache();
    reset_io_counts();
  }
  std::int32_t word_on_disk(int word) {
    const std::vector<std::int32_t> w = file_words(file_);
    return static_cast<std::size_t>(word) <= w.size() ? w[static_cast<std::size_t>(word - 1)] : 0;
  }
  std::string file_;
  int idmf_ = 0;
};

TEST_F(CacheTest, WordAddressSplit) {
  int irec = 0, jword = 0, iret = 0;
  dm_word(1, irec, jword, iret);
  EXPECT_EQ(ints(irec, jword, iret), ints(1, 1, 0));
  dm_word(128, irec, jword, iret);
  EXPECT_EQ(ints(irec, jword), ints(1, 128));
  dm_word(129, irec, jword, iret);
  EXPECT_EQ(ints(irec, jword), ints(2, 1));
  dm_word(0, irec, jword, iret);
  EXPECT_EQ(iret, kDmBadArgument);
}

TEST_F(CacheTest, FileNumberChecks) {
  int iret = 0;
  for (int bad : {0, 2, 4, -1}) {
    dm_chkf(bad, iret);
    EXPECT_EQ(iret, kDmBadFile) << bad;
    dm_fwrt(bad, iret);
    EXPECT_EQ(iret, kDmBadFile) << bad;
  }
  dm_chkf(idmf_, iret);
  EXPECT_EQ(iret, 0);
}

TEST_F(CacheTest, IntegersAreWrittenThroughOneWritePerRecord) {
  std::vector<int> values(200);
  std::iota(values.begin(), values.end(), 1000);
  int iret = 0;
  dm_wint(idmf_, 100, 200, values, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(io_counts().record_writes, 3);  // 100..128, 129..256, 257..299
  const std::vector<std::int32_t> w = file_words(file_);
  EXPECT_EQ(w[98], 0);
  for (int i = 0; i < 200; ++i) ASSERT_EQ(w[static_cast<std::size_t>(99 + i)], 1000 + i);
  EXPECT_EQ(w[299], 0);  // word 300 untouched

  std::vector<int> back(200);
  dm_rint(idmf_, 100, 200, back, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(back, values);
  EXPECT_EQ(io_counts().record_reads, 3);  // the second access hits the cache

  // Nothing to do for no words.
  reset_io_counts();
  dm_wint(idmf_, 100, 0, values, iret);
  EXPECT_EQ(iret, 0);
  dm_rint(idmf_, 100, 0, back, iret);
  EXPECT_EQ(iret, 0);
  dm_wflt(idmf_, 100, 0, {}, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(io_counts().record_writes + io_counts().record_reads, 0);
  // Requests that would index outside the slot or the caller's array.
  dm_wint(idmf_, 0, 1, values, iret);
  EXPECT_EQ(iret, kDmBadArgument);
  dm_rint(idmf_, 5, 201, back, iret);
  EXPECT_EQ(iret, kDmBadArgument);
  dm_wint(4, 5, 1, values, iret);
  EXPECT_EQ(iret, kDmBadFile);
}

TEST_F(CacheTest, RealsReachTheFileOnFlushReuseOrALaterIntegerWrite) {
  const int beyond = 40 * 128 + 7;  // record 41, past the end of the file
  const std::array<float, 2> reals{1.5f, -2.25f};
  int iret = 0;
  dm_wflt(idmf_, beyond, 2, reals, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(io_counts().record_writes, 0);
  EXPECT_EQ(word_on_disk(beyond), 0);
  dm_fwrt(idmf_, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(io_counts().record_writes, 1);
  EXPECT_EQ(word_on_disk(beyond), real_word(1.5f));
  EXPECT_EQ(word_on_disk(beyond + 1), real_word(-2.25f));
  EXPECT_EQ(word_on_disk(beyond - 1), 0);  // the rest of the new record is zeros
  EXPECT_EQ(word_on_disk(41 * 128), 0);
  for (int s : gmdm.icdrty) EXPECT_EQ(s, 0);
  dm_fwrt(idmf_, iret);  // nothing left to write
  EXPECT_EQ(io_counts().record_writes, 1);

  // An integer write into the same record carries the reals with it.
  const std::array<float, 1> r{7.0f};
  dm_wflt(idmf_, beyond + 10, 1, r, iret);
  const std::array<int, 1> i{42};
  dm_wint(idmf_, beyond + 20, 1, i, iret);
  EXPECT_EQ(io_counts().record_writes, 2);
  EXPECT_EQ(word_on_disk(beyond + 10), real_word(7.0f));
  EXPECT_EQ(word_on_disk(beyond + 20), 42);
}

TEST_F(CacheTest, NinthRecordReusesSlotOneAfterWritingItBack) {
  const std::array<float, 1> r{3.0f};
  int iret = 0;
  for (int k = 0; k < 8; ++k) {  // records 101..108 fill slots 1..8
    dm_wflt(idmf_, (100 + k) * 128 + 1, 1, r, iret);
    EXPECT_EQ(gmdm.icrec[static_cast<std::size_t>(k)], 101 + k);
  }
  EXPECT_EQ(io_counts().record_writes, 0);
  dm_wflt(idmf_, 108 * 128 + 1, 1, r, iret);  // record 109
  EXPECT_EQ(gmdm.icnext, 1);
  EXPECT_EQ(gmdm.icrec[0], 109);
  // Record 101 went out first, and the dirty records 102..108 that follow it
  // went with it, in one system call; every slot is clean now.
  EXPECT_EQ(io_counts().record_writes, 8);
  EXPECT_EQ(io_counts().write_calls, 1);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(word_on_disk((100 + k) * 128 + 1), real_word(3.0f)) << k;
  for (std::size_t s = 1; s < gmdm.icdrty.size(); ++s) EXPECT_EQ(gmdm.icdrty[s], 0) << s;

  // A clean slot is reused without a write.
  dm_fwrt(idmf_, iret);
  reset_io_counts();
  int islot = 0, iflerr = 0;
  dm_rrec(idmf_, 3, islot, iflerr, iret);
  EXPECT_EQ(islot, 2);
  EXPECT_EQ(io_counts().record_writes, 0);
  EXPECT_EQ(io_counts().record_reads, 1);
  // A hit touches neither the file nor the round-robin position.
  dm_rrec(idmf_, 109, islot, iflerr, iret);
  EXPECT_EQ(islot, 1);
  EXPECT_EQ(gmdm.icnext, 2);
  EXPECT_EQ(io_counts().record_reads, 1);
}

TEST_F(CacheTest, TwoFilesShareTheCacheWithoutMixing) {
  const std::string other = path("other");
  int idmf2 = 0, iret = 0;
  create_small_file(other, idmf2, iret);
  ASSERT_EQ(iret, 0);
  const std::array<float, 1> a{11.0f}, b{22.0f};
  dm_wflt(idmf_, 700, 1, a, iret);
  dm_wflt(idmf2, 700, 1, b, iret);
  dm_fwrt(idmf2, iret);
  EXPECT_EQ(file_words(other)[699], real_word(22.0f));
  EXPECT_EQ(word_on_disk(700), 0);  // still only in the cache
  dm_clos(idmf_, iret);             // flushes, then forgets the file's slots
  EXPECT_EQ(word_on_disk(700), real_word(11.0f));
  for (std::size_t s = 0; s < gmdm.icfile.size(); ++s) EXPECT_NE(gmdm.icfile[s], idmf_);
}

TEST_F(CacheTest, MissingValuesAreSubstitutedBothWays) {
  label(idmf_).imissv = -1234;
  label(idmf_).rmissv = -1.0f;
  const std::array<int, 3> written{-9999, 5, -1234};
  int iret = 0;
  dm_wint(idmf_, 1000, 3, written, iret);
  EXPECT_EQ(word_on_disk(1000), -1234);
  EXPECT_EQ(word_on_disk(1001), 5);
  std::array<int, 3> back{};
  dm_rint(idmf_, 1000, 3, back, iret);
  EXPECT_EQ(as_vector(back), ints(-9999, 5, -9999));

  const std::array<float, 3> reals{-9999.05f, -9999.2f, -9998.95f};
  dm_wflt(idmf_, 1010, 3, reals, iret);
  dm_fwrt(idmf_, iret);
  EXPECT_EQ(word_on_disk(1010), real_word(-1.0f));
  EXPECT_EQ(word_on_disk(1011), real_word(-9999.2f));
  EXPECT_EQ(word_on_disk(1012), real_word(-1.0f));

  // With the default missing values nothing is replaced.
  label(idmf_).imissv = -9999;
  label(idmf_).rmissv = -9999.0f;
  const std::array<int, 1> m{-9999};
  dm_wint(idmf_, 1020, 1, m, iret);
  EXPECT_EQ(word_on_disk(1020), -9999);
}

TEST_F(CacheTest, OtherMachineTypesAreConvertedOnTheWay) {
  int iret = 0;
  // Integers byte-reversed on the way out and back in.
  label(idmf_).mchtyp = 7;
  label(idmf_).kifrm = 1;
  const std::array<int, 1> v{0x01020304};
  dm_wint(idmf_, 1100, 1, v, iret);
  EXPECT_EQ(word_on_disk(1100), 0x04030201);
  std::array<int, 1> back{};
  dm_rint(idmf_, 1100, 1, back, iret);
  EXPECT_EQ(back[0], 0x01020304);

  // VAX: reals reversed into big-endian IEEE, then turned into F-floating.
  label(idmf_).mchtyp = 2;
  label(idmf_).kifrm = 0;
  const std::array<float, 1> one{1.0f};
  dm_wflt(idmf_, 1110, 1, one, iret);
  EXPECT_EQ(iret, 0);
  dm_fwrt(idmf_, iret);
  const std::array<unsigned char, 4> vax_one{0x80, 0x40, 0x00, 0x00};
  EXPECT_EQ((std::bit_cast<std::array<unsigned char, 4>>(word_on_disk(1110))), vax_one);

  // A real-form flag alone means byte reversal.
  label(idmf_).mchtyp = 5;
  label(idmf_).kffrm = 1;
  dm_wflt(idmf_, 1120, 1, one, iret);
  dm_fwrt(idmf_, iret);
  EXPECT_EQ(word_on_disk(1120), 0x0000803F);

  // No rule for machine type 5 without flags: refused before any slot is touched.
  label(idmf_).kffrm = 0;
  empty_cache();
  dm_wflt(idmf_, 1130, 1, one, iret);
  EXPECT_EQ(iret, kDmNoConversion);
  for (int s : gmdm.icfile) EXPECT_EQ(s, 0);
}

TEST_F(CacheTest, FailedTransfersAreReportedAndTheRestGoesOn) {
  platform::testing::capture_stdout(true);
  const int lun = iflun(idmf_);
  platform::testing::fail_nth(platform::testing::Op::kRecordWrite, lun, 2, EIO);
  std::vector<int> values(200, 9);
  int iret = 0;
  dm_wint(idmf_, 100, 200, values, iret);
  EXPECT_EQ(iret, kDmWriteFailed);
  EXPECT_EQ(io_counts().record_writes, 2);  // the failed one is not counted as done
  EXPECT_EQ(platform::testing::take_stdout().rfind(" [FL ", 0), 0u);
  EXPECT_EQ(word_on_disk(100), 9);
  EXPECT_EQ(word_on_disk(257), 9);  // the record after the failure was still written

  // A failed write-back still leaves the slot clean (invariant after flush).
  const std::array<float, 1> r{1.0f};
  dm_wflt(idmf_, 100, 1, r, iret);
  platform::testing::fail_nth(platform::testing::Op::kRecordWrite, lun, 1, EIO);
  dm_fwrt(idmf_, iret);
  EXPECT_EQ(iret, kDmWriteFailed);
  for (int s : gmdm.icdrty) EXPECT_EQ(s, 0);
  platform::testing::take_stdout();

  // Reading past the end stops with -7 and a message; the record is then cached as zeros.
  std::array<int, 2> back{-1, -1};
  dm_rint(idmf_, 128 * 500 + 1, 2, back, iret);
  EXPECT_EQ(iret, kDmReadFailed);
  EXPECT_EQ(as_vector(back), ints(-1, -1));  // not filled
  EXPECT_EQ(platform::testing::take_stdout().rfind(" [FL ", 0), 0u);
  dm_rint(idmf_, 128 * 500 + 1, 2, back, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(as_vector(back), ints(0, 0));
}

// Modified words lost when their slot is reused for a fetch: dm_rrec's caller
// never hears of it, so the file's next flush must (once).
TEST_F(CacheTest, WriteBackLostDuringAFetchFailsTheNextFlush) {
  platform::testing::capture_stdout(true);
  const std::array<float, 1> r{5.0f};
  int iret = 0;
  dm_wflt(idmf_, 100 * 128 + 1, 1, r, iret);  // record 101, slot 1, modified
  platform::testing::fail_nth(platform::testing::Op::kRecordWrite, iflun(idmf_), 1, ENOSPC);
  int islot = 0;
  int iflerr = 0;
  for (int irec = 1; irec <= 7; ++irec) dm_rrec(idmf_, irec, islot, iflerr, iret);
  EXPECT_EQ(islot, 8);
  dm_rrec(idmf_, 8, islot, iflerr, iret);  // reuses slot 1: the write-back fails
  EXPECT_EQ(islot, 1);
  EXPECT_NE(iret, kDmWriteFailed);  // the fetch itself does not tell
  EXPECT_EQ(platform::testing::take_stdout().rfind(" [FL 28]", 0), 0u);
  EXPECT_EQ(word_on_disk(100 * 128 + 1), 0);

  dm_fwrt(idmf_, iret);
  EXPECT_EQ(iret, kDmWriteFailed);
  dm_fwrt(idmf_, iret);
  EXPECT_EQ(iret, 0);
  platform::testing::capture_stdout(false);
}

// A record within the file that cannot be read must not be rewritten from
// zeros: its other words stay on disk, the write reports the failure (integers
// at once, reals at the next flush), and a later fetch reads the disk again.
TEST_F(CacheTest, UnreadableRecordIsNotOverwritten) {
  platform::testing::capture_stdout(true);
  std::vector<int> values(128);
  std::iota(values.begin(), values.end(), 1);
  int iret = 0;
  dm_wint(idmf_, 20 * 128 + 1, 128, values, iret);  // record 21, whole
  ASSERT_EQ(iret, 0);
  empty_cache();

  const std::array<int, 1> one{-5};
  platform::testing::fail_nth(platform::testing::Op::kRecordRead, iflun(idmf_), 1, EIO);
  dm_wint(idmf_, 20 * 128 + 2, 1, one, iret);
  EXPECT_EQ(iret, kDmWriteFailed);
  EXPECT_EQ(platform::testing::take_stdout().rfind(" [FL 5]", 0), 0u);
  EXPECT_EQ(word_on_disk(20 * 128 + 1), 1);
  EXPECT_EQ(word_on_disk(20 * 128 + 2), 2);
  EXPECT_EQ(word_on_disk(20 * 128 + 128), 128);

  const std::array<float, 1> r{7.5f};
  platform::testing::fail_nth(platform::testing::Op::kRecordRead, iflun(idmf_), 1, EIO);
  dm_wflt(idmf_, 20 * 128 + 3, 1, r, iret);
  EXPECT_EQ(iret, 0);
  dm_fwrt(idmf_, iret);
  EXPECT_EQ(iret, kDmWriteFailed);
  EXPECT_EQ(word_on_disk(20 * 128 + 3), 3);

  // Readable again: the write goes in beside the words already there.
  dm_wint(idmf_, 20 * 128 + 2, 1, one, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(word_on_disk(20 * 128 + 1), 1);
  EXPECT_EQ(word_on_disk(20 * 128 + 2), -5);
  EXPECT_EQ(word_on_disk(20 * 128 + 3), 3);
  platform::testing::take_stdout();
  platform::testing::capture_stdout(false);
}

TEST_F(CacheTest, BrokenInvariantsAreCaughtInDebugBuilds) {
  int iret = 0;
  // (2): two slots holding the same record.
  gmdm.icfile[0] = gmdm.icfile[1] = idmf_;
  gmdm.icrec[0] = gmdm.icrec[1] = 5;
  EXPECT_DEBUG_DEATH(dm_fwrt(idmf_, iret), "");
  gmdm.icfile[1] = 0;
  // (1): a dirty slot that holds no file.
  gmdm.icdrty[2] = 1;
  EXPECT_DEBUG_DEATH(dm_fwrt(idmf_, iret), "");
  gmdm.icdrty[2] = 0;
}

}  // namespace

// Dirty records go out in runs of consecutive records, one system call each,
// and each record is still written or failed on its own: a failure stops the
// run at that record (one message), the records after it wait for their turn.
TEST_F(CacheTest, DirtyRecordsGoOutInRunsAndAFailureStopsTheRun) {
  platform::testing::capture_stdout(true);
  std::vector<float> values(8 * 128, 2.5f);
  int iret = 0;
  dm_wflt(idmf_, 200 * 128 + 1, 8 * 128, values, iret);  // records 201..208, all dirty
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(io_counts().record_writes, 0);
  platform::testing::fail_nth(platform::testing::Op::kRecordWrite, iflun(idmf_), 3, ENOSPC);
  int islot = 0, iflerr = 0;
  dm_rrec(idmf_, 1, islot, iflerr, iret);  // reuses slot 1 (record 201): a run from 201
  EXPECT_EQ(islot, 1);
  EXPECT_EQ(io_counts().record_writes, 2);  // 201 and 202; 203 failed
  EXPECT_EQ(io_counts().write_calls, 1);
  const std::string out = platform::testing::take_stdout();
  EXPECT_EQ(out.rfind(" [FL 28]", 0), 0u);
  EXPECT_EQ(out.find("[FL", 2), std::string::npos);  // one message, for 203
  EXPECT_EQ(word_on_disk(200 * 128 + 1), real_word(2.5f));
  EXPECT_EQ(word_on_disk(201 * 128 + 128), real_word(2.5f));
  for (int irec = 203; irec <= 208; ++irec) {
    EXPECT_EQ(dm::dirty_slot_of(idmf_, irec) != 0, irec > 203) << irec;
  }

  // The flush: the lost record fails it; 204..208 go out in one call.
  reset_io_counts();
  dm_fwrt(idmf_, iret);
  EXPECT_EQ(iret, kDmWriteFailed);
  EXPECT_EQ(io_counts().record_writes, 5);
  EXPECT_EQ(io_counts().write_calls, 1);
  EXPECT_EQ(word_on_disk(202 * 128 + 1), 0);  // 203's words were lost
  for (int irec = 204; irec <= 208; ++irec) {
    EXPECT_EQ(word_on_disk((irec - 1) * 128 + 77), real_word(2.5f)) << irec;
  }

  // Records not next to each other: one call per run, in record order.
  reset_io_counts();
  const std::array<float, 1> r{4.0f};
  for (const int irec : {305, 301, 302}) dm_wflt(idmf_, (irec - 1) * 128 + 1, 1, r, iret);
  dm_fwrt(idmf_, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(io_counts().record_writes, 3);
  EXPECT_EQ(io_counts().write_calls, 2);
  for (const int irec : {301, 302, 305})
    EXPECT_EQ(word_on_disk((irec - 1) * 128 + 1), real_word(4.0f));
  platform::testing::capture_stdout(false);
}

// Records beyond the end of the file are never read: a writer gets them as
// zeros without a read, and a record inside the file is read as before.
TEST_F(CacheTest, WritersDoNotReadRecordsBeyondTheEnd) {
  empty_cache();
  reset_io_counts();
  platform::testing::fail_nth(platform::testing::Op::kRecordRead, iflun(idmf_), 1, EIO);
  const std::array<float, 2> r{1.0f, 2.0f};
  int iret = 0;
  dm_wflt(idmf_, 900 * 128 + 127, 2, r, iret);  // records 900 and 901, beyond the end
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(io_counts().record_reads, 0);
  dm_fwrt(idmf_, iret);
  EXPECT_EQ(iret, 0);  // the armed read failure was never met
  EXPECT_EQ(word_on_disk(900 * 128 + 127), real_word(1.0f));
  EXPECT_EQ(word_on_disk(900 * 128 + 128), real_word(2.0f));
  EXPECT_EQ(word_on_disk(900 * 128 + 1), 0);
  platform::testing::clear_faults();
  empty_cache();
  dm_wflt(idmf_, 899 * 128 + 5, 1, r, iret);  // record 900 is in the file now: read
  EXPECT_EQ(io_counts().record_reads, 1);
  dm_fwrt(idmf_, iret);
  EXPECT_EQ(word_on_disk(899 * 128 + 5), real_word(1.0f));
  EXPECT_EQ(word_on_disk(900 * 128 + 127), real_word(1.0f));
}

}  // namespace dm::testing
