// Whole runs in-process that the checks refuse or warn about: refused answers
// (status 2, nothing created), warnings on standard error with standard output
// unchanged, values stored as missing, failures named grid by grid, and the
// packing options, every file read back through the grid reader.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "dm/dm.h"
#include "driver/convert.h"
#include "driver/convert_test_support.h"
#include "driver/in.h"
#include "driver/options.h"
#include "driver/text2grid.h"
#include "driver/vexo.h"
#include "grid/gd.h"
#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

using convert_test::read_file;
using convert_test::stage_one;
using convert_test::write_file;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// One grid read back through the grid reader.
struct ReadGrid {
  int iret = -1;
  int kx = 0;
  int ky = 0;
  std::vector<float> values;  // bottom row first
  std::string time1;
  int level = 0;
  std::string pname;
  int ipktyp = -1;
  int nbits = -1;
};

ReadGrid read_grid(const std::string& path, int igrid) {
  ReadGrid g;
  int gfnum = 0;
  int iret = 0;
  gd_open("^" + path, false, gfnum, iret);
  if (iret != 0) {
    g.iret = iret;
    return g;
  }
  g.values.resize(1000000);
  std::array<int, 2> grdhdr{};
  gd_rgrd(gfnum, igrid, g.values, g.kx, g.ky, grdhdr, g.iret);
  g.values.resize(g.iret == 0 ? static_cast<std::size_t>(g.kx * g.ky) : 0);
  std::string time2(20, ' ');
  g.time1.assign(20, ' ');
  g.pname.assign(12, ' ');
  std::array<int, 2> levpair{};
  int vcode = 0;
  gd_gidn(gfnum, igrid, g.time1, time2, levpair, vcode, g.pname, iret);
  g.level = levpair[0];
  gd_gpck(gfnum, igrid, g.ipktyp, g.nbits, iret);
  gd_clos(gfnum, iret);
  return g;
}

int grid_count(const std::string& path) {
  int gfnum = 0;
  int iret = 0;
  gd_open("^" + path, false, gfnum, iret);
  if (iret != 0) return -1;
  int ngrid = 0;
  gd_ngrd(gfnum, ngrid, iret);
  gd_clos(gfnum, iret);
  return ngrid;
}

class RunChecksTest : public convert_test::ConversionFixture {
 protected:
  void SetUp() override {
    prepare("run_checks");
    int iret = 0;
    in_bdta(iret);  // every DM file number free, also for a run that stops before its start-up
  }
  static Outcome run(const std::string& answers, const driver::RunOptions& options = {}) {
    platform::testing::set_stdin(answers);
    platform::testing::take_stdout();
    platform::testing::take_stderr();
    Outcome o;
    o.status = driver::run_text2grid(options);
    o.out = platform::testing::take_stdout();
    o.err = platform::testing::take_stderr();
    return o;
  }
  // Stage 1 for an nx x ny grid, one time, one variable; `rest` from the time on.
  std::string answers(int nx, int ny, const std::string& rest) const {
    return stage_one(nx, ny, in_, out_, 0, 1, 1) + rest;
  }
};

// The refusals of the time answer: status 2, one line naming the answer, its
// line and the accepted form; neither the conversion nor the grid file begins.
TEST_F(RunChecksTest, TimesThatDoNotConvertAreRefused) {
  write_file(in_, "1\n2\n");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"241301/0000", "the month is outside 1-12"},
      {"240230/0000", "the day is outside the month"},
      {"240101/2500", "the hour is outside 0-24"},
      {"2024-01-01 00:00", "it is not of the form yymmdd/hhmm"},
      {"999999/9999", "the minute is outside 0-60"},
      {"240101/0000X012", "the forecast part is not a letter A, F, G, I or V"},
      {"240101/0000F1200", "the forecast period \"1200\" is ambiguous"},
      {"240101/0000F00175", "the forecast period \"00175\" has more than 59 minutes"},
      {"20240101/0000F0123456", "the forecast part is not a letter"},
  };
  for (const auto& [time, why] : cases) {
    const Outcome o = run(answers(2, 1, time + "\nT\n1\n1\n0\n850\n"));
    EXPECT_EQ(o.status, 2) << time;
    EXPECT_TRUE(
        o.err.starts_with("text2grid: stopped at the question \"enter the dates "
                          "date/time, yymmdd/hhmm (time 1)\": answer line 11, \"" +
                          time + "\" is not a grid time: " + why))
        << o.err;
    EXPECT_NE(o.err.find("the accepted form is yymmdd/hhmm or yyyymmdd/hhmm"), std::string::npos);
    EXPECT_EQ(o.out.find(" IN_BDTA"), std::string::npos) << time;
    EXPECT_FALSE(platform::file_exists(out_)) << time;
  }
}

