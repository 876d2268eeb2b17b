#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/settings.h"

namespace tolven {

class SettingsFile;

// The folder that holds the settings file. The first of these that is set and non-empty wins:
// the --config-dir argument, TOLVEN_CONFIG_DIR, $XDG_CONFIG_HOME/velmora (only when absolute,
// as XDG asks), and last ~/.config/velmora.
std::filesystem::path SettingsFolder(const std::optional<std::filesystem::path>& configDirArgument);

// The player's settings: one INI file, "peluna2.ini", with the values in section [PELUNA2].
// Value names compare without regard to letter case. Strings are UTF-8 in the file and
// Shift-JIS bytes on this interface.
//
// Reading never writes and never fails: a missing, unreadable or unconvertible value yields the
// caller's default. An integer must be a whole decimal number with an optional sign and
// optional blanks around it, inside the 32-bit range ("12abc", "0x10", "99999999999" read the
// default; "010" reads 10). When a name appears more than once in the section, the first
// non-empty occurrence counts.
//
// The file is a classic INI file: "[section]" lines, "name=value" or "name:value" lines, ';' and
// '#' start a comment at the start of a line and ';' after a blank anywhere in a value, blanks
// around names and values do not count, and an indented line after a value is one more
// occurrence of that name. Lines may be of any length. A value is stored as it is when the
// reader would give it back unchanged; otherwise (blanks at either end, a leading '"', a blank
// followed by ';', a line feed or carriage return) it is written in double quotes, with \\, \",
// \n and \r standing for a backslash, a quote, a line feed and a carriage return. A quoted value
// that does not follow these rules exactly reads as the plain text it is.
//
// Every write rewrites the whole file atomically (the old file stays whole when anything
// fails), through a symbolic link to the file it leads to and keeping the file's permissions.
// The rewrite keeps every value of every section but drops comments and lines that do not parse.
// Writing the value a name already has leaves the file alone. A value with no UTF-8 form or
// with a zero byte, and a name the file cannot hold, are refused.
class SettingsStore {
 public:
  explicit SettingsStore(const std::filesystem::path& folder);
  static SettingsStore ForUser(const std::optional<std::filesystem::path>& configDirArgument) {
    return SettingsStore(SettingsFolder(configDirArgument));
  }

  const std::filesystem::path& FilePath() const { return file_; }

  // One reading of the file, for taking many values at once without parsing it again for each.
  class Snapshot {
   public:
    explicit Snapshot(std::shared_ptr<const SettingsFile> file) : file_(std::move(file)) {}
    int ReadInteger(std::string_view name, int defaultValue) const;
    std::string ReadString(std::string_view name, std::string_view defaultValue) const;
    // The section [Tolven] beside [PELUNA2]: the settings only this player has, as UTF-8 text
    // (none when the name is absent or empty), and all of them in file order.
    std::optional<std::string> ReadOwn(std::string_view name) const;
    std::vector<std::pair<std::string, std::string>> OwnEntries() const;

   private:
    std::optional<std::string> ReadStored(std::string_view name) const;
    std::shared_ptr<const SettingsFile> file_;
  };
  Snapshot Read() const;

  int ReadInteger(std::string_view name, int defaultValue) const {
    return Read().ReadInteger(name, defaultValue);
  }
  std::string ReadString(std::string_view name, std::string_view defaultValue) const {
    return Read().ReadString(name, defaultValue);
  }

  // Both report whether the value is now in the file; the player is never told of a failure.
  bool WriteInteger(std::string_view name, int value);
  bool WriteString(std::string_view name, std::string_view shiftJisValue);

 private:
  bool WriteStored(std::string_view name, std::string_view utf8Value);

  std::filesystem::path folder_;
  std::filesystem::path file_;
  bool staleTemporariesRemoved_ = false;  // once per store: interrupted writes of earlier runs
};

// The three install paths read when the main window is created. GameDir defaults to
// currentDirectory (Shift-JIS) with a "/" added.
void ReadStartupPaths(const SettingsStore& store, Settings& settings,
                      std::string_view currentDirectory);

// Every other start-up value, in the engine's start-up order, with the documented defaults.
void ReadStartupSettings(const SettingsStore& store, Settings& settings);

// Every value with its stored name and its current value as UTF-8 text, for the state dump.
std::vector<std::pair<std::string, std::string>> SettingsEntries(const Settings& settings);

}  // namespace tolven
