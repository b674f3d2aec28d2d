// Whole conversions run in-process (run_text2grid on a scripted standard
// input): standard output compared byte for byte, the exit status, and the
// grid file's words read straight from its bytes.
#include "driver/convert.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "dm/dm.h"
#include "driver/convert_test_support.h"
#include "driver/in.h"
#include "driver/text2grid.h"
#include "grid/gd.h"
#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

using convert_test::expect_column;
using convert_test::expect_grid;
using convert_test::GridFileWords;
using convert_test::Identifier;
using convert_test::read_file;
using convert_test::stage_one;
using convert_test::write_file;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// The three progress lines of one grid; the fields are given as printed.
std::string grid_lines(const std::string& iret, const std::string& name12, const std::string& level,
                       const std::string& date20) {
  return " GD_WDAT1: iret = " + std::string(12 - iret.size(), ' ') + iret + "\n Wrote variable " +
         name12 + "at level " + std::string(12 - level.size(), ' ') + level + "\n date " + date20 +
         " completed\n";
}

const std::string kStart =
    " IN_BDTA: iret =            0\n"
    " ANGLES:\n"
    "   0.00000000       0.00000000       0.00000000    \n"
    " GR_MNAV1: iret =            0\n"
    " ANGLES:\n"
    "   0.00000000       0.00000000       0.00000000    \n"
    " GD_CREF: iret =            0\n";

class ConvertTest : public convert_test::ConversionFixture {
 protected:
  void SetUp() override {
    prepare("convert");
    int iret = 0;
    in_bdta(iret);  // every DM file number free, also for a run that stops before its start-up
  }

  // Runs the whole program; afterwards nothing of the run may be left open.
  static Outcome run(const std::string& answers) {
    platform::testing::set_stdin(answers);
    platform::testing::take_stdout();
    platform::testing::take_stderr();
    Outcome o;
    o.status = driver::run_text2grid();
    o.out = platform::testing::take_stdout();
    o.err = platform::testing::take_stderr();
    EXPECT_FALSE(platform::is_open(driver::kInputUnit));
    for (int idmf = 1; idmf <= 3; ++idmf) {
      int iret = 0;
      dm_chkf(idmf, iret);
      EXPECT_EQ(iret, -4) << "DM file " << idmf << " left open";
      gd_fchk(idmf, iret);
      EXPECT_EQ(iret, -4) << "grid file " << idmf << " left open";
    }
    return o;
  }
  // Standard output from the start-up line on.
  static std::string conversion_part(const std::string& out) {
    const std::size_t at = out.find(" IN_BDTA:");
    return at == std::string::npos ? "<no conversion>\n" + out : out.substr(at);
  }

};

