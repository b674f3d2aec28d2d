// Creation and closing: the layout on disk, word by word, and every refusal.
#include "dm/dm.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dm/dm_test_support.h"

namespace dm::testing {

std::int64_t file_bytes(const std::string& path) {
  return static_cast<std::int64_t>(std::filesystem::file_size(path));
}

namespace {

using CreateTest = DmTest;

TEST_F(CreateTest, GridFileOf400ColumnsHasTheWorkedLayout) {
  const std::string p = path();
  int idmf = 0, iret = 0;
  create_grid_file(p, 400, idmf, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(idmf, 1);
  EXPECT_EQ(file_bytes(p), 23552);  // records 1..46
  const std::vector<std::int32_t> w = file_words(p);
  ASSERT_EQ(w.size(), 46u * 128u);
  auto at = [&](int word) { return w[static_cast<std::size_t>(word - 1)]; };

  // The label, word by word.
  const char* text = "MORLIX DATA MANAGEMENT FILE ";
  for (int i = 0; i < 7; ++i) EXPECT_EQ(at(1 + i), chars_word(std::string_view(text + 4 * i, 4)));
  const std::array<int, 23> expected{1,    2,   268, 1,    1, 257, 769, 400,   10, 258, 771, 1,
                                     5249, 129, 128, 5377, 3, 6,   8,   -9999, 0,  0,   0};
  for (int i = 0; i < 23; ++i)
    EXPECT_EQ(at(8 + i), expected[static_cast<std::size_t>(i)]) << "word " << 8 + i;
  EXPECT_EQ(static_cast<std::uint32_t>(at(31)), 0xC61C3C00u);
  for (int word = 32; word <= 128; ++word) EXPECT_EQ(at(word), 0) << "word " << word;

  // Free-space block: next free word 5889, capacity 62, empty list.
  EXPECT_EQ(at(129), 5889);
  EXPECT_EQ(at(130), 62);
  EXPECT_EQ(at(131), 0);
  EXPECT_EQ(at(132), 0);

  // Keys and file-header definitions, then zeroed areas (274..659).
  EXPECT_EQ(at(257), chars_word("GRID"));
  EXPECT_EQ(at(258), chars_word("GDT1"));
  EXPECT_EQ(at(267), chars_word("GPM3"));
  EXPECT_EQ(at(268), chars_word("NAVB"));
  EXPECT_EQ(at(269), chars_word("ANLB"));
  EXPECT_EQ(at(270), 256);
  EXPECT_EQ(at(271), 128);
  EXPECT_EQ(at(272), 1);
  EXPECT_EQ(at(273), 1);
  for (int word = 274; word <= 768; ++word) EXPECT_EQ(at(word), 0) << "word " << word;

  // Row header (2 words) and 400 column headers (11 words each): all -9999.
  for (int word = 769; word < 771 + 400 * 11; ++word) ASSERT_EQ(at(word), -9999) << word;
  EXPECT_EQ(at(771 + 400 * 11), 0);

  // Part definitions: name, header length, type, count, parameter, scale, offset, bits.
  EXPECT_EQ(at(5249), chars_word("GRID"));
  EXPECT_EQ(at(5250), 4);
  EXPECT_EQ(at(5251), 5);
  EXPECT_EQ(at(5252), 1);
  EXPECT_EQ(at(5253), chars_word("GRID"));
  // The data pointer table is zero to the end of record 46.
  for (int word = 5254; word <= 46 * 128; ++word) ASSERT_EQ(at(word), 0) << word;

  // The memory copy agrees with the file.
  EXPECT_EQ(label(idmf).datbeg, 5377);
  EXPECT_EQ(free_space(idmf).ifnext, 5889);
}

TEST_F(CreateTest, SmallestFileIsSixRecords) {
  const std::string p = path();
  int idmf = 0, iret = 0;
  create_small_file(p, idmf, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(file_bytes(p), 3072);
  const std::vector<std::int32_t> w = file_words(p);
  EXPECT_EQ(w[9], 259);    // fhdbeg
  EXPECT_EQ(w[13], 385);   // rhdbeg
  EXPECT_EQ(w[17], 387);   // chdbeg
  EXPECT_EQ(w[19], 513);   // prtbeg
  EXPECT_EQ(w[22], 641);   // datbeg
  EXPECT_EQ(w[128], 769);  // first free word
  EXPECT_EQ(w[8], 0);      // no file headers
}

TEST_F(CreateTest, SectionEndingOnARecordEndIsFollowedByTheNextRecord) {
  // 1 row key, 1 column key; 127 columns: row header at 385 (2 words), column
  // headers 387..640, so the part definitions start at 641 exactly.
  const std::string p = path();
  int idmf = 0, iret = 0;
  create_small_file(p, idmf, iret, 127);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(label(idmf).prtbeg, 641);
  create_small_file(path("b"), idmf, iret, 128);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(label(idmf).prtbeg, 769);
}

TEST_F(CreateTest, NamesAreCutOrPaddedToFourCharacters) {
  const std::string p = path();
  const std::array<std::string_view, 1> rkey{"RO"}, ckey{"COLUMN"}, prt{"PARTNAME"}, prm{"P"};
  const std::array<int, 1> one{1}, zero{0};
  int idmf = 0, iret = 0;
  dm_cret(literal(p), 1, 1, 0, {}, {}, {}, 1, 1, rkey, 1, 1, ckey, 1, prt, zero, one, one, 1, prm,
          zero, zero, zero, idmf, iret);
  ASSERT_EQ(iret, 0);
  const std::vector<std::int32_t> w = file_words(p);
  EXPECT_EQ(w[256], chars_word("RO  "));
  EXPECT_EQ(w[257], chars_word("COLU"));
  EXPECT_EQ(w[512], chars_word("PART"));
  EXPECT_EQ(w[516], chars_word("P   "));
}

TEST_F(CreateTest, FileNumbersAreClaimedLowestFirstAndFreedByClosing) {
  int idmf = 0, iret = 0;
  for (int expect = 1; expect <= 3; ++expect) {
    create_small_file(path(std::to_string(expect)), idmf, iret);
    ASSERT_EQ(iret, 0);
    EXPECT_EQ(idmf, expect);
  }
  create_small_file(path("4"), idmf, iret);
  EXPECT_EQ(iret, kDmNoFileNumber);
  dm_getf(idmf, iret);
  EXPECT_EQ(iret, kDmNoFileNumber);

  dm_clos(2, iret);
  EXPECT_EQ(iret, 0);
  dm_clos(2, iret);
  EXPECT_EQ(iret, kDmBadFile);
  dm_chkf(2, iret);
  EXPECT_EQ(iret, kDmBadFile);
  dm_getf(idmf, iret);
  EXPECT_EQ(idmf, 2);
  create_small_file(path("5"), idmf, iret);
  EXPECT_EQ(idmf, 2);
  dm_clos(0, iret);
  EXPECT_EQ(iret, kDmBadFile);
  dm_cnst(4, 0, 1, 1, iret);
  EXPECT_EQ(iret, kDmBadFile);
}

TEST_F(CreateTest, CountsOutsideTheirLimitsAreRefused) {
  struct Layout {
    int nfhdrs = 0, nrow = 1, nrkeys = 1, ncol = 1, nckeys = 1, nprt = 1, maxprm = 1, nparm = 1;
    int ifhlen = 1, idthdr = 0;
  };
  auto create = [&](const Layout& c, const std::string& tag) {
    const std::vector<std::string_view> names(40 * 21, "NAME");
    const std::vector<int> fhlen(11, c.ifhlen), fhtyp(11, 1), hdr(21, c.idthdr), typ(21, 1),
        np(21, c.nparm), zero(40 * 21, 0);
    int idmf = 0, iret = 0;
    dm_cret(literal(path(tag)), 1, 1, c.nfhdrs, names, fhlen, fhtyp, c.nrow, c.nrkeys, names,
            c.ncol, c.nckeys, names, c.nprt, names, hdr, typ, np, c.maxprm, names, zero, zero, zero,
            idmf, iret);
    if (iret == 0) dm_clos(idmf, iret);
    return iret;
  };
  auto with = [](auto change) {
    Layout c;
    change(c);
    return c;
  };
  EXPECT_EQ(create(with([](Layout& c) { c.nrow = 1, c.ncol = 9999; }), "a"), 0);
  EXPECT_EQ(create(with([](Layout& c) { c.nrow = 2, c.ncol = 9999; }), "b"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.nrow = 0; }), "c"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.ncol = 0; }), "d"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.nprt = 20; }), "e"), 0);
  EXPECT_EQ(create(with([](Layout& c) { c.nprt = 21; }), "f"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.nprt = 0; }), "g"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.maxprm = 40; }), "h"), 0);
  EXPECT_EQ(create(with([](Layout& c) { c.maxprm = 41; }), "i"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.nrkeys = 12, c.nckeys = 12; }), "j"), 0);
  EXPECT_EQ(create(with([](Layout& c) { c.nrkeys = 13; }), "k"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.nckeys = 13; }), "l"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.nfhdrs = 10; }), "m"), 0);
  EXPECT_EQ(create(with([](Layout& c) { c.nfhdrs = 11; }), "n"), kDmBadLayout);
  // Negative counts and lengths, and more parameters than maxprm.
  EXPECT_EQ(create(with([](Layout& c) { c.nfhdrs = -1; }), "o"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.nrkeys = -1; }), "p"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.nckeys = -1; }), "q"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.nparm = 2; }), "r"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.nparm = -1; }), "s"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.nfhdrs = 1, c.ifhlen = -5; }), "t"), kDmBadLayout);
  EXPECT_EQ(create(with([](Layout& c) { c.idthdr = -1; }), "u"), kDmBadLayout);
  // A refused layout creates no file and claims no number.
  EXPECT_FALSE(platform::file_exists(path("b")));
  int idmf = 0, iret = 0;
  dm_getf(idmf, iret);
  EXPECT_EQ(idmf, 1);
}

