// Crash consistency of whole conversions, judged the way a user meets the
// file: opened with the reader after the run, checked, listed and read back.
//  - Crash matrix: the run dies at file change k (that change and every later
//    one never reach the disk), for every k of a clean run, creation included.
//  - Full-disk matrix: the grid file may grow only to N bytes, N swept over
//    creation and every grid write, also sizes that are not whole records.
//  - The real program killed by SIGKILL at many changes, checked with
//    gridinfo --check and --dump.
// Each time the file is absent (the run died while creating it) or passes
// dm_chck and lists exactly the grids reported written, plus at most the
// grid in flight, each with exactly its values.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdio>
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
#include "platform/platform_test.h"
#include "strings/field.h"

namespace {

// Grids of several records each, so that a size limit falls inside each grid.
constexpr int kNx = 20;
constexpr int kNy = 15;

struct GridId {
  std::string_view date;
  std::string_view name;
  int level;
};
// Input order: times, then variables, then levels.
constexpr std::array<GridId, 6> kGrids = {{
    {"910823/1200", "TMPK", 850},
    {"910823/1200", "TMPK", 500},
    {"910823/1200", "PMSL", 0},
    {"910823/1800", "TMPK", 850},
    {"910823/1800", "TMPK", 500},
    {"910823/1800", "PMSL", 0},
}};

float input_value(std::size_t g, std::size_t k) {
  return static_cast<float>(g + 1) * 100.0f + static_cast<float>(k) + 0.5f;
}

std::ptrdiff_t count_lines_with(const std::string& out, std::string_view text) {
  std::istringstream lines(out);
  std::ptrdiff_t n = 0;
  for (std::string line; std::getline(lines, line);) n += line.find(text) != std::string::npos;
  return n;
}

// What the operator saw: GD_CREF's code and the GD_WDAT1 codes in order.
struct Seen {
  bool created = false;
  std::vector<int> grid_irets;
};

Seen parse(std::string_view out) {
  Seen s;
  std::istringstream lines{std::string(out)};
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(" GD_CREF: iret = ", 0) == 0) s.created = std::stoi(line.substr(17)) == 0;
    if (line.rfind(" GD_WDAT1: iret = ", 0) == 0)
      s.grid_irets.push_back(std::stoi(line.substr(18)));
  }
  return s;
}

class CrashMatrixTest : public convert_test::ConversionFixture {
 protected:
  void SetUp() override {
    std::string values;
    for (std::size_t g = 0; g < kGrids.size(); ++g) {
      for (std::size_t k = 0; k < kNx * kNy; ++k)
        values += std::to_string(input_value(g, k)) + "\n";
    }
    prepare("crash_matrix", values);
  }

  std::string answers() const {
    return convert_test::stage_one(kNx, kNy, in_, out_, 0, 2, 2) +
           "910823/1200\n910823/1800\nTMPK\nPMSL\n2\n1\n0\n850 500\n1\n0\n0\n0\n";
  }

