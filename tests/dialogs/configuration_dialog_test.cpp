// The configuration dialog: what each control writes and reports, what it refuses, how it
// shows the values it opens with, and the controls that exist without being shown.
#include "dialogs/configuration_dialog.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/input.h"
#include "base/text_encoding.h"
#include "test_support.h"

namespace tolven {
namespace {

using I = ConfigurationItem;
using S = Settings;
using V = ConfigurationValues;

const std::vector<std::string> kFonts = {"IPAGothic", "IPAゴシック", "ＭＳ 明朝"};

// Where a control's number shows: in the settings record at once, in the settings record only
// once the dialog applies what is pending, or among the dialog's own values.
struct Field {
  int S::*setting = nullptr;
  int V::*own = nullptr;
  bool pending = false;
};
Field AtOnce(int S::*setting) {
  return {setting};
}
Field OnApplying(int S::*setting) {
  return {setting, nullptr, true};
}
Field Own(int V::*own) {
  return {nullptr, own};
}

class ConfigurationDialogTest : public ::testing::Test {
 protected:
  ConfigurationDialogTest() {
    dialog.writeInteger = [this](std::string_view name, int value) {
      writes.push_back(std::string(name) + "=" + std::to_string(value));
    };
    dialog.writeString = [this](std::string_view name, std::string_view value) {
      writes.push_back(std::string(name) + "=" + ShiftJisToUtf8Lossy(value));
    };
    dialog.changed = [this](ConfigurationItem item, int previous) {
      items.push_back(item);
      previousNumbers.push_back(previous);
    };
    Show();
  }

  // Opens the dialog over the settings as they are now.
  void Show(const ConfigurationValues& values = {}) {
    dialog.FormShow(values, kFonts);
    writes.clear();
    items.clear();
    previousNumbers.clear();
  }

  std::optional<Control> Find(std::string_view name) const {
    for (const Control& control : dialog.Controls()) {
      if (control.name == name) return control;
    }
    return std::nullopt;
  }
  std::string Value(std::string_view name) const {
    const std::optional<Control> control = Find(name);
    EXPECT_TRUE(control.has_value()) << name;
    return control ? control->value : "";
  }

