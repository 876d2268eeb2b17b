#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/settings.h"

namespace tolven::testing {

// A fresh directory under the system temp folder, removed again when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The settings a missing settings file gives, read as the engine reads them at start-up.
Settings StartupSettings();

// A settings record that names the text font and leaves every other value 0.
inline Settings FontSettings(const std::string& face, int size = 21, int bold = 0, int fontAa = 0) {
  Settings settings;
  settings.FontName = face;
  settings.FONTSIZE = size;
  settings.FONTBOLD = bold;
  settings.FONTAA = fontAa;
  return settings;
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
void WriteFileText(const std::filesystem::path& path, const std::string& text);

struct CommandResult {
  int exitStatus = -1;
  std::string output;  // stdout and stderr together
};

// Runs tolven-tool or tolven with the given arguments (each quoted for the shell).
CommandResult RunTool(const std::vector<std::string>& arguments);
CommandResult RunTolven(const std::vector<std::string>& arguments);

}  // namespace tolven::testing
