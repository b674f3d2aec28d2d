// Test support shared by every layer's tests: scratch folders, and whole files
// read or written as bytes or as 32-bit words. For tests only.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>  // mkdtemp

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace test_files {

// A new, empty folder "<stem>_XXXXXX" under the test temporary directory.
inline std::string make_unique_dir(std::string_view stem) {
  std::string pattern =
      (std::filesystem::path(::testing::TempDir()) / (std::string(stem) + "_XXXXXX")).string();
  const char* made = mkdtemp(pattern.data());
  EXPECT_NE(made, nullptr) << pattern;
  return pattern;
}

// A scratch folder removed with its contents at destruction.
class ScratchDir {
 public:
  explicit ScratchDir(std::string_view stem = "scratch") : path_(make_unique_dir(stem)) {}
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of `name` inside the folder.
  std::string path(std::string_view name) const { return (path_ / name).string(); }
  std::string operator/(std::string_view name) const { return path(name); }

 private:
  std::filesystem::path path_;
};

// "^" and the path: a file name the library keeps exactly as written. Built by
// inserting a character: "^" + a temporary string is a false -Wrestrict in g++ 12 -O3.
inline std::string exact(std::string path) {
  path.insert(path.begin(), '^');
  return path;
}

// The whole file as bytes (empty when it cannot be read).
inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void write_file(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The whole file as 32-bit words in host order; word w (from 1) is element
// w - 1. A trailing partial word is left out.
inline std::vector<std::int32_t> file_words(const std::string& path) {
  const std::string bytes = read_file(path);
  std::vector<std::int32_t> words(bytes.size() / 4);
  if (!words.empty()) std::memcpy(words.data(), bytes.data(), words.size() * 4);
  return words;
}

// Four characters as the word that holds them (first character in the lowest byte).
inline std::int32_t chars_word(std::string_view four) {
  std::int32_t w = 0;
  std::memcpy(&w, four.data(), 4);
  return w;
}

inline std::int32_t real_word(float r) {
  return std::bit_cast<std::int32_t>(r);
}

}  // namespace test_files
