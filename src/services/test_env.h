// Test helpers of the services layer: environment variables set for one test
// and restored afterwards, a fresh directory per test, and a working directory
// restored at the end of a test. For tests only.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>  // setenv, unsetenv

#include <filesystem>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "platform/test_files.h"

namespace services::testing {

// Sets (or, with nullopt, removes) one environment variable until destruction.
class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value)
      : name_(std::move(name)), saved_(platform::get_env(name_)) {
    apply(value);
  }
  ~ScopedEnv() { apply(saved_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void apply(const std::optional<std::string>& value) {
    if (value) {
      setenv(name_.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  std::string name_;
  std::optional<std::string> saved_;
};

// A new empty directory under the test temporary directory, removed with its
// contents at destruction.
using TempDirectory = test_files::ScratchDir;

// Changes the working directory until destruction.
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::filesystem::path& dir) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedCwd() {
    std::error_code ec;
    std::filesystem::current_path(saved_, ec);
  }
  ScopedCwd(const ScopedCwd&) = delete;
  ScopedCwd& operator=(const ScopedCwd&) = delete;

 private:
  std::filesystem::path saved_;
};

}  // namespace services::testing
