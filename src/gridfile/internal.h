// Helpers shared by the gridfile sources; not part of the interface.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "grid/file_format.h"
#include "gridfile/gridfile.h"
#include "platform/platform.h"

namespace gridfile::detail {

using grid::kAnlWords;
using grid::kNavWords;
using grid::kParamChars;
using grid::kProjChars;
using grid::kTimeChars;
inline constexpr std::size_t kPathChars = 132;  // file names the file services keep

// The name that makes the library use `path` exactly: "^" (no lower-casing),
// and "./" before a relative name that the services would read as starting
// with an environment symbol ("$SYM/..." or "SYM:..."). An Error when the
// name is empty, holds a NUL or is longer than the services keep.
Result<std::string> library_name(std::string_view path);

// The library's code with the text of its numbered message of group ("GD" or
// "DM"), the file name as context, and the message lines the library wrote
// during the failed call.
Error library_error(std::string_view group, int code, std::string_view path,
                    const std::vector<std::string>& written = {});
Error argument_error(std::string_view path, std::string text);
// gd_open's failure to open the DM file: the operating system's reason when
// it has one (not_found() for a missing file).
Error open_error(std::string_view path, const std::vector<std::string>& written);
// A failure of this interface's own bookkeeping (closed, in use, too many open).
Error state_error(std::string_view path, int code, Condition condition, std::string text);

// Sets MORERR, when it is not set, to the message folder the package was
// installed with (or the one a consumer's build named), so that errors carry
// the library's message texts without any environment variable.
void use_package_message_files();

// While alive, collects the library's message lines (they still reach the
// caller's sink); an enclosing capture receives them too when this one ends.
class MessageCapture {
 public:
  MessageCapture();
  ~MessageCapture();
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
  std::vector<std::string>* outer_;
};

// What a grid's data record says about it, read from the record's words.
struct RecordHead {
  int nx = 0, ny = 0;
  int ipktyp = 0, nbits = 0;
  float ref = 0, scale = 0, difmin = 0;
  std::size_t words = 0;  // the record's words, its length word included
};
// 0, or a DM code (-36 a record whose words contradict each other); the
// record must have been found by gd_gpck first.
int read_record_head(int gfnum, int igrid, RecordHead& head);

}  // namespace gridfile::detail

namespace gridfile {

// What a GridFile holds: the library's file number and what it knows.
struct GridFile::State {
  std::string path;
  Navigation nav;
  Mode mode = Mode::kUpdate;
  int gfnum = 0;                                   // 0 once closed
  bool unpublished = false;                        // made by create_unpublished, not yet named
  std::optional<platform::FileIdentity> identity;  // the file, while open

  // The files open through this interface, to refuse a second open for
  // update of one file and a fourth open file with errors of their own.
  static std::vector<const State*>& open_files() {
    static std::vector<const State*> files;
    return files;
  }
  void opened() { open_files().push_back(this); }
  void closed() { std::erase(open_files(), this); }
};

}  // namespace gridfile