// The 2 x 2 grid: the first line read is the top row, so the lines 1, 2, 3, 4
// give row 2 = (1, 2) and row 1 = (3, 4); the whole transcript, the label and
// the headers of the new file.
TEST_F(ConvertTest, TwoByTwoTranscriptAndFileLayout) {
  write_file(in_, "1\n2\n3\n4\n");
  const Outcome o = run(stage_one(2, 2, in_, out_, 0, 1, 1, "25.0 -95.0 25.0") +
                        "910823/1200\nTMPK\n1\n1\n0\n850\n");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  const std::string expected =
      " number of points in X-dir (NX)\n"
      " number of points in Y-dir (NY)\n"
      " enter filename\n"
      " enter output1 filename\n"
      " enter the number of time periods we want to skip\n"
      " enter the number of time periods\n"
      " enter numbers of variables\n"
      " enter GAREA (lat1 lon1 lat2 lon2)\n"
      " enter PROJ (CED, LCC)\n"
      " enter projection angles (angl1 angl2 angl3)\n"
      " NX =            2\n"
      " NY =            2\n"
      " infile = " +
      in_ + std::string(70 - in_.size(), ' ') + "\n" + " outfile1 = ^" + out_ +
      std::string(69 - out_.size(), ' ') + "\n" +
      " nskip =            0\n"
      " ntimes =            1\n"
      " nvar =            1\n"
      " GAREA =    30.0000000      -100.000000       37.5000000      -86.0000000    \n"
      " PROJ = CED   25.0000000      -95.0000000       25.0000000    \n"
      " enter the dates date/time, yymmdd/hhmm\n"
      " enter variable names\n"
      " FOR VARIABLE: TMPK        \n"
      " enter numbers of vertical levels\n"
      " (enter -1 if same as previous variable)\n"
      " enter vertical coordinate number\n"
      " 0:none, 1:pres, 2:thta, 3:height, 4:sigma\n"
      " (enter -1 if same as previous variable)\n"
      " FOR VERTICAL LEVELS\n"
      " enter -1 if same as previous variable, OR\n"
      " enter 0 if new vertical levels\n"
      " enter vertical levels in order\n"
      " IN_BDTA: iret =            0\n"
      " ANGLES:\n"
      "   25.0000000      -95.0000000       25.0000000    \n"
      " GR_MNAV1: iret =            0\n"
      " ANGLES:\n"
      "   25.0000000      -95.0000000       25.0000000    \n"
      " GD_CREF: iret =            0\n" +
      grid_lines("0", "TMPK        ", "850", "910823/1200         ");
  EXPECT_EQ(o.out, expected);

  const GridFileWords f(out_);
  EXPECT_EQ(f.chars(1, 7), "MORLIX DATA MANAGEMENT FILE ");
  EXPECT_EQ(f.word(15), 9999) << "columns";
  EXPECT_EQ(f.word(24), 3) << "file type";
  EXPECT_EQ(f.word(25), 6) << "file source";
  EXPECT_EQ(f.chars(258, 10), "GDT1GTM1GDT2GTM2GLV1GLV2GVCDGPM1GPM2GPM3");
  // Navigation block: type 2 (angles given), "CED ", 1, 1, size, corners, angles.
  EXPECT_EQ(f.word(convert_test::kNavArea), 256);
  const std::vector<float> nav = {2.0f,    0.0f,  1.0f,   1.0f,  2.0f,   2.0f, 30.0f,
                                  -100.0f, 37.5f, -86.0f, 25.0f, -95.0f, 25.0f};
  for (int k = 0; k < 13; ++k) {
    if (k == 1) continue;  // the projection name, checked as characters below
    EXPECT_EQ(f.real(convert_test::kNavArea + 1 + k), nav[static_cast<std::size_t>(k)]) << k;
  }
  EXPECT_EQ(f.chars(convert_test::kNavArea + 2, 1), "CED ");
  EXPECT_EQ(f.real(convert_test::kNavArea + 14), 0.0f);
  // Analysis block: 128 zero words.
  EXPECT_EQ(f.word(convert_test::kAnlArea), 128);
  for (int k = 1; k <= 128; ++k) EXPECT_EQ(f.word(convert_test::kAnlArea + k), 0);

  expect_column(f, 1, {910823, 1200, 850, 1, "TMPK        "});
  EXPECT_EQ(f.column(2)[0], -9999) << "second column unused";
  EXPECT_EQ(f.pointer(1), convert_test::kFirstDataWord);
  EXPECT_EQ(f.pointer(2), 0);
  expect_grid(f, 1, 2, 2, {3.0f, 4.0f, 1.0f, 2.0f});
  // Free space: the record took 1 + 4 + 1 + 4 words; nothing was given back.
  EXPECT_EQ(f.word(129), convert_test::kFirstDataWord + 10);
  EXPECT_EQ(f.word(131), 0);
}

// Two times, a variable of one level and one of two: six grids, in the order
// time > variable > level, each from its own stretch of the input.
TEST_F(ConvertTest, SixGridsInLoopOrder) {
  std::string values;
  for (int g = 1; g <= 6; ++g) {
    for (int k = 1; k <= 3; ++k) values += std::to_string(10 * g + k) + "\n";
  }
  write_file(in_, values + "999\n998\n");  // lines beyond the last grid are left unread
  const Outcome o = run(stage_one(3, 1, in_, out_, 0, 2, 2) +
                        "910823/1200\n910824/0000\nPMSL\nTMPK\n1\n0\n0\n0\n2\n1\n0\n850 700\n");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string t1 = "910823/1200         ";
  const std::string t2 = "910824/0000         ";
  EXPECT_EQ(conversion_part(o.out), kStart + grid_lines("0", "PMSL        ", "0", t1) +
                                        grid_lines("0", "TMPK        ", "850", t1) +
                                        grid_lines("0", "TMPK        ", "700", t1) +
                                        grid_lines("0", "PMSL        ", "0", t2) +
                                        grid_lines("0", "TMPK        ", "850", t2) +
                                        grid_lines("0", "TMPK        ", "700", t2));

  const GridFileWords f(out_);
  const std::vector<Identifier> ids = {
      {910823, 1200, 0, 0, "PMSL        "},   {910823, 1200, 850, 1, "TMPK        "},
      {910823, 1200, 700, 1, "TMPK        "}, {910824, 0, 0, 0, "PMSL        "},
      {910824, 0, 850, 1, "TMPK        "},    {910824, 0, 700, 1, "TMPK        "}};
  for (int c = 1; c <= 6; ++c) {
    expect_column(f, c, ids[static_cast<std::size_t>(c - 1)]);
    const auto g = static_cast<float>(10 * c);
    expect_grid(f, c, 3, 1, {g + 1, g + 2, g + 3});
    // Records follow one another: 1 + 4 + 1 + 3 words each.
    EXPECT_EQ(f.pointer(c), convert_test::kFirstDataWord + 9 * (c - 1));
  }
  EXPECT_EQ(f.pointer(7), 0);
  EXPECT_EQ(f.word(129), convert_test::kFirstDataWord + 54);
}

