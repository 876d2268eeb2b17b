#include "test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "engine/settings_store.h"

namespace tolven::testing {

TempDir::TempDir() {
  std::random_device seed;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = std::filesystem::temp_directory_path() /
                     ("tolven-test-" + std::to_string(getpid()) + "-" + std::to_string(seed()));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

Settings StartupSettings() {
  const TempDir empty;
  Settings settings;
  ReadStartupSettings(SettingsStore(empty.Path()), settings);
  return settings;
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

void WriteFileText(const std::filesystem::path& path, const std::string& text) {
  WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

static std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

static CommandResult RunProgram(const char* program, const std::vector<std::string>& arguments) {
  std::string command = ShellQuote(program);
  for (const std::string& argument : arguments) command += " " + ShellQuote(argument);
  command += " 2>&1";
  CommandResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> chunk;
  size_t got;
  while ((got = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
    result.output.append(chunk.data(), got);
  int status = pclose(pipe);
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

CommandResult RunTool(const std::vector<std::string>& arguments) {
  return RunProgram(TOLVEN_TOOL_PATH, arguments);
}

CommandResult RunTolven(const std::vector<std::string>& arguments) {
  return RunProgram(TOLVEN_PATH, arguments);
}

}  // namespace tolven::testing
