// Environment lookup, process set-up and exit.
#include "platform/platform.h"

#include <csignal>
#include <cstdlib>

namespace platform {

std::optional<std::string> get_env(std::string_view name) {
  const char* value = std::getenv(std::string(name).c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

void set_env_default(std::string_view name, std::string_view value) {
  ::setenv(std::string(name).c_str(), std::string(value).c_str(), 0);
}

void set_env(std::string_view name, std::string_view value) {
  ::setenv(std::string(name).c_str(), std::string(value).c_str(), 1);
}

void exit_process(int status) {
  flush_stdout();
  std::exit(status);
}

void ignore_file_size_signal() {
  std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace platform
