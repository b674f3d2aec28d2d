// Tests of table files: the search for a table, its positioning on the first
// data line, and tables without data or with malformed lines.
#include "services/fl.h"
#include "services/unit_pool.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "services/test_env.h"

namespace {

using namespace std::string_literals;
using services::testing::ScopedCwd;
using services::testing::ScopedEnv;
using services::testing::TempDirectory;

using test_files::write_file;

class TableFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services::reset_units();
    std::filesystem::create_directory(cwd_dir_.path() / "sub");
    std::filesystem::create_directory(table_dir_.path() / "grid");
  }
  void TearDown() override {
    for (int lun = 11; lun <= 20; ++lun) platform::close_unit(lun);
    services::reset_units();
  }

  // Opens `table` and returns its first data line; "" when the open failed.
  std::string first_line(std::string_view table, std::string_view type, int& iret) {
    int lun = 0;
    fl_tbop(table, type, lun, iret);
    if (iret != 0) {
      EXPECT_EQ(lun, 0);
      return "";
    }
    std::string line;
    EXPECT_EQ(platform::read_line(lun, line), 0);
    int ier = 0;
    fl_clos(lun, ier);
    return line;
  }

  TempDirectory cwd_dir_;
  TempDirectory table_dir_;
  ScopedEnv mortbl_{"MORTBL", table_dir_.path().string()};
  ScopedCwd cwd_{cwd_dir_.path()};
};

TEST_F(TableFileTest, PositionedAfterLeadingCommentsAndBlankLines) {
  write_file(cwd_dir_ / "pos.tbl",
             "! header comment\n"
             "\n"
             "     ! indented comment\n"
             "\t \0! tab, blank and NUL before the mark\n"
             "   \n"
             "DATA 1\n"
             "! a comment after the data stays\n"
             "DATA 2\n"s);
  int iret = 99;
  int lun = 0;
  fl_tbop("pos.tbl", " ", lun, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(lun, 11);
  std::string line;
  ASSERT_EQ(platform::read_line(lun, line), 0);
  EXPECT_EQ(line, "DATA 1");
  ASSERT_EQ(platform::read_line(lun, line), 0);
  EXPECT_EQ(line, "! a comment after the data stays");

  // fl_tdat moves on to the next data line.
  fl_tdat(lun, iret);
  EXPECT_EQ(iret, 0);
  ASSERT_EQ(platform::read_line(lun, line), 0);
  EXPECT_EQ(line, "DATA 2");
  fl_tdat(lun, iret);
  EXPECT_EQ(iret, -22);
  fl_clos(lun, iret);
}

TEST_F(TableFileTest, TableWithoutDataIsClosed) {
  write_file(cwd_dir_ / "comments.tbl", "! one\n!two\n   \n  ! three");
  write_file(cwd_dir_ / "empty.tbl", "");
  for (const char* name : {"comments.tbl", "empty.tbl"}) {
    int lun = 5;
    int iret = 0;
    fl_tbop(name, " ", lun, iret);
    EXPECT_EQ(iret, -22) << name;
    EXPECT_EQ(lun, 0) << name;
    EXPECT_EQ(services::lunpool.lunuse, (std::array<int, 10>{})) << name;
  }
}

TEST_F(TableFileTest, LongAndBinaryLinesAreHandled) {
  std::string text = "!" + std::string(5000, 'c') + "\n";
  text += std::string(300, ' ') + "! a comment starting beyond column 80\n";
  text += std::string("\x01\xff\x80 binary\0data", 15) + std::string(4000, 'x') + "\n";
  text += "after\n";
  write_file(cwd_dir_ / "long.tbl", text);
  int iret = 99;
  // The line of 300 blanks reads as blank within its first 80 characters, so it
  // is skipped; the binary line is data.
  EXPECT_EQ(first_line("long.tbl", " ", iret).substr(0, 10), "\x01\xff\x80 binary");
  EXPECT_EQ(iret, 0);

  // A directory of that name is found but cannot be read as a table.
  std::filesystem::create_directory(cwd_dir_.path() / "dir.tbl");
  EXPECT_EQ(first_line("dir.tbl", " ", iret), "");
  EXPECT_NE(iret, 0);
  EXPECT_EQ(services::lunpool.lunuse, (std::array<int, 10>{}));
}

TEST_F(TableFileTest, SearchOrderCurrentDirectoryFirst) {
  write_file(cwd_dir_ / "x.tbl", "cwd\n");
  write_file(cwd_dir_ / "sub/x.tbl", "sub\n");
  write_file(table_dir_ / "x.tbl", "tables\n");
  write_file(table_dir_ / "grid/x.tbl", "typed\n");
  int iret = 99;

  // The prefix is removed before the search, so the current directory wins.
  EXPECT_EQ(first_line("$MORTBL/x.tbl", " ", iret), "cwd");
  EXPECT_EQ(first_line("MORTBL:x.tbl", " ", iret), "cwd");
  EXPECT_EQ(first_line("sub/x.tbl", "grid", iret), "cwd");
  EXPECT_EQ(first_line("X.TBL", "grid", iret), "cwd");  // the lower-case form

  std::filesystem::remove(cwd_dir_.path() / "x.tbl");
  EXPECT_EQ(first_line("sub/x.tbl", "grid", iret), "sub");  // then the name as given
  EXPECT_EQ(first_line("$MORTBL/x.tbl", "grid", iret), "typed");
  EXPECT_EQ(first_line("$MORTBL/x.tbl", "    ", iret), "tables");  // blank type: not tried
  EXPECT_EQ(first_line("MORTBL:x.tbl", " ", iret), "tables");

  std::filesystem::remove(table_dir_.path() / "grid/x.tbl");
  EXPECT_EQ(first_line("x.tbl", "grid", iret), "tables");
  EXPECT_EQ(iret, 0);
}

TEST_F(TableFileTest, MissingTableFailsWithOpenStatus) {
  int iret = 0;
  EXPECT_EQ(first_line("nowhere.tbl", "grid", iret), "");
  EXPECT_EQ(iret, ENOENT);
  EXPECT_EQ(services::lunpool.lunuse, (std::array<int, 10>{}));

  // Without the table directory the prefixed name stays unexpanded and is not found.
  write_file(table_dir_ / "only.tbl", "here\n");
  ScopedEnv unset("MORTBL", std::nullopt);
  EXPECT_EQ(first_line("$MORTBL/only.tbl", " ", iret), "");
  EXPECT_NE(iret, 0);

  int lun = 0;
  for (int i = 0; i < 10; ++i) fl_glun(lun, iret);
  fl_tbop("only.tbl", " ", lun, iret);
  EXPECT_EQ(iret, -21);
  EXPECT_EQ(lun, -1);
}

}  // namespace
