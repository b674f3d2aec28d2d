// Errors as values: the library's code with the text of its numbered message,
// and the names handed to the library's file services.
#include <cerrno>

#include "dm/dm_limits.h"
#include "grid/gd_codes.h"
#include "gridfile/internal.h"
#include "platform/platform.h"
#include "services/message_text.h"

namespace gridfile::detail {
namespace {

bool is_absolute(std::string_view path) {
  return path.starts_with('/');
}

}  // namespace

Result<std::string> library_name(std::string_view path) {
  if (path.empty()) return argument_error(path, "an empty file name");
  if (path.find('\0') != std::string_view::npos) {
    return argument_error(path, "a file name holding a NUL character");
  }
  std::string name(path);
  // "$SYM/..." and "SYM:..." would be expanded even after "^".
  const bool looks_symbolic = path.starts_with('$') || path.find(':') != std::string_view::npos;
  if (looks_symbolic && !is_absolute(path)) name = "./" + name;
  if (name.size() > kPathChars) {
    return argument_error(path, "file name longer than the " + std::to_string(kPathChars) +
                                    " characters the library keeps");
  }
  return "^" + name;
}

namespace {

// What a library code means to a caller, by the group that reported it.
Condition condition_of(std::string_view group, int code) {
  if (group == "GD") {
    switch (code) {
      case grid::kGdDuplicate:
        return Condition::kExists;
      case grid::kGdNoColumn:
        return Condition::kFull;
      case grid::kGdNoGrid:
        return Condition::kNotFound;
      case grid::kGdNotGridFile:
        return Condition::kDamaged;
      case grid::kGdNotWritable:
        return Condition::kReadOnly;
      case grid::kGdBadSize:
        return Condition::kBadArgument;
      default:
        return Condition::kOther;
    }
  }
  switch (code) {
    case dm::kDmDamaged:
    case dm::kDmNotDmFile:
      return Condition::kDamaged;
    case dm::kDmNoFileNumber:
      return Condition::kTooManyOpen;
    case dm::kDmNotWritable:
      return Condition::kReadOnly;
    default:
      return Condition::kOther;
  }
}

// The operating system's condition for an errno.
Condition condition_of_errno(int os_error) {
  if (os_error == ENOENT || os_error == ENOTDIR) return Condition::kNotFound;
  if (os_error == EEXIST) return Condition::kExists;
  if (os_error == ENOSPC || os_error == EFBIG) return Condition::kFull;
  return Condition::kOther;
}

// `text` with the mark dropped, and the separator that led to it.
std::string without_mark(std::string text, char mark) {
  const std::size_t at = text.find(mark);
  if (at == std::string::npos) return text;
  std::size_t from = at;
  for (std::string_view lead : {": ", " "}) {
    if (from >= lead.size() &&
        std::string_view(text).substr(from - lead.size(), lead.size()) == lead) {
      from -= lead.size();
      break;
    }
  }
  text.erase(from, at + 1 - from);
  return text;
}

}  // namespace

Error library_error(std::string_view group, int code, std::string_view path,
                    const std::vector<std::string>& written) {
  // The path goes in after the message is built (a mark holds its place),
  // so that the message's 128-character cut never takes it.
  constexpr char kMark = '\x01';
  const std::string marked = services::message_text(group, code, std::string_view(&kMark, 1), true);
  Error e;
  e.source = group == "GD" ? Source::kGrid : Source::kDm;
  e.code = code;
  e.path = std::string(path);
  e.text = marked;
  if (const std::size_t at = e.text.find(kMark); at != std::string::npos)
    e.text.replace(at, 1, path);
  e.reason = without_mark(marked, kMark);
  e.condition = condition_of(group, code);
  if (code > 0) {  // the file services pass the operating system's errno on
    e.source = Source::kFileSystem;
    e.os_error = code;
    e.condition = condition_of_errno(code);
  }
  e.library_lines = written;
  return e;
}

Error open_error(std::string_view path, const std::vector<std::string>& written) {
  Error e = library_error("DM", dm::kDmOpenFailed, path, written);
  e.code = grid::kGdCreateFailed;
  // The file services said why on their message line; the operating
  // system says it again for the caller to branch on.
  if (const int status = platform::probe_read(path); status > 0) {
    e.source = Source::kFileSystem;
    e.os_error = status;
    e.condition = condition_of_errno(status);
    e.reason = platform::status_text(status);
  }
  return e;
}

Error argument_error(std::string_view path, std::string text) {
  Error e(Source::kArgument, kBadArgument, std::string(path) + ": " + text,
          Condition::kBadArgument);
  e.path = std::string(path);
  e.reason = std::move(text);
  return e;
}

Error state_error(std::string_view path, int code, Condition condition, std::string text) {
  Error e(Source::kTool, code, std::string(path) + ": " + text, condition);
  e.path = std::string(path);
  e.reason = std::move(text);
  return e;
}

}  // namespace gridfile::detail
