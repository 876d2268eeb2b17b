#include "engine/settings_store.h"

#include <INIReader.h>
#include <fcntl.h>
#include <ini.h>
#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "base/text_encoding.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFileName = "peluna2.ini";
constexpr std::string_view kSection = "PELUNA2";

// inih and INIReader fold case with tolower in the C locale: ASCII letters only.
char FoldCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

std::optional<std::string> NonEmptyEnvironment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  return std::string(value);
}

fs::path HomeFolder() {
  if (auto home = NonEmptyEnvironment("HOME")) return *home;
  if (const passwd* user = getpwuid(getuid()); user != nullptr && user->pw_dir != nullptr) {
    return user->pw_dir;
  }
  return ".";
}

std::optional<int> ParseDecimal(std::string_view text) {
  auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  uint64_t magnitude = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (magnitude > uint64_t{1} << 31) return std::nullopt;
  const int64_t value =
      negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (value > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(value);
}

// INIReader joins repeated names with line breaks; values never hold one, so the first line is
// the first occurrence that had any text.
std::string FirstOccurrence(const std::string& joined) {
  return joined.substr(0, joined.find('\n'));
}

// The file as inih sees it, kept in order so that a rewrite loses no value: sections and names
// fold case exactly as INIReader folds them, and a repeated name keeps what INIReader would
// report for it.
class IniDocument {
 public:
  // Nothing when the file exists but cannot be read: rewriting it would lose its values.
  static std::optional<IniDocument> Load(const fs::path& file) {
    IniDocument document;
    std::unique_ptr<FILE, int (*)(FILE*)> stream(std::fopen(file.c_str(), "rb"), &std::fclose);
    if (!stream) {
      if (errno == ENOENT) return document;
      return std::nullopt;
    }
    ini_parse_file(stream.get(), &IniDocument::Collect, &document);
    if (std::ferror(stream.get())) return std::nullopt;
    return document;
  }

  static IniDocument Parse(const std::string& text) {
    IniDocument document;
    ini_parse_string(text.c_str(), &IniDocument::Collect, &document);
    return document;
  }

  // Replaces every spelling of the name with this one.
  void Set(std::string_view sectionName, std::string_view name, std::string_view value) {
    Section& section = FindOrAddSection(sectionName);
    for (Entry& entry : section.entries) {
      if (SameName(entry.name, name)) {
        entry = {std::string(name), std::string(value)};
        return;
      }
    }
    section.entries.push_back({std::string(name), std::string(value)});
  }

  std::string Compose() const {
    std::string text;
    for (size_t i = 0; i < sections_.size(); ++i) {
      // Values before the first header need no header; anywhere else "[]" names that section.
      if (i > 0 || !sections_[i].name.empty()) text += "[" + sections_[i].name + "]\n";
      for (const Entry& entry : sections_[i].entries) {
        text += entry.name + "=" + entry.value + "\n";
      }
    }
    return text;
  }

  bool operator==(const IniDocument& other) const = default;

 private:
  struct Entry {
    std::string name;
    std::string value;
    bool operator==(const Entry& other) const = default;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
    bool operator==(const Section& other) const = default;
  };

  static int Collect(void* user, const char* section, const char* name, const char* value) {
    auto& document = *static_cast<IniDocument*>(user);
    std::vector<Entry>& entries = document.FindOrAddSection(section).entries;
    for (Entry& entry : entries) {
      if (SameName(entry.name, name)) {
        if (entry.value.empty()) entry.value = value;
        return 1;
      }
    }
    entries.push_back({name, value});
    return 1;
  }

  Section& FindOrAddSection(std::string_view name) {
    for (Section& section : sections_) {
      if (SameName(section.name, name)) return section;
    }
    return sections_.emplace_back(Section{std::string(name), {}});
  }

  std::vector<Section> sections_;
};

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t written = write(fd, data.data(), data.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// Puts the whole content in place or leaves the target as it was.
bool ReplaceFile(const fs::path& target, std::string_view content) {
  std::string temporary = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX"));
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return false;
  const bool written = WriteAll(fd, content) && fsync(fd) == 0;
  const bool closed = close(fd) == 0;
  if (!written || !closed || std::rename(temporary.c_str(), target.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  // The rename itself only lasts a power cut once the folder is on disk too.
  if (const int folder = open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY); folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

template <auto member>
int& Field(Settings& settings) {
  return settings.*member;
}

template <auto member, size_t index>
int& Element(Settings& settings) {
  return (settings.*member)[index];
}

template <auto member>
std::string& Text(Settings& settings) {
  return settings.*member;
}

struct StoredValue {
  std::string_view name;
  int& (*integer)(Settings&) = nullptr;       // set for integer values
  std::string& (*text)(Settings&) = nullptr;  // set for string values
  int integerDefault = 0;
  std::string_view textDefault;
};

constexpr StoredValue Integer(std::string_view name, int& (*field)(Settings&), int defaultValue) {
  return {name, field, nullptr, defaultValue, {}};
}

constexpr StoredValue String(std::string_view name, std::string& (*field)(Settings&),
                             std::string_view defaultValue) {
  return {name, nullptr, field, 0, defaultValue};
}

// Shift-JIS for "ＭＳ 明朝", "山田" and "太郎".
constexpr std::string_view kDefaultFontName = "\x82\x6c\x82\x72 \x96\xbe\x92\xa9";
constexpr std::string_view kDefaultFamilyName = "\x8e\x52\x93\x63";
constexpr std::string_view kDefaultGivenName = "\x91\xbe\x98\x59";

// In the order the engine reads them at start-up; the state dump lists them the same way.
constexpr std::array kStartupValues = {
    Integer("Left", Field<&Settings::Left>, kCentreOnScreen),
    Integer("Top", Field<&Settings::Top>, kCentreOnScreen),
    Integer("BGM", Field<&Settings::BGM>, 0),
    Integer("Wave", Field<&Settings::Wave>, 0),
    Integer("Delay", Field<&Settings::Delay>, 0),
    Integer("GMode", Field<&Settings::GMode>, 0),
    Integer("SMode", Field<&Settings::SMode>, 0),
    Integer("Clear", Field<&Settings::Clear>, 0),
    Integer("Seen", Field<&Settings::Seen>, 1),
    Integer("SkipMode", Field<&Settings::SkipMode>, 0),
    Integer("BreakonSelect", Field<&Settings::BreakonSelect>, 1),
    String("FontName", Text<&Settings::FontName>, kDefaultFontName),
    Integer("DirectSoundGlobal", Field<&Settings::DirectSoundGlobal>, 0),
    Integer("AnimQuality", Field<&Settings::AnimQuality>, 0),
    Integer("CVABORT", Field<&Settings::CVABORT>, 1),
    Integer("TXWStyle", Field<&Settings::TXWStyle>, 0),
    Integer("SE0", Element<&Settings::SE, 0>, 1),
    Integer("SE1", Element<&Settings::SE, 1>, 1),
    Integer("SE2", Element<&Settings::SE, 2>, 1),
    Integer("SE3", Element<&Settings::SE, 3>, 1),
    Integer("SE4", Element<&Settings::SE, 4>, 1),
    Integer("SE_LVL0", Element<&Settings::SE_LVL, 0>, 0),
    Integer("SE_LVL1", Element<&Settings::SE_LVL, 1>, 0),
    Integer("SE_LVL2", Element<&Settings::SE_LVL, 2>, 0),
    Integer("SE_LVL3", Element<&Settings::SE_LVL, 3>, 0),
    Integer("SE_LVL4", Element<&Settings::SE_LVL, 4>, 0),
    Integer("Vol1", Field<&Settings::Vol1>, 0),
    Integer("Vol2", Field<&Settings::Vol2>, -800),
    Integer("Vol3", Field<&Settings::Vol3>, -1200),
    Integer("Vol4", Field<&Settings::Vol4>, -800),
    Integer("FONTAA", Field<&Settings::FONTAA>, 0),
    Integer("FONTSIZE", Field<&Settings::FONTSIZE>, 21),
    Integer("FONTBOLD", Field<&Settings::FONTBOLD>, 0),
    String("PlayerName", Text<&Settings::PlayerName>, kDefaultFamilyName),
    String("PlayerName2", Text<&Settings::PlayerName2>, kDefaultGivenName),
    Integer("GV00", Element<&Settings::GV, 0>, 0),
    Integer("GV01", Element<&Settings::GV, 1>, 0),
    Integer("GV02", Element<&Settings::GV, 2>, 0),
    Integer("GV03", Element<&Settings::GV, 3>, 0),
    Integer("GV04", Element<&Settings::GV, 4>, 0),
    Integer("GV05", Element<&Settings::GV, 5>, 0),
    Integer("GV06", Element<&Settings::GV, 6>, 0),
    Integer("GV07", Element<&Settings::GV, 7>, 0),
    Integer("GV08", Element<&Settings::GV, 8>, 0),
    Integer("GV09", Element<&Settings::GV, 9>, 0),
    Integer("TXBG_R", Field<&Settings::TXBG_R>, 0),
    Integer("TXBG_G", Field<&Settings::TXBG_G>, 0),
    Integer("TXBG_B", Field<&Settings::TXBG_B>, 0),
    Integer("TXBG_A", Field<&Settings::TXBG_A>, 90),
};

}  // namespace

fs::path SettingsFolder(const std::optional<fs::path>& configDirArgument) {
  if (configDirArgument && !configDirArgument->empty()) return *configDirArgument;
  if (auto folder = NonEmptyEnvironment("TOLVEN_CONFIG_DIR")) return *folder;
  if (auto base = NonEmptyEnvironment("XDG_CONFIG_HOME"); base && fs::path(*base).is_absolute()) {
    return fs::path(*base) / "velmora";
  }
  return HomeFolder() / ".config" / "velmora";
}

SettingsStore::SettingsStore(const fs::path& folder) : folder_(folder), file_(folder / kFileName) {}

SettingsStore::Snapshot SettingsStore::Read() const {
  return Snapshot(std::make_shared<const INIReader>(file_.string()));
}

std::optional<std::string> SettingsStore::Snapshot::ReadStored(std::string_view name) const {
  const std::string section(kSection);
  const std::string key(name);
  if (!reader_->HasValue(section, key)) return std::nullopt;
  return FirstOccurrence(reader_->Get(section, key, ""));
}

int SettingsStore::Snapshot::ReadInteger(std::string_view name, int defaultValue) const {
  const std::optional<std::string> stored = ReadStored(name);
  if (!stored) return defaultValue;
  return ParseDecimal(*stored).value_or(defaultValue);
}

std::string SettingsStore::Snapshot::ReadString(std::string_view name,
                                                std::string_view defaultValue) const {
  const std::optional<std::string> stored = ReadStored(name);
  if (!stored) return std::string(defaultValue);
  return Utf8ToShiftJis(*stored).value_or(std::string(defaultValue));
}

bool SettingsStore::WriteInteger(std::string_view name, int value) {
  return WriteStored(name, std::to_string(value));
}

bool SettingsStore::WriteString(std::string_view name, std::string_view shiftJisValue) {
  const std::optional<std::string> utf8 = ShiftJisToUtf8(shiftJisValue);
  return utf8 && WriteStored(name, *utf8);
}

bool SettingsStore::WriteStored(std::string_view name, std::string_view utf8Value) {
  std::error_code error;
  fs::create_directories(folder_, error);
  if (error) return false;
  std::optional<IniDocument> document = IniDocument::Load(file_);
  if (!document) return false;
  document->Set(kSection, name, utf8Value);
  const std::string text = document->Compose();
  // Whatever the parser would make of the new text differently (a line break or " ;" in the
  // value, a name with "=", an over-long line) is refused rather than stored mangled.
  if (!(IniDocument::Parse(text) == *document)) return false;
  return ReplaceFile(file_, text);
}

void ReadStartupPaths(const SettingsStore& settingsStore, Settings& settings,
                      std::string_view currentDirectory) {
  const SettingsStore::Snapshot store = settingsStore.Read();
  settings.CDDir = store.ReadString("CDDir", "NULL");
  settings.GameDir = store.ReadString("GameDir", std::string(currentDirectory) + "/");
  settings.CDDA_DRV = store.ReadString("CDDA_DRV", "");
}

void ReadStartupSettings(const SettingsStore& settingsStore, Settings& settings) {
  const SettingsStore::Snapshot store = settingsStore.Read();
  for (const StoredValue& value : kStartupValues) {
    if (value.integer != nullptr) {
      value.integer(settings) = store.ReadInteger(value.name, value.integerDefault);
    } else {
      value.text(settings) = store.ReadString(value.name, value.textDefault);
    }
  }
}

std::vector<std::pair<std::string, std::string>> SettingsEntries(const Settings& settings) {
  std::vector<std::pair<std::string, std::string>> entries = {
      {"CDDir", ShiftJisToUtf8Lossy(settings.CDDir)},
      {"GameDir", ShiftJisToUtf8Lossy(settings.GameDir)},
      {"CDDA_DRV", ShiftJisToUtf8Lossy(settings.CDDA_DRV)},
  };
  // The table's accessors hand out writable fields, so they are used on a copy.
  Settings copy = settings;
  for (const StoredValue& value : kStartupValues) {
    entries.emplace_back(value.name, value.integer != nullptr
                                         ? std::to_string(value.integer(copy))
                                         : ShiftJisToUtf8Lossy(value.text(copy)));
  }
  entries.emplace_back("OnMemoryMode", std::to_string(settings.OnMemoryMode));
  return entries;
}

}  // namespace tolven
