#include "engine/settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <unordered_map>

#include "base/file_writer.h"
#include "base/text_encoding.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFileName = "peluna2.ini";
constexpr std::string_view kSection = "PELUNA2";
// Settings the game's own section has no name for (filters, key maps, text out) live in a
// section of their own, so the values games and their tools read stay as they expect them.
constexpr std::string_view kOwnSection = "Tolven";
// Far beyond any real settings file. A bigger file, or a link to an endless device, reads as an
// unreadable one instead of filling the memory.
constexpr size_t kMaxFileSize = size_t{64} << 20;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// INI readers fold case with tolower in the C locale: ASCII letters only, so Shift-JIS and
// UTF-8 bytes stay as they are.
char FoldCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Folded(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = FoldCase(c);
  return folded;
}

// isspace in the C locale, which is what INI readers trim.
bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view TrimFront(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimBack(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Where a name, section name or value ends: at the first of stops, or at a ';' right after a
// blank, which starts a comment. text.size() when neither comes.
size_t FindStopOrComment(std::string_view text, std::string_view stops) {
  bool afterBlank = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (stops.find(text[i]) != std::string_view::npos) return i;
    if (afterBlank && text[i] == ';') return i;
    afterBlank = IsBlank(text[i]);
  }
  return text.size();
}

bool NeedsQuotes(std::string_view value) {
  if (value.empty()) return false;
  if (IsBlank(value.front()) || IsBlank(value.back()) || value.front() == '"') return true;
  return value.find_first_of("\n\r") != std::string_view::npos ||
         FindStopOrComment(value, "") != value.size();
}

// Plain values are written as they are, so files stay as readable as before and any INI reader
// agrees on them; only values a plain line would change get quotes. A zero byte cannot be held.
std::optional<std::string> EncodeValue(std::string_view value) {
  if (value.find('\0') != std::string_view::npos) return std::nullopt;
  if (!NeedsQuotes(value)) return std::string(value);
  std::string quoted = "\"";
  for (const char c : value) {
    switch (c) {
      case '\\':
        quoted += "\\\\";
        break;
      case '"':
        quoted += "\\\"";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      default:
        quoted += c;
    }
  }
  return quoted + '"';
}

// The value inside text when text is exactly a quoted value as EncodeValue writes it, followed
// by nothing but blanks and a comment. Anything else is plain text that happens to begin with
// a quote, as older files may hold.
std::optional<std::string> DecodeQuoted(std::string_view text) {
  if (text.empty() || text.front() != '"') return std::nullopt;
  std::string value;
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i] == '"') {
      const std::string_view rest = text.substr(i + 1);
      const std::string_view afterBlanks = TrimFront(rest);
      const bool comment =
          !afterBlanks.empty() && afterBlanks.front() == ';' && afterBlanks.size() < rest.size();
      if (afterBlanks.empty() || comment) return value;
      return std::nullopt;
    }
    if (text[i] != '\\') {
      value += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        value += '\\';
        break;
      case '"':
        value += '"';
        break;
      case 'n':
        value += '\n';
        break;
      case 'r':
        value += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

// text is everything after the '=' or ':'; the comment search must see the blanks that
// trimming would remove, since a ';' right after them starts a comment.
std::string ReadValue(std::string_view text) {
  if (std::optional<std::string> quoted = DecodeQuoted(TrimFront(text))) return *quoted;
  return std::string(TrimBack(TrimFront(text.substr(0, FindStopOrComment(text, "")))));
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

}  // namespace

// The file as read, kept in order so that a rewrite loses no value. Sections and names fold
// case; a repeated name keeps its first non-empty value. Both are found through hash indexes,
// so reading and changing a file of many values costs time in proportion to its size.
class SettingsFile {
 public:
  // Nothing when the file exists but cannot be read: rewriting it would lose its values.
  static std::optional<SettingsFile> Load(const fs::path& path) {
    // Non-blocking, so that a FIFO in the file's place cannot stall the engine.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      if (errno == ENOENT) return SettingsFile();
      return std::nullopt;
    }
    struct Closer {
      int fd;
      ~Closer() { close(fd); }
    } closer{fd};
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<uint64_t>(status.st_size) > kMaxFileSize) {
      return std::nullopt;
    }
    std::string text;
    char buffer[1 << 16];
    for (;;) {
      const ssize_t got = read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return std::nullopt;
      if (got == 0) break;
      text.append(buffer, static_cast<size_t>(got));
      if (text.size() > kMaxFileSize) return std::nullopt;
    }
    return Parse(text);
  }

  static SettingsFile Parse(std::string_view text) {
    SettingsFile file;
    std::string_view section;
    constexpr size_t kNotYet = SIZE_MAX;
    size_t sectionIndex = kNotYet;  // set once the current section holds a value
    std::string previousName;       // the name an indented line adds to; empty for none
    for (bool firstLine = true; !text.empty(); firstLine = false) {
      const size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
      // Readers that work on C strings never see what follows a zero byte on its line.
      line = line.substr(0, line.find('\0'));
      bool indented = false;
      if (firstLine && line.starts_with(kByteOrderMark)) {
        line.remove_prefix(3);
        indented = true;
      }
      const std::string_view trimmed = TrimBack(TrimFront(line));
      indented = indented || (!trimmed.empty() && trimmed.data() != line.data());
      if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') continue;

      if (!previousName.empty() && indented) {
        // The continuation of a value: taken whole, comment starters and all.
        file.Add(sectionIndex, previousName, std::string(trimmed));
      } else if (trimmed.front() == '[') {
        const std::string_view inside = trimmed.substr(1);
        const size_t close = FindStopOrComment(inside, "]");
        if (close < inside.size() && inside[close] == ']') {
          section = inside.substr(0, close);
          sectionIndex = kNotYet;
          previousName.clear();
        }
      } else {
        const size_t separator = FindStopOrComment(trimmed, "=:");
        if (separator == trimmed.size() || trimmed[separator] == ';') continue;
        previousName = TrimBack(trimmed.substr(0, separator));
        if (sectionIndex == kNotYet) sectionIndex = file.FindOrAddSection(section);
        file.Add(sectionIndex, previousName, ReadValue(trimmed.substr(separator + 1)));
      }
    }
    return file;
  }

  // The names and values of a section in file order; none when the section is absent.
  std::vector<std::pair<std::string, std::string>> Entries(std::string_view sectionName) const {
    std::vector<std::pair<std::string, std::string>> entries;
    const auto section = index_.find(Folded(sectionName));
    if (section == index_.end()) return entries;
    for (const Entry& entry : sections_[section->second].entries) {
      entries.emplace_back(entry.name, entry.value);
    }
    return entries;
  }

  const std::string* Find(std::string_view sectionName, std::string_view name) const {
    const auto section = index_.find(Folded(sectionName));
    if (section == index_.end()) return nullptr;
    const Section& found = sections_[section->second];
    const auto entry = found.index.find(Folded(name));
    return entry == found.index.end() ? nullptr : &found.entries[entry->second].value;
  }

  // Replaces every spelling of the name with this one.
  void Set(std::string_view sectionName, std::string_view name, std::string_view value) {
    Section& section = sections_[FindOrAddSection(sectionName)];
    const auto [entry, added] = section.index.try_emplace(Folded(name), section.entries.size());
    if (added) {
      section.entries.push_back({std::string(name), std::string(value)});
    } else {
      section.entries[entry->second] = {std::string(name), std::string(value)};
    }
  }

  // Nothing when some value cannot be written at all.
  std::optional<std::string> Compose() const {
    std::string text;
    for (size_t i = 0; i < sections_.size(); ++i) {
      // Values before the first header need no header; anywhere else "[]" names that section.
      // A first line that began with a byte order mark would lose it when read back.
      const bool headerless = i == 0 && sections_[i].name.empty() &&
                              !sections_[i].entries.front().name.starts_with(kByteOrderMark);
      if (!headerless) text += "[" + sections_[i].name + "]\n";
      for (const Entry& entry : sections_[i].entries) {
        const std::optional<std::string> value = EncodeValue(entry.value);
        if (!value) return std::nullopt;
        text += entry.name;
        text += '=';
        text += *value;
        text += '\n';
      }
    }
    return text;
  }

  bool operator==(const SettingsFile& other) const {
    if (sections_.size() != other.sections_.size()) return false;
    for (size_t i = 0; i < sections_.size(); ++i) {
      if (sections_[i].name != other.sections_[i].name ||
          sections_[i].entries != other.sections_[i].entries) {
        return false;
      }
    }
    return true;
  }

 private:
  struct Entry {
    std::string name;
    std::string value;
    bool operator==(const Entry& other) const = default;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
    std::unordered_map<std::string, size_t> index;  // folded name → entry
  };

  size_t FindOrAddSection(std::string_view name) {
    const auto [section, added] = index_.try_emplace(Folded(name), sections_.size());
    if (added) sections_.push_back(Section{std::string(name), {}, {}});
    return section->second;
  }

  void Add(size_t sectionIndex, std::string_view name, std::string value) {
    Section& section = sections_[sectionIndex];
    const auto [entry, added] = section.index.try_emplace(Folded(name), section.entries.size());
    if (added) {
      section.entries.push_back({std::string(name), std::move(value)});
    } else if (section.entries[entry->second].value.empty()) {
      section.entries[entry->second].value = std::move(value);
    }
  }

  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> index_;  // folded name → section
};

