// TForm6, the recollection slot's naming dialog: the title's room in bytes, OK and Cancel.
#include "dialogs/recollection_slot_dialog.h"

#include <gtest/gtest.h>

#include <string>

#include "base/text_encoding.h"

namespace tolven {
namespace {

std::string Sjis(std::string_view utf8) {
  return Utf8ToShiftJis(utf8).value();
}

TEST(RecollectionSlotDialogTest, TitlesAreCutToThirtySixBytesBetweenCharacters) {
  const std::string full18 = Sjis("一二三四五六七八九十一二三四五六七八");
  const struct {
    std::string title;
    std::string expected;
  } cases[] = {
      {std::string(40, 'a'), std::string(36, 'a')},
      {std::string(36, 'a'), std::string(36, 'a')},
      {full18, full18},
      {full18 + Sjis("九"), full18},
      // The full-width character that would straddle the 36th byte is left out whole.
      {std::string(35, 'a') + Sjis("春"), std::string(35, 'a')},
      // Half-width katakana take one byte each.
      {std::string(30, 'a') + Sjis("ｱｲｳｴｵｶｷ"), std::string(30, 'a') + Sjis("ｱｲｳｴｵｶ")},
      // A lead byte whose second byte is missing is no character.
      {"ab\x88", "ab"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RecollectionSlotDialog::CutTitle(c.title), c.expected)
        << ShiftJisToUtf8Lossy(c.title);
  }
}

TEST(RecollectionSlotDialogTest, OkTakesTheCutTextAndCancelGivesTheTitleBack) {
  RecollectionSlotDialog dialog;
  dialog.FormShow(Sjis("春の回想"));
  EXPECT_EQ(dialog.Name(), "TForm6");
  EXPECT_EQ(dialog.Caption(), "回想スロット");
  EXPECT_FALSE(dialog.Closed());
  ASSERT_EQ(dialog.Set("Edit1", std::string(40, 'x')), ControlAction::Done);
  ASSERT_EQ(dialog.Press("Button1"), ControlAction::Done);
  EXPECT_TRUE(dialog.Closed());
  EXPECT_EQ(dialog.Edit1Text(), std::string(36, 'x')) << "a 40-byte title is cut to 36";

  dialog.FormShow(Sjis("春の回想"));
  EXPECT_FALSE(dialog.Closed()) << "showing again opens it again";
  dialog.Set("Edit1", "夏の回想");
  ASSERT_EQ(dialog.Press("Button2"), ControlAction::Done);
  EXPECT_TRUE(dialog.Closed());
  EXPECT_EQ(dialog.Edit1Text(), Sjis("春の回想"));
}

TEST(RecollectionSlotDialogTest, ShowsItsLabelAndFieldAndRefusesOtherControls) {
  RecollectionSlotDialog dialog;
  dialog.FormShow(Sjis("冬"));
  std::string label;
  std::string field;
  for (const Control& control : dialog.Controls()) {
    if (control.name == "Label1") label = control.caption;
    if (control.name == "Edit1") field = control.value;
  }
  EXPECT_EQ(label, "回想スロットに名前を付けます（全角１８文字まで）");
  EXPECT_EQ(field, "冬");
  EXPECT_EQ(dialog.Set("Edit2", "x"), ControlAction::UnknownControl);
  EXPECT_EQ(dialog.Press("Button3"), ControlAction::UnknownControl);
  // Text the code page cannot hold is refused; the field keeps what it had.
  dialog.Set("Edit1", "😀");
  EXPECT_EQ(dialog.Edit1Text(), Sjis("冬"));
}

}  // namespace
}  // namespace tolven
