#include "gridtools/messages.h"

#include <optional>

#include "platform/platform.h"

namespace gridtools {

namespace {

// The operating system's reason when the file itself cannot be opened.
std::optional<std::string> system_reason(const std::string& path, const gridfile::Error& error) {
  if (error.os_error != 0) return platform::status_text(error.os_error);
  const int status = platform::probe_read(path);
  if (status != platform::kOk) return platform::status_text(status);
  return std::nullopt;
}

}  // namespace

std::string open_failure_text(const std::string& path, const gridfile::Error& error) {
  if (std::optional<std::string> reason = system_reason(path, error)) return *reason;
  // The structure check names the first fault of a file that opens but is
  // not a usable grid file; the open's own text only says that it failed.
  if (const gridfile::Status checked = gridfile::check(path); !checked) {
    return checked.error().reason_or_text();
  }
  return error.reason_or_text();
}

std::string check_failure_text(const std::string& path, const gridfile::Error& error) {
  if (std::optional<std::string> reason = system_reason(path, error)) return *reason;
  return error.reason_or_text();
}

LibraryMessagesInErrors::LibraryMessagesInErrors() {
  gridfile::set_message_sink([](std::string_view) {});
}

LibraryMessagesInErrors::~LibraryMessagesInErrors() {
  gridfile::set_message_sink({});
}

}  // namespace gridtools
