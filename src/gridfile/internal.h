// Helpers shared by the gridfile sources; not part of the interface.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gridfile/gridfile.h"

namespace gridfile::detail {

inline constexpr std::size_t kTimeChars = 20;   // grid time texts
inline constexpr std::size_t kParamChars = 12;  // parameter names
inline constexpr std::size_t kProjChars = 4;    // projection names (word 2 of the block)
inline constexpr std::size_t kPathChars = 132;  // file names the file services keep
inline constexpr int kNavWords = 256;
inline constexpr int kAnlWords = 128;

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
  int gfnum = 0;             // 0 once closed
  bool unpublished = false;  // made by create_unpublished, not yet named
};

}  // namespace gridfile
