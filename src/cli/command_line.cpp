#include "cli/command_line.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"

// The build passes the project's version; a bare compile says so.
#ifndef T2G_VERSION
#define T2G_VERSION "(version not set by the build)"
#endif

namespace cli {

std::string_view version() {
  return T2G_VERSION;
}

Parsed parse(CLI::App& app, std::span<const std::string> args) {
  app.set_version_flag("--version", app.get_name() + " " + std::string(version()),
                       "the program's version");
  std::vector<std::string> words(args.begin() + (args.empty() ? 0 : 1), args.end());
  std::reverse(words.begin(), words.end());  // CLI11 takes the words last first
  try {
    app.parse(words);
  } catch (const CLI::CallForHelp&) {
    return {Parsed::Kind::kAnswered, app.help()};
  } catch (const CLI::CallForVersion& v) {
    return {Parsed::Kind::kAnswered, v.what()};
  } catch (const CLI::ParseError& e) {
    return Parsed::misuse(e.what());
  }
  return {};
}

int finish(const Parsed& parsed, std::string_view program, int answered, int misused) {
  if (parsed.kind == Parsed::Kind::kAnswered) {
    platform::write_line(parsed.text);
    return answered;
  }
  const std::string name(program);
  platform::write_error_line(name + ": " + parsed.text);
  platform::write_error_line("Run " + name + " --help for the usage.");
  return misused;
}

void add_containment_options(CLI::App& app, std::string_view library, std::string_view step,
                             double& timeout_seconds, int& memory_limit_mib) {
  app.add_option("--timeout", timeout_seconds,
                 "give up when " + std::string(library) + " takes longer than S seconds to " +
                     std::string(step) + " (0: wait for ever; default " +
                     std::to_string(static_cast<int>(timeout_seconds)) + ")")
      ->type_name("S")
      ->check(CLI::Range(0.0, 1e6));
  app.add_option("--memory-limit", memory_limit_mib,
                 "the memory the reading may take, in MiB (0: no limit; default " +
                     std::to_string(memory_limit_mib) + ")")
      ->type_name("MIB")
      ->check(CLI::Range(0, 1 << 24));
}

}  // namespace cli
