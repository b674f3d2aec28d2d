#include "inspect/messages.h"

#include "platform/platform.h"

namespace inspect {

std::string open_failure_text(const std::string& path, const gridfile::Error& error) {
  (void)path;
  return error.text;
}

std::string check_failure_text(const std::string& path, const gridfile::Error& error) {
  (void)path;
  return error.text;
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
