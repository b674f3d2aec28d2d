#include "pack/packing.h"

#include <gtest/gtest.h>

#include <string>

namespace pack {
namespace {

TEST(PackingGrammarTest, TextAndParseRoundTrip) {
  for (std::string_view text :
       {"none", "grib:2", "grib:31", "diff:12", "dec:-38", "dec:0", "dec:20", "dec:38"}) {
    const std::optional<Packing> p = Packing::parse(text);
    ASSERT_TRUE(p) << text;
    EXPECT_EQ(p->text(), text);
    EXPECT_TRUE(p->valid());
  }
  EXPECT_EQ(Packing::parse("GRIB:12"), (Packing{PackingType::kGrib, 12}));
  EXPECT_EQ(Packing::parse("Diff:+7"), (Packing{PackingType::kDiff, 7}));
  EXPECT_EQ(Packing::parse("dec:-2")->ipktyp(), 4);
  EXPECT_EQ(Packing::parse("NONE")->ipktyp(), 0);
}

TEST(PackingGrammarTest, RefusalsSayWhy) {
  std::string problem;
  EXPECT_FALSE(Packing::parse("zip:4", &problem));
  EXPECT_EQ(problem, "use none, grib:BITS, diff:BITS or dec:DIGITS");
  for (std::string_view text : {"grib", "grib:", "grib:1", "grib:32", "diff:0", "grib:12x",
                                "grib: 12", "grib:99999999999"}) {
    EXPECT_FALSE(Packing::parse(text, &problem)) << text;
    EXPECT_EQ(problem, "BITS must be a whole number from 2 to 31") << text;
  }
  for (std::string_view text : {"dec:x", "dec:39", "dec:-39"}) {
    EXPECT_FALSE(Packing::parse(text, &problem)) << text;
    EXPECT_EQ(problem, "DIGITS must be a whole number from -38 to 38") << text;
  }
  for (std::string_view text : {"", "none:0", " grib:12", ":12"}) {
    EXPECT_FALSE(Packing::parse(text)) << text;
  }
  EXPECT_FALSE((Packing{PackingType::kGrib, 1}).valid());
  EXPECT_FALSE((Packing{static_cast<PackingType>(2), 8}).valid());
}

}  // namespace
}  // namespace pack
