#include "screens/recollection.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "base/engine_values.h"
#include "base/text_encoding.h"
#include "graphics/picture_copy.h"

namespace tolven {
namespace {

constexpr const char* kFace = "ＭＳ ゴシック";
constexpr int kListTextHeight = 10;
constexpr int kPanelTextHeight = 11;
constexpr int kMusicTrack = 31;

constexpr TextRgb kNormal{95, 68, 10};
constexpr TextRgb kShadow{255, 255, 255};
constexpr TextRgb kSelected{255, 0, 0};
constexpr TextRgb kPointed{0, 0, 255};

// The slot panel: a part of the screen redrawn on its own.
constexpr int kPanelX = 546;
constexpr int kPanelY = 64;
constexpr int kPanelWidth = 240;
constexpr int kPanelHeight = 446;

// The tab row and the scene list, in screen pixels.
constexpr int kTabLeft = 45;
constexpr int kTabRight = 444;
constexpr int kTabTop = 18;
constexpr int kTabBottom = 50;
constexpr int kTabWidth = 80;
constexpr int kSubPageWidth = 30;
constexpr int kSubPageTop = 72;
constexpr int kSubPageHeight = 47;
constexpr int kListLeft = 43;
constexpr int kListRight = 522;
constexpr int kListTop = 77;
constexpr int kListBottom = 532;
constexpr int kCellWidth = 160;
constexpr int kCellHeight = 12;

// The slot entries and buttons.
constexpr int kEntryX = 556;
constexpr int kEntryRight = 779;
constexpr int kEntryTop = 154;
constexpr int kEntryHeight = 13;
constexpr int kSlotButtonWidth = 32;
constexpr int kSlotButtonHeight = 28;

// Where hover ids start: cells are their own number.
constexpr int kPointedEntry = 200;
constexpr int kPointedCommand = 300;
constexpr int kPointedSlot = 400;

struct CommandLook {
  int x, y, width, height;
  int lookX, lookY;  // the pointed look in ss_btn; the pressed one lies below it
};
constexpr CommandLook kCommands[8] = {
    {},
    {596, 2, 144, 50, 0, 96},      // leave
    {696, 522, 86, 54, 252, 96},   // play the slot
    {629, 522, 54, 54, 144, 96},   // clear the slot
    {563, 522, 54, 54, 198, 96},   // delete the entry
    {430, 546, 72, 30, 245, 264},  // add the scene
    {348, 546, 72, 30, 245, 204},  // play the scene
    {724, 69, 53, 52, 48, 196},    // name the slot
};

bool Inside(int x, int y, int left, int top, int width, int height) {
  return x >= left && x < left + width && y >= top && y < top + height;
}

struct SlotButton {
  int x, y;
};
SlotButton SlotButtonAt(int slot) {
  if (slot < 5) return {546 + kSlotButtonWidth * slot, 64};
  return {563 + kSlotButtonWidth * (slot - 5), 92};
}

int CellX(int cell) {
  return kCellWidth * (cell % 3) + kListLeft;
}
int CellY(int cell) {
  return kCellHeight * (cell / 3) + kListTop;
}

bool InList(int x, int y) {
  return x >= kListLeft && x <= kListRight && y >= kListTop && y <= kListBottom;
}
int CellAt(int x, int y) {
  return 3 * ((y - kListTop) / kCellHeight) + (x - kListLeft) / kCellWidth;
}

}  // namespace

Recollection::Recollection(const RecollectionParts& parts) : parts_(parts) {}

void Recollection::LoadSceneTable() {
  // A buffer of its own: the table is read once and must not disturb the shared one.
  DefinitionText text;
  if (!text.Load(parts_.archives, "sys_flashbak")) return;
  table_.Load(text);
}

void Recollection::MarkSceneSeen(const std::string& upperName) {
  table_.MarkSeen(upperName, parts_.progress);
}

// ---- Opening and drawing ------------------------------------------------------------------

void Recollection::Kaisou() {
  parts_.stage.LoadPicture("ss_kaiso", background_);
  parts_.stage.LoadPicture("ss_btn", buttons_);
  parts_.stage.LoadPicture("ss_tab", tabLooks_);
  panel_.Resize(kPanelWidth, kPanelHeight);
  currentSlot_ = 0;
  tab_ = 0;
  for (int& sub : subPages_) sub = std::max(sub, 0);
  // The point a replay comes back to is the script that opened the screen, kept now; the
  // replay flag and the call depth only change when a scene starts.
  const bool replaying = parts_.flags.ReplayActive;
  const int callDepth = parts_.interpreter.State().calls.CallDepth;
  parts_.replay.StartReplay(ReplayOrigin::Recollection);
  parts_.flags.ReplayActive = replaying;
  parts_.interpreter.State().calls.CallDepth = callDepth;
  parts_.flags.EngineState = EngineScreen::Recollection;
  pointed_ = 0;
  selectedCell_ = 0;
  selectedEntry_ = 0;
  SetPopupMenu2(false);
  DrawTabs();
  DrawSceneList();
  DrawSlotPanel();
  PresentStage();
}

void Recollection::DrawTabs() {
  Bitmap24& stage = parts_.stage.Buffers().StageBuffer;
  CopyRect(background_, 0, 0, kScreenWidth, kScreenHeight, stage, 0, 0);
  CopyRect(tabLooks_, 60, 35 * tab_ + 235, 76, 35, stage, kTabWidth * tab_ + 44, kTabTop);
  const int count = SubPageCount(tab_);
  int& sub = subPages_[static_cast<size_t>(tab_)];
  if (count == 0) {
    sub = 0;
  } else {
    if (sub >= count) sub = 0;
    const int column = tab_ == 1 ? 120 : tab_ == 3 ? 0 : 60;
    CopyRect(tabLooks_, column, 0, kSubPageWidth, kSubPageHeight * count, stage, 0, kSubPageTop);
    CopyRect(tabLooks_, column + kSubPageWidth, kSubPageHeight * sub, kSubPageWidth, kSubPageHeight,
             stage, 0, kSubPageHeight * sub + kSubPageTop);
  }
  parts_.music.SetMusic(kMusicTrack, parts_.state);
  parts_.state.S(sv::kAutoSpeed) = 0;
  parts_.state.S(sv::kSkipButton) = 0;
  parts_.flags.SkipState = 0;
}

void Recollection::DrawSceneList() {
  page_ = table_.LayOut(PageMarker(tab_, subPages_[static_cast<size_t>(tab_)]), parts_.progress);
  Bitmap24& stage = parts_.stage.Buffers().StageBuffer;
  for (const PageLine& line : page_.lines) {
    ScreenText& font = ListFont(line.heading);
    font.Draw(line.text, stage, CellX(line.cell) + 1, CellY(line.cell) + 1, kShadow);
    font.Draw(line.text, stage, CellX(line.cell), CellY(line.cell), kNormal);
  }
}

void Recollection::DrawCellText(Bitmap24& target, int cell, TextRgb colour, bool shadow) {
  const std::string& title = table_.Title(page_.map[static_cast<size_t>(cell)]);
  ScreenText& font = ListFont(false);
  if (shadow) font.Draw(title, target, CellX(cell) + 1, CellY(cell) + 1, kShadow);
  font.Draw(title, target, CellX(cell), CellY(cell), colour);
}

std::string Recollection::EntryText(int entry) const {
  char number[8];
  std::snprintf(number, sizeof number, "%02d:", entry);
  return number + table_.Title(CurrentSlotConst()[static_cast<size_t>(entry)]);
}

void Recollection::DrawEntryText(Bitmap24& target, int originX, int originY, int row,
                                 TextRgb colour, bool shadow) {
  const std::string text = EntryText(row + 1);
  const int x = kEntryX - originX;
  const int y = kEntryHeight * row + kEntryTop - originY;
  if (shadow) PanelFont().Draw(text, target, x + 1, y + 1, kShadow);
  PanelFont().Draw(text, target, x, y, colour);
}

void Recollection::DrawSlotPanel() {
  CopyRect(background_, kPanelX, kPanelY, kPanelWidth, kPanelHeight, panel_, 0, 0);
  for (int slot = 0; slot < kRecordSlotCount; ++slot) {
    const SlotButton at = SlotButtonAt(slot);
    const bool current = slot == currentSlot_;
    if (!current && PlaylistLength(parts_.progress.recordSlots[static_cast<size_t>(slot)]) == 0) {
      continue;
    }
    CopyRect(buttons_, kSlotButtonWidth * slot, current ? kSlotButtonHeight : 0, kSlotButtonWidth,
             kSlotButtonHeight, panel_, at.x - kPanelX, at.y - kPanelY);
  }
  std::string& title = parts_.progress.recordSlotNames[static_cast<size_t>(currentSlot_)];
  if (title.empty()) title = "Record Slot " + std::to_string(currentSlot_ + 1);
  PanelFont().Draw(title, panel_, 567 - kPanelX, 129 - kPanelY, kShadow);
  PanelFont().Draw(title, panel_, 566 - kPanelX, 128 - kPanelY, kNormal);
  const int length = PlaylistLength(CurrentSlot());
  for (int row = 0; row < length; ++row) {
    DrawEntryText(panel_, kPanelX, kPanelY, row, row + 1 == selectedEntry_ ? kSelected : kNormal,
                  true);
  }
  CopyRect(panel_, 0, 0, kPanelWidth, kPanelHeight, parts_.stage.Buffers().StageBuffer, kPanelX,
           kPanelY);
}

void Recollection::PresentStage() {
  CopyRect(panel_, 0, 0, kPanelWidth, kPanelHeight, parts_.stage.Buffers().StageBuffer, kPanelX,
           kPanelY);
  ShowStage();
}

void Recollection::ShowStage() {
  CopyRect(parts_.stage.Buffers().StageBuffer, 0, 0, kScreenWidth, kScreenHeight, parts_.pb.Draw(),
           0, 0);
}

void Recollection::ShowPanel() {
  CopyRect(panel_, 0, 0, kPanelWidth, kPanelHeight,
           parts_.pb.Draw(kPanelX, kPanelY, kPanelWidth, kPanelHeight), kPanelX, kPanelY);
}

// ---- Input --------------------------------------------------------------------------------

void Recollection::PointerMove(int x, int y) {
  const int row = (y - kEntryTop) / kEntryHeight;
  if (InList(x, y)) {
    const int cell = CellAt(x, y);
    if (cell != pointed_ && page_.map[static_cast<size_t>(cell)] != 0) {
      ShowStage();
      DrawCellText(parts_.pb.Draw(), cell, kPointed, false);
      pointed_ = cell;
    }
    return;
  }
  if (x >= kEntryX && x <= kEntryRight && y >= kEntryTop && row < PlaylistLength(CurrentSlot())) {
    if (kPointedEntry + row != pointed_) {
      ShowPanel();
      DrawEntryText(parts_.pb.Draw(), 0, 0, row, kPointed, false);
      pointed_ = kPointedEntry + row;
    }
    return;
  }
  for (int i = 1; i <= 7; ++i) {
    const CommandLook& b = kCommands[i];
    if (!Inside(x, y, b.x, b.y, b.width, b.height)) continue;
    if (kPointedCommand + i != pointed_) {
      ShowStage();
      CopyRect(buttons_, b.lookX, b.lookY, b.width, b.height, parts_.pb.Draw(), b.x, b.y);
      pointed_ = kPointedCommand + i;
    }
    return;
  }
  for (int slot = 0; slot < kRecordSlotCount; ++slot) {
    const SlotButton at = SlotButtonAt(slot);
    if (!Inside(x, y, at.x, at.y, kSlotButtonWidth, kSlotButtonHeight)) continue;
    if (kPointedSlot + slot != pointed_) {
      ShowPanel();
      const int lookX = slot < 5 ? kSlotButtonWidth * slot : kSlotButtonWidth * (slot - 5) + 160;
      CopyRect(buttons_, lookX, 2 * kSlotButtonHeight, kSlotButtonWidth, kSlotButtonHeight,
               parts_.pb.Draw(), at.x, at.y);
      pointed_ = kPointedSlot + slot;
    }
    return;
  }
  if (pointed_ != 0) {
    ShowStage();
    pointed_ = 0;
  }
}

void Recollection::Press(MouseButton button, int x, int y) {
  if (button != MouseButton::Left && button != MouseButton::Right) return;
  SetPopupMenu2(false);
  if (x >= kTabLeft && x <= kTabRight && y >= kTabTop && y <= kTabBottom) {
    const int tab = (x - kTabLeft) / kTabWidth;
    if (tab != tab_) {
      tab_ = tab;
      DrawTabs();
      DrawSceneList();
      PresentStage();
    }
    return;
  }
  const int count = SubPageCount(tab_);
  if (x >= 0 && x < kSubPageWidth && y >= kSubPageTop && y < kSubPageTop + kSubPageHeight * count) {
    const int sub = (y - kSubPageTop) / kSubPageHeight;
    if (sub != subPages_[static_cast<size_t>(tab_)]) {
      subPages_[static_cast<size_t>(tab_)] = sub;
      DrawTabs();
      DrawSceneList();
      PresentStage();
    }
    return;
  }
  if (InList(x, y)) {
    const int cell = CellAt(x, y);
    if (page_.map[static_cast<size_t>(cell)] != 0) {
      if (cell != selectedCell_ || button == MouseButton::Right) {
        DrawTabs();
        DrawSceneList();
        DrawCellText(parts_.stage.Buffers().StageBuffer, cell, kSelected, true);
        PresentStage();
        selectedCell_ = cell;
      }
      if (button == MouseButton::Right) SetPopupMenu2(true, cell);
    }
  }
  const int row = (y - kEntryTop) / kEntryHeight;
  if (x >= kEntryX && x <= kEntryRight && y >= kEntryTop && row < PlaylistLength(CurrentSlot())) {
    selectedEntry_ = row + 1;
    DrawSlotPanel();
    ShowPanel();
  }
  if (pointed_ >= kPointedSlot && pointed_ < kPointedSlot + kRecordSlotCount) {
    currentSlot_ = pointed_ - kPointedSlot;
    DrawSlotPanel();
    ShowPanel();
  } else if (pointed_ > kPointedCommand && pointed_ <= kPointedCommand + 7) {
    CommandButton(pointed_ - kPointedCommand);
  }
}

void Recollection::CommandButton(int number) {
  const CommandLook& b = kCommands[number];
  CopyRect(buttons_, b.lookX, b.lookY + b.height, b.width, b.height, parts_.pb.Draw(), b.x, b.y);
  switch (number) {
    case 1:
      background_ = Bitmap24();
      buttons_ = Bitmap24();
      tabLooks_ = Bitmap24();
      showReplayMenu(false, false);
      parts_.flags.EngineState = EngineScreen::Story;
      break;
    case 2:
      queue_ = QueueOf(CurrentSlot());
      if (queue_[0] != 0) {
        queuePosition_ = 0;
        StartSceneReplay(queue_[0]);
        showReplayMenu(queue_[1] != 0, true);
        pointed_ = 0;
      }
      break;
    case 3:
      CurrentSlot().fill(0);
      selectedEntry_ = 0;
      DrawSlotPanel();
      PresentStage();
      pointed_ = 0;
      slotsChanged();
      break;
    case 4:
      if (selectedEntry_ != 0) {
        DeleteFromSlot(CurrentSlot(), selectedEntry_);
        DrawSlotPanel();
        PresentStage();
        slotsChanged();
      }
      break;
    case 5:
      AddSelectedScene();
      break;
    case 6:
      PlaySelectedScene();
      break;
    case 7: {
      std::string& title = parts_.progress.recordSlotNames[static_cast<size_t>(currentSlot_)];
      dialog_.FormShow(title);
      showModal(dialog_);
      title = dialog_.Edit1Text();
      DrawSlotPanel();
      ShowPanel();
      pointed_ = 0;
      slotsChanged();
      break;
    }
    default:
      break;
  }
}

void Recollection::PU_Post1Click() {
  SetPopupMenu2(false);
  AddSelectedScene();
}

void Recollection::PU_Post2Click() {
  SetPopupMenu2(false);
  PlaySelectedScene();
}

void Recollection::ClosePopupMenu2() {
  SetPopupMenu2(false);
}

void Recollection::SetPopupMenu2(bool open, int cell) {
  if (!open && !popupOpen_) return;
  popupOpen_ = open;
  showPopupMenu2(open, CellX(cell), CellY(cell));
}

void Recollection::AddSelectedScene() {
  if (selectedCell_ != 0) {
    if (AddToSlot(CurrentSlot(), page_.map[static_cast<size_t>(selectedCell_)])) slotsChanged();
  }
  DrawSlotPanel();
  PresentStage();
  pointed_ = 0;
}

void Recollection::PlaySelectedScene() {
  if (selectedCell_ == 0) return;
  queue_.fill(0);
  queue_[0] = page_.map[static_cast<size_t>(selectedCell_)];
  queuePosition_ = 0;
  StartSceneReplay(queue_[0]);
  showReplayMenu(false, true);
  pointed_ = 0;
}

// ---- Replays ------------------------------------------------------------------------------

void Recollection::StartSceneReplay(int scene) {
  parts_.flags.EngineState = EngineScreen::Story;
  parts_.flags.ReplayActive = true;
  InterpreterState& script = parts_.interpreter.State();
  script.calls.CallDepth = 0;
  script.CurrentScript = "k_" + table_.Key(scene);
  parts_.engine.ResetWaits();
  parts_.interpreter.LoadScript(script.CurrentScript, kScriptMode);
}

void Recollection::SkipScene() {
  parts_.sound.StopLoopingSound();
  queuePosition_ = std::min(queuePosition_ + 1, kPlayQueueLength);
  if (queuePosition_ < kPlayQueueLength && queue_[static_cast<size_t>(queuePosition_)] != 0) {
    StartSceneReplay(queue_[static_cast<size_t>(queuePosition_)]);
    const bool more = queuePosition_ + 1 < kPlayQueueLength &&
                      queue_[static_cast<size_t>(queuePosition_) + 1] != 0;
    showReplayMenu(more, true);
    return;
  }
  ReturnToScreen();
}

void Recollection::ReturnToScreen() {
  parts_.sound.StopLoopingSound();
  parts_.replay.EndReplay();
  // As the viewer's return does: a scene left in full-screen text must not leave the story,
  // which goes on after the screen, printing over the whole screen.
  parts_.state.S(sv::kTextMode) = 0;
  parts_.state.S(sv::kDateDisplay) = 0;
  parts_.flags.EngineState = EngineScreen::Recollection;
  DrawTabs();
  DrawSceneList();
  DrawSlotPanel();
  PresentStage();
  showReplayMenu(false, false);
  selectedCell_ = 0;
}

void Recollection::Rec() {
  ScriptState& state = parts_.state;
  state.F.fill(0);
  std::fill_n(state.integers.begin() + kVBase, kVCount, 0);
  recordScript_ = parts_.interpreter.State().CurrentScript;
  if (state.S(sv::kAutoNavigation) == 2) {
    state.S(sv::kAutoNavigationTarget) = 0;
  } else {
    state.S(sv::kAutoNavigation) = 1;
    state.S(sv::kAutoNavigationSaved) = 0;
    state.S(sv::kAutoNavigationTarget) = 0;
  }
}

// ---- Parts --------------------------------------------------------------------------------

RecordSlot& Recollection::CurrentSlot() {
  return parts_.progress.recordSlots[static_cast<size_t>(currentSlot_)];
}

const RecordSlot& Recollection::CurrentSlotConst() const {
  return parts_.progress.recordSlots[static_cast<size_t>(currentSlot_)];
}

ScreenText& Recollection::ListFont(bool bold) {
  std::optional<ScreenText>& font = bold ? headingFont_ : listFont_;
  if (!font) font.emplace(kFace, kListTextHeight, bold);
  return *font;
}

ScreenText& Recollection::PanelFont() {
  if (!panelFont_) panelFont_.emplace(kFace, kPanelTextHeight);
  return *panelFont_;
}

nlohmann::ordered_json Recollection::DumpObject() const {
  using nlohmann::ordered_json;
  ordered_json slots = ordered_json::array();
  for (int s = 0; s < kRecordSlotCount; ++s) {
    const RecordSlot& slot = parts_.progress.recordSlots[static_cast<size_t>(s)];
    ordered_json entries = ordered_json::array();
    for (int i = 1; i <= PlaylistLength(slot); ++i) entries.push_back(slot[static_cast<size_t>(i)]);
    slots.push_back(
        {{"title", ShiftJisToUtf8Lossy(parts_.progress.recordSlotNames[static_cast<size_t>(s)])},
         {"entries", entries}});
  }
  ordered_json queue = ordered_json::array();
  for (int32_t scene : queue_) {
    if (scene == 0) break;
    queue.push_back(scene);
  }
  return {{"tab", tab_},
          {"sub_pages", subPages_},
          {"map", page_.map},
          {"selected_cell", selectedCell_},
          {"pointed", pointed_},
          {"current_slot", currentSlot_},
          {"selected_entry", selectedEntry_},
          {"popup_menu", popupOpen_},
          {"slots", slots},
          {"queue", queue},
          {"queue_position", queuePosition_},
          {"record_script", ShiftJisToUtf8Lossy(recordScript_)}};
}

}  // namespace tolven
