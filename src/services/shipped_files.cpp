#include "services/shipped_files.h"

#include <optional>

#include "platform/platform.h"

namespace services {

std::string find_shipped_folder(const ShippedFolder& where, std::string_view probe) {
  const auto holds = [probe](const std::string& folder) {
    return platform::file_exists(folder + "/" + std::string(probe));
  };
  if (!where.from_program.empty()) {
    if (const std::optional<std::string> bin = platform::program_folder()) {
      const std::string folder = *bin + "/" + std::string(where.from_program);
      if (holds(folder)) return folder;
    }
  }
  for (const std::string_view folder : {where.installed, where.built}) {
    if (!folder.empty() && holds(std::string(folder))) return std::string(folder);
  }
  return {};
}

void use_shipped_message_files(const ShippedFolder& where) {
  if (platform::get_env("MORERR").has_value()) return;
  const std::string folder = find_shipped_folder(where, "DM.ERR");
  // With no folder found the programs still run; messages show as "[DM n]".
  platform::set_env("MORERR", folder.empty() ? std::string(where.built) : folder);
}

}  // namespace services
