#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dialogs/dialog_model.h"

namespace tolven {

// TForm6: the dialog that names a recollection slot. It shows the slot's title in its field;
// OK takes the edited text (cut to the title's room), Cancel gives the title back unchanged.
// Titles are Shift-JIS here and UTF-8 only through the DialogModel interface.
class RecollectionSlotDialog : public DialogModel {
 public:
  // A slot title holds 36 bytes: eighteen full-width characters.
  static constexpr size_t kTitleBytes = 36;
  // The text cut to at most kTitleBytes bytes, never between the two bytes of a character.
  static std::string CutTitle(std::string_view shiftJis);

  // Shows the dialog with the slot's title in the field and remembers it.
  void FormShow(std::string_view title);
  // OK: the field's text, cut to the title's room, becomes the result.
  void Button1Click();
  // Cancel: the remembered title comes back.
  void Button2Click();
  // What the field holds: after OK the new title, after Cancel the old one.
  const std::string& Edit1Text() const { return edit1_; }

  std::string_view Name() const override { return "TForm6"; }
  std::string Caption() const override { return "回想スロット"; }
  int ClientWidth() const override { return 360; }
  int ClientHeight() const override { return 104; }
  bool Closed() const override { return closed_; }
  std::vector<Control> Controls() const override;
  ControlAction Set(std::string_view control, std::string_view value) override;
  ControlAction Press(std::string_view control) override;
  std::string_view ActiveControl() const override { return "Edit1"; }
  std::string_view DefaultButton() const override { return "Button1"; }
  std::string_view CancelButton() const override { return "Button2"; }

 private:
  std::string edit1_;       // Edit1: the title being typed
  std::string remembered_;  // the title the dialog was shown with
  bool closed_ = false;
};

}  // namespace tolven
