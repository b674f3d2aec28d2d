// The shared command-line rules: words in the order typed, --help and
// --version answered before the required words are missed, misuses worded
// by CLI11 and ended alike.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform_test.h"

namespace {

struct Tool {
  CLI::App app{"tool: does things", "tool"};
  std::string file;
  std::vector<std::string> names;
  Tool() {
    app.add_option("FILE", file, "the file")->required();
    app.add_option("--name", names, "a name (repeatable)");
  }
  cli::Parsed parse(std::vector<std::string> words) {
    words.insert(words.begin(), "/usr/bin/tool");
    return cli::parse(app, words);
  }
};

TEST(CommandLineTest, WordsInTheOrderTyped) {
  Tool t;
  const cli::Parsed p = t.parse({"in.grd", "--name", "b", "--name", "a"});
  EXPECT_TRUE(p.run()) << p.text;
  EXPECT_EQ(t.file, "in.grd");
  EXPECT_EQ(t.names, (std::vector<std::string>{"b", "a"}));
}

TEST(CommandLineTest, HelpAndVersionNeedNoOtherWords) {
  Tool help;
  cli::Parsed p = help.parse({"--help"});
  EXPECT_EQ(p.kind, cli::Parsed::Kind::kAnswered);
  EXPECT_NE(p.text.find("tool: does things"), std::string::npos) << p.text;
  EXPECT_NE(p.text.find("--version"), std::string::npos) << p.text;

  Tool version;
  p = version.parse({"--version"});
  EXPECT_EQ(p.kind, cli::Parsed::Kind::kAnswered);
  EXPECT_EQ(p.text, "tool " + std::string(cli::version()));
  EXPECT_FALSE(cli::version().empty());
}

TEST(CommandLineTest, MisusesAreReportedWithThePointerToHelp) {
  Tool missing;
  cli::Parsed p = missing.parse({});
  EXPECT_EQ(p.kind, cli::Parsed::Kind::kMisuse);
  EXPECT_NE(p.text.find("FILE is required"), std::string::npos) << p.text;

  Tool unknown;
  p = unknown.parse({"in.grd", "--bogus"});
  EXPECT_EQ(p.kind, cli::Parsed::Kind::kMisuse);
  EXPECT_NE(p.text.find("--bogus"), std::string::npos) << p.text;

  platform::testing::capture_stdout(true);
  platform::testing::capture_stderr(true);
  EXPECT_EQ(cli::finish(p, "tool", 0, 2), 2);
  EXPECT_EQ(cli::finish({cli::Parsed::Kind::kAnswered, "tool 9"}, "tool", 0, 2), 0);
  const std::string out = platform::testing::take_stdout(), err = platform::testing::take_stderr();
  platform::testing::capture_stdout(false);
  platform::testing::capture_stderr(false);
  EXPECT_EQ(out, "tool 9\n");
  EXPECT_EQ(err, "tool: " + p.text + "\nRun tool --help for the usage.\n");
}

}  // namespace
