// The text2grid program as a child process: a bad answer or the end of input
// stops it with status 2, one message on standard error, the prompts so far on
// standard output, and no file created.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/test_files.h"

namespace {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
  int files_created = 0;
};

std::string slurp(const std::filesystem::path& path) {
  return test_files::read_file(path.string());
}

// Runs text2grid in an empty working folder with `input` on standard input
// and the command-line words `options`; standard output goes to `stdout_path`
// when one is given.
RunResult run_text2grid(const std::string& input, const std::string& options = "",
                        const std::string& stdout_path = "") {
  const std::filesystem::path work = test_files::make_unique_dir("text2grid_run");
  const std::filesystem::path io = work.string() + "_io";
  std::filesystem::create_directory(io);
  std::ofstream(io / "stdin") << input;
  const std::string command = "cd '" + work.string() + "' && '" TEXT2GRID_PATH "' " + options +
                              " < '" + (io / "stdin").string() + "' > '" +
                              (stdout_path.empty() ? (io / "stdout").string() : stdout_path) +
                              "' 2> '" + (io / "stderr").string() + "'";
  const int raw = std::system(command.c_str());
  RunResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = slurp(io / "stdout");
  result.err = slurp(io / "stderr");
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(work)) {
    ++result.files_created;
  }
  std::filesystem::remove_all(work);
  std::filesystem::remove_all(io);
  return result;
}

TEST(Text2gridProgramTest, UnreadableAnswerStopsWithStatusTwo) {
  const RunResult r = run_text2grid("ten\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, " number of points in X-dir (NX)\n");
  EXPECT_EQ(r.err,
            "text2grid: stopped at the question \"number of points in X-dir (NX)\": "
            "cannot read \"ten\" as an integer\n");
  EXPECT_EQ(r.files_created, 0);
}

TEST(Text2gridProgramTest, EndOfInputStopsWithStatusTwo) {
  const RunResult r = run_text2grid("3\n2\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out,
            " number of points in X-dir (NX)\n"
            " number of points in Y-dir (NY)\n"
            " enter filename\n");
  EXPECT_EQ(r.err,
            "text2grid: stopped at the question \"enter filename\": end of input before the "
            "answer\n");
}

TEST(Text2gridProgramTest, RefusedVariableAnswerAfterTheEcho) {
  const RunResult r =
      run_text2grid("3\n2\nin.txt\nout.grd\n0\n1\n1\n1 2 3 4\nCED\n0 0 0\n230101/0000\nT\n-1\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find(" PROJ = CED"), std::string::npos);
  EXPECT_TRUE(r.out.ends_with(" (enter -1 if same as previous variable)\n")) << r.out;
  EXPECT_EQ(r.err,
            "text2grid: stopped at the question \"enter numbers of vertical levels (variable "
            "1)\": read -1 (same as previous variable) for the first variable\n");
  EXPECT_EQ(r.files_created, 0);
}

// The command line: --help and --version on standard output with status 0;
// an unknown option or a stray argument is refused with status 2 before any
// question is asked.
TEST(Text2gridProgramTest, CommandLine) {
  const RunResult help = run_text2grid("", "--help");
  EXPECT_EQ(help.status, 0);
  // Both ways, the command-line way first, each with an example.
  EXPECT_TRUE(help.out.starts_with("usage: text2grid -i VALUES -o GRIDFILE --size NXxNY"))
      << help.out;
  EXPECT_NE(help.out.find("\nusage: text2grid [--pack grib:BITS|diff:BITS|dec:DIGITS]"),
            std::string::npos);
  EXPECT_NE(help.out.find("Example: text2grid -i input.txt"), std::string::npos);
  EXPECT_NE(help.out.find("Example: text2grid < examples/answers.txt"), std::string::npos);
  EXPECT_NE(help.out.find("  --quiet "), std::string::npos);
  EXPECT_NE(help.out.find("  --durable "), std::string::npos);
  EXPECT_EQ(help.err, "");

  const RunResult version = run_text2grid("", "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_TRUE(version.out.starts_with("text2grid 1.")) << version.out;

  const RunResult unknown = run_text2grid("3\n", "--verbose");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err, "text2grid: unknown option \"--verbose\" (see text2grid --help)\n");

  const RunResult stray = run_text2grid("3\n", "answers.txt");
  EXPECT_EQ(stray.status, 2);
  EXPECT_EQ(stray.out, "");

  const RunResult pack = run_text2grid("3\n", "--pack grib:40");
  EXPECT_EQ(pack.status, 2);
  EXPECT_EQ(pack.err,
            "text2grid: --pack \"grib:40\": BITS must be a whole number from 2 to 31 (see "
            "text2grid --help)\n");
}

// Standard output that cannot be written (a full disk) fails a run that
// otherwise wrote every grid; the grid file is complete all the same.
TEST(Text2gridProgramTest, FailedStandardOutputFailsTheRun) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  const std::string values = ::testing::TempDir() + "/text2grid_full_values.txt";
  std::ofstream(values) << "1\n2\n";
  const RunResult r = run_text2grid("2\n1\n" + values +
                                        "\nout.grd\n0\n1\n1\n1 2 3 4\nCED\n0 0 0\n"
                                        "230101/0000\nT\n1\n1\n0\n850\n",
                                    "", "/dev/full");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "text2grid: standard output could not be written: No space left on device\n");
  EXPECT_EQ(r.files_created, 1) << "the grid file";
  std::filesystem::remove(values);
}

}  // namespace
