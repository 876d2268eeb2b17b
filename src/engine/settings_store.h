#pragma once

#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// Left and Top read this when nothing is stored: the window goes to the centre of the screen,
// which only the display code can work out. A stored -2147483648 means the same.
inline constexpr int kCentreOnScreen = std::numeric_limits<int>::min();

// Every value of the settings store, as stored. Turning them into engine flags (Wave and Delay
// inverted, SMode 0 becoming 2 on a small screen) is the engine's business, not this struct's.
// Strings are Shift-JIS bytes.
struct Settings {
  std::string CDDir;      // installation CD folder; its first three bytes give the CD-audio drive
  std::string GameDir;    // game folder; "NULL" fails the start-up check
  std::string CDDA_DRV;   // CD-audio drive root; empty means "take it from CDDir"
  int Left = 0;           // main window position at start-up, or kCentreOnScreen
  int Top = 0;            // as Left
  int BGM = 0;            // music: 0 on, 1 off, anything else plays nothing
  int Wave = 0;           // voices and system sounds: 0 on, non-zero off
  int Delay = 0;          // text speed: 0 character by character, non-zero whole lines
  int GMode = 0;          // pictures: 0 normal, non-zero fast transitions
  int SMode = 0;          // screen: 0 window, 1 full screen, 2 borderless at the top-left corner
  int Clear = 0;          // times the game was completed (S100)
  int Seen = 0;           // non-zero: skipping stops at unread text
  int SkipMode = 0;       // skip state is this plus one
  int BreakonSelect = 0;  // non-zero: skip and auto-advance stop at choices and screens
  std::string FontName;   // face of the text font
  int DirectSoundGlobal = 0;  // non-zero: sound keeps playing while another window is active
  int AnimQuality = 0;        // animations: 0 speed first, non-zero quality first
  int CVABORT = 0;            // non-zero: a click stops the playing voice
  int TXWStyle = 0;           // message window style (S051)
  int SE[5] = {};             // SE0–SE4: sound-effect groups "SEH0"–"SEH4" enabled
  int SE_LVL[5] = {};         // SE_LVL0–SE_LVL4: level offsets for group 4 sounds
  int Vol1 = 0;               // voice volume, -3000 (quietest) to 0
  int Vol2 = 0;               // sound-effect volume, -3000 to 0
  int Vol3 = 0;               // music volume, -3000 to 0
  int Vol4 = 0;               // fourth volume channel, -3000 to 0
  int FONTAA = 0;             // 0 anti-aliased glyphs, 1 plain font output
  int FONTSIZE = 0;           // glyph size
  int FONTBOLD = 0;           // non-zero: bold text font
  std::string PlayerName;     // protagonist's family name (string row 0)
  std::string PlayerName2;    // protagonist's given name (string row 1)
  int GV[10] = {};            // GV00–GV09: cross-game values G0–G9
  int TXBG_R = 0;             // message window background red, 0–255
  int TXBG_G = 0;             // message window background green, 0–255
  int TXBG_B = 0;             // message window background blue, 0–255
  int TXBG_A = 0;             // message window background opacity, 0–255
  int OnMemoryMode = 1;       // only the configuration dialog stores it; never read at start-up
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
