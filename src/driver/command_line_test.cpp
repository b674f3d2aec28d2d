// text2grid's command-line way, run whole: the same file as the dialogue's,
// values in any layout, nothing left by a run that fails or is refused, and
// --overwrite keeping the old file whole wherever the run dies. Files are
// judged through the reader (gridfile::GridFile) and gridinfo --check.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/convert.h"
#include "driver/convert_test_support.h"
#include "driver/text2grid.h"
#include "gridfile/gridfile.h"
#include "platform/platform_test.h"

namespace {

constexpr const char* kExampleInput = T2G_SOURCE_DIR "/examples/input.txt";

// The bundled example's run as words after -i and -o.
std::vector<std::string> example_words() {
  return {"--size", "8x6",         "--area", "30,-100,37.5,-86",      "--time", "910823/1200",
          "--time", "910824/0000", "--var",  "TMPK:PRES=850,700,500", "--var",  "PMSL=0"};
}

class CommandLineWayTest : public convert_test::ConversionFixture {
 protected:
  void SetUp() override { prepare("command_line"); }

  // Runs text2grid in-process on `words` after the program name.
  int run(const std::vector<std::string>& words) {
    std::vector<std::string> args = {"text2grid"};
    args.insert(args.end(), words.begin(), words.end());
    platform::testing::take_stdout();
    platform::testing::take_stderr();
    const int status = driver::text2grid_main(args);
    out = platform::testing::take_stdout();
    err = platform::testing::take_stderr();
    return status;
  }

  // Converts `input` into `output` with the example's grid words and `more`.
  int convert(const std::string& input, const std::string& output,
              std::vector<std::string> more = {}) {
    std::vector<std::string> words = {"-i", input, "-o", output};
    const std::vector<std::string> example = example_words();
    words.insert(words.end(), example.begin(), example.end());
    words.insert(words.end(), more.begin(), more.end());
    return run(words);
  }

  std::vector<std::string> files_in_dir() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      names.push_back(e.path().filename().string());
    }
    return names;
  }

  std::string out, err;
};

TEST_F(CommandLineWayTest, BundledExampleGivesTheDialoguesFileByteForByte) {
  const std::string dialogue = dir_ + "/dialogue.grd";
  platform::testing::set_stdin(convert_test::stage_one(8, 6, kExampleInput, dialogue, 0, 2, 2) +
                               "910823/1200\n910824/0000\nTMPK\nPMSL\n3\n1\n0\n850 700 500\n"
                               "1\n0\n0\n0\n");
  ASSERT_EQ(driver::run_text2grid(), 0);
  ASSERT_EQ(convert(kExampleInput, out_), 0) << err;
  EXPECT_EQ(convert_test::read_file(out_), convert_test::read_file(dialogue));
  // One line per grid, then the summary; no library transcript.
  EXPECT_TRUE(
      out.starts_with("written grid 1 of 8: time 910823/1200, level 850, vertical "
                      "coordinate 1, parameter TMPK\n"))
      << out;
  EXPECT_TRUE(out.ends_with("wrote 8 grid(s) to \"" + out_ + "\"\n")) << out;
  EXPECT_EQ(out.find("iret"), std::string::npos);
}