namespace {

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
  return Snapshot(
      std::make_shared<const SettingsFile>(SettingsFile::Load(file_).value_or(SettingsFile())));
}

std::optional<std::string> SettingsStore::Snapshot::ReadStored(std::string_view name) const {
  const std::string* stored = file_->Find(kSection, name);
  if (stored == nullptr) return std::nullopt;
  return *stored;
}

std::optional<std::string> SettingsStore::Snapshot::ReadOwn(std::string_view name) const {
  const std::string* stored = file_->Find(kOwnSection, name);
  if (stored == nullptr || stored->empty()) return std::nullopt;
  return *stored;
}

std::vector<std::pair<std::string, std::string>> SettingsStore::Snapshot::OwnEntries() const {
  return file_->Entries(kOwnSection);
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
  std::optional<SettingsFile> file = SettingsFile::Load(file_);
  if (!file) return false;
  // Scripts set the same value over and over in loops; each rewrite would cost two disk syncs.
  if (const std::string* stored = file->Find(kSection, name); stored && *stored == utf8Value) {
    return true;
  }
  file->Set(kSection, name, utf8Value);
  // A name the file cannot hold ("A=B", "[X]", " Wave") would read back as something else, and
  // is refused rather than stored mangled.
  const std::optional<std::string> text = file->Compose();
  if (!text || !(SettingsFile::Parse(*text) == *file)) return false;
  if (!WriteFileAtomically(file_, *text)) return false;
  if (!staleTemporariesRemoved_) {
    RemoveStaleTemporaries(file_);
    staleTemporariesRemoved_ = true;
  }
  return true;
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