// A four-digit year is stored as if typed with two; the progress line shows
// the answer as typed. A blank time stays no time.
TEST_F(RunChecksTest, FourDigitYearsAreStoredAsTwo) {
  write_file(in_, "1\n2\n3\n4\n");
  const std::string tail = "\nT\n1\n1\n0\n850\n";
  const Outcome four = run(answers(2, 2, "20240101/1200F00130" + tail));
  ASSERT_EQ(four.status, 0) << four.err;
  EXPECT_EQ(four.err, "");
  EXPECT_NE(four.out.find("\n date 20240101/1200F00130  completed\n"), std::string::npos)
      << four.out;
  const std::string four_bytes = read_file(out_);
  const ReadGrid g = read_grid(out_, 1);
  EXPECT_EQ(g.time1, "240101/1200F00130   ");

  std::filesystem::remove(out_);
  const Outcome two = run(answers(2, 2, "240101/1200F00130" + tail));
  ASSERT_EQ(two.status, 0) << two.err;
  EXPECT_EQ(read_file(out_), four_bytes) << "the same file as with a two-digit year";

  std::filesystem::remove(out_);
  const Outcome blank = run(answers(2, 2, tail));
  ASSERT_EQ(blank.status, 0) << blank.err;
  EXPECT_EQ(read_grid(out_, 1).time1, std::string(20, ' '));
}

// Four-digit years are taken inside the window in force only: 20261201 is
// stored as 261201, byte for byte; a year outside is refused before any file
// is opened, naming the answer line, the window and how to move it.
TEST_F(RunChecksTest, FourDigitYearsOutsideTheWindowAreRefused) {
  write_file(in_, "1\n2\n");
  const std::string tail = "\nT\n1\n1\n0\n850\n";
  const Outcome now = run(answers(2, 1, "20261201/0000" + tail));
  ASSERT_EQ(now.status, 0) << now.err;
  const std::string four_bytes = read_file(out_);
  std::filesystem::remove(out_);
  ASSERT_EQ(run(answers(2, 1, "261201/0000" + tail)).status, 0);
  EXPECT_EQ(read_file(out_), four_bytes);
  std::filesystem::remove(out_);

  for (const char* outside : {"20501201/0000", "19491231/2359", "30001231/0000"}) {
    const Outcome o = run(answers(2, 1, outside + tail));
    EXPECT_EQ(o.status, 2) << outside;
    EXPECT_NE(o.err.find("answer line 11, \"" + std::string(outside) + "\": the year " +
                         std::string(outside).substr(0, 4) +
                         " is outside the window of two-digit years: years are read in "
                         "1950-2049; move the window with --first-year Y or "
                         "T2G_FIRST_YEAR=Y (years Y..Y+99)"),
              std::string::npos)
        << o.err;
    EXPECT_EQ(o.out.find(" IN_BDTA"), std::string::npos) << outside;
    EXPECT_FALSE(platform::file_exists(out_)) << outside;
  }
  // A moved window takes 2050, and stores it as 50.
  driver::RunOptions moved;
  moved.window = timewin::YearWindow::starting(2000).value();
  ASSERT_EQ(run(answers(2, 1, "20501201/0000" + tail), moved).status, 0);
  EXPECT_EQ(read_grid(out_, 1).time1, "501201/0000         ");
  EXPECT_EQ(run(answers(2, 1, "19991231/0000" + tail), moved).status, 2);
}

