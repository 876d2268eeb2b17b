#pragma once

#include <limits>
#include <string>

namespace tolven {

// Left and Top read this when nothing is stored: the window goes to the centre of the screen,
// which only the display code can work out. A stored -2147483648 means the same.
inline constexpr int kCentreOnScreen = std::numeric_limits<int>::min();

// Every value of the settings store, as stored. The engine owns one record and every subsystem
// that follows a setting reads it here, so a value changed in the configuration dialog reaches
// them all at once. Turning them into engine flags (Wave and Delay inverted, SMode 0 becoming 2
// on a small screen) is the engine's business, not this struct's. Strings are Shift-JIS bytes.
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
  std::string FontName;   // face of the text font, Windows names included
  int DirectSoundGlobal = 0;  // non-zero: sound keeps playing while another window is active
  int AnimQuality = 0;        // animations: 0 speed first, non-zero quality first
  int CVABORT = 0;            // non-zero: a click stops the playing voice
  int TXWStyle = 0;           // message window style (S051)
  int SE[5] = {};             // SE0–SE4: sound-effect groups "SEH0"–"SEH4" enabled
  int SE_LVL[5] = {};         // SE_LVL0–SE_LVL4: level offsets for group 4 sounds
  int Vol1 = 0;               // voice volume, -3000 (quietest) to 0
  int Vol2 = 0;               // sound-effect volume, -3000 to 0
  int Vol3 = 0;               // music volume, -3000 to 0
  int Vol4 = 0;               // fourth volume channel (slots 6 and 7), -3000 to 0
  int FONTAA = 0;             // 0 anti-aliased glyphs with a shadow, 1 plain font output
  int FONTSIZE = 0;           // glyph size, points at 96 DPI
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

}  // namespace tolven
