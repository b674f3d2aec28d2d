// The text2grid program as a child process: exit statuses, a grid file that
// reaches the file size limit, and a run killed with SIGKILL half-way, after
// which every grid whose progress lines were printed must be complete on disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "driver/convert_test_support.h"

namespace {

using convert_test::expect_column;
using convert_test::GridFileWords;
using convert_test::read_file;
using convert_test::stage_one;
using convert_test::write_file;

struct Child {
  pid_t pid = -1;
  int out_fd = -1;  // read end of the child's standard output
};

// Starts text2grid in `dir` with `answers` on standard input, its standard
// output on a pipe and its standard error in dir/stderr. A positive
// `file_limit` caps the size of files it writes (ulimit -f), in bytes.
Child spawn(const std::string& dir, const std::string& answers, rlim_t file_limit = 0) {
  ::setenv("MORERR", T2G_SOURCE_DIR "/tables/errors", 0);
  write_file(dir + "/answers", answers);
  int fds[2];
  EXPECT_EQ(::pipe(fds), 0);
  Child child;
  child.pid = ::fork();
  if (child.pid == 0) {
    const int in = ::open((dir + "/answers").c_str(), O_RDONLY);
    const int err = ::open((dir + "/stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(fds[1], 1) < 0 || ::dup2(err, 2) < 0 ||
        ::chdir(dir.c_str()) != 0) {
      ::_exit(127);
    }
    ::close(fds[0]);
    if (file_limit > 0) {
      const rlimit limit{file_limit, file_limit};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(127);
    }
    ::execl(TEXT2GRID_PATH, "text2grid", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  // A small pipe: a child whose output is not read stops within a few dozen
  // grids, so a run can be caught half-way however the two are scheduled.
  ::fcntl(fds[0], F_SETPIPE_SZ, 4096);
  child.out_fd = fds[0];
  return child;
}

// Reads what is left of the child's output and waits for it; the raw status.
int finish(const Child& child, std::string& out) {
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(child.out_fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(child.out_fd);
  int status = 0;
  ::waitpid(child.pid, &status, 0);
  return status;
}

int exit_status(int raw) {
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Input values for `ngrids` grids of nx x ny: the k-th value (from 0) of grid
// g (from 1), in file order, is g * 100000 + k, exact as a real.
std::string numbered_values(int ngrids, int nx, int ny) {
  std::string text;
  char digits[16];
  for (int g = 1; g <= ngrids; ++g) {
    for (int k = 0; k < nx * ny; ++k) {
      const auto res = std::to_chars(digits, digits + sizeof digits, g * 100000 + k);
      text.append(digits, res.ptr);
      text += '\n';
    }
  }
  return text;
}

// Checks that grid g of numbered_values is complete in column g: the record's
// length and header, and every value in its place (the file's first value is
// the top row's first column).
void expect_numbered_grid(const GridFileWords& f, int g, int nx, int ny) {
  const int p = f.pointer(g);
  ASSERT_GE(p, convert_test::kFirstDataWord) << "grid " << g;
  ASSERT_EQ(f.word(p), 5 + nx * ny) << "grid " << g;
  ASSERT_EQ(f.word(p + 1), nx);
  ASSERT_EQ(f.word(p + 2), ny);
  int wrong = 0;
  for (int j = 1; j <= ny; ++j) {
    for (int i = 1; i <= nx; ++i) {
      const int k = (ny - j) * nx + (i - 1);
      const float want = static_cast<float>(g * 100000 + k);
      if (f.real(p + 5 + (j - 1) * nx + i) != want) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0) << "grid " << g;
}

TEST(ConvertProcessTest, ExitStatuses) {
  const std::string dir = convert_test::make_scratch_dir("exit_status");
  write_file(dir + "/in.txt", "1\n2\n");
  const std::string answers = "910823/1200\nT\n1\n1\n0\n850\n";

  std::string out;
  EXPECT_EQ(
      exit_status(finish(spawn(dir, stage_one(2, 1, "in.txt", "a.grd", 0, 1, 1) + answers), out)),
      0);
  EXPECT_TRUE(out.ends_with(" date 910823/1200          completed\n")) << out;
  EXPECT_EQ(read_file(dir + "/stderr"), "");

  out.clear();
  EXPECT_EQ(
      exit_status(finish(spawn(dir, stage_one(2, 1, "in.txt", "a.grd", 0, 1, 1) + answers), out)),
      1)
      << "the grid file exists already";
  EXPECT_EQ(read_file(dir + "/stderr"),
            "text2grid: the grid file \"a.grd\" could not be created: a file of that name "
            "exists, and text2grid never replaces a file: remove or rename it, or answer another "
            "output file name\ntext2grid: none of the 1 grids was written\n");

  out.clear();
  EXPECT_EQ(
      exit_status(finish(spawn(dir, stage_one(2, 1, "no.txt", "b.grd", 0, 1, 1) + answers), out)),
      2);
  EXPECT_EQ(read_file(dir + "/stderr"),
            "text2grid: cannot open the input file \"no.txt\": No such file or directory\n");
}

// A grid file that reaches the size limit: the refused writes are reported
// (FL and DM messages, non-zero codes) and survived, the run goes on to the
// end and exits with 1, and the grids written before are intact.
TEST(ConvertProcessTest, FileSizeLimitIsAFailedWrite) {
  const std::string dir = convert_test::make_scratch_dir("size_limit");
  constexpr int kNx = 100;
  constexpr int kNy = 100;
  constexpr int kGrids = 5;
  write_file(dir + "/in.txt", numbered_values(kGrids, kNx, kNy));
  // The new file takes 946 records; each grid about 79 more, so two fit.
  constexpr rlim_t kLimit = 946 * 512 + 2 * 80 * 512 + 1000;
  std::string out;
  const int raw = finish(spawn(dir,
                               stage_one(kNx, kNy, "in.txt", "g.grd", 0, 1, 1) +
                                   "910823/1200\nT\n5\n1\n0\n1 2 3 4 5\n",
                               kLimit),
                         out);
  ASSERT_TRUE(WIFEXITED(raw)) << "killed by signal " << WTERMSIG(raw);
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  EXPECT_EQ(count(out, " GD_WDAT1: iret =            0\n"), 2u) << out;
  EXPECT_EQ(count(out, " completed\n"), static_cast<std::size_t>(kGrids));
  EXPECT_NE(out.find(" [FL "), std::string::npos) << out;
  EXPECT_NE(out.find(" [DM -6]"), std::string::npos) << out;
  std::string summary = "text2grid: 3 of 5 grids were not written to \"g.grd\":\n";
  for (int g = 3; g <= kGrids; ++g) {
    summary += "text2grid:   grid " + std::to_string(g) + ": time 910823/1200, level " +
               std::to_string(g) +
               ", vertical coordinate 1, parameter T: [GD -6] Grid could not be written (column "
               "header or data record failed): g.grd\n";
  }
  EXPECT_EQ(read_file(dir + "/stderr"), summary);
  const GridFileWords f(dir + "/g.grd");
  // The failed grids were cut off again: whole records, ending with grid 2.
  EXPECT_EQ(f.size() % 128, 0u);
  EXPECT_LT(f.size() * 4, kLimit);
  EXPECT_EQ(f.size(), static_cast<std::size_t>(f.pointer(2) + 4 + 1 + kNx * kNy + 127) / 128 * 128);
  for (int g = 1; g <= 2; ++g) {
    expect_column(f, g, {910823, 1200, g, 1, "T           "});
    expect_numbered_grid(f, g, kNx, kNy);
  }
}

// Killed half-way: every grid whose three progress lines were printed is
// complete in the file (column header, pointer, record length and values).
TEST(ConvertProcessTest, KilledRunKeepsEveryReportedGrid) {
  const std::string dir = convert_test::make_scratch_dir("killed");
  constexpr int kNx = 200;
  constexpr int kNy = 200;
  constexpr int kGrids = 60;
  write_file(dir + "/in.txt", numbered_values(kGrids, kNx, kNy));
  std::string levels;
  for (int l = 1; l <= 30; ++l) levels += std::to_string(l) + " ";
  const Child child = spawn(dir, stage_one(kNx, kNy, "in.txt", "k.grd", 0, 2, 1) +
                                     "910823/1200\n910824/0000\nT\n30\n1\n0\n" + levels + "\n");
  std::string out;
  char buf[4096];
  while (count(out, " completed\n") < 3) {
    const ssize_t n = ::read(child.out_fd, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  // Land the kill at varying points of the next grid's read or write.
  std::this_thread::sleep_for(std::chrono::microseconds(::getpid() % 3000));
  ::kill(child.pid, SIGKILL);
  const int raw = finish(child, out);
  ASSERT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == SIGKILL) << "the run ended before the kill";

  const std::size_t reported = count(out, " completed\n");
  ASSERT_GE(reported, 3u);
  ASSERT_LT(reported, static_cast<std::size_t>(kGrids));
  const GridFileWords f(dir + "/k.grd");
  for (int g = 1; g <= static_cast<int>(reported); ++g) {
    expect_column(f, g, {910823, 1200, g, 1, "T           "});
    expect_numbered_grid(f, g, kNx, kNy);
  }
}

}  // namespace
