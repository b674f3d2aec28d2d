#include "inspect/messages.h"

#include <optional>

#include "platform/platform.h"

namespace inspect {

namespace {

// The operating system's reason when the file itself cannot be opened.
std::optional<std::string> system_reason(const std::string& path, const gridfile::Error& error) {
  if (error.code > 0) return platform::status_text(error.code);  // the file services' errno
  const int status = platform::probe_read(path);
  if (status != platform::kOk) return platform::status_text(status);
  return std::nullopt;
}

// The library's text without the file name, which the caller's line carries
// already ("NAME: reason").
std::string without_name(const std::string& path, std::string text) {
  for (const std::string& form : {path + ": ", ": " + path, path}) {
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
  return without_name(path, error.text);
}

std::string check_failure_text(const std::string& path, const gridfile::Error& error) {
  if (std::optional<std::string> reason = system_reason(path, error)) return *reason;
  return without_name(path, error.text);
}

MessagesToStderr::MessagesToStderr() {
  gridfile::set_message_sink([](std::string_view line) { platform::write_error_line(line); });
}

MessagesToStderr::~MessagesToStderr() { gridfile::set_message_sink({}); }

}  // namespace inspect

namespace inspect {

void use_message_files(std::string_view installed, std::string_view built) {
  const bool is_installed = platform::file_exists(std::string(installed) + "/DM.ERR");
  platform::set_env_default("MORERR", is_installed ? installed : built);
}

}  // namespace inspect
