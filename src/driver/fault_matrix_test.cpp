// Failing I/O under a whole conversion. The same run of six grids (two times,
// two variables, one of them on two levels) is repeated with the k-th record
// write, record read, open or close failing, for every k the clean run
// reaches. Each time: the run ends (no crash) with the exit status that says
// what happened; the failure shows as a "[FL n]" line on standard output; and
// every grid whose progress lines gave a return code of 0 reads back whole
// through the grid reader from a file that passes the structure check.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "dm/dm.h"
#include "driver/convert.h"
#include "driver/convert_test_support.h"
#include "driver/text2grid.h"
#include "grid/gd.h"
#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

using platform::testing::Op;

constexpr int kNx = 3;
constexpr int kNy = 2;

// The grids of the run in input order: time, name, level, vertical coordinate.
struct GridId {
  std::string_view date;
  std::string_view name;
  int level;
  int vcode;
};
constexpr std::array<GridId, 6> kGrids = {{
    {"910823/1200", "TMPK", 850, 1},
    {"910823/1200", "TMPK", 500, 1},
    {"910823/1200", "PMSL", 0, 0},
    {"910823/1800", "TMPK", 850, 1},
    {"910823/1800", "TMPK", 500, 1},
    {"910823/1800", "PMSL", 0, 0},
}};

// Value k (from 0, in input order) of grid g.
float input_value(std::size_t g, std::size_t k) {
  return static_cast<float>(g + 1) * 100.0f + static_cast<float>(k) + 0.25f;
}

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
  int cref_iret = 0;
  std::vector<int> grid_irets;  // from the "GD_WDAT1" lines, in input order
};

// The failure points tried out of `n`: every one of the first 40 and the last
// 120 (the end of creation and every grid), and every 25th between them,
// where creation fills the column headers and the pointer table record by
// record alike.
std::vector<std::int64_t> failure_points(std::int64_t n) {
  std::vector<std::int64_t> ks;
  for (std::int64_t k = 1; k <= n; ++k) {
    if (k <= 40 || k > n - 120 || k % 25 == 0) ks.push_back(k);
  }
  return ks;
}

class FaultMatrixTest : public convert_test::ConversionFixture {
 protected:
  void SetUp() override {
    std::string values;
    for (std::size_t g = 0; g < kGrids.size(); ++g) {
      for (std::size_t k = 0; k < kNx * kNy; ++k)
        values += std::to_string(input_value(g, k)) + "\n";
    }
    prepare("fault_matrix", values);
  }

  // One whole run into a fresh output file, with whatever fault is armed.
  Outcome run() {
    std::filesystem::remove(out_);
    platform::testing::set_stdin(convert_test::stage_one(kNx, kNy, in_, out_, 0, 2, 2) +
                                 "910823/1200\n910823/1800\nTMPK\nPMSL\n"
                                 "2\n1\n0\n850 500\n"
                                 "1\n0\n0\n0\n");
    platform::testing::take_stdout();
    platform::testing::take_stderr();
    platform::testing::reset_io_counts();
    Outcome o;
    o.status = driver::run_text2grid();
    platform::testing::clear_faults();
    o.out = platform::testing::take_stdout();
    o.err = platform::testing::take_stderr();
    std::istringstream lines(o.out);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind(" GD_CREF: iret = ", 0) == 0) o.cref_iret = std::stoi(line.substr(17));
      if (line.rfind(" GD_WDAT1: iret = ", 0) == 0)
        o.grid_irets.push_back(std::stoi(line.substr(18)));
    }
    return o;
  }

  // The grids reported written are in the file, whole, and the file is sound.
  void expect_written_grids_intact(const Outcome& o, const std::string& context) {
    SCOPED_TRACE(context);
    if (o.cref_iret != 0) return;  // no grid file: every grid was refused
    std::array<char, 200> msgtxt{};
    int iret = 0;
    dm_chck(out_, msgtxt, iret);
    EXPECT_EQ(iret, 0) << std::string_view(msgtxt.data(), msgtxt.size());

    int gfnum = 0;
    gd_open(out_, false, gfnum, iret);
    ASSERT_EQ(iret, 0);
    const std::string blank(20, ' ');
    for (std::size_t g = 0; g < o.grid_irets.size(); ++g) {
      if (o.grid_irets[g] != 0) continue;
      const GridId& id = kGrids[g];
      const std::string date(id.date);
      const std::array<std::string_view, 2> timpair{date, blank};
      const std::array<int, 2> levpair{id.level, -1};
      std::array<float, kNx * kNy> values{};
      std::array<int, 2> grdhdr{};
      int kx = 0;
      int ky = 0;
      gd_rdat(gfnum, timpair, levpair, id.vcode, id.name, values, kx, ky, grdhdr, iret);
      ASSERT_EQ(iret, 0) << "grid " << g + 1;
      ASSERT_EQ(kx, kNx);
      ASSERT_EQ(ky, kNy);
      // Input order is the top row first; the file holds the bottom row first.
      for (std::size_t j = 0; j < kNy; ++j) {
        for (std::size_t i = 0; i < kNx; ++i) {
          EXPECT_EQ(values[j * kNx + i], input_value(g, (kNy - 1 - j) * kNx + i))
              << "grid " << g + 1 << " row " << j + 1 << " column " << i + 1;
        }
      }
    }
    dm_clos(gfnum, iret);
  }

};