// One value per line: the first item only, blank lines passed over, CR LF
// accepted, integer, decimal and E, e, D, d exponent forms.
TEST_F(ConvertTest, OnlyTheFirstItemOfALineIsAValue) {
  write_file(in_, "5.0 6.0\r\n\n   \r\n  7e1\r\n-2.5D-1\n1d2\n+3\n8,9\n1.5E+0\n");
  const Outcome o = run(stage_one(3, 2, in_, out_, 0, 1, 1) + "910823/1200\nT\n1\n1\n0\n500\n");
  ASSERT_EQ(o.status, 0) << o.err;
  expect_grid(GridFileWords(out_), 1, 3, 2, {100.0f, 3.0f, 8.0f, 5.0f, 70.0f, -0.25f});
}

// A level count of 0 reads nothing and writes nothing; nskip changes nothing:
// the first value read is the first of the file.
TEST_F(ConvertTest, ZeroLevelsAndSkipCountHaveNoEffect) {
  write_file(in_, "1\n2\n3\n4\n");
  const Outcome o = run(stage_one(2, 1, in_, out_, 5, 1, 3) +
                        "910823/1200\nNONE\nZ\nNONE2\n0\n1\n0\n\n1\n1\n0\n300\n0\n1\n0\n\n");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(conversion_part(o.out),
            kStart + grid_lines("0", "Z           ", "300", "910823/1200         "));
  const GridFileWords f(out_);
  expect_column(f, 1, {910823, 1200, 300, 1, "Z           "});
  expect_grid(f, 1, 2, 1, {1.0f, 2.0f});
  EXPECT_EQ(f.pointer(2), 0);
}

// A second grid under an identifier already in the file is refused with -10,
// its lines still printed; its values were read, so the next grid takes the
// values that follow. Exit status 1 with a summary on standard error.
TEST_F(ConvertTest, DuplicateIdentifierIsRefused) {
  write_file(in_, "1\n2\n3\n4\n5\n6\n7\n8\n");
  const Outcome o = run(stage_one(2, 1, in_, out_, 0, 2, 2) +
                        "910823/1200\n910824/0000\nTMPK\ntmpk\n1\n1\n0\n850\n-1\n-1\n-1\n");
  EXPECT_EQ(o.status, driver::kNotWrittenStatus);
  EXPECT_EQ(o.err, "text2grid: 2 of 4 grids were not written to \"" + out_ + "\":\n" +
                       "text2grid:   grid 2: time 910823/1200, level 850, vertical coordinate 1, "
                       "parameter tmpk: [GD -10] A grid with this identifier is already in the "
                       "file (not replaced): " +
                       out_ +
                       "\n"
                       "text2grid:   grid 4: time 910824/0000, level 850, vertical coordinate 1, "
                       "parameter tmpk: [GD -10] A grid with this identifier is already in the "
                       "file (not replaced): " +
                       out_ + "\n");
  const std::string t1 = "910823/1200         ";
  const std::string t2 = "910824/0000         ";
  EXPECT_EQ(conversion_part(o.out), kStart + grid_lines("0", "TMPK        ", "850", t1) +
                                        grid_lines("-10", "tmpk        ", "850", t1) +
                                        grid_lines("0", "TMPK        ", "850", t2) +
                                        grid_lines("-10", "tmpk        ", "850", t2));
  const GridFileWords f(out_);
  expect_grid(f, 1, 2, 1, {1.0f, 2.0f});
  expect_grid(f, 2, 2, 1, {5.0f, 6.0f});
  EXPECT_EQ(f.pointer(3), 0);
}

