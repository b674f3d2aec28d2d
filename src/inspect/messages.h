// How the inspection programs word a file they cannot use, and where the
// library's own numbered messages go while they run.
#pragma once

#include <string>
#include <string_view>

#include "gridfile/gridfile.h"

namespace inspect {

// The reason a file could not be opened as a grid file, for a line
// "program: NAME: reason" (the name as the user typed it).
std::string open_failure_text(const std::string& path, const gridfile::Error& error);
// The same for a failed structure check.
std::string check_failure_text(const std::string& path, const gridfile::Error& error);

// While one lives, the library's numbered messages ("[DM -3] ...") go to
// standard error, so they never mix with a dump or a document on standard output.
class MessagesToStderr {
 public:
  MessagesToStderr();
  ~MessagesToStderr();
  MessagesToStderr(const MessagesToStderr&) = delete;
  MessagesToStderr& operator=(const MessagesToStderr&) = delete;
};

}  // namespace inspect

namespace inspect {

// Points MORERR, unless the operator set it, at the installed message files,
// or at the source tree's when the program has not been installed.
void use_message_files(std::string_view installed, std::string_view built);

}  // namespace inspect
