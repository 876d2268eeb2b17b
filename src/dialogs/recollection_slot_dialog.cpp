#include "dialogs/recollection_slot_dialog.h"

#include <optional>
#include <utility>

#include "base/text_encoding.h"
#include "text/cp932_table.h"

namespace tolven {

// The slot keeps whole bytes; a lead byte cut off from its second byte would print as garbage
// and swallow the byte after it, so a character that does not fit whole is left out whole.
std::string RecollectionSlotDialog::CutTitle(std::string_view shiftJis) {
  size_t end = 0;
  while (end < shiftJis.size()) {
    const size_t width = IsLeadByte(static_cast<uint8_t>(shiftJis[end])) ? 2 : 1;
    if (end + width > kTitleBytes || end + width > shiftJis.size()) break;
    end += width;
  }
  return std::string(shiftJis.substr(0, end));
}

void RecollectionSlotDialog::FormShow(std::string_view title) {
  edit1_ = std::string(title);
  remembered_ = edit1_;
  closed_ = false;
}

void RecollectionSlotDialog::Button1Click() {
  edit1_ = CutTitle(edit1_);
  closed_ = true;
}

void RecollectionSlotDialog::Button2Click() {
  edit1_ = remembered_;
  closed_ = true;
}

std::vector<Control> RecollectionSlotDialog::Controls() const {
  Control edit1 = MakeControl("Edit1", ControlKind::Edit, 16, 36, 328, 20);
  edit1.value = ShiftJisToUtf8Lossy(edit1_);
  return {
      // Labels are as wide as their text: width and height 0.
      MakeControl("Label1", ControlKind::Label, 16, 12, 0, 0,
                  "回想スロットに名前を付けます（全角１８文字まで）"),
      std::move(edit1),
      MakeControl("Button1", ControlKind::Button, 176, 68, 80, 25, "OK"),
      MakeControl("Button2", ControlKind::Button, 264, 68, 80, 25, "キャンセル"),
  };
}

ControlAction RecollectionSlotDialog::Set(std::string_view control, std::string_view value) {
  if (control != "Edit1") return ControlAction::UnknownControl;
  if (std::optional<std::string> text = Utf8ToShiftJis(value)) edit1_ = std::move(*text);
  return ControlAction::Done;
}

ControlAction RecollectionSlotDialog::Press(std::string_view control) {
  if (control == "Button1") {
    Button1Click();
  } else if (control == "Button2") {
    Button2Click();
  } else {
    return ControlAction::UnknownControl;
  }
  return ControlAction::Done;
}

}  // namespace tolven