// A row per line as numpy.savetxt writes it (fmt "%.18e", one blank between
// values), several grids of NY rows, gives the file the same values one per
// line give; and the grids come back top row first.
TEST_F(CommandLineWayTest, RowPerLineAndOnePerLineGiveTheSameFile) {
  std::string rows, single, csv;
  for (int g = 0; g < 8; ++g) {
    for (int j = 0; j < 6; ++j) {
      for (int i = 0; i < 8; ++i) {
        std::array<char, 64> text{};
        std::snprintf(text.data(), text.size(), "%.18e", 100.0 * g + 10.0 * j + i + 0.25);
        rows += std::string(i > 0 ? " " : "") + text.data();
        csv += std::string(i > 0 ? "," : "") + text.data();
        single += std::string(text.data()) + "\n";
      }
      rows += "\n";
      csv += "\r\n";
    }
  }
  convert_test::write_file(dir_ + "/rows.txt", rows);
  convert_test::write_file(dir_ + "/single.txt", single);
  convert_test::write_file(dir_ + "/values.csv", csv);
  ASSERT_EQ(convert(dir_ + "/rows.txt", dir_ + "/rows.grd"), 0) << err;
  ASSERT_EQ(convert(dir_ + "/single.txt", dir_ + "/single.grd"), 0) << err;
  ASSERT_EQ(convert(dir_ + "/values.csv", dir_ + "/csv.grd", {"--layout", "csv"}), 0) << err;
  const std::string expected = convert_test::read_file(dir_ + "/single.grd");
  EXPECT_EQ(convert_test::read_file(dir_ + "/rows.grd"), expected);
  EXPECT_EQ(convert_test::read_file(dir_ + "/csv.grd"), expected);

  {
    // Closed before the next run, which starts the library afresh.
    auto file = gridfile::GridFile::open(dir_ + "/rows.grd");
    ASSERT_TRUE(file.ok());
    auto grid = file->read(3);
    ASSERT_TRUE(grid.ok());
    EXPECT_EQ(grid->at(1, 6), 200.25f) << "the first row of the input is the top row";
    EXPECT_EQ(grid->at(8, 1), 257.25f);
  }

  // Commas are not separators in the free layout.
  EXPECT_EQ(convert(dir_ + "/values.csv", dir_ + "/free.grd"), driver::kBadInputStatus);
  EXPECT_NE(err.find("is not a real number"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/free.grd"));
}

// Input that does not hold exactly NX x NY x grids numbers: status 2, the
// counts in the message, and no file (nor a temporary one) left.
TEST_F(CommandLineWayTest, WrongCountsLeaveNoFile) {
  struct Case {
    std::vector<std::string> more;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--size", "8x5"}, "expected 320 numbers, found 384"},
      {{"--size", "8x7"},
       "ran out in grid 7 (time 910824/0000, level 500, vertical coordinate 1, parameter TMPK) "
       "at row 1 of 7 (rows are read top row first, 8 values each): expected 448 numbers, "
       "found 384"},
      {{"--time", "910824/1200"}, "expected 576 numbers, found 384"},
      {{"--var", "X=1"}, "expected 480 numbers, found 384"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words = {"-i", kExampleInput, "-o", out_};
    std::vector<std::string> example = example_words();
    // The size given here replaces the example's.
    if (c.more[0] == "--size") example.erase(example.begin(), example.begin() + 2);
    words.insert(words.end(), example.begin(), example.end());
    words.insert(words.end(), c.more.begin(), c.more.end());
    EXPECT_EQ(run(words), driver::kBadInputStatus) << c.message;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_TRUE(files_in_dir().empty()) << c.message << ": " << files_in_dir().front();
  }
  // The dialogue's own layout counts the lines left alike.
  std::vector<std::string> words = {"-i", kExampleInput, "-o", out_, "--layout", "lines"};
  const std::vector<std::string> example = example_words();
  words.insert(words.end(), example.begin(), example.end());
  words[7] = "8x5";
  EXPECT_EQ(run(words), driver::kBadInputStatus);
  EXPECT_NE(err.find("expected 320 numbers, found 384"), std::string::npos) << err;
  EXPECT_TRUE(files_in_dir().empty());
}

// Every mistake on the command line: status 2 before anything is created,
// naming the option and why.
TEST_F(CommandLineWayTest, MistakesAreRefusedBeforeAnythingIsCreated) {
  struct Case {
    std::vector<std::string> words;
    std::string message;
  };
  const std::string in = kExampleInput;
  const std::vector<std::string> area = {"--area", "30,-100,37.5,-86"};
  const std::vector<Case> cases = {
      {{"--size", "86"}, "--size \"86\": give NXxNY"},
      {{"--area", "1,2,3"}, "--area \"1,2,3\": give 4 numbers separated by commas"},
      {{"--var", "T:PRESS=850"}, "--var \"T:PRESS=850\": \"PRESS\" is not a vertical coordinate"},
      {{"--var", "T:PRES=850.5"}, "level \"850.5\" is not a whole number"},
      {{"--var",
        "T=1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,"
        "29,30,31"},
       "31 levels; at most 30 fit a variable"},
      {{"--max-grids", "9"}, "--max-grids 9: 1 time(s) x 10 level(s) make 10 grids"},
      {{"--time", "911323/1200"}, "--time \"911323/1200\": the month is outside 1-12"},
      {{"--layout", "rows"}, "--layout \"rows\": use free, lines or csv"},
      {{"--proj", "LAMBERT"}, "--proj \"LAMBERT\": a projection name has 1 to 3 characters"},
      {{"--var", "T:PRES=5,7,5"}, "--var \"T\": level 5 at time 910823/1200 twice"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> words = {"-i", in, "-o", out_, "--size", "8x6"};
    words.insert(words.end(), area.begin(), area.end());
    words.insert(words.end(), {"--time", "910823/1200", "--var", "T:PRES=1,2,3,4,5,6,7,8,9,10"});
    for (std::size_t k = 0; k < c.words.size(); k += 2) {
      // The case's option replaces the base's of that name.
      for (std::size_t w = 4; w + 1 < words.size(); w += 2) {
        if (words[w] == c.words[k] && c.words[k] != "--max-grids") {
          words.erase(words.begin() + static_cast<std::ptrdiff_t>(w),
                      words.begin() + static_cast<std::ptrdiff_t>(w) + 2);
          break;
        }
      }
      words.insert(words.end(), c.words.begin() + static_cast<std::ptrdiff_t>(k),
                   c.words.begin() + static_cast<std::ptrdiff_t>(k) + 2);
    }
    EXPECT_EQ(run(words), driver::kUsageStatus) << c.message;
    EXPECT_TRUE(err.starts_with("text2grid: ")) << err;
    EXPECT_NE(err.find(c.message), std::string::npos) << err;
    EXPECT_EQ(out, "");
    EXPECT_TRUE(files_in_dir().empty()) << c.message;
  }
  EXPECT_EQ(run({"-o", out_, "--size", "8x6"}), driver::kUsageStatus);
  EXPECT_NE(err.find("the command-line way needs -i/--input VALUES"), std::string::npos) << err;
  // An existing file is refused without --overwrite, and left alone.
  convert_test::write_file(out_, "old");
  EXPECT_EQ(convert(kExampleInput, out_), driver::kUsageStatus);
  EXPECT_NE(err.find("the file exists; give --overwrite"), std::string::npos) << err;
  EXPECT_EQ(convert_test::read_file(out_), "old");
}

TEST_F(CommandLineWayTest, DryRunPrintsThePlanAndWritesNothing) {
  ASSERT_EQ(convert(kExampleInput, out_, {"--dry-run", "--max-grids", "10"}), 0) << err;
  EXPECT_NE(out.find("8 grid(s) of 8 x 6, room for 10 grids"), std::string::npos) << out;
  EXPECT_NE(out.find("grid 8: time 910824/0000, level 0, vertical coordinate 0, parameter PMSL"),
            std::string::npos);
  EXPECT_NE(out.find(": 384 (8 x 6 x 8)"), std::string::npos) << out;
  EXPECT_TRUE(files_in_dir().empty());
}

// --max-grids 10: a small file that gridinfo --check accepts and the reader
// reads whole; the dialogue with the option writes the same file.
TEST_F(CommandLineWayTest, MaxGridsTenGivesASmallSoundFile) {
  ASSERT_EQ(convert(kExampleInput, out_, {"--max-grids", "10"}), 0) << err;
  const auto size = std::filesystem::file_size(out_);
  EXPECT_LT(size, 20000u) << "9999 columns take 486400 bytes";
  const std::string check = std::string(GRIDINFO_PATH) + " " + out_ + " --check > /dev/null";
  EXPECT_EQ(std::system(check.c_str()), 0);
  {
    auto file = gridfile::GridFile::open(out_);
    ASSERT_TRUE(file.ok());
    auto grids = file->grids();
    ASSERT_TRUE(grids.ok());
    ASSERT_EQ(grids->size(), 8u);
    for (int n = 1; n <= 8; ++n) EXPECT_TRUE(file->read(n).ok()) << "grid " << n;
  }

  const std::string dialogue = dir_ + "/dialogue.grd";
  platform::testing::set_stdin(convert_test::stage_one(8, 6, kExampleInput, dialogue, 0, 2, 2) +
                               "910823/1200\n910824/0000\nTMPK\nPMSL\n3\n1\n0\n850 700 500\n"
                               "1\n0\n0\n0\n");
  ASSERT_EQ(driver::text2grid_main(std::vector<std::string>{"text2grid", "--max-grids", "10"}), 0);
  EXPECT_EQ(convert_test::read_file(dialogue), convert_test::read_file(out_));
}

TEST_F(CommandLineWayTest, KeepPartialKeepsTheGridsWrittenBeforeAFailure) {
  const std::string all = convert_test::read_file(kExampleInput);
  std::size_t at = 0;
  for (int line = 0; line < 100; ++line) at = all.find('\n', at) + 1;
  convert_test::write_file(in_, all.substr(0, at));
  EXPECT_EQ(convert(in_, out_, {"--keep-partial"}), driver::kBadInputStatus);
  EXPECT_NE(err.find("expected 384 numbers, found 100"), std::string::npos) << err;
  auto file = gridfile::GridFile::open(out_);
  ASSERT_TRUE(file.ok());
  auto grids = file->grids();
  ASSERT_TRUE(grids.ok());
  EXPECT_EQ(grids->size(), 2u);
  EXPECT_EQ(files_in_dir().size(), 2u) << "the values and the grid file";
}

// --overwrite over an existing file: whichever file change the run dies at,
// the name holds the old file whole or the new one whole, and at most the
// run's recognisable temporary file is left beside it.
TEST_F(CommandLineWayTest, OverwriteKeepsTheOldFileWholeAtEveryCrashPoint) {
  const std::string old_file = dir_ + "/old.grd";
  ASSERT_EQ(convert(kExampleInput, old_file, {"--max-grids", "10"}), 0);
  const std::string old_bytes = convert_test::read_file(old_file);
  ASSERT_EQ(convert(kExampleInput, dir_ + "/new.grd"), 0);
  const std::string new_bytes = convert_test::read_file(dir_ + "/new.grd");
  std::filesystem::remove(dir_ + "/new.grd");
  std::filesystem::rename(old_file, dir_ + "/old.keep");

  auto fresh_run = [&] {
    for (const auto& e : std::filesystem::directory_iterator(dir_)) {
      if (e.path().filename() != "old.keep") std::filesystem::remove(e.path());
    }
    convert_test::write_file(out_, old_bytes);
    return convert(kExampleInput, out_, {"--overwrite"});
  };
  platform::testing::reset_file_changes();
  ASSERT_EQ(fresh_run(), 0) << err;
  const std::int64_t nchanges = platform::testing::file_changes();
  ASSERT_GT(nchanges, 8);
  EXPECT_EQ(convert_test::read_file(out_), new_bytes);
  int old_seen = 0;
  for (std::int64_t k = 1; k <= nchanges; ++k) {
    platform::testing::crash_at_change(k);
    fresh_run();
    ASSERT_TRUE(platform::testing::crashed()) << "change " << k;
    platform::testing::clear_faults();
    const std::string now = convert_test::read_file(out_);
    ASSERT_TRUE(now == old_bytes || now == new_bytes) << "crash at change " << k;
    old_seen += now == old_bytes ? 1 : 0;
    for (const std::string& name : files_in_dir()) {
      EXPECT_TRUE(name == "grids.grd" || name == "old.keep" ||
                  name.starts_with("grids.grd.incomplete."))
          << "crash at change " << k << ": " << name;
    }
  }
  EXPECT_EQ(old_seen, nchanges) << "only the last change, the rename, brings the new file";
}

// The real program killed by SIGKILL at some changes of an --overwrite run:
// the old file stays whole, gridinfo --check accepts it.
TEST_F(CommandLineWayTest, KilledOverwriteLeavesTheOldFile) {
  ASSERT_EQ(convert(kExampleInput, out_, {"--max-grids", "10"}), 0);
  const std::string old_bytes = convert_test::read_file(out_);
  // The changes of such a run, counted in-process.
  platform::testing::reset_file_changes();
  ASSERT_EQ(convert(kExampleInput, dir_ + "/count.grd", {"--overwrite"}), 0);
  const std::int64_t nchanges = platform::testing::file_changes();
  std::filesystem::remove(dir_ + "/count.grd");
  std::string words = std::string(" -q -i ") + kExampleInput + " -o " + out_ + " --overwrite";
  for (const std::string& w : example_words()) words += " " + w;
  for (const std::int64_t k : {std::int64_t{1}, nchanges / 2, nchanges - 1, nchanges}) {
    const std::string cmd = "T2G_TEST_KILL_AT_CHANGE=" + std::to_string(k) +
                            " " TEXT2GRID_KILLABLE_PATH + words + " > /dev/null 2>&1";
    const int rc = std::system(cmd.c_str());
    // The shell reports a child killed by a signal as status 128 + signal.
    EXPECT_TRUE((WIFEXITED(rc) && WEXITSTATUS(rc) == 128 + SIGKILL) ||
                (WIFSIGNALED(rc) && WTERMSIG(rc) == SIGKILL))
        << "kill at change " << k;
    EXPECT_EQ(convert_test::read_file(out_), old_bytes) << "kill at change " << k;
    const std::string check = std::string(GRIDINFO_PATH) + " " + out_ + " --check > /dev/null";
    EXPECT_EQ(std::system(check.c_str()), 0) << "kill at change " << k;
  }
}

}  // namespace
