// Errors as values: the library's code with the text of its numbered message,
// and the names handed to the library's file services.
#include "gridfile/internal.h"
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

Error library_error(std::string_view group, int code, std::string_view path,
                    const std::vector<std::string>& written) {
  Error e{code, services::message_text(group, code, path, true)};
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
