// The run-parameters dialogue, run in-process on a scripted standard input:
// whole transcripts byte for byte, the fixed-width answers, the -1 rules and
// the orderly stops on bad answers.
#include "driver/dialogue.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "driver/vexo.h"
#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

using driver::DialogueStop;
using driver::RunPar;

std::string blanks(std::size_t n) {
  return std::string(n, ' ');
}

class DialogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::testing::capture_stdout(true);
    platform::testing::take_stdout();
  }
  void TearDown() override {
    platform::testing::capture_stdout(false);
    platform::testing::reset_stdin();
  }
  // Stage 1 and the echo, then stage 2, as the program runs them.
  bool run_both_stages(const std::string& input) {
    platform::testing::set_stdin(input);
    if (!driver::ask_run_parameters(runpar_, stop_)) return false;
    driver::echo_run_parameters(runpar_);
    return driver::ask_variables(runpar_, stop_);
  }
  // The rest of standard input after the dialogue.
  static std::string next_input_line() {
    std::string line;
    return platform::read_line(platform::kStdinUnit, line) == platform::kOk ? line : "<eof>";
  }
  RunPar runpar_;
  DialogueStop stop_;
};

const std::string kStageOnePrompts =
    " number of points in X-dir (NX)\n"
    " number of points in Y-dir (NY)\n"
    " enter filename\n"
    " enter output1 filename\n"
    " enter the number of time periods we want to skip\n"
    " enter the number of time periods\n"
    " enter numbers of variables\n"
    " enter GAREA (lat1 lon1 lat2 lon2)\n"
    " enter PROJ (CED, LCC)\n"
    " enter projection angles (angl1 angl2 angl3)\n";

const std::string kVariableBlockPrompts =
    " enter numbers of vertical levels\n"
    " (enter -1 if same as previous variable)\n"
    " enter vertical coordinate number\n"
    " 0:none, 1:pres, 2:thta, 3:height, 4:sigma\n"
    " (enter -1 if same as previous variable)\n"
    " FOR VERTICAL LEVELS\n"
    " enter -1 if same as previous variable, OR\n"
    " enter 0 if new vertical levels\n";

TEST_F(DialogueTest, TwoTimesOneVariableTranscript) {
  ASSERT_TRUE(
      run_both_stages("3\n2\ndata/in.txt\nout.grd\n0\n2\n1\n45.0 -100.0 50.5 -90.25\nCED\n0 0 0\n"
                      "230101/0000\n230101/1200\nTMPK\n2\n1\n0\n500 850\nleft over\n"))
      << driver::stop_message(stop_);
  const std::string expected =
      kStageOnePrompts + " NX =" + blanks(12) + "3\n" + " NY =" + blanks(12) + "2\n" +
      " infile = data/in.txt" + blanks(59) + "\n" + " outfile1 = out.grd" + blanks(63) + "\n" +
      " nskip =" + blanks(12) + "0\n" + " ntimes =" + blanks(12) + "2\n" + " nvar =" + blanks(12) +
      "1\n" +
      " GAREA =    45.0000000      -100.000000       50.5000000      -90.2500000    \n"
      " PROJ = CED   0.00000000       0.00000000       0.00000000    \n"
      " enter the dates date/time, yymmdd/hhmm\n"
      " enter variable names\n"
      " FOR VARIABLE: TMPK        \n" +
      kVariableBlockPrompts + " enter vertical levels in order\n";
  EXPECT_EQ(platform::testing::take_stdout(), expected);
  EXPECT_EQ(runpar_.dates,
            (std::vector<std::string>{"230101/0000" + blanks(9), "230101/1200" + blanks(9)}));
  EXPECT_EQ(runpar_.nlevels, std::vector<int>{2});
  EXPECT_EQ(runpar_.vcodes, std::vector<int>{1});
  EXPECT_EQ(runpar_.levels[0][0], 500);
  EXPECT_EQ(runpar_.levels[0][1], 850);
  EXPECT_EQ(next_input_line(), "left over");
}

