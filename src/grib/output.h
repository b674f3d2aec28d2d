// How both programs publish their output: it is written under a temporary
// name beside its own ("OUT.incomplete.XXXXXX") and given its name only when
// whole, never over an existing file; a run that fails or stops leaves no file
// under the output's name. One place, so that the programs' common publishing
// layer can take its part.
#pragma once

#include <cstdio>
#include <span>
#include <string>

#include "gridfile/gridfile.h"

namespace grib {

// Whether something exists under `path` (a file, folder, or dangling link).
bool output_exists(const std::string& path);

class PendingOutput {
 public:
  explicit PendingOutput(std::string target);
  PendingOutput(const PendingOutput&) = delete;
  PendingOutput& operator=(const PendingOutput&) = delete;
  // Removes the temporary file unless it was published.
  ~PendingOutput();

  const std::string& target() const { return target_; }
  // A fresh temporary name beside the target, not yet in use.
  const std::string& temporary() const { return temporary_; }
  // Appends bytes to the temporary file (created on the first call).
  gridfile::Status write(std::span<const unsigned char> bytes);
  // Closes the temporary file and gives it the target's name; refused when
  // something of that name appeared meanwhile.
  gridfile::Status publish();

 private:
  gridfile::Status close_file();
  std::string target_, temporary_;
  std::FILE* file_ = nullptr;
  bool published_ = false;
};

}  // namespace grib