  // As a missing settings file gives them: CVABORT, BreakonSelect, Seen and OnMemoryMode on,
  // Vol2 -800, Vol3 -1200, Vol4 -800, FONTSIZE 21, TXBG_A 90, the font "ＭＳ 明朝".
  const Settings startup = testing::StartupSettings();
  Settings settings = startup;
  ConfigurationDialog dialog{settings};
  std::vector<std::string> writes;
  std::vector<ConfigurationItem> items;
  std::vector<int> previousNumbers;
};

TEST_F(ConfigurationDialogTest, EachControlWritesItsSettingAndNamesWhatChanged) {
  const struct {
    const char* control;
    const char* value;
    const char* write;  // nullptr: nothing stored
    ConfigurationItem item;
    Field field;
    int fieldValue;
    bool textStyle;
  } cases[] = {
      // Stored at once, but the engine takes them only after the dialog.
      {"RadioGroup6", "1", "SMode=1", I::SMode, OnApplying(&S::SMode), 1, false},
      {"RadioGroup4", "1", "GMode=1", I::GMode, OnApplying(&S::GMode), 1, false},
      {"RadioGroup5", "1", "Delay=1", I::Delay, OnApplying(&S::Delay), 1, false},
      {"RadioGroup2", "1", "Wave=1", I::Wave, OnApplying(&S::Wave), 1, false},
      {"RadioGroup3", "1", "AnimQuality=1", I::AnimQuality, AtOnce(&S::AnimQuality), 1, false},
      {"RadioGroup1", "1", "BGM=1", I::BGM, AtOnce(&S::BGM), 1, false},
      {"CheckBox7", "0", "CVABORT=0", I::CVABORT, AtOnce(&S::CVABORT), 0, false},
      {"TrackBar1", "-1500", nullptr, I::MasterVolume, Own(&V::MasterVolume), -1500, false},
      {"TrackBar2", "-3000", "Vol1=-3000", I::Vol1, AtOnce(&S::Vol1), -3000, false},
      {"TrackBar3", "0", "Vol2=0", I::Vol2, AtOnce(&S::Vol2), 0, false},
      {"TrackBar4", "-1", "Vol3=-1", I::Vol3, AtOnce(&S::Vol3), -1, false},
      {"TrackBar9", "-20", "Vol4=-20", I::Vol4, AtOnce(&S::Vol4), -20, false},
      {"CheckBox5", "1", "FONTBold=1", I::FontBold, AtOnce(&S::FONTBOLD), 1, true},
      {"CSpinEdit1", "10", "FONTSIZE=10", I::FontSize, AtOnce(&S::FONTSIZE), 10, true},
      {"CSpinEdit1", "22", "FONTSIZE=22", I::FontSize, AtOnce(&S::FONTSIZE), 22, true},
      {"RadioGroup8", "1", "FONTAA=1", I::FontAA, AtOnce(&S::FONTAA), 1, true},
      {"CheckBox2", "0", "BreakonSelect=0", I::BreakonSelect, AtOnce(&S::BreakonSelect), 0, false},
      {"CheckBox1", "0", "Seen=0", I::Seen, AtOnce(&S::Seen), 0, false},
      {"TrackBar5", "-10", "TXBG_R=10", I::TextBackgroundR, AtOnce(&S::TXBG_R), 10, true},
      {"TrackBar6", "-128", "TXBG_G=128", I::TextBackgroundG, AtOnce(&S::TXBG_G), 128, true},
      {"TrackBar7", "-255", "TXBG_B=255", I::TextBackgroundB, AtOnce(&S::TXBG_B), 255, true},
      // The vertical bars have their minimum on top: the top is fully opaque.
      {"TrackBar8", "-255", "TXBG_A=255", I::TextBackgroundA, AtOnce(&S::TXBG_A), 255, true},
      {"TrackBar8", "0", "TXBG_A=0", I::TextBackgroundA, AtOnce(&S::TXBG_A), 0, true},
      {"CheckBox3", "0", "OnMemoryMode=0", I::OnMemoryMode, AtOnce(&S::OnMemoryMode), 0, false},
      {"CheckBox4", "1", nullptr, I::DramaMode, Own(&V::DramaMode), 1, false},
      {"CheckBox6", "1", nullptr, I::DateDisplay, Own(&V::DateDisplay), 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.control) + " " + c.value);
    settings = startup;
    Show();
    const int before = c.field.setting ? startup.*c.field.setting : V{}.*c.field.own;
    ASSERT_EQ(dialog.Set(c.control, c.value), ControlAction::Done);
    EXPECT_EQ(writes, c.write ? std::vector<std::string>{c.write} : std::vector<std::string>{});
    EXPECT_EQ(items, std::vector<ConfigurationItem>{c.item});
    EXPECT_EQ(previousNumbers, std::vector<int>{before});
    if (c.field.own) {
      EXPECT_EQ(dialog.Values().*c.field.own, c.fieldValue);
    } else {
      EXPECT_EQ(settings.*c.field.setting, c.field.pending ? before : c.fieldValue);
      dialog.ApplyPending();
      EXPECT_EQ(settings.*c.field.setting, c.fieldValue);
    }
    EXPECT_EQ(Value(c.control), c.value);
    EXPECT_EQ(dialog.TextStyleChanged(), c.textStyle);
    EXPECT_FALSE(dialog.Closed());
  }
}

TEST_F(ConfigurationDialogTest, ChoosingAListedFontWritesItsShiftJisName) {
  ASSERT_EQ(dialog.Set("ComboBox1", "IPAゴシック"), ControlAction::Done);
  EXPECT_EQ(writes, std::vector<std::string>{"FontName=IPAゴシック"});
  EXPECT_EQ(items, std::vector<ConfigurationItem>{I::FontName});
  EXPECT_EQ(settings.FontName, Utf8ToShiftJis("IPAゴシック").value());
  EXPECT_EQ(Value("ComboBox1"), "IPAゴシック");
  EXPECT_TRUE(dialog.TextStyleChanged());
}

TEST_F(ConfigurationDialogTest, RefusesWhatTheControlCannotTakeAndChangesNothing) {
  const struct {
    const char* control;
    const char* value;
  } cases[] = {
      {"RadioGroup6", "2"},       {"RadioGroup6", "-1"},      {"RadioGroup6", "x"},
      {"RadioGroup6", "0"},  // the value it has: no handler runs
      {"CheckBox1", "2"},         {"CheckBox1", "1"},         {"CheckBox1", ""},
      {"TrackBar5", "1"},         {"TrackBar5", "-256"},      {"TrackBar1", "-3001"},
      {"TrackBar2", "-1e3"},      {"TrackBar2", " -100"},     {"CSpinEdit1", "9"},
      {"CSpinEdit1", "23"},       {"CSpinEdit1", "21"},       {"ComboBox1", "IPAGothic"},
      {"ComboBox1", "ＭＳ 明朝"},  // already the font
      {"ComboBox1", "IPA明朝"},    // installed perhaps, but not in the list shown
      {"ComboBox1", "\xFF"},      {"DriveComboBox1", "D:\\"},
  };
  const std::vector<Control> before = dialog.Controls();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.control) + " " + c.value);
    EXPECT_EQ(dialog.Set(c.control, c.value), ControlAction::Done);
    EXPECT_TRUE(writes.empty());
    EXPECT_TRUE(items.empty());
  }
  const std::vector<Control> after = dialog.Controls();
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(before[i].value, after[i].value);
  EXPECT_FALSE(dialog.TextStyleChanged());
}