TEST_F(DialogueTest, FixedWidthAnswersAreCutOrPadded) {
  const std::string long_name(75, 'n');
  ASSERT_TRUE(run_both_stages("-4\n0\n  my input file.txt\n" + long_name +
                              "\n7\n1\n2\n1 2 3 4\n'L C'\n1.5 2.5 3.5\n"
                              "230101/0000 and more text\n"
                              "TEMPERATURE_AT_2M\nRH\n"
                              "0\n0\n0\n\n"
                              "0\n0\n0\n\n"))
      << driver::stop_message(stop_);
  EXPECT_EQ(runpar_.NX, -4);  // sizes are not checked for sense
  EXPECT_EQ(runpar_.NY, 0);
  EXPECT_EQ(runpar_.infile, "  my input file.txt" + blanks(51));
  EXPECT_EQ(runpar_.outfile1, long_name.substr(0, 70));
  EXPECT_EQ(runpar_.PROJ, "L C");
  EXPECT_EQ(runpar_.dates, std::vector<std::string>{"230101/0000 and more"});
  EXPECT_EQ(runpar_.varnames, (std::vector<std::string>{"TEMPERATURE_", "RH          "}));
  const std::string out = platform::testing::take_stdout();
  EXPECT_NE(out.find(" infile =   my input file.txt" + blanks(51) + "\n"), std::string::npos);
  EXPECT_NE(out.find(" outfile1 = " + long_name.substr(0, 70) + "\n"), std::string::npos);
  EXPECT_NE(out.find(" GAREA =    1.00000000       2.00000000       3.00000000       "
                     "4.00000000    \n PROJ = L C   1.50000000       2.50000000       "
                     "3.50000000    \n"),
            std::string::npos);
  EXPECT_NE(out.find(" FOR VARIABLE: TEMPERATURE_\n"), std::string::npos);
  EXPECT_NE(out.find(" FOR VARIABLE: RH          \n"), std::string::npos);
}

TEST_F(DialogueTest, MinusOneCopiesFromThePreviousVariable) {
  RunPar& p = runpar_;
  p.nvar = 4;
  platform::testing::set_stdin(
      "A\nB\nC\nD\n"
      "3\n1\n0\n1000 850\n500\n"  // A: levels over two lines
      "-1\n2\n-1\n"               // B: count and levels copied, own coordinate
      "2\n-1\n0\n10\n20 30\n"     // C: own count, coordinate copied, one per line
      "4\n-1\n-1\n"               // D: more levels than C had
      "after\n");
  ASSERT_TRUE(driver::ask_variables(p, stop_)) << driver::stop_message(stop_);
  EXPECT_EQ(p.nlevels, (std::vector<int>{3, 3, 2, 4}));
  EXPECT_EQ(p.vcodes, (std::vector<int>{1, 2, 2, 2}));
  EXPECT_EQ((std::vector<int>(p.levels[1].begin(), p.levels[1].begin() + 3)),
            (std::vector<int>{1000, 850, 500}));
  EXPECT_EQ((std::vector<int>(p.levels[2].begin(), p.levels[2].begin() + 3)),
            (std::vector<int>{10, 20, 0}));  // 30 was the discarded rest of a line
  EXPECT_EQ((std::vector<int>(p.levels[3].begin(), p.levels[3].begin() + 4)),
            (std::vector<int>{10, 20, 0, 0}));  // never answered: 0
  EXPECT_EQ(next_input_line(), "after");

  // With -1 for the levels, "enter vertical levels in order" is not written.
  const std::string out = platform::testing::take_stdout();
  const std::string b_block =
      " FOR VARIABLE: B           \n" + kVariableBlockPrompts + " FOR VARIABLE: C";
  EXPECT_NE(out.find(b_block), std::string::npos);
}