// Grid sizes below 1 and file names longer than 70 characters are refused
// before anything is opened; the message names the answer line.
TEST_F(RunChecksTest, EmptyGridsAndCutFileNamesAreRefused) {
  write_file(in_, "1\n");
  const std::string rest = "910823/1200\nT\n1\n1\n0\n850\n";
  const Outcome nx = run(stage_one(0, 3, in_, out_, 0, 1, 1) + rest);
  EXPECT_EQ(nx.status, 2);
  EXPECT_EQ(nx.err,
            "text2grid: stopped at the question \"number of points in X-dir (NX)\": answer line "
            "1, read 0: a grid needs at least one point in X\n");
  const Outcome ny = run(stage_one(3, -1, in_, out_, 0, 1, 1) + rest);
  EXPECT_EQ(ny.status, 2);
  EXPECT_NE(ny.err.find("answer line 2, read -1: a grid needs at least one point in Y"),
            std::string::npos);
  EXPECT_EQ(ny.out.find(" NX ="), std::string::npos) << "refused before the echo";

  const std::string long_out = dir_ + "/" + std::string(71 - dir_.size(), 'x') + ".grd";
  const Outcome name = run(stage_one(1, 1, in_, long_out, 0, 1, 1) + rest);
  EXPECT_EQ(name.status, 2);
  EXPECT_NE(name.err.find("\"enter output1 filename\": answer line 4, the file name has " +
                          std::to_string(long_out.size() + 1) + " characters; at most 70"),
            std::string::npos)
      << name.err;
  int nfiles = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_)) ++nfiles;
  EXPECT_EQ(nfiles, 1) << "only the input file";
}

// Answers kept as given get one warning line each; standard output is the
// same as without them, and the exit status 0.
TEST_F(RunChecksTest, QuestionableAnswersAreKeptWithAWarning) {
  write_file(in_, "1\n2\n3\n4\n5\n6\n7\n8\n9\n");
  const std::string answers2 = "3\n1\n" + in_ + "\n^" + out_ +
                               "\n0\n1\n3\n95.0 -100.0 -91.5 -86.0\nXYZ\n0 0 0\n910823/1200\n"
                               "TEMPERATURE_2M\n\nRH\n1\n7\n0\n850\n1\n-1\n-1\n1\n1\n-1\n";
  const Outcome o = run(answers2);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err,
            "text2grid: warning: answer line 8, GAREA lat1 = 95 is not a latitude (-90 "
            "to 90); stored as given\n"
            "text2grid: warning: answer line 8, GAREA lat2 = -91.5 is not a latitude (-90 "
            "to 90); stored as given\n"
            "text2grid: warning: answer line 9, projection \"XYZ\" is not a known projection name "
            "(such as CED or LCC; upper case); stored as given\n"
            "text2grid: warning: answer line 12, variable 1 name \"TEMPERATURE_2M\" has more than "
            "12 characters; stored as \"TEMPERATURE_\"\n"
            "text2grid: warning: answer line 13, variable 2 has an empty parameter name; stored "
            "as blanks\n"
            "text2grid: warning: answer line 16, variable 1 has vertical coordinate 7, not one of "
            "0 none, 1 pres, 2 thta, 3 height, 4 sigma; stored as given\n"
            "text2grid: warning: answer line 20, variable 2 has vertical coordinate 7, not one of "
            "0 none, 1 pres, 2 thta, 3 height, 4 sigma; stored as given\n");
  EXPECT_NE(o.out.find(" GD_WDAT1: iret =            0\n Wrote variable TEMPERATURE_at level "),
            std::string::npos);
  EXPECT_EQ(grid_count(out_), 3);
  EXPECT_EQ(read_grid(out_, 1).pname, "TEMPERATURE_");
}

