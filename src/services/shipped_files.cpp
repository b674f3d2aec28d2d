#include "services/shipped_files.h"

#include <optional>

#include "platform/platform.h"
#include "services/message_sink.h"

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
  std::string folder;
  if (const std::optional<std::string> own = platform::get_env("MORERR")) {
    folder = *own;
  } else {
    folder = find_shipped_folder(where, "DM.ERR");
    // With no folder found the programs still run; messages show as "[DM n]".
    platform::set_env("MORERR", folder.empty() ? std::string(where.built) : folder);
  }
  // Found: only these files speak for the program, never a stray one where it runs.
  if (!folder.empty() && platform::file_exists(folder + "/DM.ERR")) use_message_folder(folder);
}

}  // namespace services
