#include "gridtools/messages.h"

#include <optional>

#include "platform/platform.h"

namespace gridtools {

namespace {

// The operating system's reason when the file itself cannot be opened.
std::optional<std::string> system_reason(const std::string& path, const gridfile::Error& error) {
  if (error.code > 0) return platform::status_text(error.code);  // the file services' errno
  const int status = platform::probe_read(path);
  if (status != platform::kOk) return platform::status_text(status);
  return std::nullopt;
}

// The library's text without the file name, which the caller's line carries
// already ("NAME: reason"), nor the library's own form of it ("^NAME").
std::string without_name(const std::string& path, std::string text) {
  for (const std::string& form : {"^" + path, path}) {
    for (std::size_t at = text.find(form); at != std::string::npos && !path.empty();
         at = text.find(form, at)) {
      text.replace(at, form.size(), path);
      at += path.size();
    }
  }
  for (const std::string& form : {path + ": ", ": " + path, " " + path, path}) {
    if (const std::size_t at = text.find(form); at != std::string::npos && !path.empty()) {
      text.erase(at, form.size());
      break;
    }
  }
  return text;
}

}  // namespace

std::string open_failure_text(const std::string& path, const gridfile::Error& error) {
  if (std::optional<std::string> reason = system_reason(path, error)) return *reason;
  // The structure check names the first fault of a file that opens but is
  // not a usable grid file; the open's own text only says that it failed.
  if (const gridfile::Status checked = gridfile::check(path); !checked) {
    return without_name(path, checked.error().text);
  }
  return without_name(path, error.text);
}

std::string check_failure_text(const std::string& path, const gridfile::Error& error) {
  if (std::optional<std::string> reason = system_reason(path, error)) return *reason;
  return without_name(path, error.text);
}

LibraryMessagesInErrors::LibraryMessagesInErrors() {
  gridfile::set_message_sink([](std::string_view) {});
}

LibraryMessagesInErrors::~LibraryMessagesInErrors() {
  gridfile::set_message_sink({});
}

}  // namespace gridtools