// NaN, infinities and values beyond the float range are stored as missing;
// a byte-order mark opens the input and the answers; dropped items and
// values left over are counted. Exit status 0, standard output unchanged.
TEST_F(RunChecksTest, ValuesTheReaderCannotUseAreExplained) {
  write_file(in_,
             "\xEF\xBB\xBF"
             "1.5\nNaN\n-inf\n1e39\n2 99\n3,5\n7\n8\n\n9\n");
  const Outcome o = run("\xEF\xBB\xBF" + answers(3, 2, "910823/1200\nT\n1\n1\n0\n850\n"));
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err,
            "text2grid: warning: 3 value(s) of \"" + in_ +
                "\" were NaN, infinite or beyond the range of a 32-bit real, and were stored as "
                "the missing value -9999.0 (first at line 2)\n"
                "text2grid: warning: 2 line(s) of \"" +
                in_ +
                "\" held more than one item, and only the first was read (first at line 5): "
                "values go one per line, and a decimal comma ends a value\n"
                "text2grid: warning: 3 line(s) of values of \"" +
                in_ +
                "\" were left after the 6 values of the grids (first at line 7): check NX, NY "
                "and the numbers of times, variables and levels\n");
  const ReadGrid g = read_grid(out_, 1);
  ASSERT_EQ(g.iret, 0);
  EXPECT_EQ(g.values, (std::vector<float>{-9999.0f, 2.0f, 3.0f, 1.5f, -9999.0f, -9999.0f}));
}

// Grids that are not written are named one by one with their code's text,
// under the file's name as created.
TEST_F(RunChecksTest, GridsNotWrittenAreNamed) {
  write_file(in_, "1\n2\n3\n4\n");
  ::setenv("T2G_RUNDIR", dir_.c_str(), 1);
  const Outcome o = run("2\n1\n" + in_ +
                        "\n$T2G_RUNDIR/Grids.GRD\n0\n1\n2\n30 -100 37.5 -86\nCED\n0 0 0\n"
                        "910823/1200\nTMPK\ntmpk\n1\n1\n0\n850\n-1\n-1\n-1\n");
  const std::string lowered = dir_ + "/grids.grd";
  EXPECT_EQ(o.status, driver::kNotWrittenStatus);
  EXPECT_EQ(o.err, "text2grid: 1 of 2 grids were not written to \"" + lowered +
                       "\":\n"
                       "text2grid:   grid 2: time 910823/1200, level 850, vertical coordinate 1, "
                       "parameter tmpk: [GD -10] A grid with this identifier is already in the "
                       "file (not replaced): " +
                       lowered + "\n");
  EXPECT_EQ(grid_count(lowered), 1);
}

// A grid file that cannot be created: the message names the file as the
// library would have created it and says how to go on.
TEST_F(RunChecksTest, CreationFailuresSayWhy) {
  write_file(in_, "1\n2\n");
  write_file(out_, "keep me");
  const Outcome exists = run(answers(2, 1, "910823/1200\nT\n1\n1\n0\n850\n"));
  EXPECT_EQ(exists.status, driver::kNotWrittenStatus);
  EXPECT_EQ(exists.err, "text2grid: the grid file \"" + out_ +
                            "\" could not be created: a file of that name exists, and text2grid "
                            "never replaces a file: remove or rename it, or answer another output "
                            "file name\ntext2grid: none of the 1 grids was written\n");
  EXPECT_EQ(read_file(out_), "keep me");

  ::setenv("T2G_RUNDIR", dir_.c_str(), 1);
  const Outcome folder = run("2\n1\n" + in_ +
                             "\n$T2G_RUNDIR/Runs/T.grd\n0\n1\n1\n30 -100 37.5 -86\nCED\n0 0 0\n"
                             "910823/1200\nT\n1\n1\n0\n850\n");
  EXPECT_EQ(folder.status, driver::kNotWrittenStatus);
  EXPECT_EQ(folder.err, "text2grid: the grid file \"" + dir_ +
                            "/runs/t.grd\" could not be created: the folder \"" + dir_ +
                            "/runs\" does not exist (names are turned to lower case unless they "
                            "begin with ^)\ntext2grid: none of the 1 grids was written\n");
}

