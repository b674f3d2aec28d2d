// Row and column headers, key lookup, header search and file headers.
#include "dm/dm.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "dm/dm_test_support.h"

namespace dm::testing {
namespace {

class HeadersTest : public DmTest {
 protected:
  void SetUp() override {
    DmTest::SetUp();
    file_ = path();
    int iret = 0;
    create_grid_file(file_, 6, idmf_, iret);  // rhdbeg 769, chdbeg 771, 11-word column headers
    ASSERT_EQ(iret, 0);
  }
  // Ten identifier words whose first word is `tag`.
  static std::array<int, 10> ident(int tag) {
    std::array<int, 10> h{};
    for (int i = 0; i < 10; ++i) h[static_cast<std::size_t>(i)] = tag * 100 + i;
    return h;
  }
  int write_column(int icol, int tag, int expect_iret = 0) {
    int ipos = -1, iret = 0;
    dm_wclh(idmf_, icol, ident(tag), ipos, iret);
    EXPECT_EQ(iret, expect_iret);
    return ipos;
  }
  int find(int tag) {
    const std::array<int, 10> keyloc{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    int ipos = -1, iret = 0;
    dm_srch(idmf_, "COL", 10, keyloc, ident(tag), ipos, iret);
    EXPECT_EQ(iret, ipos == 0 ? kDmNotFound : 0);
    return ipos;
  }
  std::string file_;
  int idmf_ = 0;
};

TEST_F(HeadersTest, ColumnsAreTakenInOrderUntilNoneIsLeft) {
  for (int c = 1; c <= 6; ++c) EXPECT_EQ(write_column(0, c), c);
  EXPECT_EQ(write_column(0, 7, kDmNoFreeHeader), 0);
  // Integers are written through: column 3's header is on disk at once.
  const std::vector<std::int32_t> w = file_words(file_);
  const std::size_t c3 = 771 + 2 * 11 - 1;
  EXPECT_EQ(w[c3], 9999);
  EXPECT_EQ(w[c3 + 1], 300);
  EXPECT_EQ(w[c3 + 10], 309);
  EXPECT_EQ(w[c3 + 11], 9999);  // column 4 follows directly
  EXPECT_EQ(w[c3 + 12], 400);
  EXPECT_EQ(dmhdrs.klstcl[file_index(idmf_)], 6);
}

TEST_F(HeadersTest, RowAndColumnNumbersAreChecked) {
  EXPECT_EQ(write_column(7, 1, kDmBadRowCol), 0);
  EXPECT_EQ(write_column(-1, 1, kDmBadRowCol), 0);
  int ipos = -1, iret = 0;
  const std::array<int, 1> row{1};
  dm_wrwh(idmf_, 2, row, ipos, iret);
  EXPECT_EQ(iret, kDmBadRowCol);
  dm_wrwh(idmf_, 1, row, ipos, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(ipos, 1);
  EXPECT_EQ(file_words(file_)[768], 9999);
  EXPECT_EQ(file_words(file_)[769], 1);
  dm_wrwh(idmf_, 0, row, ipos, iret);  // the only row is in use
  EXPECT_EQ(iret, kDmNoFreeHeader);
  dm_wclh(idmf_, 0, std::array<int, 3>{}, ipos, iret);  // fewer values than keys
  EXPECT_EQ(iret, kDmBadArgument);

  // A file closed for writing refuses every writer.
  dmfile.kwrite[file_index(idmf_)] = 0;
  EXPECT_EQ(write_column(0, 1, kDmNotWritable), 0);
  dm_wrwh(idmf_, 1, row, ipos, iret);
  EXPECT_EQ(iret, kDmNotWritable);
  const std::array<float, 1> r{1.0f};
  dm_wfhr(idmf_, "NAVB", r, 1, iret);
  EXPECT_EQ(iret, kDmNotWritable);

  // And an unknown file number every routine.
  dm_wclh(2, 0, ident(1), ipos, iret);
  EXPECT_EQ(iret, kDmBadFile);
  dm_wrwh(0, 1, row, ipos, iret);
  EXPECT_EQ(iret, kDmBadFile);
  std::array<char, 3> type{};
  int loc = 0;
  dm_fkey(4, "GRID", type, loc, iret);
  EXPECT_EQ(iret, kDmBadFile);
  dm_srch(3, "COL", 0, {}, {}, ipos, iret);
  EXPECT_EQ(iret, kDmBadFile);
  dm_wfhr(3, "NAVB", r, 1, iret);
  EXPECT_EQ(iret, kDmBadFile);
}

TEST_F(HeadersTest, SearchFindsTheLowestColumnWrittenSoFar) {
  EXPECT_EQ(find(1), 0);  // nothing written yet
  EXPECT_EQ(write_column(5, 8), 5);
  EXPECT_EQ(write_column(0, 8), 1);  // the first unused column, the same identifier
  EXPECT_EQ(find(8), 1);
  EXPECT_EQ(write_column(1, 2), 1);  // overwritten by number
  EXPECT_EQ(find(8), 5);
  EXPECT_EQ(find(2), 1);
  EXPECT_EQ(find(3), 0);

  int ipos = -1, iret = 0;
  // No keys: the first header of the searched range, flag or not.
  dm_srch(idmf_, "COL", 0, {}, {}, ipos, iret);
  EXPECT_EQ(ipos, 1);
  // Position 0 compares the in-use flag; columns 2..4 are unused.
  const std::array<int, 1> flag{0};
  const std::array<int, 1> unused{-9999};
  dm_srch(idmf_, "COL", 1, flag, unused, ipos, iret);
  EXPECT_EQ(ipos, 2);
  // Rows: none written yet, then row 1.
  const std::array<int, 1> key1{1};
  const std::array<int, 1> value1{1};
  dm_srch(idmf_, "ROW", 1, key1, value1, ipos, iret);
  EXPECT_EQ(iret, kDmNotFound);
  dm_wrwh(idmf_, 1, value1, ipos, iret);
  dm_srch(idmf_, "ROW", 1, key1, value1, ipos, iret);
  EXPECT_EQ(ipos, 1);
  EXPECT_EQ(iret, 0);
  // Bad kinds and key positions.
  dm_srch(idmf_, "DIAG", 0, {}, {}, ipos, iret);
  EXPECT_EQ(iret, kDmNotFound);
  const std::array<int, 1> far{13};
  dm_srch(idmf_, "COL", 1, far, value1, ipos, iret);
  EXPECT_EQ(iret, kDmBadArgument);
}

TEST_F(HeadersTest, KeysAreFoundByNameRowsFirst) {
  std::array<char, 3> type{};
  int loc = -1, iret = 0;
  dm_fkey(idmf_, "GVCD", type, loc, iret);
  EXPECT_EQ(std::string(type.data(), 3), "COL");
  EXPECT_EQ(loc, 7);
  dm_fkey(idmf_, "GRID    ", type, loc, iret);
  EXPECT_EQ(std::string(type.data(), 3), "ROW");
  EXPECT_EQ(loc, 1);
  dm_fkey(idmf_, "GRIDX", type, loc, iret);
  EXPECT_EQ(iret, kDmNoKey);
  EXPECT_EQ(std::string(type.data(), 3), "   ");
  EXPECT_EQ(loc, 0);

  // A name among both lists is the row key.
  const std::string p = path("both");
  const std::array<std::string_view, 1> rows{"SAME"};
  const std::array<std::string_view, 2> cols{"COLO", "SAME"};
  const std::array<int, 1> one{1}, zero{0};
  const std::array<std::string_view, 1> prt{"PART"};
  int other = 0;
  dm_cret(literal(p), 1, 1, 0, {}, {}, {}, 1, 1, rows, 1, 2, cols, 1, prt, zero, one, one, 1, prt,
          zero, zero, zero, other, iret);
  ASSERT_EQ(iret, 0);
  dm_fkey(other, "SAME", type, loc, iret);
  EXPECT_EQ(std::string(type.data(), 3), "ROW");
}

TEST_F(HeadersTest, FileHeadersAreWrittenWithTheirLength) {
  std::vector<float> nav(257, 2.5f);
  int iret = 0;
  dm_wfhr(idmf_, "NAVB", nav, 256, iret);
  EXPECT_EQ(iret, 0);
  dm_wfhr(idmf_, "NAVB", nav, 257, iret);
  EXPECT_EQ(iret, kDmHeaderTooLong);
  dm_wfhr(idmf_, "NAVBX", nav, 1, iret);
  EXPECT_EQ(iret, kDmNoFileHeader);
  dm_wfhr(idmf_, "ANLB    ", nav, 0, iret);
  EXPECT_EQ(iret, 0);
  // The length word goes out at once, the reals on the flush.
  std::vector<std::int32_t> w = file_words(file_);
  EXPECT_EQ(w[273], 256);
  EXPECT_EQ(w[274], 0);
  dm_fwrt(idmf_, iret);
  w = file_words(file_);
  EXPECT_EQ(w[274], real_word(2.5f));
  EXPECT_EQ(w[529], real_word(2.5f));
  EXPECT_EQ(w[530], 0);  // ANLB's length word: 0 words stored
  EXPECT_EQ(w[531], 0);

  file_headers(idmf_).kfhtyp[1] = 2;
  dm_wfhr(idmf_, "ANLB", nav, 1, iret);
  EXPECT_EQ(iret, kDmBadType);
  label(idmf_).mchtyp = 7;
  dm_wfhr(idmf_, "NAVB", nav, 1, iret);
  EXPECT_EQ(iret, kDmNoConversion);
}

TEST_F(HeadersTest, CharacterKeysKeepTheirReadingOrderOnOtherMachines) {
  label(idmf_).mchtyp = 7;
  label(idmf_).kifrm = 1;
  std::array<int, 10> h = ident(1);
  h[7] = chars_word("TMPK");  // GPM1 holds characters
  int ipos = 0, iret = 0;
  dm_wclh(idmf_, 1, h, ipos, iret);
  ASSERT_EQ(iret, 0);
  const std::vector<std::int32_t> w = file_words(file_);
  EXPECT_EQ(w[771 - 1 + 8], chars_word("TMPK"));
  EXPECT_EQ(w[771 - 1 + 1], 0x64000000);                    // 100 byte-reversed
  EXPECT_EQ(header_slot(idmf_, 2)[8], chars_word("TMPK"));  // memory copy restored
}

}  // namespace
}  // namespace dm::testing
