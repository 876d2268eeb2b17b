#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/dialog_model.h"
#include "resources/bitmap24.h"

namespace tolven {

// What the configuration dialog shows when it opens and what it has changed since: the stored
// settings under their stored names, and the engine values it also sets. Strings are
// Shift-JIS.
struct ConfigurationValues {
  int SMode = 0;          // screen: 0 window, 1 full screen, 2 borderless window
  int GMode = 0;          // pictures: 0 normal, else fast
  int Delay = 0;          // text speed: 0 character by character, else whole lines
  int AnimQuality = 0;    // animations: 0 speed first, else quality first
  int Wave = 0;           // voices and system sounds: 0 on, else off
  int BGM = 0;            // music: 0 on, 1 off, anything else plays nothing
  int CVABORT = 1;        // non-zero: a click stops the playing voice
  int MasterVolume = 0;   // the engine's master volume, -3000 to 0; never stored
  int Vol1 = 0;           // voice volume, -3000 to 0
  int Vol2 = -800;        // sound-effect volume
  int Vol3 = -1200;       // music volume
  int Vol4 = -800;        // fourth volume channel
  int FONTBOLD = 0;       // non-zero: bold text font
  int FONTSIZE = 21;      // glyph size, 10 to 22
  int FONTAA = 0;         // 0 anti-aliased glyphs, 1 plain font output
  int BreakonSelect = 1;  // non-zero: skip and auto-advance stop at choices and screens
  int Seen = 1;           // non-zero: skipping stops at unread text
  int TXBG_R = 0;         // message window background red, 0 to 255
  int TXBG_G = 0;         // green
  int TXBG_B = 0;         // blue
  int TXBG_A = 90;        // opacity
  int OnMemoryMode = 1;   // stored, and an engine flag
  int DramaMode = 0;      // S070: speaker lines of the name tags hide the message window
  int DateDisplay = 0;    // S004: the date is shown
  std::string CDDA_DRV;   // CD-audio drive root
  // Face of the text font; "ＭＳ 明朝" when nothing is stored.
  std::string FontName = "\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9";
};

// Which value a control of the configuration dialog has just changed, so the engine can apply
// it at once. The new value is in ConfigurationDialog::Values().
enum class ConfigurationItem {
  BGM,
  Wave,
  Delay,
  GMode,
  SMode,
  AnimQuality,
  Drive,
  Seen,
  BreakonSelect,
  OnMemoryMode,
  CVABORT,
  MasterVolume,
  Vol1,
  Vol2,
  Vol3,
  Vol4,
  FontBold,
  FontName,
  FontSize,
  FontAA,
  TextBackgroundR,
  TextBackgroundG,
  TextBackgroundB,
  TextBackgroundA,
  DramaMode,
  DateDisplay,
  VoiceSample,  // Button1 "ボイス": play "AL0001"
};

// The configuration dialog (TForm3). Every control writes its setting the moment it changes;
// there is no cancel, and "ＯＫ" (Button2) is the only way to close it. A control whose value
// does not change runs nothing.
//
// Set takes an item index for radio groups, 0 or 1 for check boxes, a position for track bars
// and CSpinEdit1, and for ComboBox1 one of the listed font names; anything else, a value
// outside the control's range included, is refused and changes nothing.
class ConfigurationDialog : public DialogModel {
 public:
  ConfigurationDialog();

  // Fills the controls from the values without running a handler, and clears
  // TextStyleChanged and Closed. fontNames are the installed families in UTF-8, as fontconfig
  // gives them; ComboBox1 offers those the settings can hold in Shift-JIS, leaving out
  // vertical faces ("@...") and names made only of single-byte characters.
  void FormShow(const ConfigurationValues& current, std::vector<std::string> fontNames);
  // "ＯＫ".
  void Button2Click() { closed_ = true; }

  const ConfigurationValues& Values() const { return values_; }
  // A text display option (font, size, rendering, background) changed since FormShow: the
  // message window must be rebuilt when the dialog closes.
  bool TextStyleChanged() const { return textStyleChanged_; }

  // A settings value, under its stored name, written at once.
  std::function<void(std::string_view name, int value)> writeInteger;
  std::function<void(std::string_view name, std::string_view shiftJis)> writeString;
  // Called after the write, for the engine to apply what the item changed.
  std::function<void(ConfigurationItem item)> changed;

  std::string_view Name() const override { return "TForm3"; }
  std::string Caption() const override;
  int ClientWidth() const override { return 676; }
  int ClientHeight() const override { return 291; }
  bool Closed() const override { return closed_; }
  std::vector<Control> Controls() const override;
  ControlAction Set(std::string_view control, std::string_view value) override;
  ControlAction Press(std::string_view control) override;

 private:
  // A control and its number: the chosen item, 0 or 1, the position. Texts live in values_.
  struct Entry {
    Control control;
    int position = 0;
  };

  Entry* Find(std::string_view name);
  void Move(Entry& entry, int position);
  void Changed(ConfigurationItem item);
  void PaintSample();

  std::vector<Entry> entries_;
  ConfigurationValues values_;
  std::vector<std::string> fontItems_;  // ComboBox1's list, Shift-JIS
  Bitmap24 sample_;                     // Image1: the message window's background colour
  bool textStyleChanged_ = false;
  bool closed_ = false;
};

}  // namespace tolven