// --quiet: nothing on standard output, the summary still on standard error.
// --durable sets T2G_DURABLE for the run.
TEST_F(RunChecksTest, QuietAndDurable) {
  write_file(in_, "1\n2\n1\n2\n");
  driver::RunOptions options;
  options.quiet = true;
  options.durable = true;
  ::unsetenv("T2G_DURABLE");
  const Outcome o = run(
      stage_one(2, 1, in_, out_, 0, 2, 1) + "910823/1200\n910823/1200\nT\n1\n1\n0\n850\n", options);
  EXPECT_EQ(o.status, driver::kNotWrittenStatus);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("1 of 2 grids were not written"), std::string::npos) << o.err;
  EXPECT_EQ(platform::get_env("T2G_DURABLE"), "1");
  ::unsetenv("T2G_DURABLE");
  platform::write_line("after the run");
  EXPECT_EQ(platform::testing::take_stdout(), "after the run\n");
}

// --- Packing options, read back through the grid reader ---------------------

// A smooth field with a missing point.
std::string field_text(int nx, int ny, std::vector<float>& top_first) {
  std::string text;
  top_first.clear();
  for (int j = 0; j < ny; ++j) {
    for (int i = 0; i < nx; ++i) {
      float v = 250.0f + 30.0f * std::sin(0.3f * static_cast<float>(i)) +
                0.37f * static_cast<float>(j * j);
      if (i == 2 && j == 1) v = -9999.0f;
      top_first.push_back(v);
      text += std::to_string(v) + "\n";
    }
  }
  return text;
}

