// Tests of numbered messages: the prefix, the lookup in the group's message
// file, the substitution rules, malformed message files, and the message files
// shipped with the system.
#include "services/er.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_test.h"
#include "services/fl.h"
#include "services/message_sink.h"
#include "services/test_env.h"

namespace {

using namespace std::string_literals;
using services::testing::ScopedCwd;
using services::testing::ScopedEnv;
using services::testing::TempDirectory;

void write_file(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

class MessageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services::reset_units();
    platform::testing::capture_stdout(true);
    platform::testing::take_stdout();
  }
  void TearDown() override {
    platform::testing::capture_stdout(false);
    EXPECT_EQ(services::lunpool.lunuse, (std::array<int, 10>{})) << "a message file stayed open";
    services::reset_units();
  }

  // The line er_wmsg writes, with its iret.
  std::string written(std::string_view group, int number, std::string_view context, int& iret) {
    er_wmsg(group, number, context, iret);
    return platform::testing::take_stdout();
  }

  TempDirectory msg_dir_;
  TempDirectory work_dir_;
  ScopedEnv morerr_{"MORERR", msg_dir_.path().string()};
  ScopedEnv mortbl_{"MORTBL", std::nullopt};
  ScopedCwd cwd_{work_dir_.path()};  // no stray message file in the working directory
};

TEST_F(MessageTest, WorkedExampleWithAndWithoutFile) {
  int iret = 99;
  EXPECT_EQ(written("DM", -16, "GRID", iret), " [DM -16] GRID\n");
  EXPECT_EQ(iret, 2);

  write_file(msg_dir_ / "DM.ERR", "! DM messages\n!\n-16 ! Error in part !AS.\n");
  EXPECT_EQ(written("DM", -16, "GRID", iret), " [DM -16]  Error in part GRID.\n");
  EXPECT_EQ(iret, 0);

  EXPECT_EQ(written("DM", -17, "GRID", iret), " [DM -17] GRID\n");
  EXPECT_EQ(iret, 3);
  // A blank context with no message leaves the prefix without its last blank.
  EXPECT_EQ(written("DM", -17, "    ", iret), " [DM -17]\n");
  EXPECT_EQ(iret, 3);
}

TEST_F(MessageTest, SinkTakesTheMessagesInsteadOfStandardOutput) {
  write_file(msg_dir_ / "DM.ERR", "-16 ! Error in part !AS.\n");
  std::vector<std::string> got;
  services::set_message_sink([&](std::string_view m) { got.emplace_back(m); });
  int iret = 99;
  EXPECT_EQ(written("DM", -16, "GRID", iret), "");  // nothing on standard output
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(written("DM", 0, "GRID", iret), "");  // number 0 reaches nobody
  EXPECT_EQ(written("DM", -17, "GRID", iret), "");
  EXPECT_EQ(got, (std::vector<std::string>{"[DM -16]  Error in part GRID.", "[DM -17] GRID"}));
  services::set_message_sink({});  // back to standard output
  EXPECT_EQ(written("DM", -16, "GRID", iret), " [DM -16]  Error in part GRID.\n");
  EXPECT_EQ(got.size(), 2u);
}

TEST_F(MessageTest, NumberZeroAndBlankGroup) {
  write_file(msg_dir_ / "DM.ERR", "0 !zero\n");
  int iret = 99;
  EXPECT_EQ(written("DM", 0, "ctx", iret), "");
  EXPECT_EQ(iret, 0);

  write_file(work_dir_ / ".ERR", "-5 !found\n");  // a blank group never opens a file
  EXPECT_EQ(written("  ", -5, "ctx", iret), " [MORLIX -5] ctx\n");
  EXPECT_EQ(iret, 2);
  EXPECT_EQ(written("", 7, "", iret), " [MORLIX 7]\n");
}

