#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/hook.h"
#include "dialogs/dialog_model.h"

namespace tolven {

// The name entry dialog (TForm2): the player types the protagonist's family and given name.
// It has no cancel; it closes only when both names are valid. The names are Shift-JIS here and
// on the hooks, UTF-8 only through the DialogModel interface.
class NameEntryDialog : public DialogModel {
 public:
  // A name is 1 to 6 bytes and every character starts with a byte whose high bit is set: at
  // most three full-width characters.
  static bool ValidName(std::string_view shiftJis);

  // The fields start from string rows 0 and 1.
  void FormShow();
  // Takes the family name, then the given name; a refused field gets its row back.
  void Button1Click();

  const std::string& Edit1Text() const { return edit1_; }
  const std::string& Edit2Text() const { return edit2_; }

  // Calls into the engine around it, connected by the hub.
  HookSet hooks;
  // String row 0 (family name) or 1 (given name).
  Hook<std::string(int row)> stringRow{hooks, "stringRow"};
  // The current family name and string row 0.
  Hook<void(std::string_view family)> setFamilyName{hooks, "setFamilyName"};
  // The current given name and string row 1.
  Hook<void(std::string_view given)> setGivenName{hooks, "setGivenName"};
  // PlayerName and PlayerName2 to the settings.
  Hook<void(std::string_view family, std::string_view given)> storeNames{hooks, "storeNames"};

  std::string_view Name() const override { return "TForm2"; }
  std::string Caption() const override;
  int ClientWidth() const override { return 237; }
  int ClientHeight() const override { return 101; }
  bool Closed() const override { return closed_; }
  std::vector<Control> Controls() const override;
  ControlAction Set(std::string_view control, std::string_view value) override;
  ControlAction Press(std::string_view control) override;
  // Enter presses Button1 when it is released, but only after it went down in the dialog: the
  // release of the Enter that paged on to the dialog must not send the names unseen.
  void KeyDown(int key) override;
  void KeyUp(int key) override;
  // The player types the family name at once, and Enter typed in either field sends the names.
  std::string_view ActiveControl() const override { return "Edit1"; }
  bool KeyPreview() const override { return true; }

 private:
  std::string Row(int row) const;

  std::string edit1_;  // Edit1: the family name being typed
  std::string edit2_;  // Edit2: the given name being typed
  bool enterDown_ = false;
  bool closed_ = false;
};

}  // namespace tolven