TEST_F(DialogueTest, NoTimesAndNoVariables) {
  runpar_.ntimes = 0;
  runpar_.nvar = 0;
  platform::testing::set_stdin("ignored names line\nnext\n");
  ASSERT_TRUE(driver::ask_variables(runpar_, stop_));
  EXPECT_EQ(platform::testing::take_stdout(),
            " enter the dates date/time, yymmdd/hhmm\n enter variable names\n");
  EXPECT_TRUE(runpar_.dates.empty());
  EXPECT_EQ(next_input_line(), "next");

  // A level count of 0 still writes the level prompt and takes one line.
  runpar_.ntimes = -2;
  runpar_.nvar = 1;
  platform::testing::set_stdin("V\n0\n0\n0\n5 6 7\nnext\n");
  ASSERT_TRUE(driver::ask_variables(runpar_, stop_));
  EXPECT_EQ(runpar_.nlevels, std::vector<int>{0});
  EXPECT_EQ(next_input_line(), "next");
}

// Bad answers: each stops at once, naming its question.
TEST_F(DialogueTest, BadAnswersStopAtTheirQuestion) {
  platform::testing::set_stdin("3\nabc\n");
  EXPECT_FALSE(driver::ask_run_parameters(runpar_, stop_));
  EXPECT_EQ(stop_.question, "number of points in Y-dir (NY)");
  EXPECT_EQ(driver::stop_message(stop_),
            "text2grid: stopped at the question \"number of points in Y-dir (NY)\": "
            "cannot read \"abc\" as an integer");
  EXPECT_EQ(platform::testing::take_stdout(),
            " number of points in X-dir (NX)\n number of points in Y-dir (NY)\n");

  platform::testing::set_stdin("70000\n70000\n");
  EXPECT_FALSE(driver::ask_run_parameters(runpar_, stop_));
  EXPECT_EQ(stop_.question, "number of points in Y-dir (NY)");
  EXPECT_NE(stop_.problem.find("4900000000"), std::string::npos);

  platform::testing::set_stdin("-70000\n70000\nin\n");  // not a grid size worth refusing
  EXPECT_FALSE(driver::ask_run_parameters(runpar_, stop_));
  EXPECT_EQ(stop_.question, "enter output1 filename");
  EXPECT_EQ(stop_.problem, "end of input before the answer");

  platform::testing::set_stdin("1\n1\na\nb\n0\n1\n1\n1 2 3 x\n");
  EXPECT_FALSE(driver::ask_run_parameters(runpar_, stop_));
  EXPECT_EQ(stop_.question, "enter GAREA (lat1 lon1 lat2 lon2)");
  EXPECT_NE(stop_.problem.find("\"x\""), std::string::npos);
}

TEST_F(DialogueTest, RefusedVariableAnswers) {
  struct Case {
    int ntimes;
    int nvar;
    std::string input;
    std::string question;
  };
  const std::vector<Case> cases = {
      {0, 1, "A\n-1\n", "enter numbers of vertical levels (variable 1)"},
      {0, 1, "A\n2\n-1\n", "enter vertical coordinate number (variable 1)"},
      {0, 1, "A\n2\n1\n-1\n", "FOR VERTICAL LEVELS (variable 1)"},
      {0, 1, "A\n31\n", "enter numbers of vertical levels (variable 1)"},
      {0, 1, "A\n1\n1\n0\n5.5\n", "enter vertical levels in order (variable 1)"},
      {0, 1, "A\n2\n1\n0\n5\n", "enter vertical levels in order (variable 1)"},
      {0, 2, "A\nB\n1\n1\n0\n5\n2\n", "enter vertical coordinate number (variable 2)"},
      {0, 2, "A\n", "enter variable names (variable 2)"},
      {2, 0, "230101/0000\n", "enter the dates date/time, yymmdd/hhmm (time 2)"},
      {0, 0, "", "enter variable names"},
  };
  for (const Case& c : cases) {
    RunPar p;
    p.ntimes = c.ntimes;
    p.nvar = c.nvar;
    platform::testing::set_stdin(c.input);
    EXPECT_FALSE(driver::ask_variables(p, stop_)) << c.input;
    EXPECT_EQ(stop_.question, c.question) << c.input;
  }
}


}  // namespace
