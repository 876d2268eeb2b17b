#include "text/backlog.h"

#include <algorithm>

#include "base/engine_values.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"

namespace tolven {
namespace {

constexpr int kBackdropDarkness = 40;
constexpr std::string_view kOpenSound = "SSE09";

// The log's list: plain text 18 pixels high, a row every 19 pixels from (150, 10).
constexpr int kLogPixelEm = 18;
constexpr TextRgb kLogTextColour{255, 255, 255};
constexpr int kListLeft = 150;
constexpr int kListTop = 10;
constexpr int kRowPitch = 19;
// Rows answer the pointer over the width of the voice icon.
constexpr int kListRight = 245;
constexpr int kListBottom = 560;

// The scroll bar: the bar picture's rows go at (690, 10 + r), 32 pixels of colour from x 0
// through the mask at x 96; the arrows and the track lie between x 690 and 722.
constexpr int kBarX = 690;
constexpr int kBarTop = 10;
constexpr int kBarWidth = 32;
constexpr int kBarMaskX = 96;
constexpr int kBarRight = 722;
constexpr int kUpArrowTop = 10;
constexpr int kUpArrowBottom = 30;
constexpr int kDownArrowTop = 560;
constexpr int kDownArrowBottom = 580;
constexpr int kArrowStep = 2;
constexpr int kWheelStep = 4;
// The thumb runs from y 530 (newest lines) up to y 30 (oldest) over 500 pixels of track.
constexpr int kThumbX = 694;
constexpr int kThumbBottom = 530;
constexpr int kTrackTop = 40;
constexpr int kTrackLength = 500;

constexpr int kLookBackColour = 4;  // yellow
constexpr size_t kVoiceNameBytes = 128;

bool IsLeadByte(uint8_t byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::string Truncated(std::string text, size_t fieldBytes) {
  if (text.size() >= fieldBytes) text.resize(fieldBytes - 1);
  return text;
}

}  // namespace

Backlog::Backlog(Stage& stage, MessageWindow& window, MessageOutput& output, Glyphs& glyphs,
                 PaintBox& pb, ScriptState& state, EngineFlags& flags, const Archives& archives,
                 Trace& trace)
    : stage_(stage),
      window_(window),
      output_(output),
      glyphs_(glyphs),
      pb_(pb),
      state_(state),
      flags_(flags),
      trace_(trace),
      loader_(archives) {}

BacklogView Backlog::OpenView() const {
  if (flags_.BacklogOpen) return BacklogView::Log;
  if (position_ != 0) return BacklogView::History;
  if (!keptStage_.Empty()) return BacklogView::Picture;
  return BacklogView::None;
}

// A look-back view can open over a choice, which keeps the menu locked itself; closing the
// view gives the menu back the state it had.
void Backlog::LockMenu() {
  menuLockedBefore_ = flags_.MenuLocked;
  flags_.MenuLocked = true;
  if (updateMenuBar) updateMenuBar();
}

void Backlog::UnlockMenu() {
  flags_.MenuLocked = menuLockedBefore_;
  if (updateMenuBar) updateMenuBar();
}

// ---- Recording pages --------------------------------------------------------------------------

void Backlog::RecordPage() {
  HistoryEntry& entry = entries_[Ring(count_)];
  entry.text = output_.PageBytes();
  entry.screen = Truncated(stage_.BackgroundName() + "," + stage_.CharacterSpecification(),
                           kHistoryScreenBytes);
  entry.mode = state_.S(sv::kTextMode);
  entry.fixed = state_.S(sv::kFixed);
  entry.voices = Truncated(output_.TakePageVoices(), kHistoryVoiceBytes);
  ++count_;
}

// ---- The text log -----------------------------------------------------------------------------

void Backlog::OpenLog() {
  if (flags_.BacklogOpen) return;
  if (playSound) playSound(kOpenSound);
  ScreenBuffers& buffers = stage_.Buffers();
  CopyPicture(buffers.StageBuffer, buffers.WorkBuffer);
  Darken(buffers.SceneBuffer, backdrop_, kBackdropDarkness);
  // A missing picture stays empty and draws nothing.
  loader_.LoadPicture("sys_bl_bar", bar_);
  loader_.LoadPicture("sys_bl_cur", thumb_);
  loader_.LoadPicture("sys_blVR.bmp", voiceIcon_);
  DrawScrollBar();
  offset_ = 0;
  hoverRow_ = 0;
  dragMode_ = DragMode::None;
  DrawLog();
  flags_.BacklogOpen = true;
  LockMenu();
}

// A bar picture too narrow for its mask column, or rows reaching below the backdrop, would be
// read or written past their ends; those parts are left out.
void Backlog::DrawScrollBar() {
  if (bar_.Width() < kBarMaskX + kBarWidth) return;
  const size_t bytes = 3 * static_cast<size_t>(kBarWidth);
  for (int r = 0; r < bar_.Height() && kBarTop + r < backdrop_.Height(); ++r) {
    uint8_t* out = backdrop_.Row(kBarTop + r) + 3 * kBarX;
    MaskedBlend(out, bar_.Row(r), bar_.Row(r) + 3 * kBarMaskX, out, bytes);
  }
}

void Backlog::DrawLog() {
  Bitmap24& stageBuffer = stage_.Buffers().StageBuffer;
  CopyPicture(backdrop_, stageBuffer);
  const int count = LineCount();
  const int first = std::max(0, count - (offset_ + kLogRows));
  for (std::string& voice : rowVoices_) voice.clear();
  for (int row = 0; row < kLogRows && first + row < count; ++row) {
    DrawLogRow(row, output_.BacklogLine(first + row));
  }
  if (count >= kLogRows + 1) DrawThumb();
  CopyPicture(stageBuffer, pb_.Draw());
}

// A voice line at the top row would stand without the text it belongs to, so it shows nothing.
void Backlog::DrawLogRow(int row, const std::string& line) {
  Bitmap24& stageBuffer = stage_.Buffers().StageBuffer;
  const int y = kListTop + kRowPitch * row;
  if (line.empty() || line[0] != '@') {
    glyphs_.DrawText(line, stageBuffer, kListLeft, y, kLogPixelEm, kLogTextColour);
  } else if (row > 0) {
    rowVoices_[row] = line.substr(1);
    if (!voiceIcon_.Empty()) DrawSideBySideSprite(stageBuffer, kListLeft, voiceIcon_, y, trace_);
  }
}

void Backlog::DrawThumb() {
  if (thumb_.Empty()) return;
  const int y = kThumbBottom - offset_ * kTrackLength / MaxOffset();
  DrawStackedSprite(stage_.Buffers().StageBuffer, kThumbX, thumb_, y, trace_);
}

// With fewer lines than rows there is nothing to scroll: the list starts at the first line.
int Backlog::MaxOffset() const {
  return std::max(0, LineCount() - kLogRows);
}

void Backlog::ScrollTo(int offset) {
  offset_ = std::clamp(offset, 0, MaxOffset());
}

int Backlog::TrackOffset(int y) const {
  const int v = std::clamp(y - kTrackTop, 0, kTrackLength);
  return MaxOffset() * (kTrackLength - v) / kTrackLength;
}

void Backlog::LogMouseDown(MouseButton button, int x, int y) {
  if (!flags_.BacklogOpen) return;
  if (button == MouseButton::Right) return CloseLog();
  if (button != MouseButton::Left) return;
  const bool onBar = x > kBarX && x < kBarRight;
  if (onBar && y >= kUpArrowTop && y < kUpArrowBottom) {
    ScrollTo(offset_ + kArrowStep);
    DrawLog();
    dragMode_ = DragMode::UpArrow;
  } else if (onBar && y >= kDownArrowTop && y < kDownArrowBottom) {
    ScrollTo(offset_ - kArrowStep);
    DrawLog();
    dragMode_ = DragMode::DownArrow;
  } else if (onBar && y >= kUpArrowBottom && y < kDownArrowTop) {
    dragMode_ = DragMode::Thumb;
    ScrollTo(TrackOffset(y));
    DrawLog();
  } else if (x >= kListLeft && x <= kListRight && y >= kListTop && y <= kListBottom) {
    const std::string& voice = rowVoices_[(y - kListTop) / kRowPitch];
    if (!voice.empty() && playVoice) playVoice(voice);
  }
}

void Backlog::LogMouseMove(int x, int y) {
  if (!flags_.BacklogOpen) return;
  if (dragMode_ == DragMode::Thumb) {
    const int offset = TrackOffset(y);
    if (offset == offset_) return;
    offset_ = offset;
    return DrawLog();
  }
  if (dragMode_ != DragMode::None) return;
  const bool overList = x >= kListLeft && x <= kListRight && y >= kListTop && y <= kListBottom;
  const int row = overList ? (y - kListTop) / kRowPitch : 0;
  if (row == hoverRow_) return;
  hoverRow_ = row;
  DrawLog();
}

void Backlog::LogWheel(int delta) {
  if (!flags_.BacklogOpen) return;
  ScrollTo(offset_ + (delta > 0 ? kWheelStep : -kWheelStep));
  DrawLog();
}

void Backlog::CloseLog() {
  if (!flags_.BacklogOpen) return;
  ScreenBuffers& buffers = stage_.Buffers();
  CopyPicture(buffers.WorkBuffer, pb_.Draw());
  CopyPicture(buffers.WorkBuffer, buffers.StageBuffer);
  FreeLogPictures();
  dragMode_ = DragMode::None;
  flags_.BacklogOpen = false;
  UnlockMenu();
  state_.S(sv::kLogButton) = 0;
  if (drawQuickButtons) drawQuickButtons();
}

void Backlog::FreeLogPictures() {
  backdrop_ = Bitmap24();
  bar_ = Bitmap24();
  thumb_ = Bitmap24();
  voiceIcon_ = Bitmap24();
}

// ---- The page look-back -----------------------------------------------------------------------

// Page numbers count from 0 in recording order; the ring keeps the newest twenty.
bool Backlog::Recorded(int page) const {
  return page >= 0 && page < count_ && page >= count_ - kHistoryEntries;
}

// Before two pages are recorded there is no older page to show: the current screen stays as it
// is, stepping toward older pages does nothing and stepping newer leaves as usual.
void Backlog::OpenHistory() {
  if (position_ != 0) return;
  LockMenu();
  modeBeforeHistory_ = state_.S(sv::kTextMode);
  position_ = 2;
  ShowPage(count_ - position_);
  flags_.EngineState = EngineScreen::PageLookBack;
}

void Backlog::StepHistory(int direction) {
  if (position_ == 0) return;
  if (direction > 0) {
    if (position_ < kHistoryEntries && count_ - position_ > 0) {
      ++position_;
      ShowPage(count_ - position_);
    }
    return;
  }
  if (position_ == 2) return CloseHistory();
  --position_;
  ShowPage(count_ - position_);
}

// The current page is shown again only when it was recorded (its voice replays); the screen is
// then rebuilt from what the story holds now, in the text mode it had when the look-back opened.
void Backlog::CloseHistory() {
  if (position_ == 0) return;
  ShowPage(count_ - 1);
  position_ = 0;
  state_.S(sv::kTextMode) = modeBeforeHistory_;
  flags_.EngineState = EngineScreen::Story;
  RebuildCurrentScreen();
  UnlockMenu();
}

void Backlog::RebuildCurrentScreen() {
  // The panel was last built over a page of the look-back.
  window_.MarkStale();
  stage_.RebuildFromSpecs(0);
}

void Backlog::ShowPage(int page) {
  if (Recorded(page)) ShowHistoryEntry(Ring(page));
}

void Backlog::ShowHistoryEntry(int index) {
  if (index < 0 || index >= std::min(count_, kHistoryEntries)) return;
  const HistoryEntry& entry = entries_[index];
  ShowHistoryScreen(entry);
  CopyPicture(stage_.Buffers().StageBuffer, pb_.Draw());
  DrawHistoryText(entry);
  PlayFirstVoice(entry);
}

void Backlog::ShowHistoryScreen(const HistoryEntry& entry) {
  ScreenBuffers& buffers = stage_.Buffers();
  const size_t comma = std::min(entry.screen.find(','), entry.screen.size());
  const std::string background = entry.screen.substr(0, comma);
  if (!background.empty() && (background[0] == 'S' || background[0] == 's')) {
    stage_.FillSolidColour(background);
  } else {
    stage_.LoadPicture(background, buffers.BackgroundBuffer);
  }
  stage_.ShowCharacters(comma < entry.screen.size() ? entry.screen.substr(comma + 1) : "");
  stage_.BuildScene();
  window_.MarkStale();
  state_.S(sv::kTextMode) = entry.mode;
  if (entry.mode != 0) {
    Darken(buffers.SceneBuffer, buffers.StageBuffer, DarknessFactor(state_.S(sv::kWindowDarkness)));
    return;
  }
  CopyPicture(buffers.SceneBuffer, buffers.StageBuffer);
  window_.BuildWindowPicture();
  CopyRect(window_.WindowPicture(), 0, 0, kScreenWidth, kMessageWindowHeight, buffers.StageBuffer,
           0, kMessageWindowTop);
}

// Whatever colours the page had, the look-back shows all of it in one.
void Backlog::DrawHistoryText(const HistoryEntry& entry) {
  const TextArea& area = window_.CurrentTextArea();
  Bitmap24& stageBuffer = stage_.Buffers().StageBuffer;
  glyphs_.SetTextColour(kLookBackColour);
  for (int line = 0; line < std::min(area.lines, kPageBufferRows); ++line) {
    const uint8_t* row = entry.text.data() + static_cast<size_t>(line) * kPageBufferColumns;
    for (int column = 0; column < std::min(area.columns, kPageBufferColumns);) {
      const int length = IsLeadByte(row[column]) && column + 1 < kPageBufferColumns ? 2 : 1;
      if (row[column] != 0) {
        glyphs_.PrepareCharacter(
            std::string_view(reinterpret_cast<const char*>(row + column), length));
        glyphs_.DrawGlyphToScreen(stageBuffer, pb_, area.originX + area.columnPitch * column,
                                  area.originY + area.linePitch * line, false);
      }
      column += length;
    }
  }
  glyphs_.SetTextColour(0);
}

void Backlog::PlayFirstVoice(const HistoryEntry& entry) {
  const std::string voice =
      entry.voices.substr(0, std::min(entry.voices.find(' '), kVoiceNameBytes));
  if (!voice.empty() && playVoice) playVoice(voice);
}

// ---- The picture view -------------------------------------------------------------------------

void Backlog::HidePicture() {
  if (!keptStage_.Empty()) return;
  LockMenu();
  CopyPicture(stage_.Buffers().StageBuffer, keptStage_);
  CopyPicture(stage_.Buffers().SceneBuffer, pb_.Draw());
  flags_.EngineState = EngineScreen::WindowHidden;
}

void Backlog::RestorePicture() {
  if (keptStage_.Empty()) return;
  CopyPicture(keptStage_, pb_.Draw());
  keptStage_ = Bitmap24();
  flags_.EngineState = EngineScreen::Story;
  UnlockMenu();
}

}  // namespace tolven
