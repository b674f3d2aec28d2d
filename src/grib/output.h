// How grid2grib writes its GRIB2 output: the messages go, one at a time, to a
// temporary file beside the output's name (platform::PendingOutput), which is
// given its name only when all are written, never over an existing file; a
// run that fails or stops leaves nothing under the output's name.
#pragma once

#include <cstdio>
#include <memory>
#include <span>
#include <string>

#include "gridfile/gridfile.h"
#include "platform/publish.h"

namespace grib {

class MessageOutput {
 public:
  // Reserves the temporary file for `path`: refused when something is there.
  static gridfile::Result<MessageOutput> reserve(const std::string& path);

  // Appends bytes to the temporary file.
  gridfile::Status write(std::span<const unsigned char> bytes);
  // Closes the temporary file and gives it its name (synced in durable mode);
  // refused when something of that name appeared meanwhile.
  gridfile::Status publish();

 private:
  struct Closer {
    void operator()(std::FILE* f) const { (void)std::fclose(f); }
  };
  // Declared in this order so that the file is closed before the pending
  // output, destroyed unpublished, removes it.
  platform::PendingOutput pending_;
  std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace grib