TEST_F(CreateTest, ExistingFileIsReportedUnderFL) {
  const std::string p = path();
  int idmf = 0, iret = 0;
  create_small_file(p, idmf, iret);
  ASSERT_EQ(iret, 0);
  platform::testing::capture_stdout(true);
  create_small_file(p, idmf, iret);
  EXPECT_EQ(iret, kDmCreateFailed);
  const std::string out = platform::testing::take_stdout();
  EXPECT_EQ(out.rfind(" [FL ", 0), 0u) << out;
  EXPECT_NE(out.find(p), std::string::npos) << out;
  int next = 0;
  dm_getf(next, iret);
  EXPECT_EQ(next, 2);  // nothing claimed
}

TEST_F(CreateTest, FailedWriteReleasesTheFileNumber) {
  platform::testing::capture_stdout(true);
  // Unit 11 is the one the file will get; its third record write fails.
  platform::testing::fail_nth(platform::testing::Op::kRecordWrite, 11, 3, 5);
  int idmf = 0, iret = 0;
  create_small_file(path(), idmf, iret);
  EXPECT_EQ(iret, kDmWriteFailed);
  EXPECT_EQ(platform::testing::take_stdout().rfind(" [FL ", 0), 0u);
  dm_chkf(idmf, iret);
  EXPECT_EQ(iret, kDmBadFile);
  for (int s : gmdm.icfile) EXPECT_EQ(s, 0);
  create_small_file(path("again"), idmf, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(idmf, 1);
}

TEST_F(CreateTest, FailedPackingSetupReleasesOnlyItsOwnDescriptors) {
  const std::array<std::string_view, 2> prt{"REAL", "PACK"};
  const std::array<std::string_view, 2> prm{"PRMA", "PRMB"};
  const std::array<std::string_view, 1> key{"KEYS"};
  const std::array<int, 2> hdr{0, 0}, zero{0, 0}, counts{1, 1}, bits{8, 8};
  const std::array<int, 2> real_then_packed{1, 4};
  int a = 0, x = 0, y = 0, z = 0, iret = 0;
  create_small_file(path("a"), a, iret);  // number 1
  // File X on number 2 leaves its second part, of type 4, (descriptor 1) in the tables of number 2.
  dm_cret(literal(path("x")), 1, 1, 0, {}, {}, {}, 1, 1, key, 1, 1, key, 2, prt, hdr,
          real_then_packed, counts, 1, prm, zero, zero, bits, x, iret);
  ASSERT_EQ(iret, 0);
  ASSERT_EQ(x, 2);
  EXPECT_EQ(part(x, 2).kpkno, 1);
  dm_clos(x, iret);
  dm_clos(a, iret);
  // File Z on number 1 now owns descriptor 1.
  dm_cret(literal(path("z")), 1, 1, 0, {}, {}, {}, 1, 1, key, 1, 1, key, 2, prt, hdr,
          real_then_packed, counts, 1, prm, zero, zero, bits, z, iret);
  ASSERT_EQ(iret, 0);
  ASSERT_EQ(z, 1);
  ASSERT_EQ(part(z, 2).kpkno, 1);
  // Y on number 2: its first part asks for 32 bits, which cannot be packed.
  const std::array<int, 2> packed_first{4, 4}, bad_bits{32, 8};
  platform::testing::capture_stdout(true);
  dm_cret(literal(path("y")), 1, 1, 0, {}, {}, {}, 1, 1, key, 1, 1, key, 2, prt, hdr, packed_first,
          counts, 1, prm, zero, zero, bad_bits, y, iret);
  EXPECT_EQ(iret, kDmPackSetup);
  const std::string out = platform::testing::take_stdout();
  EXPECT_EQ(out.rfind(" [DM -16]", 0), 0u) << out;
  EXPECT_NE(out.find("REAL"), std::string::npos) << out;
  dm_chkf(y, iret);
  EXPECT_EQ(iret, kDmBadFile);
  // Descriptor 1 still belongs to Z: the next one handed out is 2.
  const std::array<int, 1> s{0}, o{0}, b{8};
  int kdesc = 0, nwdrec = 0;
  dp_setp(1, s, o, b, kdesc, nwdrec, iret);
  EXPECT_EQ(kdesc, 2);
}

}  // namespace
}  // namespace dm::testing
