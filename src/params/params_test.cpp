// Tests of the parameter table: the shipped file, the text format and its
// refusals, lookups both ways, unit spellings and the file search.
#include "params/params.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace params {
namespace {

const std::string kShippedTable = std::string(T2G_SOURCE_DIR) + "/tables/parameters.tbl";

Table parsed(std::string_view text) {
  std::string error;
  std::optional<Table> t = Table::parse(text, error);
  EXPECT_TRUE(t.has_value()) << error;
  return t ? *t : Table{};
}

std::string refusal(std::string_view text) {
  std::string error;
  EXPECT_FALSE(Table::parse(text, error).has_value());
  return error;
}

// The shipped table.

TEST(ShippedTable, LoadsWithTheCommonParameters) {
  std::string error;
  const std::optional<Table> t = Table::load(kShippedTable, error);
  ASSERT_TRUE(t.has_value()) << error;
  EXPECT_GE(t->entries().size(), 30u);
  const struct {
    const char* name;
    const char* standard_name;
    const char* units;
  } expected[] = {
      {"TMPK", "air_temperature", "K"},
      {"TMPC", "air_temperature", "degC"},
      {"DWPK", "dew_point_temperature", "K"},
      {"HGHT", "geopotential_height", "m"},
      {"PMSL", "air_pressure_at_mean_sea_level", "hPa"},
      {"RELH", "relative_humidity", "%"},
      {"SPFH", "specific_humidity", "kg kg-1"},
      {"UWND", "eastward_wind", "m s-1"},
      {"VWND", "northward_wind", "m s-1"},
      {"SPED", "wind_speed", "m s-1"},
      {"DRCT", "wind_from_direction", "degree"},
      {"OMEG", "lagrangian_tendency_of_air_pressure", "Pa s-1"},
      {"P06M", "precipitation_amount", "kg m-2"},
      {"CLCT", "cloud_area_fraction", "%"},
  };
  for (const auto& e : expected) {
    const Parameter* p = t->find(e.name);
    ASSERT_NE(p, nullptr) << e.name;
    EXPECT_EQ(p->standard_name, e.standard_name) << e.name;
    EXPECT_EQ(p->units, e.units) << e.name;
    EXPECT_FALSE(p->long_name.empty()) << e.name;
  }
}

TEST(ShippedTable, EveryStandardNameComesBackToANameWithTheSameMeaning) {
  std::string error;
  const std::optional<Table> t = Table::load(kShippedTable, error);
  ASSERT_TRUE(t.has_value()) << error;
  for (const Parameter& p : t->entries()) {
    if (p.standard_name.empty()) continue;
    const Parameter* back = t->find_standard_name(p.standard_name, p.units);
    ASSERT_NE(back, nullptr) << p.name;
    EXPECT_EQ(back->standard_name, p.standard_name);
    EXPECT_TRUE(same_units(back->units, p.units)) << p.name << " -> " << back->name;
  }
}

// The text format.

TEST(TableText, FieldsAreTrimmedAndNamesUpperCased) {
  const Table t = parsed(
      "! comment\n"
      "\n"
      "   ! indented comment\n"
      "tmpk |  air_temperature |K| Temperature at a level  \r\n"
      "XYZ|-||\n");
  ASSERT_EQ(t.entries().size(), 2u);
  const Parameter& p = t.entries()[0];
  EXPECT_EQ(p.name, "TMPK");
  EXPECT_EQ(p.standard_name, "air_temperature");
  EXPECT_EQ(p.units, "K");
  EXPECT_EQ(p.long_name, "Temperature at a level");
  const Parameter& q = t.entries()[1];
  EXPECT_EQ(q.name, "XYZ");
  EXPECT_EQ(q.standard_name, "");  // "-": none
  EXPECT_EQ(q.units, "");
  EXPECT_EQ(q.long_name, "");
}

TEST(TableText, TwelveCharacterNamesAreTheLongestAccepted) {
  EXPECT_EQ(parsed("ABCDEFGHIJKL | - | 1 | twelve\n").entries()[0].name, "ABCDEFGHIJKL");
  EXPECT_NE(refusal("ABCDEFGHIJKLM | - | 1 | thirteen\n").find("line 1"), std::string::npos);
}

TEST(TableText, MalformedLinesAreRefusedWithTheirNumber) {
  EXPECT_NE(refusal("!c\nTMPK | air_temperature | K\n").find("line 2"), std::string::npos);
  EXPECT_NE(refusal("TMPK | a | K | b | c\n").find("4 fields"), std::string::npos);
  EXPECT_NE(refusal("TM PK | a | K | b\n").find("name"), std::string::npos);
  EXPECT_NE(refusal(" | a | K | b\n").find("name"), std::string::npos);
  EXPECT_NE(refusal("TMPK | air temperature | K | b\n").find("standard_name"), std::string::npos);
  EXPECT_NE(refusal("TMPK |  | K | b\n").find("standard_name"), std::string::npos);
  EXPECT_NE(refusal("TMPK | a | K | b\ntmpk | c | K | d\n").find("listed twice"),
            std::string::npos);
  EXPECT_NE(refusal("! only comments\n\n").find("no parameter"), std::string::npos);
}

// Lookups.

TEST(Lookup, ByNameIgnoresCaseAndTrailingBlanks) {
  const Table t = parsed("TMPK | air_temperature | K | T\n");
  ASSERT_NE(t.find("tmpk  "), nullptr);
  EXPECT_EQ(t.find("tmpk")->name, "TMPK");
  EXPECT_EQ(t.find("TMP"), nullptr);
  EXPECT_EQ(t.find(""), nullptr);
}

TEST(Lookup, ByStandardNameChoosesTheEntryWhoseUnitsMatch) {
  const Table t = parsed(
      "TMPK | air_temperature | K | T\n"
      "TMPC | air_temperature | degC | T\n"
      "TMPF | air_temperature | degF | T\n"
      "PRES | air_pressure | hPa | p\n");
  EXPECT_EQ(t.find_standard_name("air_temperature", "K")->name, "TMPK");
  EXPECT_EQ(t.find_standard_name("air_temperature", "degree_Celsius")->name, "TMPC");
  EXPECT_EQ(t.find_standard_name("air_temperature", "degF")->name, "TMPF");
  EXPECT_EQ(t.find_standard_name("air_temperature", "")->name, "TMPK");  // no units: first
  EXPECT_EQ(t.find_standard_name("air_temperature", "degR"), nullptr);   // would mislabel
  EXPECT_EQ(t.find_standard_name("air_pressure", "mbar")->name, "PRES");
  EXPECT_EQ(t.find_standard_name("air_pressure", "Pa"), nullptr);  // different values
  EXPECT_EQ(t.find_standard_name("", ""), nullptr);
  EXPECT_EQ(t.find_standard_name("eastward_wind", ""), nullptr);
}

TEST(Units, CommonSpellingsMatchAndDifferentScalesDoNot) {
  EXPECT_TRUE(same_units("K", "kelvin"));
  EXPECT_TRUE(same_units("degC", "degrees_Celsius"));
  EXPECT_TRUE(same_units("hPa", "mbar"));
  EXPECT_TRUE(same_units("m s-1", "m/s"));
  EXPECT_TRUE(same_units(" % ", "percent"));
  EXPECT_TRUE(same_units("W m-2", "W m-2"));
  EXPECT_FALSE(same_units("hPa", "Pa"));
  EXPECT_FALSE(same_units("K", "degC"));
  EXPECT_FALSE(same_units("m s-1", "knot"));
}

// Loading and finding files.

class TableFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    // One folder per test and process: ctest runs the tests of this fixture
    // side by side, and each SetUp clears its folder.
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ("params_test_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "a");
    std::filesystem::create_directories(dir_ / "b");
    std::filesystem::create_directories(dir_ / "c");
    const char* old = std::getenv("MORTBL");
    if (old != nullptr) saved_ = old;
    had_ = old != nullptr;
  }
  void TearDown() override {
    if (had_) {
      setenv("MORTBL", saved_.c_str(), 1);
    } else {
      unsetenv("MORTBL");
    }
    std::filesystem::remove_all(dir_);
  }
  void write(const std::filesystem::path& p, const std::string& text) { std::ofstream(p) << text; }
  std::filesystem::path dir_;
  std::string saved_;
  bool had_ = false;
};