TEST_F(MessageTest, GroupUpperCasedInPrefixButNotInFileName) {
  write_file(msg_dir_ / "gd.ERR", "-4 ! lower-case file\n");
  int iret = 99;
  EXPECT_EQ(written("gd", -4, "", iret), " [GD -4]  lower-case file\n");
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(written("GD", -4, "", iret), " [GD -4]\n");  // GD.ERR does not exist
  EXPECT_EQ(iret, 2);
}

TEST_F(MessageTest, SubstitutionRules) {
  write_file(msg_dir_ / "FL.ERR",
             "! messages\n"
             "1 !!AS and !AS\n"
             "2 !first!/second\n"
             "3 !no marker\n"
             "4 !   !AS:end\n");
  int iret = 99;
  EXPECT_EQ(written("FL", 1, "ctx   ", iret), " [FL 1] ctx and !AS\n");
  EXPECT_EQ(written("FL", 2, "", iret), " [FL 2] first\r\nsecond\n");
  EXPECT_EQ(written("FL", 3, "ctx", iret), " [FL 3] no marker\n");
  EXPECT_EQ(written("FL", 4, "    ", iret), " [FL 4]    :end\n");
  EXPECT_EQ(iret, 0);
  // A line break mark in the context stays as written when no text was found.
  EXPECT_EQ(written("FL", 9, "a!/b", iret), " [FL 9] a!/b\n");
  EXPECT_EQ(iret, 3);
}

TEST_F(MessageTest, MessageCutAtTheMessageWidth) {
  write_file(msg_dir_ / "DM.ERR", "-1 !Cannot create !AS now\n");
  const std::string context(200, 'f');
  std::string out(150, '#');
  int iret = 99;
  er_mmsg("DM", -1, context, out, iret);
  EXPECT_EQ(iret, 0);
  const std::string head = "[DM -1] Cannot create ";
  EXPECT_EQ(out, head + std::string(128 - head.size(), 'f') + std::string(22, ' '));

  // A narrow caller's field takes the start of the message.
  std::string narrow(5, '#');
  er_mmsg("DM", -1, "x", narrow, iret);
  EXPECT_EQ(narrow, "[DM -");

  // So does a long group, without the file name growing past its field.
  std::string wide(128, '#');
  er_mmsg(std::string(300, 'g'), -1, "x", wide, iret);
  EXPECT_EQ(iret, 2);
  EXPECT_EQ(wide, "[" + std::string(127, 'G'));
  EXPECT_EQ(written(std::string(300, 'g'), -1, "x", iret), " [" + std::string(127, 'G') + "\n");
}

TEST_F(MessageTest, LineNumbersAsTheListReaderTakesThem) {
  write_file(msg_dir_ / "GD.ERR",
             "!\n"
             "  -10!tight\n"
             "+7 ! plus\n"
             "12. ! point\n"
             "8\n"
             "-10 ! second -10 loses\n");
  int iret = 99;
  EXPECT_EQ(written("GD", -10, "", iret), " [GD -10] tight\n");
  EXPECT_EQ(written("GD", 7, "", iret), " [GD 7]  plus\n");
  EXPECT_EQ(written("GD", 12, "", iret), " [GD 12]  point\n");
  EXPECT_EQ(written("GD", 8, "ctx", iret), " [GD 8]\n");  // no "!": an empty text
  EXPECT_EQ(iret, 0);
}

