// Errors as values: the library's code with the text of its numbered message,
// and the names handed to the library's file services.
#include <array>

#include "gridfile/internal.h"
#include "services/er.h"
#include "strings/field.h"

namespace gridfile::detail {
namespace {

constexpr std::size_t kMessageChars = 128;  // a numbered message is cut there

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

Error library_error(std::string_view group, int code, std::string_view path,
                    const std::vector<std::string>& written) {
  // The name goes in after the message is built, so that the 128-character
  // cut of messages never takes it: a one-character mark holds its place.
  constexpr char kMark = '\x01';
  std::array<char, kMessageChars> msg{};
  int ier = 0;
  er_mmsg(group, code, std::string_view(&kMark, 1), msg, ier);
  Error e{code, std::string(strings::trim_right(strings::as_view(msg)))};
  if (const std::size_t at = e.text.find(kMark); at != std::string::npos) {
    e.text.replace(at, 1, path);
  } else {
    e.text += ": " + std::string(path);
  }
  for (std::size_t i = 0; i < written.size(); ++i) {
    e.text += i == 0 ? " (library messages: " : "; ";
    e.text += written[i];
    if (i + 1 == written.size()) e.text += ")";
  }
  return e;
}

Error argument_error(std::string_view path, std::string text) {
  return Error{kBadArgument, std::string(path) + ": " + std::move(text)};
}

}  // namespace gridfile::detail
