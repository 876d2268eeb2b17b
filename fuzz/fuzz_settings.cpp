// Any bytes as the settings file: every start-up value must read without a crash; any file
// that reads can be rewritten, changing the one value written and nothing else; a string comes
// back exactly as it was written; and writing it again leaves the file alone.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/text_encoding.h"
#include "engine/settings_store.h"

namespace {

// One folder for the whole run, removed when the fuzzer exits normally.
class Folder {
 public:
  Folder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "tolven-fuzz-settings-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

tolven::Settings ReadEverything(const tolven::SettingsStore& store) {
  tolven::Settings settings;
  tolven::ReadStartupPaths(store, settings, "/start");
  tolven::ReadStartupSettings(store, settings);
  return settings;
}

ino_t InodeOf(const std::filesystem::path& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) std::abort();
  return status.st_ino;
}

void Set(std::vector<std::pair<std::string, std::string>>& entries, std::string_view name,
         const std::string& value) {
  for (auto& [entryName, entryValue] : entries) {
    if (entryName == name) entryValue = value;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Folder folder;
  tolven::SettingsStore store(folder.Path());
  {
    std::ofstream file(store.FilePath(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

  auto entries = tolven::SettingsEntries(ReadEverything(store));
  if (!store.WriteInteger("FONTBold", 12345)) std::abort();
  Set(entries, "FONTBOLD", "12345");
  if (tolven::SettingsEntries(ReadEverything(store)) != entries) std::abort();

  // The input's last bytes as the player's name, blanks, quotes, backslashes, line breaks and all.
  const size_t length = std::min<size_t>(size, 40);
  const std::string playerName(reinterpret_cast<const char*>(data) + size - length, length);
  const std::optional<std::string> utf8 = tolven::ShiftJisToUtf8(playerName);
  if (!utf8 || utf8->find('\0') != std::string::npos) return 0;  // not text the engine holds
  if (!store.WriteString("PlayerName", playerName)) std::abort();
  const std::string expected = tolven::Utf8ToShiftJis(*utf8).value_or("\x01");
  if (store.ReadString("PlayerName", "\x01") != expected) std::abort();
  Set(entries, "PlayerName", tolven::ShiftJisToUtf8Lossy(expected));
  if (tolven::SettingsEntries(ReadEverything(store)) != entries) std::abort();

  const ino_t inode = InodeOf(store.FilePath());
  if (!store.WriteString("PlayerName", playerName) || InodeOf(store.FilePath()) != inode) {
    std::abort();
  }
  return 0;
}