TEST_F(MessageTest, MalformedFilesNeverMatchOrCrash) {
  std::string text = "! leading comment\n";
  text += "no number here\n";
  text += "garbage !text without a number\n";
  text += "\x01\x02\xff\xfe\0\0 !\0binary\n"s;
  text += std::string(10000, '9') + " !huge number\n";
  text += "-3 !" + std::string(3000, 'L') + "\n";
  text += "1.5 !not an integer\n";
  text += "-9999 !the missing code itself\n";
  text += "5 !last line without a line end";
  write_file(msg_dir_ / "DM.ERR", text);
  int iret = 99;
  // Lines whose first item is not a number match nothing, not even -9999.
  EXPECT_EQ(written("DM", -9999, "", iret), " [DM -9999] the missing code itself\n");
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(written("DM", -3, "", iret), " [DM -3] " + std::string(120, 'L') + "\n");
  EXPECT_EQ(written("DM", 5, "", iret), " [DM 5] last line without a line end\n");
  EXPECT_EQ(written("DM", 2, "ctx", iret), " [DM 2] ctx\n");
  EXPECT_EQ(iret, 3);

  // A file that is all garbage, and a directory where the file should be.
  write_file(msg_dir_ / "FL.ERR", std::string("\0\0\0\xff\n\x80\x81", 7));
  EXPECT_EQ(written("FL", 2, "ctx", iret), " [FL 2] ctx\n");
  EXPECT_EQ(iret, 3);
  std::filesystem::create_directory(msg_dir_.path() / "GD.ERR");
  EXPECT_EQ(written("GD", -1, "ctx", iret), " [GD -1] ctx\n");
  EXPECT_EQ(iret, 2);
}

// --- The message files shipped with the system ------------------------------

struct ShippedLine {
  int number;
  std::string text;
};

// The data lines of a shipped message file; comments lead the file only.
std::vector<ShippedLine> shipped_lines(const std::string& group) {
  std::ifstream in(std::string(T2G_SOURCE_DIR) + "/tables/errors/" + group + ".ERR");
  EXPECT_TRUE(in.good()) << group;
  std::vector<ShippedLine> lines;
  std::string line;
  bool in_header = true;
  while (std::getline(in, line)) {
    if (in_header && (line.empty() || line.front() == '!')) continue;
    in_header = false;
    const std::size_t bang = line.find('!');
    EXPECT_NE(bang, std::string::npos) << group << ": " << line;
    EXPECT_LE(line.size(), 128u) << group << ": " << line;
    if (bang == std::string::npos) continue;
    std::istringstream number(line.substr(0, bang));
    ShippedLine entry{0, line.substr(bang + 1)};
    EXPECT_TRUE(number >> entry.number) << group << ": " << line;
    lines.push_back(entry);
  }
  return lines;
}

TEST_F(MessageTest, ShippedFilesAreSortedAndCoverEveryCode) {
  const std::set<int> required[] = {
      // DM engine, including the grid packers' codes passed through by the data writer.
      {-1,  -3,  -4,  -5,  -6,  -7,  -9,  -10, -11, -12, -13,
       -14, -16, -17, -18, -19, -21, -24, -29, -30, -31, -33},
      // File services: their own codes, platform statuses and common errno values.
      {-22, -21, -1, 2,  5,  9,   13,   17,   20,   21,   22,
       24,  27,  28, 30, 36, 122, 5010, 5011, 5012, 5013, 5014},
      // Grid layer.
      {-1, -4, -5, -6, -9, -10, -11, -13},
  };
  const char* groups[] = {"DM", "FL", "GD"};
  ScopedEnv shipped("MORERR", std::string(T2G_SOURCE_DIR) + "/tables/errors");
  for (int g = 0; g < 3; ++g) {
    const std::vector<ShippedLine> lines = shipped_lines(groups[g]);
    std::set<int> numbers;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) {
        EXPECT_LT(lines[i - 1].number, lines[i].number) << groups[g];
      }
      numbers.insert(lines[i].number);
    }
    for (int code : required[g]) {
      EXPECT_TRUE(numbers.contains(code)) << groups[g] << " " << code;
      std::string out(128, '#');
      int iret = 99;
      er_mmsg(groups[g], code, "CONTEXT", out, iret);
      EXPECT_EQ(iret, 0) << groups[g] << " " << code;
      EXPECT_NE(out.find("CONTEXT"), std::string::npos) << groups[g] << " " << code;
    }
  }
}

}  // namespace
