#include "save/save_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace tolven {
namespace {

namespace fs = std::filesystem;

bool Writable(const fs::path& folder) {
  return access(folder.c_str(), W_OK | X_OK) == 0;
}

fs::path DataHome() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && fs::path(data).is_absolute()) return data;
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home != '\0') return fs::path(home) / ".local" / "share";
  if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) {
    return fs::path(user->pw_dir) / ".local" / "share";
  }
  return ".";
}

// "." or "games/x/" name the folder they stand for, not an empty or dotted name.
std::string FolderName(const fs::path& gameDirectory) {
  std::error_code error;
  fs::path absolute = fs::absolute(gameDirectory, error);
  if (error) absolute = gameDirectory;
  absolute = absolute.lexically_normal();
  if (!absolute.has_filename()) absolute = absolute.parent_path();
  const std::string name = absolute.filename().string();
  return name.empty() || name == "." || name == ".." ? "game" : name;
}

}  // namespace

fs::path ResolveSaveFolder(const std::optional<fs::path>& saveDirArgument,
                           const fs::path& gameDirectory) {
  if (saveDirArgument && !saveDirArgument->empty()) return *saveDirArgument;
  const fs::path beside = gameDirectory / "save";
  std::error_code error;
  const fs::file_status status = fs::status(beside, error);
  const bool usable = fs::is_directory(status) ? Writable(beside)
                      : fs::exists(status)     ? false  // a file in the way
                                               : Writable(gameDirectory);
  if (usable) return beside;
  return DataHome() / "tolven" / FolderName(gameDirectory);
}

}  // namespace tolven