  // Empties the folder but for the input, and runs a whole conversion.
  int run(std::string& out) {
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      if (e.path() != in_) std::filesystem::remove(e.path());
    }
    platform::testing::set_stdin(answers());
    platform::testing::take_stdout();
    platform::testing::take_stderr();
    const int status = driver::run_text2grid();
    out = platform::testing::take_stdout();
    platform::testing::take_stderr();
    return status;
  }

  // Files of the folder other than the input and the grid file.
  std::vector<std::string> leftovers() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      if (e.path() != in_ && e.path() != out_) names.push_back(e.path().filename().string());
    }
    return names;
  }

  // The file holds exactly the grids `reported` (input indices, in the order
  // written), or those and `in_flight` (-1: none) when it lists one more.
  void expect_file_holds(const std::vector<std::size_t>& reported, int in_flight,
                         const std::string& context) {
    SCOPED_TRACE(context);
    std::array<char, 200> msgtxt{};
    int iret = 0;
    dm_chck(out_, msgtxt, iret);
    ASSERT_EQ(iret, 0) << strings::as_view(msgtxt);
    int gfnum = 0;
    gd_open(out_, false, gfnum, iret);
    ASSERT_EQ(iret, 0);
    std::vector<std::size_t> listed;
    int ngrid = 0;
    gd_ngrd(gfnum, ngrid, iret);
    for (int igrid = 1; igrid <= ngrid; ++igrid) {
      std::array<char, 20> t1{}, t2{};
      std::array<int, 2> lev{};
      std::array<char, 12> name{};
      int vcode = 0;
      gd_gidn(gfnum, igrid, t1, t2, lev, vcode, name, iret);
      if (iret != 0) continue;  // an unused column
      const std::size_t k = listed.size();
      std::size_t g = k < reported.size() ? reported[k] : static_cast<std::size_t>(in_flight);
      ASSERT_TRUE(k < reported.size() || (k == reported.size() && in_flight >= 0))
          << "grid " << igrid << " is listed but was not reported written";
      EXPECT_EQ(strings::trim_right(strings::as_view(t1)), kGrids[g].date) << "grid " << igrid;
      EXPECT_EQ(strings::trim_right(strings::as_view(name)), kGrids[g].name) << "grid " << igrid;
      EXPECT_EQ(lev[0], kGrids[g].level) << "grid " << igrid;
      std::array<float, kNx * kNy> values{};
      std::array<int, 2> hdr{};
      int kx = 0, ky = 0;
      gd_rgrd(gfnum, igrid, values, kx, ky, hdr, iret);
      ASSERT_EQ(iret, 0) << "grid " << igrid;
      ASSERT_EQ(kx, kNx);
      ASSERT_EQ(ky, kNy);
      for (std::size_t j = 0; j < kNy; ++j) {
        for (std::size_t i = 0; i < kNx; ++i) {
          EXPECT_EQ(values[j * kNx + i], input_value(g, (kNy - 1 - j) * kNx + i))
              << "grid " << igrid << " row " << j + 1 << " column " << i + 1;
        }
      }
      listed.push_back(g);
    }
    EXPECT_GE(listed.size(), reported.size()) << "a grid reported written is missing";
    gd_clos(gfnum, iret);
  }

};

// Input indices of the grids reported 0, and the grid in flight after them.
void reported_grids(const Seen& s, std::vector<std::size_t>& reported, int& in_flight) {
  reported.clear();
  for (std::size_t g = 0; g < s.grid_irets.size(); ++g) {
    if (s.grid_irets[g] == 0) reported.push_back(g);
  }
  in_flight = s.grid_irets.size() < kGrids.size() ? static_cast<int>(s.grid_irets.size()) : -1;
}

TEST_F(CrashMatrixTest, EveryCrashPointLeavesASoundFile) {
  std::string out;
  platform::testing::reset_file_changes();
  ASSERT_EQ(run(out), 0);
  const std::int64_t nchanges = platform::testing::file_changes();
  ASSERT_GT(nchanges, 12);
  int files_with_grids = 0;
  int no_file = 0;
  for (std::int64_t k = 1; k <= nchanges + 1; ++k) {
    const std::string context =
        "crash at change " + std::to_string(k) + " of " + std::to_string(nchanges);
    platform::testing::crash_at_change(k);
    run(out);
    const bool crashed = platform::testing::crashed();
    const std::size_t mark = crashed ? platform::testing::stdout_at_crash() : out.size();
    platform::testing::clear_faults();
    EXPECT_EQ(crashed, k <= nchanges) << context;
    const Seen seen = parse(std::string_view(out).substr(0, mark));
    std::vector<std::size_t> reported;
    int in_flight = -1;
    reported_grids(seen, reported, in_flight);
    if (!std::filesystem::exists(out_)) {
      // Died while creating it: nothing was reported, and what is left
      // behind is only the recognisable temporary file.
      EXPECT_FALSE(seen.created) << context;
      for (const std::string& name : leftovers()) {
        EXPECT_NE(name.find("grids.grd.incomplete."), std::string::npos) << context << ": " << name;
      }
      ++no_file;
      continue;
    }
    EXPECT_EQ(reported.size(), seen.grid_irets.size()) << context;  // no grid failed
    if (!seen.created) in_flight = -1;                              // no grid can be in it yet
    expect_file_holds(reported, in_flight, context);
    if (!reported.empty()) ++files_with_grids;
    if (HasFatalFailure() || HasFailure()) break;  // one detailed failure is enough
  }
  EXPECT_GT(no_file, 0);
  EXPECT_GE(files_with_grids, 6);
}