TEST_F(TableFiles, LoadReadsTheFileAndNamesItInErrors) {
  write(dir_ / "a" / "parameters.tbl", "TMPK | air_temperature | K | T\n");
  std::string error;
  const std::optional<Table> t = Table::load((dir_ / "a" / "parameters.tbl").string(), error);
  ASSERT_TRUE(t.has_value()) << error;
  EXPECT_EQ(t->find("TMPK")->units, "K");

  write(dir_ / "a" / "bad.tbl", "TMPK | K\n");
  EXPECT_FALSE(Table::load((dir_ / "a" / "bad.tbl").string(), error).has_value());
  EXPECT_NE(error.find("bad.tbl"), std::string::npos);
  EXPECT_NE(error.find("line 1"), std::string::npos);

  EXPECT_FALSE(Table::load((dir_ / "none.tbl").string(), error).has_value());
  EXPECT_NE(error.find("none.tbl"), std::string::npos);
}

TEST_F(TableFiles, SearchPrefersMORTBLThenInstalledThenBuild) {
  const std::string a = (dir_ / "a").string(), b = (dir_ / "b").string(), c = (dir_ / "c").string();
  setenv("MORTBL", a.c_str(), 1);
  EXPECT_EQ(find_table_file({"", b, c}), "");
  write(dir_ / "c" / "parameters.tbl", "X|-||\n");
  EXPECT_EQ(find_table_file({"", b, c}), c + "/parameters.tbl");
  write(dir_ / "b" / "parameters.tbl", "X|-||\n");
  EXPECT_EQ(find_table_file({"", b, c}), b + "/parameters.tbl");
  write(dir_ / "a" / "parameters.tbl", "X|-||\n");
  EXPECT_EQ(find_table_file({"", b, c}), a + "/parameters.tbl");
  unsetenv("MORTBL");
  EXPECT_EQ(find_table_file({"", b, c}), b + "/parameters.tbl");
}

}  // namespace
}  // namespace params
