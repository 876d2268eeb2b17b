#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/hook.h"
#include "base/settings.h"
#include "dialogs/dialog_model.h"
#include "resources/bitmap24.h"

namespace tolven {

// What the configuration dialog sets besides the settings: the engine's master volume for this
// run and two script values. The engine gives them when the dialog opens.
struct ConfigurationValues {
  int MasterVolume = 0;  // the engine's master volume, -3000 to 0; never stored
  int DramaMode = 0;     // S070: speaker lines of the name tags hide the message window
  int DateDisplay = 0;   // S004: the date is shown
};

// The settings whose change restarts what they drive. The dialog stores them the moment they
// change, as every other, but they enter the settings record only when the engine applies them
// after the dialog has closed (ConfigurationDialog::ApplyPending).
struct PendingSettings {
  int SMode = 0;  // screen: 0 window, 1 full screen, 2 borderless window
  int GMode = 0;  // pictures: 0 normal, else fast
  int Delay = 0;  // text speed: 0 character by character, else whole lines
  int Wave = 0;   // voices and system sounds: 0 on, else off
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

// The configuration dialog (TForm3). Every control writes its setting the moment it changes,
// to the store and to the engine's settings record (the PendingSettings wait for ApplyPending);
// there is no cancel, and "ＯＫ" (Button2) is the only way to close it. A control whose value
// does not change runs nothing.
//
// Set takes an item index for radio groups, 0 or 1 for check boxes, a position for track bars
// and CSpinEdit1, and for ComboBox1 one of the listed font names; anything else, a value
// outside the control's range included, is refused and changes nothing.
class ConfigurationDialog : public DialogModel {
 public:
  // The settings record must outlive the dialog.
  explicit ConfigurationDialog(Settings& settings);

  // Fills the controls from the settings and the values without running a handler, and clears
  // TextStyleChanged and Closed. fontNames are the installed families in UTF-8, as fontconfig
  // gives them; ComboBox1 offers those the settings can hold in Shift-JIS, leaving out
  // vertical faces ("@...") and names made only of single-byte characters.
  void FormShow(const ConfigurationValues& current, std::vector<std::string> fontNames);
  // "ＯＫ".
  void Button2Click() { closed_ = true; }

  const ConfigurationValues& Values() const { return values_; }
  // The screen mode, the picture and text speeds and the voice switch as chosen go into the
  // settings record.
  void ApplyPending();
  // A text display option (font, size, rendering, background) changed since FormShow: the
  // message window must be rebuilt when the dialog closes.
  bool TextStyleChanged() const { return textStyleChanged_; }

  // Calls into the engine around it, connected by the hub.
  HookSet hooks;
  // A settings value, under its stored name, written at once.
  Hook<void(std::string_view name, int value)> writeInteger{hooks, "writeInteger"};
  Hook<void(std::string_view name, std::string_view shiftJis)> writeString{hooks, "writeString"};
  // Called after the write, for the engine to apply what the item changed. previous is the
  // number the item held before; the font name and the voice button have none and give 0.
  Hook<void(ConfigurationItem item, int previous)> changed{hooks, "changed"};

  std::string_view Name() const override { return "TForm3"; }
  std::string Caption() const override;
  int ClientWidth() const override { return 676; }
  int ClientHeight() const override { return 291; }
  bool Closed() const override { return closed_; }
  std::vector<Control> Controls() const override;
  ControlAction Set(std::string_view control, std::string_view value) override;
  ControlAction Press(std::string_view control) override;
  // Every change is stored as it is made, so closing is all there is to do from the keyboard:
  // Enter and Escape both close through "ＯＫ".
  std::string_view DefaultButton() const override { return "Button2"; }
  std::string_view CancelButton() const override { return "Button2"; }

 private:
  // A control and its number: the chosen item, 0 or 1, the position. Texts live in values_.
  struct Entry {
    Control control;
    int position = 0;
  };

  Entry* Find(std::string_view name);
  void Move(Entry& entry, int position);
  void Changed(ConfigurationItem item, int previous);
  void PaintSample();

  Settings& settings_;
  std::vector<Entry> entries_;
  ConfigurationValues values_;
  PendingSettings pending_;
  std::vector<std::string> fontItems_;  // ComboBox1's list, Shift-JIS
  Bitmap24 sample_;                     // Image1: the message window's background colour
  bool textStyleChanged_ = false;
  bool closed_ = false;
};

}  // namespace tolven