// A creation that died leaves its temporary file; it does not block the next run.
TEST_F(CrashMatrixTest, LeftoverOfAKilledCreationDoesNotBlockARerun) {
  std::string out;
  platform::testing::crash_at_change(5);
  run(out);
  ASSERT_TRUE(platform::testing::crashed());
  platform::testing::clear_faults();
  ASSERT_FALSE(std::filesystem::exists(out_));
  // The leftover stays while the next run creates and fills the file.
  const std::string left = out_ + ".incomplete.1";
  convert_test::write_file(left, "partial");
  std::filesystem::remove(out_);
  platform::testing::set_stdin(answers());
  platform::testing::take_stdout();
  EXPECT_EQ(driver::run_text2grid(), 0);
  out = platform::testing::take_stdout();
  EXPECT_EQ(parse(out).grid_irets, std::vector<int>(kGrids.size(), 0));
  expect_file_holds({0, 1, 2, 3, 4, 5}, -1, "rerun");
  EXPECT_EQ(convert_test::read_file(left), "partial");
}

// The file may grow only to N bytes. Grids that do not fit fail with -6 and
// an [FL 28] line and are rolled back; the file stays sound, holds every grid
// reported written, and no partial record is left.
TEST_F(CrashMatrixTest, FullDiskAtEverySize) {
  std::string out;
  ASSERT_EQ(run(out), 0);
  const auto full = static_cast<std::int64_t>(std::filesystem::file_size(out_));
  const std::int64_t record = 512;
  const std::int64_t grid_bytes = 4 * (1 + 4 + 1 + kNx * kNy);
  std::vector<std::int64_t> sizes = {0, 100, 512, 513, 4096, 100000, 300000, 443904, 487000};
  // Around the end of creation and through every grid, also off record bounds.
  for (std::int64_t n = full - 6 * grid_bytes - 2 * record; n <= full + record; n += 37)
    sizes.push_back(n);
  int partial_runs = 0;
  for (const std::int64_t n : sizes) {
    const std::string context = "limit " + std::to_string(n) + " of " + std::to_string(full);
    platform::testing::limit_file_size(n);
    const int status = run(out);
    platform::testing::clear_faults();
    const Seen seen = parse(out);
    if (n >= full) {
      EXPECT_EQ(status, 0) << context;
      continue;
    }
    EXPECT_EQ(status, driver::kNotWrittenStatus) << context;
    EXPECT_NE(out.find(" [FL 28]"), std::string::npos) << context;
    if (!seen.created) {
      EXPECT_FALSE(std::filesystem::exists(out_)) << context;
      EXPECT_TRUE(leftovers().empty()) << context;  // a failed creation removes its file
      continue;
    }
    ASSERT_EQ(seen.grid_irets.size(), kGrids.size()) << context;
    for (int iret : seen.grid_irets) EXPECT_TRUE(iret == 0 || iret == -6) << context;
    // One line for each grid the full disk stopped, not one for each record.
    const auto failed = std::count(seen.grid_irets.begin(), seen.grid_irets.end(), -6);
    EXPECT_EQ(count_lines_with(out, " [FL 28]"), failed) << context << "\n" << out;
    EXPECT_EQ(std::filesystem::file_size(out_) % record, 0u) << context;
    std::vector<std::size_t> reported;
    int in_flight = -1;
    reported_grids(seen, reported, in_flight);
    if (reported.size() < kGrids.size()) ++partial_runs;
    expect_file_holds(reported, -1, context);
    if (HasFailure()) break;
  }
  EXPECT_GE(partial_runs, 3);
}

