// Any bytes as the settings file: every start-up value must read without a crash, and a write
// must either be refused or change that one value and nothing else.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Folder folder;
  tolven::SettingsStore store(folder.Path());
  {
    std::ofstream file(store.FilePath(), std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }

  auto entries = tolven::SettingsEntries(ReadEverything(store));
  if (!store.WriteInteger("FONTBold", 12345)) return 0;
  for (auto& [name, value] : entries) {
    if (name == "FONTBOLD") value = "12345";
  }
  if (tolven::SettingsEntries(ReadEverything(store)) != entries) std::abort();
  return 0;
}
