#include "dialogs/name_entry_dialog.h"

#include <optional>
#include <utility>

#include "base/engine_values.h"
#include "base/input.h"
#include "base/text_encoding.h"
#include "text/cp932_table.h"

namespace tolven {

bool NameEntryDialog::ValidName(std::string_view shiftJis) {
  if (shiftJis.empty() || shiftJis.size() > 6) return false;
  for (size_t i = 0; i < shiftJis.size();) {
    const auto byte = static_cast<uint8_t>(shiftJis[i]);
    if ((byte & 0x80) == 0) return false;
    if (!IsLeadByte(byte)) {
      // Half-width katakana: one byte with the high bit set, as narrow as half a full-width
      // character, so the six-byte limit still keeps the name within three full-width ones.
      ++i;
      continue;
    }
    // A lead byte cut off from its second byte would print as garbage.
    if (i + 1 == shiftJis.size()) return false;
    i += 2;
  }
  return true;
}

std::string NameEntryDialog::Row(int row) const {
  return stringRow ? stringRow(row) : "";
}

void NameEntryDialog::FormShow() {
  edit1_ = Row(sr::kFamilyName);
  edit2_ = Row(sr::kGivenName);
  enterDown_ = false;
  closed_ = false;
}

void NameEntryDialog::Button1Click() {
  if (!ValidName(edit1_)) {
    edit1_ = Row(sr::kFamilyName);
    return;
  }
  if (setFamilyName) setFamilyName(edit1_);
  if (!ValidName(edit2_)) {
    edit2_ = Row(sr::kGivenName);
    return;
  }
  if (setGivenName) setGivenName(edit2_);
  if (storeNames) storeNames(edit1_, edit2_);
  closed_ = true;
}

std::string NameEntryDialog::Caption() const {
  return "名前の変更";
}

std::vector<Control> NameEntryDialog::Controls() const {
  Control edit1 = MakeControl("Edit1", ControlKind::Edit, 8, 64, 57, 20);
  edit1.value = ShiftJisToUtf8Lossy(edit1_);
  Control edit2 = MakeControl("Edit2", ControlKind::Edit, 80, 64, 65, 20);
  edit2.value = ShiftJisToUtf8Lossy(edit2_);
  // Labels are as wide as their text: width and height 0.
  return {
      MakeControl("StaticText1", ControlKind::Label, 8, 8, 0, 0,
                  "主人公の名前を入力してください。"),
      MakeControl("StaticText2", ControlKind::Label, 16, 24, 0, 0,
                  "姓名とも全角３文字以内でお願いします。"),
      // Seven full-width blanks put the two characters over the two fields.
      MakeControl("Label1", ControlKind::Label, 8, 48, 0, 0,
                  "姓\u3000\u3000\u3000\u3000\u3000\u3000\u3000名"),
      std::move(edit1),
      std::move(edit2),
      MakeControl("Button1", ControlKind::Button, 160, 56, 67, 33, "ＯＫ"),
  };
}

ControlAction NameEntryDialog::Set(std::string_view control, std::string_view value) {
  std::string* field = control == "Edit1" ? &edit1_ : control == "Edit2" ? &edit2_ : nullptr;
  if (!field) return ControlAction::UnknownControl;
  if (std::optional<std::string> text = Utf8ToShiftJis(value)) *field = std::move(*text);
  return ControlAction::Done;
}

ControlAction NameEntryDialog::Press(std::string_view control) {
  if (control != "Button1") return ControlAction::UnknownControl;
  Button1Click();
  return ControlAction::Done;
}

void NameEntryDialog::KeyDown(int key) {
  if (key == kKeyEnter) enterDown_ = true;
}

void NameEntryDialog::KeyUp(int key) {
  if (key != kKeyEnter || !enterDown_) return;
  enterDown_ = false;
  Button1Click();
}

}  // namespace tolven
