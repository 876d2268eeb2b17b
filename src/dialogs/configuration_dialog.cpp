#include "dialogs/configuration_dialog.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <optional>
#include <utility>

#include "base/text_encoding.h"
#include "text/cp932_table.h"

namespace tolven {
namespace {

using S = Settings;
using P = PendingSettings;
using V = ConfigurationValues;
using I = ConfigurationItem;

// Where a control's number is kept: in the settings record, among the settings waiting for the
// dialog to close, or among the dialog's other values.
struct Field {
  constexpr Field(int S::*member) : setting(member) {}
  constexpr Field(int P::*member) : pending(member) {}
  constexpr Field(int V::*member) : own(member) {}
  int S::*setting = nullptr;
  int P::*pending = nullptr;
  int V::*own = nullptr;
};

int& NumberOf(const Field& field, Settings& settings, PendingSettings& pending,
              ConfigurationValues& values) {
  if (field.setting != nullptr) return settings.*field.setting;
  if (field.pending != nullptr) return pending.*field.pending;
  return values.*field.own;
}

// Each pending value and the setting it becomes.
constexpr std::pair<int P::*, int S::*> kPendingSettings[] = {
    {&P::SMode, &S::SMode}, {&P::GMode, &S::GMode}, {&P::Delay, &S::Delay}, {&P::Wave, &S::Wave}};

// What a control with a number does when the number changes.
struct Binding {
  std::string_view control;
  Field field;
  std::string_view setting;  // the stored name written; empty: nothing is stored
  ConfigurationItem item;
  bool negated = false;    // the background bars have their minimum, -255, on top
  bool textStyle = false;  // the message window is rebuilt after the dialog
};

constexpr Binding kBindings[] = {
    {"RadioGroup6", &P::SMode, "SMode", I::SMode},
    {"RadioGroup4", &P::GMode, "GMode", I::GMode},
    {"RadioGroup5", &P::Delay, "Delay", I::Delay},
    {"RadioGroup3", &S::AnimQuality, "AnimQuality", I::AnimQuality},
    {"RadioGroup2", &P::Wave, "Wave", I::Wave},
    {"RadioGroup1", &S::BGM, "BGM", I::BGM},
    {"CheckBox7", &S::CVABORT, "CVABORT", I::CVABORT},
    // The master volume lives for the run only.
    {"TrackBar1", &V::MasterVolume, "", I::MasterVolume},
    {"TrackBar2", &S::Vol1, "Vol1", I::Vol1},
    {"TrackBar3", &S::Vol2, "Vol2", I::Vol2},
    {"TrackBar4", &S::Vol3, "Vol3", I::Vol3},
    {"TrackBar9", &S::Vol4, "Vol4", I::Vol4},
    // Stored under this spelling; the start-up read finds it as FONTBOLD, names ignoring case.
    {"CheckBox5", &S::FONTBOLD, "FONTBold", I::FontBold, false, true},
    {"CSpinEdit1", &S::FONTSIZE, "FONTSIZE", I::FontSize, false, true},
    {"RadioGroup8", &S::FONTAA, "FONTAA", I::FontAA, false, true},
    {"CheckBox2", &S::BreakonSelect, "BreakonSelect", I::BreakonSelect},
    {"CheckBox1", &S::Seen, "Seen", I::Seen},
    {"TrackBar5", &S::TXBG_R, "TXBG_R", I::TextBackgroundR, true, true},
    {"TrackBar6", &S::TXBG_G, "TXBG_G", I::TextBackgroundG, true, true},
    {"TrackBar7", &S::TXBG_B, "TXBG_B", I::TextBackgroundB, true, true},
    {"TrackBar8", &S::TXBG_A, "TXBG_A", I::TextBackgroundA, true, true},
    {"CheckBox3", &S::OnMemoryMode, "OnMemoryMode", I::OnMemoryMode},
    // Script values the scripts themselves keep; nothing is stored.
    {"CheckBox4", &V::DramaMode, "", I::DramaMode},
    {"CheckBox6", &V::DateDisplay, "", I::DateDisplay},
};

const Binding* BindingOf(std::string_view control) {
  for (const Binding& binding : kBindings) {
    if (binding.control == control) return &binding;
  }
  return nullptr;
}

// "Default" of the background: red, green, blue, opacity.
constexpr std::array<std::pair<std::string_view, int>, 4> kDefaultBackground = {{
    {"TrackBar5", 66},
    {"TrackBar6", 62},
    {"TrackBar7", 249},
    {"TrackBar8", 170},
}};

constexpr int kSampleWidth = 49;
constexpr int kSampleHeight = 97;

// Where the group boxes put their contents in the client area.
struct Origin {
  int x;
  int y;
};
constexpr Origin kForm{0, 0};
constexpr Origin kGroupBox2{112, 8};
constexpr Origin kGroupBox4{kGroupBox2.x + 8, kGroupBox2.y + 104};
constexpr Origin kGroupBox3{296, 8};
constexpr Origin kGroupBox1{472, 8};

struct Layout {
  const char* name;
  ControlKind kind;
  Origin in;
  int x, y, width, height;
  const char* caption = "";
  std::vector<std::string> items = {};
  int minimum = 0;
  int maximum = 0;
  bool vertical = false;
};

using K = ControlKind;
constexpr bool kVertical = true;

// Controls that exist without being shown: the player never reaches them.
constexpr std::string_view kHidden[] = {
    "TrackBar9", "TrackBar9.label", "DriveComboBox1", "DriveComboBox1.label",
    "CheckBox3", "CheckBox4",       "CheckBox6"};

// Labels that the layout gives no name of their own are named after the control they label,
// "TrackBar1.label". Labels and notes are as wide as their text: width and height 0.
std::vector<Layout> FormLayout() {
  const std::vector<std::string> screens = {"ウィンドウ", "全画面"};
  const std::vector<std::string> normalFast = {"通常", "高速"};
  const std::vector<std::string> animations = {"速度優先", "画質優先"};
  const std::vector<std::string> onOff = {"あり", "なし"};
  const std::vector<std::string> rendering = {"アンチあり(※2)", "アンチなし"};
  return {
      {"RadioGroup6", K::RadioGroup, kForm, 8, 8, 97, 57, "スクリーンモード", screens},
      {"RadioGroup4", K::RadioGroup, kForm, 8, 72, 97, 57, "グラフィック表示", normalFast},
      {"RadioGroup5", K::RadioGroup, kForm, 8, 136, 97, 57, "文字表示速度", normalFast},
      {"RadioGroup3", K::RadioGroup, kForm, 8, 200, 97, 57, "アニメーション", animations},
      {"GroupBox2", K::GroupBox, kForm, 112, 8, 177, 249, "音設定"},
      {"RadioGroup2", K::RadioGroup, kGroupBox2, 8, 16, 73, 57, "ボイス", onOff},
      {"RadioGroup1", K::RadioGroup, kGroupBox2, 88, 16, 73, 57, "ＢＧＭ", onOff},
      {"CheckBox7", K::CheckBox, kGroupBox2, 8, 80, 153, 17, "クリックで音声を切る"},
      {"GroupBox4", K::GroupBox, kGroupBox2, 8, 104, 161, 137, "DirectSound"},
      {"TrackBar1.label", K::Label, kGroupBox4, 8, 28, 0, 0, "全体音量"},
      {"TrackBar1", K::TrackBar, kGroupBox4, 64, 24, 89, 21, "", {}, -3000, 0},
      {"TrackBar4.label", K::Label, kGroupBox4, 8, 60, 0, 0, "BGM"},
      {"TrackBar4", K::TrackBar, kGroupBox4, 64, 56, 89, 21, "", {}, -3000, 0},
      {"Button1", K::Button, kGroupBox4, 8, 80, 57, 17, "ボイス"},
      {"TrackBar2", K::TrackBar, kGroupBox4, 64, 80, 89, 21, "", {}, -3000, 0},
      {"TrackBar3.label", K::Label, kGroupBox4, 8, 108, 0, 0, "効果音"},
      {"TrackBar3", K::TrackBar, kGroupBox4, 64, 104, 89, 21, "", {}, -3000, 0},
      {"TrackBar9.label", K::Label, kGroupBox4, 8, 148, 0, 0, "VCCCS"},
      {"TrackBar9", K::TrackBar, kGroupBox4, 72, 144, 89, 21, "", {}, -3000, 0},
      {"DriveComboBox1.label", K::Label, kForm, 8, 248, 0, 0, "CD-DA ドライブ指定"},
      {"DriveComboBox1", K::ComboBox, kForm, 8, 264, 161, 18, ""},
      {"GroupBox3", K::GroupBox, kForm, 296, 8, 169, 201, "テキスト表示"},
      {"ComboBox1.label", K::Label, kGroupBox3, 8, 16, 0, 0, "フォント(※1)"},
      {"CheckBox5", K::CheckBox, kGroupBox3, 104, 16, 49, 17, "太字"},
      {"ComboBox1", K::ComboBox, kGroupBox3, 8, 32, 153, 20},
      {"CSpinEdit1.label", K::Label, kGroupBox3, 8, 68, 0, 0, "フォントサイズ"},
      {"CSpinEdit1", K::SpinEdit, kGroupBox3, 104, 64, 57, 21, "", {}, 10, 22},
      {"RadioGroup8", K::RadioGroup, kGroupBox3, 8, 96, 153, 57, "フォント描画方法", rendering},
      {"CheckBox2", K::CheckBox, kGroupBox3, 8, 160, 153, 17, "選択時にスキップ等を解除"},
      {"CheckBox1", K::CheckBox, kGroupBox3, 8, 176, 153, 17, "未読でスキップ等を止める"},
      {"GroupBox1", K::GroupBox, kForm, 472, 8, 193, 177, "テキスト背景"},
      {"TrackBar5", K::TrackBar, kGroupBox1, 8, 16, 25, 129, "", {}, -255, 0, kVertical},
      {"TrackBar6", K::TrackBar, kGroupBox1, 40, 16, 25, 129, "", {}, -255, 0, kVertical},
      {"TrackBar7", K::TrackBar, kGroupBox1, 72, 16, 25, 129, "", {}, -255, 0, kVertical},
      {"TrackBar8", K::TrackBar, kGroupBox1, 104, 16, 25, 129, "", {}, -255, 0, kVertical},
      {"TrackBar5.label", K::Label, kGroupBox1, 16, 148, 0, 0, "R       G      B    透過"},
      {"Image1", K::Image, kGroupBox1, 136, 24, kSampleWidth, kSampleHeight},
      {"Button3", K::Button, kGroupBox1, 136, 136, 49, 25, "Default"},
      {"CheckBox3", K::CheckBox, kForm, 480, 192, 145, 17, "メモリ使用を節約しない"},
      {"CheckBox4", K::CheckBox, kForm, 296, 216, 241, 17,
       "ドラマモード（音声再生中テキスト非表示）"},
      {"CheckBox6", K::CheckBox, kForm, 296, 240, 113, 17, "日付を表示する"},
      {"Button2", K::Button, kForm, 576, 216, 89, 65, "ＯＫ"},
      {"StaticText1", K::Label, kForm, 8, 264, 0, 0,
       "※1 フォントの種類によっては、表示に問題が生じることがあります。"},
      {"Label8", K::Label, kForm, 360, 264, 0, 0, "※2 詳細は readme.txt をご覧ください。"},
  };
}

bool HasNumber(ControlKind kind) {
  return kind == K::RadioGroup || kind == K::CheckBox || kind == K::TrackBar || kind == K::SpinEdit;
}

// The range Set accepts: item indexes, 0 or 1, or the bar's or spinner's range.
std::pair<int, int> RangeOf(const Control& control) {
  switch (control.kind) {
    case K::RadioGroup:
      return {0, static_cast<int>(control.items.size()) - 1};
    case K::CheckBox:
      return {0, 1};
    default:
      return {control.minimum, control.maximum};
  }
}

// The number a control shows for a stored value. A radio group shows no item for a value none
// of its items stands for (SMode 2, BGM 2); bars and the spinner pull a stored value outside
// their range to its nearest end, as the controls themselves do.
int PositionFor(const Control& control, int value) {
  switch (control.kind) {
    case K::RadioGroup:
      return value >= 0 && value < static_cast<int>(control.items.size()) ? value : -1;
    case K::CheckBox:
      return value != 0 ? 1 : 0;
    default:
      return std::clamp(value, control.minimum, control.maximum);
  }
}

std::optional<int> ParseInteger(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The font list offers only names with a double-byte character: Japanese names, as the
// settings store them in Shift-JIS. Vertical faces ("@") are for vertical writing.
bool OfferedFontName(std::string_view shiftJis) {
  if (shiftJis.empty() || shiftJis.front() == '@') return false;
  for (size_t i = 0; i < shiftJis.size(); ++i) {
    if (IsLeadByte(static_cast<uint8_t>(shiftJis[i]))) return i + 1 < shiftJis.size();
  }
  return false;
}

}  // namespace

ConfigurationDialog::ConfigurationDialog(Settings& settings)
    : settings_(settings), sample_(kSampleWidth, kSampleHeight) {
  for (Layout& layout : FormLayout()) {
    Control control =
        MakeControl(layout.name, layout.kind, layout.in.x + layout.x, layout.in.y + layout.y,
                    layout.width, layout.height, layout.caption);
    control.visible =
        std::find(std::begin(kHidden), std::end(kHidden), control.name) == std::end(kHidden);
    control.items = std::move(layout.items);
    control.minimum = layout.minimum;
    control.maximum = layout.maximum;
    control.vertical = layout.vertical;
    entries_.push_back({std::move(control)});
  }
  FormShow(values_, {});
}

std::string ConfigurationDialog::Caption() const {
  return "システム設定";
}

void ConfigurationDialog::FormShow(const ConfigurationValues& current,
                                   std::vector<std::string> fontNames) {
  values_ = current;
  for (const auto& [pending, setting] : kPendingSettings) pending_.*pending = settings_.*setting;
  for (const Binding& binding : kBindings) {
    Entry& entry = *Find(binding.control);
    const int value = NumberOf(binding.field, settings_, pending_, values_);
    entry.position = PositionFor(entry.control, binding.negated ? -value : value);
  }
  fontItems_.clear();
  std::vector<std::string>& shown = Find("ComboBox1")->control.items;
  shown.clear();
  for (const std::string& name : fontNames) {
    std::optional<std::string> shiftJis = Utf8ToShiftJis(name);
    if (!shiftJis || !OfferedFontName(*shiftJis) ||
        std::find(fontItems_.begin(), fontItems_.end(), *shiftJis) != fontItems_.end()) {
      continue;
    }
    fontItems_.push_back(std::move(*shiftJis));
    shown.push_back(name);
  }
  PaintSample();
  textStyleChanged_ = false;
  closed_ = false;
}

void ConfigurationDialog::ApplyPending() {
  for (const auto& [pending, setting] : kPendingSettings) settings_.*setting = pending_.*pending;
}

ConfigurationDialog::Entry* ConfigurationDialog::Find(std::string_view name) {
  for (Entry& entry : entries_) {
    if (entry.control.name == name) return &entry;
  }
  return nullptr;
}

void ConfigurationDialog::Changed(ConfigurationItem item, int previous) {
  if (changed) changed(item, previous);
}

void ConfigurationDialog::Move(Entry& entry, int position) {
  entry.position = position;
  const Binding& binding = *BindingOf(entry.control.name);
  const int value = binding.negated ? -position : position;
  int& number = NumberOf(binding.field, settings_, pending_, values_);
  const int previous = number;
  number = value;
  if (!binding.setting.empty() && writeInteger) writeInteger(binding.setting, value);
  if (binding.textStyle) textStyleChanged_ = true;
  const int S::*colour = binding.field.setting;
  if (colour == &S::TXBG_R || colour == &S::TXBG_G || colour == &S::TXBG_B) PaintSample();
  Changed(binding.item, previous);
}

void ConfigurationDialog::PaintSample() {
  // The bars, not the stored values, give the colour: a stored value out of range shows as
  // the bar's end it was pulled to.
  const auto level = [this](const char* bar) { return static_cast<uint8_t>(-Find(bar)->position); };
  const uint8_t pixel[3] = {level("TrackBar7"), level("TrackBar6"), level("TrackBar5")};
  for (int y = 0; y < sample_.Height(); ++y) {
    uint8_t* row = sample_.Row(y);
    for (int x = 0; x < sample_.Width(); ++x) std::copy(pixel, pixel + 3, row + 3 * x);
  }
}

std::vector<Control> ConfigurationDialog::Controls() const {
  std::vector<Control> controls;
  controls.reserve(entries_.size());
  for (const Entry& entry : entries_) {
    Control& control = controls.emplace_back(entry.control);
    if (HasNumber(control.kind)) {
      control.value = std::to_string(entry.position);
    } else if (control.name == "ComboBox1") {
      control.value = ShiftJisToUtf8Lossy(settings_.FontName);
    } else if (control.name == "DriveComboBox1") {
      // The drive list knows no CD-ROM drive roots on this system: only the stored one.
      control.value = ShiftJisToUtf8Lossy(settings_.CDDA_DRV);
      if (!settings_.CDDA_DRV.empty()) control.items = {control.value};
      control.enabled = settings_.BGM == 2;
    } else if (control.kind == K::Image) {
      control.picture = &sample_;
    }
  }
  return controls;
}

ControlAction ConfigurationDialog::Set(std::string_view name, std::string_view value) {
  Entry* entry = Find(name);
  if (!entry) return ControlAction::UnknownControl;
  if (HasNumber(entry->control.kind)) {
    const std::optional<int> position = ParseInteger(value);
    const auto [minimum, maximum] = RangeOf(entry->control);
    if (position && *position >= minimum && *position <= maximum && *position != entry->position) {
      Move(*entry, *position);
    }
    return ControlAction::Done;
  }
  if (name == "ComboBox1") {
    const std::optional<std::string> font = Utf8ToShiftJis(value);
    if (font && *font != settings_.FontName &&
        std::find(fontItems_.begin(), fontItems_.end(), *font) != fontItems_.end()) {
      settings_.FontName = *font;
      if (writeString) writeString("FontName", settings_.FontName);
      textStyleChanged_ = true;
      Changed(I::FontName, 0);
    }
    return ControlAction::Done;
  }
  if (name == "DriveComboBox1") return ControlAction::Done;
  return ControlAction::UnknownControl;
}

ControlAction ConfigurationDialog::Press(std::string_view name) {
  if (name == "Button1") {
    Changed(I::VoiceSample, 0);
  } else if (name == "Button2") {
    Button2Click();
  } else if (name == "Button3") {
    // Moving a bar runs its handler only when its position changes, as a track bar does.
    for (const auto& [bar, level] : kDefaultBackground) {
      Entry& entry = *Find(bar);
      if (entry.position != -level) Move(entry, -level);
    }
  } else {
    return ControlAction::UnknownControl;
  }
  return ControlAction::Done;
}

}  // namespace tolven