TEST_F(RunChecksTest, PackedGridsReadBackWithinHalfAStep) {
  constexpr int kNx = 17;
  constexpr int kNy = 9;
  std::vector<float> values;
  write_file(in_, field_text(kNx, kNy, values));
  // Values as the input text gives them (6 decimals), in the file's row order.
  std::vector<float> exact(values.size());
  for (int j = 0; j < kNy; ++j) {
    for (int i = 0; i < kNx; ++i) {
      exact[static_cast<std::size_t>(j * kNx + i)] =
          std::stof(std::to_string(values[static_cast<std::size_t>((kNy - 1 - j) * kNx + i)]));
    }
  }
  float lo = 1e30f, hi = -1e30f;
  for (const float v : exact) {
    if (v == -9999.0f) continue;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  // The step of each packing is the scale word of the grid block in the data
  // record (after the length, the 4 header words, type, bits, flag, points
  // and, for differences, the row length; then the reference).
  struct Case {
    std::string choice;
    int ipktyp;
    int scale_word;     // offset of the step from the record's first word
    int steps_allowed;  // half steps of error allowed
  };
  const std::vector<Case> cases = {
      {"grib:12", 1, 10, 1}, {"grib:3", 1, 10, 1},  {"dec:2", 1, 10, 1},
      {"dec:0", 1, 10, 1},   {"diff:16", 3, 11, 1}, {"diff:3", 3, 11, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    std::filesystem::remove(out_);
    driver::RunOptions options;
    std::string error;
    ASSERT_TRUE(driver::parse_packing(c.choice, options.packing, error)) << error;
    const Outcome o = run(answers(kNx, kNy, "910823/1200\nT\n1\n1\n0\n850\n"), options);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    const ReadGrid g = read_grid(out_, 1);
    ASSERT_EQ(g.iret, 0);
    EXPECT_EQ(g.ipktyp, c.ipktyp);
    ASSERT_EQ(g.values.size(), exact.size());
    const convert_test::GridFileWords words(out_);
    const double step = words.real(words.pointer(1) + c.scale_word);
    ASSERT_GT(step, 0.0);
    if (c.choice == "dec:2") {
      EXPECT_NEAR(step, 0.01, 1e-6);
    }
    double worst = 0.0;
    for (std::size_t k = 0; k < exact.size(); ++k) {
      if (exact[k] == -9999.0f) {
        EXPECT_EQ(g.values[k], -9999.0f) << k;
        continue;
      }
      worst = std::max(worst, std::fabs(static_cast<double>(g.values[k]) - exact[k]));
    }
    // Half a step, give or take a unit in the last place of the values and
    // differences (below 512).
    EXPECT_LE(worst, c.steps_allowed * step / 2 + std::ldexp(1.0, -15)) << "step " << step;
  }
}

// A grid the packing cannot hold is written unpacked, with a warning.
TEST_F(RunChecksTest, PackingFallbacksAndRefusals) {
  write_file(in_, "-9999\n-9999\n1\n2\n");
  driver::RunOptions options;
  std::string error;
  ASSERT_TRUE(driver::parse_packing("grib:8", options.packing, error));
  const Outcome o =
      run(stage_one(2, 1, in_, out_, 0, 1, 2) + "910823/1200\nMISS\nT\n1\n0\n0\n0\n1\n0\n0\n0\n",
          options);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err,
            "text2grid: warning: 1 grid(s) could not be packed as --pack grib:8 asks and were "
            "written unpacked; the first, grid 1: time 910823/1200, level 0, vertical coordinate "
            "0, parameter MISS: [DM -11] Grid has no non-missing value to pack: " +
                out_ + "\n");
  const ReadGrid missing = read_grid(out_, 1);
  EXPECT_EQ(missing.ipktyp, 0);
  EXPECT_EQ(missing.values, (std::vector<float>{-9999.0f, -9999.0f}));
  const ReadGrid packed = read_grid(out_, 2);
  EXPECT_EQ(packed.ipktyp, 1);
  EXPECT_EQ(packed.nbits, 8);
  EXPECT_EQ(packed.values, (std::vector<float>{1.0f, 2.0f}));
}

// vexo_main, called with its fifteen arguments (latitudes first), checks them
// as the program checks the answers, and hands the area on in the order
// lat1, lon1, lat2, lon2.
TEST_F(RunChecksTest, VexoMainChecksItsArgumentsAndKeepsTheAreaOrder) {
  write_file(in_, "1\n2\n");
  const std::string stage_two = "910823/1200\nT\n1\n1\n0\n850\n";
  platform::testing::set_stdin(stage_two);
  const std::string too_long(71, 'n');
  EXPECT_EQ(vexo_main(2, 1, in_, too_long, 0, 1, 1, 30.0f, 37.5f, -100.0f, -86.0f, "CED", 0.0f,
                      0.0f, 0.0f),
            2);
  EXPECT_EQ(platform::testing::take_stderr(),
            "text2grid: stopped at the question \"enter output1 filename\": the file name has 71 "
            "characters; at most 70 are kept, so another file would be used: choose a shorter "
            "name or path\n");

  platform::testing::set_stdin(stage_two);
  ASSERT_EQ(vexo_main(2, 1, in_, "^" + out_, 0, 1, 1, 30.0f, 37.5f, -100.0f, -86.0f, "CED", 1.0f,
                      2.0f, 3.0f),
            0)
      << platform::testing::take_stderr();
  int gfnum = 0;
  int iret = 0;
  gd_open("^" + out_, false, gfnum, iret);
  ASSERT_EQ(iret, 0);
  std::array<float, 256> nav{};
  int nnav = 0;
  gd_gnav(gfnum, nav, nnav, iret);
  gd_clos(gfnum, iret);
  EXPECT_EQ((std::vector<float>(nav.begin() + 6, nav.begin() + 13)),
            (std::vector<float>{30.0f, -100.0f, 37.5f, -86.0f, 1.0f, 2.0f, 3.0f}));
  EXPECT_EQ(read_grid(out_, 1).values, (std::vector<float>{1.0f, 2.0f}));
}

// The command line: options, values and refusals.
TEST(CommandLineTest, OptionsAndRefusals) {
  const auto parse = [](std::vector<std::string> words) {
    words.insert(words.begin(), "text2grid");
    return driver::parse_command_line(words);
  };
  const driver::CommandLine all = parse({"--quiet", "--pack", "diff:12", "--durable"});
  EXPECT_EQ(all.error, "");
  EXPECT_TRUE(all.options.quiet);
  EXPECT_TRUE(all.options.durable);
  EXPECT_EQ(all.options.packing.ipktyp(), 3);
  EXPECT_EQ(all.options.packing.bits, 12);
  EXPECT_EQ(parse({"--pack=dec:-2"}).options.packing.text(), "dec:-2");
  EXPECT_EQ(parse({"--pack=grib:31"}).options.packing.ipktyp(), 1);
  // The grammar every program shares: dec takes -38 to 38 digits, "none" is
  // the default written out.
  EXPECT_EQ(parse({"--pack", "dec:20"}).options.packing.text(), "dec:20");
  EXPECT_EQ(parse({"--pack", "none"}).options.packing.ipktyp(), 0);
  EXPECT_TRUE(parse({"--help"}).help);
  EXPECT_TRUE(parse({"--version"}).version);

  EXPECT_EQ(parse({"--verbose"}).error, "unknown option \"--verbose\"");
  EXPECT_EQ(parse({"answers.txt"}).error,
            "unexpected argument \"answers.txt\": the run parameters are answered on standard "
            "input");
  EXPECT_EQ(parse({"--pack"}).error,
            "--pack needs a value: none, grib:BITS, diff:BITS or dec:DIGITS");
  EXPECT_EQ(parse({"--pack", "grib:1"}).error,
            "--pack \"grib:1\": BITS must be a whole number from 2 to 31");
  EXPECT_EQ(parse({"--pack", "diff:32"}).error,
            "--pack \"diff:32\": BITS must be a whole number from 2 to 31");
  EXPECT_EQ(parse({"--pack", "dec:39"}).error,
            "--pack \"dec:39\": DIGITS must be a whole number from -38 to 38");
  EXPECT_EQ(parse({"--pack", "grib"}).error,
            "--pack \"grib\": BITS must be a whole number from 2 to 31");
  EXPECT_EQ(parse({"--pack", "zip:9"}).error,
            "--pack \"zip:9\": use none, grib:BITS, diff:BITS or dec:DIGITS");
}

// --first-year, else T2G_FIRST_YEAR, else 1950: the window of the answers.
TEST(CommandLineTest, FirstYearOptionAndEnvironment) {
  const auto parse = [](std::vector<std::string> words) {
    words.insert(words.begin(), "text2grid");
    return driver::parse_command_line(words);
  };
  const std::optional<std::string> saved = platform::get_env("T2G_FIRST_YEAR");
  unsetenv("T2G_FIRST_YEAR");
  EXPECT_EQ(parse({}).options.window.first(), 1950);
  EXPECT_EQ(parse({"--first-year", "1921"}).options.window.first(), 1921);
  EXPECT_EQ(parse({"--first-year=2000"}).options.window.first(), 2000);
  EXPECT_EQ(parse({"--first-year"}).error, "--first-year needs a value");
  EXPECT_EQ(parse({"--first-year", "26"}).error,
            "--first-year: \"26\" is not a four-digit year (1000-9900)");
  setenv("T2G_FIRST_YEAR", "1921", 1);
  EXPECT_EQ(parse({}).options.window.first(), 1921);
  EXPECT_EQ(parse({"--first-year", "1950"}).options.window.first(), 1950);  // the option wins
  setenv("T2G_FIRST_YEAR", "nineteen", 1);
  EXPECT_EQ(parse({}).error, "T2G_FIRST_YEAR: \"nineteen\" is not a four-digit year (1000-9900)");
  if (saved) {
    setenv("T2G_FIRST_YEAR", saved->c_str(), 1);
  } else {
    unsetenv("T2G_FIRST_YEAR");
  }
}

}  // namespace
