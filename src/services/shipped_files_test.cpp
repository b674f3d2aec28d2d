// The search for the files shipped with a program: beside the program first,
// so that a moved installation still finds them; then the installed folder;
// then the source tree's.
#include "services/shipped_files.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/test_files.h"
#include "services/er.h"
#include "services/message_sink.h"
#include "services/test_env.h"

namespace {

namespace fs = std::filesystem;
using services::testing::ScopedEnv;

class ShippedFiles : public ::testing::Test {
 protected:
  void make(const std::string& folder) {
    fs::create_directories(dir_.path() / folder);
    test_files::write_file((dir_.path() / folder / "DM.ERR").string(), "! messages\n");
  }
  std::string path(const std::string& folder) const { return (dir_.path() / folder).string(); }
  // `folder` as the programs name it: relative to the running program's folder.
  std::string from_program(const std::string& folder) const {
    const std::optional<std::string> bin = platform::program_folder();
    EXPECT_TRUE(bin.has_value());
    return fs::relative(dir_.path() / folder, bin.value_or("/")).string();
  }
  test_files::ScratchDir dir_{"shipped"};
};

TEST_F(ShippedFiles, BesideTheProgramThenInstalledThenBuilt) {
  const std::string moved = from_program("moved"), installed = path("installed"),
                    built = path("built");
  const services::ShippedFolder where{moved, installed, built};
  EXPECT_EQ(services::find_shipped_folder(where, "DM.ERR"), "");
  make("built");
  EXPECT_EQ(services::find_shipped_folder(where, "DM.ERR"), built);
  make("installed");
  EXPECT_EQ(services::find_shipped_folder(where, "DM.ERR"), installed);
  make("moved");
  const std::string found = services::find_shipped_folder(where, "DM.ERR");
  EXPECT_TRUE(fs::equivalent(found, path("moved"))) << found;
  // A folder that does not hold the probe file does not count.
  EXPECT_EQ(services::find_shipped_folder(where, "GD.ERR"), "");
  // Empty names are skipped, not taken as the current folder.
  EXPECT_EQ(services::find_shipped_folder({"", "", built}, "DM.ERR"), built);
}

TEST_F(ShippedFiles, MessageFolderOnlyWhenTheOperatorSetNone) {
  make("installed");
  const std::string installed = path("installed"), built = path("built");
  const services::ShippedFolder where{"", installed, built};
  {
    ScopedEnv own("MORERR", "/operators/own");
    services::use_shipped_message_files(where);
    EXPECT_EQ(platform::get_env("MORERR"), "/operators/own");
  }
  ScopedEnv unset("MORERR", std::nullopt);
  services::use_shipped_message_files(where);
  EXPECT_EQ(platform::get_env("MORERR"), installed);
  services::use_message_folder("");  // back to the library's search
}

// A FL.ERR where the program runs does not speak for a program that found
// its own message files; the library's search, for embedders, still looks
// there first.
TEST_F(ShippedFiles, StrayMessageFileInTheWorkingFolderIsNotUsed) {
  const std::string shipped = T2G_SOURCE_DIR "/tables/errors";
  services::use_message_folder("");
  test_files::write_file(path("FL.ERR"), "17 !HIJACKED\n");
  const fs::path cwd = fs::current_path();
  fs::current_path(dir_.path());
  std::array<char, 128> msg{};
  int ier = 0;
  er_mmsg("FL", 17, "f", msg, ier);
  const std::string library_search(msg.data(), msg.size());
  {
    ScopedEnv own("MORERR", shipped);
    services::use_shipped_message_files({"", "", ""});
    er_mmsg("FL", 17, "f", msg, ier);
  }
  const std::string program(msg.data(), msg.size());
  services::use_message_folder("");
  fs::current_path(cwd);
  EXPECT_NE(library_search.find("HIJACKED"), std::string::npos) << library_search;
  EXPECT_EQ(program.find("HIJACKED"), std::string::npos) << program;
  EXPECT_NE(program.find("[FL 17]"), std::string::npos) << program;
}

}  // namespace
