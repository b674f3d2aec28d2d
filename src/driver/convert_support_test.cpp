// File helpers of the whole-conversion tests (see convert_test_support.h).
#include <filesystem>
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
  std::string dir = test_files::make_unique_dir(stem);
  scratch_folders->add(dir);
  return dir;
}

}  // namespace convert_test
