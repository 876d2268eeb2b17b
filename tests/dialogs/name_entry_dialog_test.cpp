// The name entry dialog: the name rule, the order in which Button1 takes the two names, and
// the fields given back on refusal.
#include "dialogs/name_entry_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/input.h"
#include "base/text_encoding.h"

namespace tolven {
namespace {

std::string Sjis(std::string_view utf8) {
  return Utf8ToShiftJis(utf8).value();
}

class NameEntryDialogTest : public ::testing::Test {
 protected:
  NameEntryDialogTest() {
    dialog.stringRow = [this](int row) { return rows[row]; };
    dialog.setFamilyName = [this](std::string_view name) {
      rows[0] = name;
      calls.push_back("family " + ShiftJisToUtf8Lossy(name));
    };
    dialog.setGivenName = [this](std::string_view name) {
      rows[1] = name;
      calls.push_back("given " + ShiftJisToUtf8Lossy(name));
    };
    dialog.storeNames = [this](std::string_view family, std::string_view given) {
      calls.push_back("store " + ShiftJisToUtf8Lossy(family) + " " + ShiftJisToUtf8Lossy(given));
    };
    dialog.FormShow();
  }

  std::string Field(std::string_view name) const {
    for (const Control& control : dialog.Controls()) {
      if (control.name == name) return control.value;
    }
    ADD_FAILURE() << "no control " << name;
    return "";
  }

  std::string rows[2] = {Sjis("山田"), Sjis("太郎")};
  std::vector<std::string> calls;
  NameEntryDialog dialog;
};

TEST(NameEntryRuleTest, AtMostThreeFullWidthCharacters) {
  const struct {
    std::string name;
    bool valid;
  } cases[] = {
      {Sjis("山"), true},
      {Sjis("山田太"), true},
      {Sjis("山田太郎"), false},  // four full-width characters: 8 bytes
      {"", false},
      {Sjis("山a"), false},  // a half-width letter
      {Sjis("a山"), false},
      {Sjis("ａ"), true},      // full-width letters are double-byte
      {Sjis("ｱｲｳｴｵｶ"), true},  // half-width katakana: high bit set, six bytes
      {Sjis("ｱｲｳｴｵｶｷ"), false},
      {"\x8E\x52\x93", false},  // a lead byte without its second byte
      {"\x81", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NameEntryDialog::ValidName(c.name), c.valid) << ShiftJisToUtf8Lossy(c.name);
  }
}

TEST_F(NameEntryDialogTest, Button1TakesTheFamilyNameBeforeCheckingTheGivenName) {
  const struct {
    const char* edit1;
    const char* edit2;
    std::vector<std::string> calls;
    const char* edit1After;
    const char* edit2After;
    bool closed;
  } cases[] = {
      {"佐藤花", "子", {"family 佐藤花", "given 子", "store 佐藤花 子"}, "佐藤花", "子", true},
      // Refused family name: its row comes back, the given name is not looked at.
      {"佐藤花子", "", {}, "山田", "", false},
      {"佐a", "子", {}, "山田", "子", false},
      // The family name is taken even though the given name is then refused.
      {"佐藤", "", {"family 佐藤"}, "佐藤", "太郎", false},
      {"佐藤", "hanako", {"family 佐藤"}, "佐藤", "太郎", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.edit1) + " / " + c.edit2);
    rows[0] = Sjis("山田");
    rows[1] = Sjis("太郎");
    calls.clear();
    dialog.FormShow();
    ASSERT_EQ(dialog.Set("Edit1", c.edit1), ControlAction::Done);
    ASSERT_EQ(dialog.Set("Edit2", c.edit2), ControlAction::Done);
    ASSERT_EQ(dialog.Press("Button1"), ControlAction::Done);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(Field("Edit1"), c.edit1After);
    EXPECT_EQ(Field("Edit2"), c.edit2After);
    EXPECT_EQ(dialog.Closed(), c.closed);
  }
}

TEST_F(NameEntryDialogTest, ShowingFillsTheFieldsFromTheRowsAndOpensAgain) {
  EXPECT_EQ(Field("Edit1"), "山田");
  EXPECT_EQ(Field("Edit2"), "太郎");
  dialog.Press("Button1");
  ASSERT_TRUE(dialog.Closed());
  rows[0] = Sjis("鈴木");
  dialog.FormShow();
  EXPECT_FALSE(dialog.Closed());
  EXPECT_EQ(dialog.Edit1Text(), Sjis("鈴木"));
}

TEST_F(NameEntryDialogTest, TextShiftJisCannotHoldLeavesTheFieldAsItWas) {
  EXPECT_EQ(dialog.Set("Edit1", "한"), ControlAction::Done);
  EXPECT_EQ(dialog.Set("Edit2", "\xFF"), ControlAction::Done);  // not UTF-8 at all
  EXPECT_EQ(dialog.Edit1Text(), Sjis("山田"));
  EXPECT_EQ(dialog.Edit2Text(), Sjis("太郎"));
}

TEST_F(NameEntryDialogTest, OnlyFieldsTakeTextAndOnlyButton1IsPressed) {
  EXPECT_EQ(dialog.Set("Button1", "x"), ControlAction::UnknownControl);
  EXPECT_EQ(dialog.Set("Label1", "x"), ControlAction::UnknownControl);
  EXPECT_EQ(dialog.Set("Edit3", "x"), ControlAction::UnknownControl);
  EXPECT_EQ(dialog.Press("Edit1"), ControlAction::UnknownControl);
  EXPECT_EQ(dialog.Press("Button2"), ControlAction::UnknownControl);
  EXPECT_TRUE(calls.empty());
}

TEST_F(NameEntryDialogTest, EnterPressedAndReleasedInTheDialogPressesButton1) {
  dialog.KeyUp(kKeyEnter);  // the release of the Enter that paged on to the dialog
  dialog.KeyDown(kKeyEscape);
  dialog.KeyUp(kKeyEscape);
  EXPECT_FALSE(dialog.Closed());
  EXPECT_TRUE(calls.empty());
  dialog.KeyDown(kKeyEnter);
  EXPECT_FALSE(dialog.Closed());
  dialog.KeyUp(kKeyEnter);
  EXPECT_TRUE(dialog.Closed());
  EXPECT_EQ(calls.back(), "store 山田 太郎");
}

TEST(NameEntryDialogLayoutTest, LabelPutsSevenFullWidthBlanksBetweenTheTwoCharacters) {
  NameEntryDialog dialog;
  std::string expected = "姓";
  for (int i = 0; i < 7; ++i) expected += "\u3000";
  expected += "名";
  const std::vector<Control> controls = dialog.Controls();
  ASSERT_EQ(controls.size(), 6u);
  EXPECT_EQ(controls[2].name, "Label1");
  EXPECT_EQ(controls[2].caption, expected);
  EXPECT_EQ(dialog.Caption(), "名前の変更");
}

TEST(NameEntryDialogLayoutTest, WithoutHooksTheRowsAreEmptyAndNothingBreaks) {
  NameEntryDialog dialog;
  dialog.FormShow();
  dialog.Press("Button1");
  EXPECT_FALSE(dialog.Closed());
  dialog.Set("Edit1", "山田");
  dialog.Set("Edit2", "太郎");
  dialog.Press("Button1");
  EXPECT_TRUE(dialog.Closed());
}

}  // namespace
}  // namespace tolven