TEST_F(ConfigurationDialogTest, ControlsWithoutValueOrNameAreUnknown) {
  for (const char* name : {"Button1", "GroupBox1", "Image1", "StaticText1", "Edit1", "Form3"}) {
    EXPECT_EQ(dialog.Set(name, "1"), ControlAction::UnknownControl) << name;
  }
  for (const char* name : {"CheckBox1", "ComboBox1", "Button4", ""}) {
    EXPECT_EQ(dialog.Press(name), ControlAction::UnknownControl) << name;
  }
  EXPECT_TRUE(writes.empty());
  EXPECT_TRUE(items.empty());
}

TEST_F(ConfigurationDialogTest, DefaultMovesOnlyTheBackgroundBarsNotAlreadyThere) {
  const struct {
    int r, g, b, a;
    std::vector<std::string> writes;
    std::vector<ConfigurationItem> items;
  } cases[] = {
      {0,
       0,
       0,
       90,
       {"TXBG_R=66", "TXBG_G=62", "TXBG_B=249", "TXBG_A=170"},
       {I::TextBackgroundR, I::TextBackgroundG, I::TextBackgroundB, I::TextBackgroundA}},
      {66, 0, 249, 90, {"TXBG_G=62", "TXBG_A=170"}, {I::TextBackgroundG, I::TextBackgroundA}},
      {66, 62, 249, 170, {}, {}},
      // Out of range: the bar shows its end, so it moves.
      {300, 62, 249, 170, {"TXBG_R=66"}, {I::TextBackgroundR}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.r << " " << c.g << " " << c.b << " " << c.a);
    settings.TXBG_R = c.r;
    settings.TXBG_G = c.g;
    settings.TXBG_B = c.b;
    settings.TXBG_A = c.a;
    Show();
    ASSERT_EQ(dialog.Press("Button3"), ControlAction::Done);
    EXPECT_EQ(writes, c.writes);
    EXPECT_EQ(items, c.items);
    EXPECT_EQ(dialog.TextStyleChanged(), !c.writes.empty());
    EXPECT_EQ(settings.TXBG_R, 66);
    EXPECT_EQ(settings.TXBG_G, 62);
    EXPECT_EQ(settings.TXBG_B, 249);
    EXPECT_EQ(settings.TXBG_A, 170);
    EXPECT_EQ(Value("TrackBar7"), "-249");
  }
}

TEST_F(ConfigurationDialogTest, ShowingFillsTheControlsWithoutWritingAnything) {
  dialog.Set("CheckBox5", "1");
  dialog.Press("Button2");
  ASSERT_TRUE(dialog.TextStyleChanged());
  ASSERT_TRUE(dialog.Closed());
  writes.clear();
  items.clear();

  settings.SMode = 2;  // borderless window: neither item
  settings.Wave = 1;
  settings.BGM = 2;
  settings.Vol1 = -5000;
  settings.FontName = Utf8ToShiftJis("IPAゴシック").value();
  settings.FONTSIZE = 40;
  settings.Seen = 5;
  settings.TXBG_R = 10;
  settings.TXBG_A = -4;
  dialog.FormShow({.MasterVolume = -700}, kFonts);
  EXPECT_TRUE(writes.empty());
  EXPECT_TRUE(items.empty());
  EXPECT_FALSE(dialog.TextStyleChanged());
  EXPECT_FALSE(dialog.Closed());
  const struct {
    const char* control;
    const char* value;
  } cases[] = {
      {"RadioGroup6", "-1"}, {"RadioGroup2", "1"},   {"RadioGroup1", "-1"},
      {"TrackBar1", "-700"}, {"TrackBar2", "-3000"}, {"ComboBox1", "IPAゴシック"},
      {"CSpinEdit1", "22"},  {"CheckBox1", "1"},     {"CheckBox2", "1"},
      {"TrackBar5", "-10"},  {"TrackBar8", "0"},     {"TrackBar4", "-1200"},
  };
  for (const auto& c : cases) EXPECT_EQ(Value(c.control), c.value) << c.control;
  EXPECT_EQ(settings.Vol1, -5000);  // kept as stored until the bar moves
  // A pending value no item stands for is kept as it is, too.
  dialog.ApplyPending();
  EXPECT_EQ(settings.SMode, 2);
  EXPECT_EQ(settings.Wave, 1);
}

