// File helpers of the whole-conversion tests (see convert_test_support.h).
#include <stdlib.h>

#include <fstream>
#include <sstream>

#include "driver/convert_test_support.h"

namespace convert_test {

std::string make_scratch_dir(const std::string& stem) {
  std::string pattern = ::testing::TempDir() + "/" + stem + "_XXXXXX";
  const char* dir = ::mkdtemp(pattern.data());
  EXPECT_NE(dir, nullptr);
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