// An existing output file is left alone: creation fails with its FL, DM and
// GD messages, every grid gets -4, all values are still read, exit status 1.
TEST_F(ConvertTest, ExistingOutputFileFailsEveryGrid) {
  write_file(in_, "1\n2\n3\n4\n");
  write_file(out_, "keep me");
  const Outcome o =
      run(stage_one(2, 1, in_, out_, 0, 2, 1) + "910823/1200\n910824/0000\nT\n1\n1\n0\n850\n");
  EXPECT_EQ(o.status, driver::kNotWrittenStatus);
  EXPECT_EQ(o.err, "text2grid: the grid file \"" + out_ +
                       "\" could not be created: a file of that name exists, and text2grid never "
                       "replaces a file: remove or rename it, or answer another output file "
                       "name\ntext2grid: none of the 2 grids was written\n");
  EXPECT_EQ(read_file(out_), "keep me");
  const std::string part = conversion_part(o.out);
  const std::size_t fl = part.find(" [FL ");
  const std::size_t dm = part.find(" [DM -1] ");
  const std::size_t gd = part.find(" [GD -1] ");
  const std::size_t cref = part.find(" GD_CREF: iret =           -1\n");
  ASSERT_NE(fl, std::string::npos) << part;
  EXPECT_TRUE(fl < dm && dm < gd && gd < cref) << part;
  EXPECT_EQ(part.substr(cref), " GD_CREF: iret =           -1\n" +
                                   grid_lines("-4", "T           ", "850", "910823/1200         ") +
                                   grid_lines("-4", "T           ", "850", "910824/0000         "));
}

// A run that writes no grid still leaves a complete file: the navigation
// block, held in the record cache at creation, is on disk at the end.
TEST_F(ConvertTest, NoGridStillLeavesCompleteHeaders) {
  write_file(in_, "");
  const Outcome o = run(stage_one(4, 3, in_, out_, 0, 0, 0) + "\n");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(conversion_part(o.out), kStart);
  const GridFileWords f(out_);
  EXPECT_EQ(f.word(convert_test::kNavArea), 256);
  EXPECT_EQ(f.real(convert_test::kNavArea + 1), 2.0f);
  EXPECT_EQ(f.real(convert_test::kNavArea + 5), 4.0f);
  EXPECT_EQ(f.real(convert_test::kNavArea + 6), 3.0f);
  EXPECT_EQ(f.real(convert_test::kNavArea + 10), -86.0f);
  EXPECT_EQ(f.real(31), -9999.0f) << "real missing value";
  EXPECT_EQ(f.size(), static_cast<std::size_t>(convert_test::kFirstDataWord - 1));
}

// Input problems stop the run with status 2 and one line naming the file, the
// line and the text; the grids written before stay complete, and the next run
// in the same process starts afresh.
TEST_F(ConvertTest, InputProblemsStopInOrder) {
  const std::string answers2 = "910823/1200\nT\n2\n1\n0\n850 700\n";

  const Outcome missing = run(stage_one(2, 1, in_, out_, 0, 1, 1) + answers2);
  EXPECT_EQ(missing.status, driver::kBadInputStatus);
  EXPECT_EQ(missing.err,
            "text2grid: cannot open the input file \"" + in_ + "\": No such file or directory\n");
  EXPECT_EQ(missing.out.find(" IN_BDTA:"), std::string::npos);
  EXPECT_FALSE(platform::file_exists(out_)) << "no grid file before the input is open";

  write_file(in_, "1\n2\n\n3\n");
  const Outcome short_input = run(stage_one(2, 1, in_, out_, 0, 1, 1) + answers2);
  EXPECT_EQ(short_input.status, driver::kBadInputStatus);
  EXPECT_EQ(short_input.err, "text2grid: input file \"" + in_ +
                                 "\" ends after line 4: value 2 of grid 2 is missing\n");
  EXPECT_EQ(conversion_part(short_input.out),
            kStart + grid_lines("0", "T           ", "850", "910823/1200         "));
  expect_grid(GridFileWords(out_), 1, 2, 1, {1.0f, 2.0f});

  const std::string out2 = dir_ + "/second.grd";
  write_file(in_, "1\n2\r\n3\n4x\n");
  const Outcome bad_value = run(stage_one(2, 1, in_, out2, 0, 1, 1) + answers2);
  EXPECT_EQ(bad_value.status, driver::kBadInputStatus);
  EXPECT_EQ(bad_value.err,
            "text2grid: input file \"" + in_ + "\", line 4: \"4x\" is not a real number\n");
  expect_grid(GridFileWords(out2), 1, 2, 1, {1.0f, 2.0f});

  // The same process converts again from the start condition.
  const std::string out3 = dir_ + "/third.grd";
  write_file(in_, "1\n2\n3\n4\n");
  const Outcome again = run(stage_one(2, 1, in_, out3, 0, 1, 1) + answers2);
  ASSERT_EQ(again.status, 0) << again.err;
  const GridFileWords third(out3);
  expect_grid(third, 1, 2, 1, {1.0f, 2.0f});
  expect_grid(third, 2, 2, 1, {3.0f, 4.0f});
}

}  // namespace
