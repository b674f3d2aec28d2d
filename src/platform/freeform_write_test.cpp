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

TEST(FreeformWriteTest, BatchedLinesGoOutWholeAndInOrder) {
  platform::testing::capture_stdout(true);
  std::string got, expected = "unbatched\nfirst\n";
  {
    platform::StdoutBatch batch;
    batch.line("first");
    platform::write_line("unbatched");  // out before the batch is flushed
    EXPECT_EQ(platform::testing::take_stdout(), "unbatched\n");
    batch.flush();
    got = "unbatched\n" + platform::testing::take_stdout();
    // Past 64 KiB a batch goes out by itself; nothing is lost or split.
    for (int k = 0; k < 20000; ++k) {
      batch.line(std::to_string(k));
      expected += std::to_string(k) + "\n";
    }
    const std::string part = platform::testing::take_stdout();
    EXPECT_GE(part.size(), 64u * 1024);
    EXPECT_EQ(part.back(), '\n');
    got += part;
    batch.flush();
    got += platform::testing::take_stdout();
    platform::discard_stdout(true);
    batch.line("dropped");
    batch.flush();
    platform::discard_stdout(false);
    batch.line("last");  // written when the batch ends
    expected += "last\n";
  }
  got += platform::testing::take_stdout();
  platform::testing::capture_stdout(false);
  EXPECT_EQ(got, expected);
}

}  // namespace
