// Free-form output lines: every example of the shared table, byte for byte,
// and the standard-stream writers.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

std::vector<std::string> split_tabs(const std::string& row) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = row.find('\t', start);
    fields.push_back(row.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

TEST(FreeformWriteTest, EveryExampleRowMatches) {
  std::ifstream in(std::string(T2G_SOURCE_DIR) +
                   "/src/platform/testdata/freeform-output-examples.tsv");
  ASSERT_TRUE(in) << "example table missing";
  std::string row;
  int rows = 0;
  while (std::getline(in, row)) {
    const std::vector<std::string> fields = split_tabs(row);
    ASSERT_GE(fields.size(), 2u) << row;
    const std::string& quoted = fields.back();
    ASSERT_GE(quoted.size(), 2u) << row;
    const std::string expected = quoted.substr(1, quoted.size() - 2);

    std::vector<platform::OutItem> items;
    for (std::size_t k = 1; k + 1 < fields.size(); ++k) {
      const std::string& f = fields[k];
      if (f.rfind("I:", 0) == 0) {
        items.emplace_back(std::stoi(f.substr(2)));
      } else if (f.rfind("R:", 0) == 0) {
        const auto bits = static_cast<std::uint32_t>(std::stoul(f.substr(2, 8), nullptr, 16));
        items.emplace_back(std::bit_cast<float>(bits));
      } else {
        ASSERT_EQ(f.rfind("C:", 0), 0u) << row;
        items.emplace_back(std::string_view(f).substr(2));
      }
    }
    const std::string& kind = fields[0];
    if (kind != "line") {
      EXPECT_EQ(items.size(), 1u) << row;
    }
    EXPECT_EQ(platform::format_list(items), expected) << row;
    ++rows;
  }
  EXPECT_EQ(rows, 443);
}

TEST(FreeformWriteTest, WritersEndEachLineWithOneLineFeed) {
  platform::testing::capture_stdout(true);
  platform::testing::capture_stderr(true);
  platform::write_list({"NX = ", 10});
  platform::write_list({});
  platform::write_line(" [DM -1] text");
  platform::write_error_line("to the operator");
  const std::string long_text(100000, 'z');
  platform::write_list({long_text, 1.0f});
  platform::testing::capture_stdout(false);
  platform::testing::capture_stderr(false);
  EXPECT_EQ(platform::testing::take_stdout(),
            " NX =           10\n\n [DM -1] text\n " + long_text + "   1.00000000    \n");
  EXPECT_EQ(platform::testing::take_stderr(), "to the operator\n");
  EXPECT_EQ(platform::testing::take_stdout(), "");
}

}  // namespace