TEST_F(FaultMatrixTest, CleanRunWritesEveryGrid) {
  const Outcome o = run();
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.grid_irets, std::vector<int>(kGrids.size(), 0));
  expect_written_grids_intact(o, "clean run");
}

// Every record write of the run fails once, in turn: during creation the grid
// file is refused (GD_CREF -1), later the grid being written (-6, or the
// flush's code) or the final flush. Either way the run ends with status 1 and
// one summary line, and the grids reported as written are on disk.
TEST_F(FaultMatrixTest, EachFailingRecordWrite) {
  run();
  const std::int64_t nwrites = platform::testing::io_counts().record_writes;
  ASSERT_GT(nwrites, 6);
  int grid_failures = 0;
  for (const std::int64_t k : failure_points(nwrites)) {
    platform::testing::fail_nth(Op::kRecordWrite, -1, static_cast<int>(k), ENOSPC);
    const Outcome o = run();
    const std::string context = "write " + std::to_string(k) + " of " + std::to_string(nwrites);
    EXPECT_EQ(o.status, driver::kNotWrittenStatus) << context << "\n" << o.err;
    EXPECT_NE(o.out.find(" [FL 28]"), std::string::npos) << context;
    EXPECT_EQ(o.grid_irets.size(), kGrids.size()) << context;
    if (o.cref_iret != 0) {
      EXPECT_EQ(o.cref_iret, -1) << context;
      EXPECT_NE(o.out.find(" [GD -1]"), std::string::npos) << context;
      EXPECT_EQ(o.grid_irets, std::vector<int>(kGrids.size(), -4)) << context;
    } else {
      for (int iret : o.grid_irets) {
        if (iret != 0) {
          ++grid_failures;
          EXPECT_EQ(iret, -6) << context;
        }
      }
    }
    expect_written_grids_intact(o, context);
  }
  EXPECT_GE(grid_failures, 3);  // the matrix reached at least three grid writes
}

// A record read that fails (rather than finding the end of the file) must not
// make a later write put zeros over words already on disk.
TEST_F(FaultMatrixTest, EachFailingRecordRead) {
  run();
  const std::int64_t nreads = platform::testing::io_counts().record_reads;
  ASSERT_GT(nreads, 0);
  for (const std::int64_t k : failure_points(nreads)) {
    platform::testing::fail_nth(Op::kRecordRead, -1, static_cast<int>(k), EIO);
    const Outcome o = run();
    const std::string context = "read " + std::to_string(k) + " of " + std::to_string(nreads);
    if (o.status == 0) {
      // The read was of a record past the end of the file: nothing to lose.
      EXPECT_EQ(o.grid_irets, std::vector<int>(kGrids.size(), 0)) << context;
    } else {
      EXPECT_EQ(o.status, driver::kNotWrittenStatus) << context << "\n" << o.err;
      EXPECT_NE(o.out.find(" [FL 5]"), std::string::npos) << context;
    }
    expect_written_grids_intact(o, context);
  }
}

// Opens: the input file (status 2, nothing created), the grid file (status 1,
// nothing created), then the message files (messages without their text).
TEST_F(FaultMatrixTest, FailingOpens) {
  platform::testing::fail_nth(Op::kOpen, -1, 1, EACCES);
  Outcome o = run();
  EXPECT_EQ(o.status, driver::kBadInputStatus);
  EXPECT_NE(o.err.find("cannot open the input file"), std::string::npos) << o.err;
  EXPECT_FALSE(std::filesystem::exists(out_));

  platform::testing::fail_nth(Op::kOpen, -1, 2, ENOSPC);
  o = run();
  EXPECT_EQ(o.status, driver::kNotWrittenStatus);
  EXPECT_EQ(o.cref_iret, -1);
  EXPECT_NE(o.out.find(" [FL 28]"), std::string::npos) << o.out;
  EXPECT_EQ(o.grid_irets, std::vector<int>(kGrids.size(), -4));
  EXPECT_FALSE(std::filesystem::exists(out_));
}

// Closes come after every word is on disk: the grids stay whole.
TEST_F(FaultMatrixTest, FailingCloses) {
  for (int k = 1; k <= 3; ++k) {
    platform::testing::fail_nth(Op::kClose, -1, k, EIO);
    const Outcome o = run();
    const std::string context = "close " + std::to_string(k);
    EXPECT_TRUE(o.status == 0 || o.status == driver::kNotWrittenStatus) << context;
    EXPECT_EQ(o.grid_irets, std::vector<int>(kGrids.size(), 0)) << context;
    expect_written_grids_intact(o, context);
  }
}

}  // namespace
