// How gridinfo and griddiff word a file they cannot use, and what becomes
// of the library's own numbered messages while they run.
#pragma once

#include <string>
#include <string_view>

#include "gridfile/gridfile.h"

namespace gridtools {

// The reason a file could not be opened as a grid file, for a line
// "program: NAME: reason" (the name as the user typed it).
std::string open_failure_text(const std::string& path, const gridfile::Error& error);
// The same for a failed structure check.
std::string check_failure_text(const std::string& path, const gridfile::Error& error);

// While one lives, the library's numbered messages ("[DM -3] ...") are not
// printed: the grid-file API hands them back in the Error of the failing
// call, which the programs print as one line on standard error. So standard
// output holds only the listing, document or dump.
class LibraryMessagesInErrors {
 public:
  LibraryMessagesInErrors();
  ~LibraryMessagesInErrors();
  LibraryMessagesInErrors(const LibraryMessagesInErrors&) = delete;
  LibraryMessagesInErrors& operator=(const LibraryMessagesInErrors&) = delete;
};

}  // namespace gridtools
