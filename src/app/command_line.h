#pragma once

#include <CLI/CLI.hpp>

#include <optional>

namespace tolven {

// Exit status of a command line that could not be understood.
inline constexpr int kExitUsage = 2;

// Parses the command line. When the program should stop at once (after --help or --version,
// or on a usage error, which is reported), returns the exit status to stop with.
inline std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv) {
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& success) {
    return app.exit(success);
  } catch (const CLI::ParseError& error) {
    app.exit(error);
    return kExitUsage;
  }
  return std::nullopt;
}

}  // namespace tolven
