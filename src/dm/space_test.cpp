// Free space: allocation, merging, the sorted list and its mirror in the
// file, and the shared-file pre-extension.
#include "dm/dm.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "dm/dm_test_support.h"

namespace dm::testing {
namespace {

using Entries = std::vector<std::pair<int, int>>;  // (length, first word)

class SpaceTest : public DmTest {
 protected:
  void SetUp() override {
    DmTest::SetUp();
    file_ = path();
    int iret = 0;
    create_small_file(file_, idmf_, iret);  // first free word 769
    ASSERT_EQ(iret, 0);
  }
  Entries entries() {
    Entries out;
    const DmFreeSpace& fs = free_space(idmf_);
    for (int k = 0; k < fs.ifnfre; ++k) {
      out.emplace_back(fs.iffree[static_cast<std::size_t>(k)][0],
                       fs.iffree[static_cast<std::size_t>(k)][1]);
    }
    return out;
  }
  void give_back(int nwords, int istart) {
    int iret = -1;
    dm_afre(idmf_, nwords, istart, iret);
    EXPECT_EQ(iret, 0);
  }
  int take(int nwords) {
    int istart = 0, iret = -1;
    dm_gspc(idmf_, nwords, istart, iret);
    EXPECT_EQ(iret, 0);
    return istart;
  }
  std::string file_;
  int idmf_ = 0;
};

TEST_F(SpaceTest, FirstAllocationExtendsTheFileAndRewritesTheBlock) {
  EXPECT_EQ(take(10), 769);
  EXPECT_EQ(free_space(idmf_).ifnext, 779);
  const std::vector<std::int32_t> w = file_words(file_);
  EXPECT_EQ(w[128], 779);
  EXPECT_EQ(w[129], 62);
  EXPECT_EQ(w[130], 0);
  EXPECT_EQ(take(5), 779);
}

TEST_F(SpaceTest, BlocksGivenBackMergeWithTheirNeighbours) {
  give_back(50, 1000);
  give_back(30, 1050);
  EXPECT_EQ(entries(), (Entries{{80, 1000}}));
  give_back(20, 980);
  EXPECT_EQ(entries(), (Entries{{100, 980}}));
  // Both sides at once: 980..1079 and 1100..1109 joined by 1080..1099.
  give_back(10, 1100);
  give_back(5, 2000);
  give_back(20, 1080);
  EXPECT_EQ(entries(), (Entries{{130, 980}, {5, 2000}}));
  // Nothing to give back: nothing changes.
  give_back(0, 3000);
  EXPECT_EQ(entries().size(), 2u);
  // A block ending at the next free word stays listed; ifnext does not move back.
  const int ifnext = free_space(idmf_).ifnext;
  give_back(9, ifnext - 9);
  EXPECT_EQ(free_space(idmf_).ifnext, ifnext);
  EXPECT_EQ(entries().size(), 3u);
}

TEST_F(SpaceTest, BestFitTakesTheShortestBlockGivenBackLast) {
  give_back(40, 2000);
  give_back(25, 3000);
  give_back(25, 4000);
  EXPECT_EQ(take(20), 4000);
  EXPECT_EQ(entries(), (Entries{{40, 2000}, {25, 3000}, {5, 4020}}));
  // An exact fit removes the entry and gives nothing back.
  EXPECT_EQ(take(25), 3000);
  EXPECT_EQ(entries(), (Entries{{40, 2000}, {5, 4020}}));
  // Nothing fits: the file grows.
  EXPECT_EQ(take(41), 769);
  const std::vector<std::int32_t> w = file_words(file_);
  EXPECT_EQ(w[128], 810);
  EXPECT_EQ(w[130], 2);
  EXPECT_EQ(ints(w[132], w[133], w[134], w[135]), ints(40, 2000, 5, 4020));
  // The stale copy of the third entry is written too.
  EXPECT_EQ(ints(w[136], w[137]), ints(5, 4020));
}

TEST_F(SpaceTest, FullListDropsTheShortestBlock) {
  // 62 blocks of lengths 100, 99, ..., 39, 1000 words apart so none touch.
  for (int k = 0; k < 62; ++k) give_back(100 - k, 10000 + 1000 * k);
  ASSERT_EQ(free_space(idmf_).ifnfre, 62);
  take(1000000);  // from the end; writes the whole list
  std::vector<std::int32_t> w = file_words(file_);
  EXPECT_EQ(w[130], 62);
  for (int k = 0; k < 62; ++k) {
    EXPECT_EQ(w[static_cast<std::size_t>(132 + 2 * k)], 100 - k) << k;
    EXPECT_EQ(w[static_cast<std::size_t>(133 + 2 * k)], 10000 + 1000 * k) << k;
  }
  // Longer than the shortest: the shortest (39 at 71000) is lost.
  give_back(50, 90000);
  Entries e = entries();
  ASSERT_EQ(e.size(), 62u);
  EXPECT_EQ(e[50], (std::pair{50, 60000}));
  EXPECT_EQ(e[51], (std::pair{50, 90000}));
  EXPECT_EQ(e[61], (std::pair{40, 70000}));
  // No longer than the shortest: not recorded.
  give_back(40, 95000);
  EXPECT_EQ(entries(), e);
}

TEST_F(SpaceTest, RemovingAnEntryOutsideTheListChangesNothing) {
  give_back(10, 5000);
  give_back(20, 6000);
  int iret = -1;
  dm_efre(idmf_, 0, iret);
  EXPECT_EQ(iret, 0);
  dm_efre(idmf_, 3, iret);
  EXPECT_EQ(entries(), (Entries{{20, 6000}, {10, 5000}}));
  dm_efre(idmf_, 1, iret);
  EXPECT_EQ(entries(), (Entries{{10, 5000}}));
  // Requests for no words are refused and move nothing.
  int istart = -1;
  dm_gspc(idmf_, 0, istart, iret);
  EXPECT_EQ(iret, kDmBadArgument);
  EXPECT_EQ(istart, 0);
  EXPECT_EQ(entries(), (Entries{{10, 5000}}));
}

TEST_F(SpaceTest, SharedFilesArePreExtendedAhead) {
  dmfile.kshare[file_index(idmf_)] = 1;
  free_space(idmf_).ifnext = 990;
  platform::testing::reset_io_counts();
  EXPECT_EQ(take(10), 990);  // ends at word 1000, in record 8
  EXPECT_EQ(free_space(idmf_).ifextd, 7296);
  EXPECT_GE(file_bytes(file_), 56 * 512 + 4);                  // record 57 exists
  EXPECT_EQ(platform::testing::io_counts().record_writes, 2);  // record 57, free-space block

  platform::testing::reset_io_counts();
  EXPECT_EQ(take(6296), 1000);  // ends at 7296: no further extension
  EXPECT_EQ(free_space(idmf_).ifextd, 7296);
  EXPECT_EQ(platform::testing::io_counts().record_writes, 1);

  // Taken from the free list: never extends.
  give_back(100, 20000);
  platform::testing::reset_io_counts();
  EXPECT_EQ(take(50), 20000);
  EXPECT_EQ(platform::testing::io_counts().record_writes, 1);

  // The reopened unit still works, reads going through the shared read.
  const std::array<int, 1> v{77};
  int iret = 0;
  dm_wint(idmf_, 30000, 1, v, iret);
  empty_cache();
  std::array<int, 1> back{};
  dm_rint(idmf_, 30000, 1, back, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(back[0], 77);
}

TEST_F(SpaceTest, ReopenRefusesClosedFiles) {
  int iret = 0;
  dm_clop(idmf_, iret);
  EXPECT_EQ(iret, 0);
  dm_clop(3, iret);
  EXPECT_EQ(iret, kDmBadFile);
}

}  // namespace
}  // namespace dm::testing
