// Tests of the symbol lookup and the expansion of symbols in file names.
#include "services/ss.h"

#include <gtest/gtest.h>

#include <string>

#include "services/test_env.h"

namespace {

using services::testing::ScopedEnv;

std::string field(std::size_t width) {
  return std::string(width, '#');
}

TEST(SymbolLookup, FindsUpperCaseNameAndTriesWithoutDollar) {
  ScopedEnv plain("T2G_SYM_PLAIN", "/some/where");
  std::string value = field(16);
  int iret = 99;
  ss_gsym("$t2g_sym_plain", value, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(value, "/some/where     ");

  // A variable spelt with the "$" wins over the one without it.
  ScopedEnv with_dollar("$T2G_SYM_PLAIN", "dollar");
  ss_gsym("$T2G_SYM_PLAIN", value, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(value, "dollar          ");
}

TEST(SymbolLookup, UndefinedAndBlankValues) {
  ScopedEnv unset("T2G_SYM_UNSET", std::nullopt);
  std::string value = field(6);
  int iret = 0;
  ss_gsym("T2G_SYM_UNSET", value, iret);
  EXPECT_EQ(iret, -1);
  EXPECT_EQ(value, "      ");

  // A value that starts with a blank is copied but does not count as defined.
  ScopedEnv blank("T2G_SYM_BLANK", " lead");
  ss_gsym("T2G_SYM_BLANK", value, iret);
  EXPECT_EQ(iret, -1);
  EXPECT_EQ(value, " lead ");

  ScopedEnv empty("T2G_SYM_EMPTY", "");
  ss_gsym("T2G_SYM_EMPTY", value, iret);
  EXPECT_EQ(iret, -1);

  // A blank name and a name holding a NUL name no variable.
  ss_gsym("    ", value, iret);
  EXPECT_EQ(iret, -1);
  ss_gsym(std::string_view("T2G_SYM_BLANK\0X", 15), value, iret);
  EXPECT_EQ(iret, -1);
}

TEST(SymbolLookup, NameCutAtTwentyAndValueCutToField) {
  ScopedEnv twenty("T2G_SYM_ABCDEFGHIJKL", "long-name-value");
  std::string value = field(4);
  int iret = 0;
  ss_gsym("T2G_SYM_ABCDEFGHIJKLMNOP", value, iret);  // only 20 characters are looked up
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(value, "long");
}

struct ExpansionCase {
  std::string inname;
  std::string outname;
  int iret;
};

TEST(SymbolExpansion, ExamplesWithTableDirectory) {
  ScopedEnv mortbl("MORTBL", "/data/tables");
  ScopedEnv nosuch("NOSUCH", std::nullopt);
  ScopedEnv slash_symbol("/TMP/A", std::nullopt);
  const ExpansionCase cases[] = {
      {"$MORTBL/grid/x.tbl", "/data/tables/grid/x.tbl", 0},
      {"MORTBL:grid/x.tbl", "/data/tables/grid/x.tbl", 0},
      {"$mortbl/x", "/data/tables/x", 0},
      {"$MORTBL", "/data/tables/", 0},
      {"$NOSUCH/x", "$NOSUCH/x", -1},
      {"x.dat", "x.dat", -1},
      {"/tmp/a:b", "/tmp/a:b", -1},
      {":x/y", ":x/y", -1},              // a ":" in column 1 is no symbol form
      {"a$MORTBL/x", "a$MORTBL/x", -1},  // nor a "$" after column 1
      {"mortbl:", "/data/tables/", 0},
  };
  for (const ExpansionCase& c : cases) {
    std::string inname = c.inname + std::string(8, ' ');  // a blank-padded field
    std::string outname = field(30);
    int iret = 99;
    ss_envr(inname, outname, iret);
    EXPECT_EQ(iret, c.iret) << c.inname;
    EXPECT_EQ(outname, c.outname + std::string(30 - c.outname.size(), ' ')) << c.inname;
  }
}

TEST(SymbolExpansion, ResultCutToCallersField) {
  ScopedEnv mortbl("MORTBL", "/data/tables");
  std::string outname = field(8);
  int iret = 99;
  ss_envr("$MORTBL/grid/x.tbl", outname, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(outname, "/data/ta");

  // A value longer than the working field is cut there before the rest is added.
  ScopedEnv longer("T2G_LONGDIR", std::string(140, 'd'));
  std::string wide = field(150);
  ss_envr("$T2G_LONGDIR/f", wide, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(wide.substr(0, 133), std::string(132, 'd') + "/");
  EXPECT_EQ(wide.substr(133, 2), "f ");
}

}  // namespace