TEST_F(ConfigurationDialogTest, FontListOffersOnlyNamesWithJapaneseCharacters) {
  dialog.FormShow({}, {"IPAGothic", "IPAゴシック", "@ＭＳ 明朝", "ＭＳ 明朝", "DejaVu Sans", "ｱｲｳ",
                       "나눔고딕", "IPAゴシック", ""});
  const std::optional<Control> list = Find("ComboBox1");
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(list->items, (std::vector<std::string>{"IPAゴシック", "ＭＳ 明朝"}));
  EXPECT_EQ(list->value, "ＭＳ 明朝");
}

TEST_F(ConfigurationDialogTest, SampleShowsTheBackgroundColour) {
  dialog.Set("TrackBar5", "-10");
  dialog.Set("TrackBar6", "-20");
  dialog.Set("TrackBar7", "-200");
  dialog.Set("TrackBar8", "-255");  // opacity is not part of the sample
  const std::optional<Control> image = Find("Image1");
  ASSERT_TRUE(image.has_value());
  ASSERT_NE(image->picture, nullptr);
  ASSERT_EQ(image->picture->Width(), image->width);
  ASSERT_EQ(image->picture->Height(), image->height);
  for (int y : {0, image->height - 1}) {
    const uint8_t* pixel = image->picture->Row(y) + 3 * (image->width - 1);
    EXPECT_EQ(pixel[0], 200);  // blue, green, red
    EXPECT_EQ(pixel[1], 20);
    EXPECT_EQ(pixel[2], 10);
  }
}

TEST_F(ConfigurationDialogTest, OnlyOkClosesAndTheVoiceButtonAsksForTheSample) {
  for (int key : {kKeyEscape, kKeyEnter}) {
    dialog.KeyDown(key);
    dialog.KeyUp(key);
  }
  EXPECT_FALSE(dialog.Closed());
  EXPECT_EQ(dialog.Press("Button1"), ControlAction::Done);
  EXPECT_EQ(items, std::vector<ConfigurationItem>{I::VoiceSample});
  EXPECT_FALSE(dialog.Closed());
  EXPECT_EQ(dialog.Press("Button2"), ControlAction::Done);
  EXPECT_TRUE(dialog.Closed());
  EXPECT_TRUE(writes.empty());
}

TEST_F(ConfigurationDialogTest, HiddenControlsExistWithoutBeingShown) {
  const std::vector<std::string> hidden = {
      "TrackBar9", "TrackBar9.label", "DriveComboBox1", "DriveComboBox1.label",
      "CheckBox3", "CheckBox4",       "CheckBox6"};
  for (const Control& control : dialog.Controls()) {
    const bool isHidden = std::find(hidden.begin(), hidden.end(), control.name) != hidden.end();
    EXPECT_EQ(control.visible, !isHidden) << control.name;
  }
  for (const std::string& name : hidden) EXPECT_TRUE(Find(name).has_value()) << name;
  // BGM 2 has no item, so the drive list is never enabled from the dialog itself.
  EXPECT_FALSE(Find("DriveComboBox1")->enabled);
}

TEST_F(ConfigurationDialogTest, ShownControlsLieInsideTheirGroupAndTheClientArea) {
  const auto inside = [](const Control& inner, const Control& outer) {
    return inner.x >= outer.x && inner.y >= outer.y &&
           inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
  };
  Control client;
  client.width = dialog.ClientWidth();
  client.height = dialog.ClientHeight();
  for (const Control& control : dialog.Controls()) {
    if (control.visible) {
      EXPECT_TRUE(inside(control, client)) << control.name;
    }
  }
  const struct {
    const char* group;
    std::vector<const char*> members;
  } groups[] = {
      {"GroupBox2", {"RadioGroup2", "RadioGroup1", "CheckBox7", "GroupBox4"}},
      {"GroupBox4", {"TrackBar1", "TrackBar4", "TrackBar2", "TrackBar3", "Button1"}},
      {"GroupBox3",
       {"ComboBox1", "CheckBox5", "CSpinEdit1", "RadioGroup8", "CheckBox2", "CheckBox1"}},
      {"GroupBox1", {"TrackBar5", "TrackBar6", "TrackBar7", "TrackBar8", "Image1", "Button3"}},
  };
  for (const auto& group : groups) {
    const Control outer = Find(group.group).value();
    for (const char* member : group.members) {
      EXPECT_TRUE(inside(Find(member).value(), outer)) << member << " in " << group.group;
    }
  }
  EXPECT_EQ(dialog.Caption(), "システム設定");
}

}  // namespace
}  // namespace tolven