// When space comes back, the next grid is written: a failed grid leaves
// nothing in the way. Each of the last record writes fails once, in turn.
TEST_F(CrashMatrixTest, GridAfterAFailedOneIsWritten) {
  std::string out;
  platform::testing::reset_io_counts();
  ASSERT_EQ(run(out), 0);
  const std::int64_t nwrites = platform::testing::io_counts().record_writes;
  int failed_grids = 0;
  for (std::int64_t k = nwrites - 40; k <= nwrites; ++k) {
    const std::string context =
        "failing write " + std::to_string(k) + " of " + std::to_string(nwrites);
    platform::testing::fail_nth(platform::testing::Op::kRecordWrite, -1, static_cast<int>(k),
                                ENOSPC);
    EXPECT_EQ(run(out), driver::kNotWrittenStatus) << context;
    platform::testing::clear_faults();
    const Seen seen = parse(out);
    ASSERT_EQ(seen.grid_irets.size(), kGrids.size()) << context;
    std::vector<std::size_t> reported;
    int in_flight = -1;
    reported_grids(seen, reported, in_flight);
    EXPECT_GE(reported.size(), kGrids.size() - 1) << context << "\n" << out;
    failed_grids += static_cast<int>(kGrids.size() - reported.size());
    expect_file_holds(reported, -1, context);
    if (HasFailure()) break;
  }
  EXPECT_GE(failed_grids, 20);
}

// The real program, killed at many changes by the platform's test hook.
TEST_F(CrashMatrixTest, KilledProgramLeavesAFileGridinfoAccepts) {
  std::string out;
  platform::testing::reset_file_changes();
  ASSERT_EQ(run(out), 0);
  const std::int64_t nchanges = platform::testing::file_changes();
  const std::string answers_file = dir_ + "/answers.txt";
  int killed = 0;
  for (std::int64_t k = nchanges - 40; k <= nchanges; k += 3) {
    const std::string context = "kill at change " + std::to_string(k);
    std::filesystem::remove(out_);
    convert_test::write_file(answers_file, answers());
    const std::string cmd = "cd " + dir_ + " && T2G_TEST_KILL_AT_CHANGE=" + std::to_string(k) +
                            " " TEXT2GRID_KILLABLE_PATH " < " + answers_file + " > " + dir_ +
                            "/out.txt 2>&1";
    const int rc = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(rc) || WIFSIGNALED(rc)) << context;
    // The shell reports a child killed by a signal as status 128 + signal.
    if (WIFEXITED(rc) && WEXITSTATUS(rc) == 128 + SIGKILL) ++killed;
    const Seen seen = parse(convert_test::read_file(dir_ + "/out.txt"));
    if (!std::filesystem::exists(out_)) {
      EXPECT_FALSE(seen.created) << context;
      continue;
    }
    const std::string check =
        std::string(GRIDINFO_PATH) + " " + out_ + " --check > " + dir_ + "/check.txt 2>&1";
    EXPECT_EQ(std::system(check.c_str()), 0) << context << "\n"
                                             << convert_test::read_file(dir_ + "/check.txt");
    std::size_t ok = 0;
    for (int iret : seen.grid_irets) ok += iret == 0 ? 1 : 0;
    // --dump gives back every grid reported written, value for value.
    for (std::size_t g = 0; g < ok; ++g) {
      const std::string dump = std::string(GRIDINFO_PATH) + " " + out_ + " --dump " +
                               std::to_string(g + 1) + " > " + dir_ + "/dump.txt 2>&1";
      ASSERT_EQ(std::system(dump.c_str()), 0) << context << ": grid " << g + 1;
      std::istringstream dumped(convert_test::read_file(dir_ + "/dump.txt"));
      std::size_t nvalue = 0;
      for (std::string line; std::getline(dumped, line); ++nvalue) {
        ASSERT_LT(nvalue, std::size_t{kNx * kNy}) << context;
        EXPECT_EQ(std::stof(line), input_value(g, nvalue)) << context << ": grid " << g + 1;
      }
      EXPECT_EQ(nvalue, std::size_t{kNx * kNy}) << context << ": grid " << g + 1;
    }
    std::filesystem::remove(dir_ + "/check.txt");
    std::filesystem::remove(dir_ + "/dump.txt");
    // No temporary file is left once the file has its name.
    EXPECT_EQ(leftovers().size(), 2u) << context;  // the answers and out.txt
  }
  EXPECT_GT(killed, 5);
}

}  // namespace
