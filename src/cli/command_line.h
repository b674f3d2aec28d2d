// The command lines of the programs built on CLI11 (gridinfo, griddiff,
// gridplot, grid2nc, nc2grid), answered alike: the words read in the order
// typed, --help and --version answered on standard output, and a misuse on
// standard error with a pointer to --help.
#pragma once

#include <CLI/CLI.hpp>
#include <span>
#include <string>
#include <string_view>

namespace cli {

// This build's version, as every program reports it.
std::string_view version();

// What a command line came to.
struct Parsed {
  enum class Kind { kRun, kAnswered, kMisuse };
  Kind kind = Kind::kRun;
  // kAnswered: the help or version text for standard output; kMisuse: what
  // was wrong, for standard error.
  std::string text;

  static Parsed misuse(std::string what) { return {Kind::kMisuse, std::move(what)}; }
  bool run() const { return kind == Kind::kRun; }
};

// Adds --version to `app`, then parses the words after the program's name
// (args[0]).
Parsed parse(CLI::App& app, std::span<const std::string> args);

// Ends a command line that is not to run: prints the answer on standard
// output and returns `answered`, or prints "PROGRAM: what" and "Run PROGRAM
// --help for the usage." on standard error and returns `misused`.
int finish(const Parsed& parsed, std::string_view program, int answered, int misused);

// --timeout S and --memory-limit MIB of a program that reads its input with
// `library` in a contained child: the longest one step of the reading may
// take (0: for ever) and the memory the child may take (0: no limit).
void add_containment_options(CLI::App& app, std::string_view library, std::string_view step,
                             double& timeout_seconds, int& memory_limit_mib);

}  // namespace cli
