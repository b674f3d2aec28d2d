// File helpers of the whole-conversion tests (see convert_test_support.h).
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "driver/convert_test_support.h"

namespace convert_test {
namespace {

// Removes every scratch folder of the test program when its tests are done.
class ScratchFolders : public ::testing::Environment {
 public:
  void TearDown() override {
    std::error_code ec;
    for (const std::string& dir : dirs_) std::filesystem::remove_all(dir, ec);
    dirs_.clear();
  }
  void add(const std::string& dir) { dirs_.push_back(dir); }

 private:
  std::vector<std::string> dirs_;
};

ScratchFolders* const scratch_folders =
    static_cast<ScratchFolders*>(::testing::AddGlobalTestEnvironment(new ScratchFolders));

}  // namespace

std::string make_scratch_dir(const std::string& stem) {
  std::string pattern = ::testing::TempDir() + "/" + stem + "_XXXXXX";
  const char* dir = ::mkdtemp(pattern.data());
  EXPECT_NE(dir, nullptr);
  if (dir != nullptr) scratch_folders->add(pattern);
  return pattern;
}

void write_file(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace convert_test
