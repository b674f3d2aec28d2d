// The programs as a shell runs them, against what an unlucky environment
// hands them: closed standard streams, a FIFO or device where a file belongs,
// a line of tens of megabytes, a damaged file to salvage.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "driver/convert_test_support.h"

namespace {

using convert_test::read_file;
using convert_test::stage_one;
using convert_test::write_file;

// Runs a shell command in `dir`; its exit status (128 + n for signal n).
int sh(const std::string& dir, const std::string& command) {
  ::setenv("MORERR", T2G_SOURCE_DIR "/tables/errors", 0);
  const int raw = std::system(("cd " + dir + " && " + command).c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

std::string values(int n) {
  std::string text;
  for (int k = 0; k < n; ++k) text += std::to_string(k) + ".25\n";
  return text;
}

constexpr const char* kT2g = TEXT2GRID_PATH;
constexpr const char* kInfo = GRIDINFO_PATH;

// Standard output and error closed, and the input ending inside the second
// grid: the error message must not land in the grid file, whose label and
// first grid stay intact.
TEST(HygieneProcessTest, ClosedStandardStreamsDoNotReceiveTheGridFile) {
  const std::string dir = convert_test::make_scratch_dir("closed_streams");
  write_file(dir + "/in.txt", values(6 + 3));
  write_file(dir + "/answers",
             stage_one(3, 2, "in.txt", "g.grd", 0, 1, 1) + "910823/1200\nT\n2\n1\n0\n1 2\n");
  EXPECT_EQ(sh(dir, std::string(kT2g) + " < answers >&- 2>&-"), 2);
  EXPECT_EQ(sh(dir, std::string(kInfo) + " g.grd --check > check.txt 2>&1"), 0)
      << read_file(dir + "/check.txt");
  EXPECT_EQ(sh(dir, std::string(kInfo) + " g.grd --dump 1 > dump.txt 2>&1"), 0);
  EXPECT_EQ(read_file(dir + "/dump.txt"), values(6));
}

// A FIFO or a device as the input file, a FIFO as the grid file to look at,
// a folder as message directory entry: refused at once, never a hang.
TEST(HygieneProcessTest, FifoAndDevicesAreRefusedAtOnce) {
  const std::string dir = convert_test::make_scratch_dir("fifo");
  ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  write_file(dir + "/answers",
             stage_one(3, 2, "pipe", "g.grd", 0, 1, 1) + "910823/1200\nT\n1\n1\n0\n1\n");
  EXPECT_EQ(sh(dir, "timeout 20 " + std::string(kT2g) + " < answers > out.txt 2> err.txt"), 2);
  EXPECT_NE(read_file(dir + "/err.txt").find("not a regular file"), std::string::npos)
      << read_file(dir + "/err.txt");
  write_file(dir + "/answers",
             stage_one(3, 2, "/dev/zero", "h.grd", 0, 1, 1) + "910823/1200\nT\n1\n1\n0\n1\n");
  EXPECT_EQ(sh(dir, "timeout 20 " + std::string(kT2g) + " < answers > out.txt 2> err.txt"), 2);
  EXPECT_EQ(sh(dir, "timeout 20 " + std::string(kInfo) + " pipe > out.txt 2> err.txt"), 1);
  EXPECT_EQ(sh(dir, "timeout 20 " + std::string(kInfo) + " pipe --check > out.txt 2> err.txt"), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
}

// Peak memory (KB) of a text2grid run reading `first_line` before the values.
long peak_kb(const std::string& dir, const std::string& first_line) {
  write_file(dir + "/in.txt", first_line + "\n" + values(6));
  std::filesystem::remove(dir + "/g.grd");
  write_file(dir + "/answers",
             stage_one(3, 2, "in.txt", "g.grd", 0, 1, 1) + "910823/1200\nT\n1\n1\n0\n1\n");
  EXPECT_EQ(sh(dir, "/usr/bin/time -f %M -o peak.txt " + std::string(kT2g) +
                        " < answers > out.txt 2> err.txt"),
            0)
      << read_file(dir + "/err.txt");
  return std::stol(read_file(dir + "/peak.txt"));
}

// A 48 MB line of blanks before the values costs no more memory than a short
// one: the line is cut and its rest skipped unread into memory.
TEST(HygieneProcessTest, HugeInputLineTakesBoundedMemory) {
  const std::string dir = convert_test::make_scratch_dir("long_line");
  const long small = peak_kb(dir, " ");
  const long big = peak_kb(dir, std::string(48u << 20, ' '));
  EXPECT_LT(big, small + 8 * 1024) << "short line " << small << " KB, 48 MB line " << big << " KB";
  EXPECT_EQ(sh(dir, std::string(kInfo) + " g.grd --dump 1 > dump.txt"), 0);
  EXPECT_EQ(read_file(dir + "/dump.txt"), values(6));
}

// A file cut inside its last grid (as a run killed before writes were ordered
// could leave it): --check reports the damage, reading still lists the grids
// that lie wholly inside, and --salvage copies exactly those.
TEST(HygieneProcessTest, TornFileIsReadAndSalvaged) {
  const std::string dir = convert_test::make_scratch_dir("torn");
  constexpr int kNx = 40, kNy = 30;
  write_file(dir + "/in.txt", values(3 * kNx * kNy));
  write_file(dir + "/answers",
             stage_one(kNx, kNy, "in.txt", "g.grd", 0, 1, 1) + "910823/1200\nT\n3\n1\n0\n1 2 3\n");
  ASSERT_EQ(sh(dir, std::string(kT2g) + " < answers > out.txt 2> err.txt"), 0);
  // Cut 1000 bytes off: the last grid loses its end, and the file is no
  // longer a whole number of records.
  const auto size = std::filesystem::file_size(dir + "/g.grd");
  std::filesystem::resize_file(dir + "/g.grd", size - 1000);
  EXPECT_EQ(sh(dir, std::string(kInfo) + " g.grd --check > check.txt 2>&1"), 1);
  EXPECT_NE(read_file(dir + "/check.txt").find("not a whole number"), std::string::npos)
      << read_file(dir + "/check.txt");
  EXPECT_EQ(sh(dir, std::string(kInfo) + " g.grd --dump 2 > dump.txt 2> err.txt"), 0);
  EXPECT_NE(read_file(dir + "/err.txt").find("damaged"), std::string::npos);
  EXPECT_EQ(sh(dir, std::string(kInfo) + " g.grd --dump 3 > dump.txt 2> err.txt"), 1);

  EXPECT_EQ(sh(dir, std::string(kInfo) + " g.grd --salvage new.grd > salvage.txt 2> err.txt"), 1);
  // The library's own message about grid 3 goes to standard error with the rest.
  EXPECT_EQ(read_file(dir + "/salvage.txt"), "Salvaged 2 of 3 grids into new.grd\n");
  EXPECT_NE(read_file(dir + "/err.txt").find("grid 3"), std::string::npos)
      << read_file(dir + "/err.txt");
  EXPECT_EQ(sh(dir, std::string(kInfo) + " new.grd --check > check.txt 2>&1"), 0)
      << read_file(dir + "/check.txt");
  for (int g = 1; g <= 2; ++g) {
    const std::string n = std::to_string(g);
    EXPECT_EQ(sh(dir, std::string(kInfo) + " g.grd --dump " + n + " > a.txt 2>/dev/null"), 0);
    EXPECT_EQ(sh(dir, std::string(kInfo) + " new.grd --dump " + n + " > b.txt"), 0);
    EXPECT_EQ(read_file(dir + "/a.txt"), read_file(dir + "/b.txt")) << "grid " << g;
  }
  // The new file is never written over.
  EXPECT_EQ(sh(dir, std::string(kInfo) + " g.grd --salvage new.grd > /dev/null 2>&1"), 1);
  EXPECT_EQ(sh(dir, std::string(kInfo) + " new.grd --check > /dev/null 2>&1"), 0);
}

}  // namespace
