#include "modes/quick_buttons.h"

#include "base/engine_values.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"
#include "resources/picture_loader.h"

namespace tolven {
namespace {

// Where the strip sits on the stage, and the same place within the message-window pictures.
constexpr int kStripX = 760;
constexpr int kStripY = 468;
constexpr int kStripYInWindow = kStripY - kMessageWindowTop;

// Columns of "sys_qbtn", by their left edge: masks, the plain strip, the two looks of a button
// and the two halves of the gauge.
constexpr int kMaskWhenAnyStateColumn = 0;
constexpr int kGaugeMaskColumn = 24;
constexpr int kPlainColumn = 40;
constexpr int kGaugeAboveColumn = 64;
constexpr int kUnderPointerOffset = 80;
constexpr int kGaugeFromSpeedColumn = 104;
constexpr int kOnOffset = 120;
constexpr int kMaskWhenAllNormalColumn = 160;
constexpr int kSheetWidth = kMaskWhenAllNormalColumn + kQuickButtonWidth;
constexpr int kGaugeWidth = 16;

// The gauge beside the strip: ten speeds of 11 rows from the strip's top.
constexpr int kGaugeLeft = 770;
constexpr int kGaugeRight = 779;
constexpr int kGaugeTop = 468;
constexpr int kGaugeBottom = 577;
constexpr int kGaugeStep = 11;
constexpr int kDefaultAutoSpeed = 3;

// The top-left corner where full screen shows the menu bar: a click there must not reach the
// story.
constexpr int kDeadZoneLeft = 2;
constexpr int kDeadZoneRight = 140;
constexpr int kDeadZoneTop = 2;
constexpr int kDeadZoneBottom = 52;

// Menu phase S000 = 3 holds the strip, except while a scene replay runs.
constexpr int kStripLockedPhase = 3;

const uint8_t* SheetPixel(const Bitmap24& sheet, int x, int y) {
  return sheet.Row(y) + 3 * x;
}

}  // namespace

QuickButtons::QuickButtons(MessageWindow& window, ScreenBuffers& buffers, PaintBox& pb,
                           ScriptState& state, EngineFlags& flags, const Settings& settings)
    : window_(window),
      buffers_(buffers),
      pb_(pb),
      state_(state),
      flags_(flags),
      settings_(settings) {}

void QuickButtons::LoadSystemPictures(const Archives& archives) {
  Bitmap24 picture;
  // A picture without every column would be read past its end.
  if (LoadPicture(archives, "sys_qbtn", picture) && picture.Width() >= kSheetWidth &&
      picture.Height() >= kQuickButtonHeight) {
    sheet_ = std::move(picture);
  }
}

// ---- Drawing ----------------------------------------------------------------------------------

void QuickButtons::DrawQuickButtons(int target) {
  if (flags_.EngineState != EngineScreen::Story || flags_.EffectRunning || sheet_.Empty()) return;
  strip_ = window_.QuickButtonBackground();
  if (AutoAdvanceOn()) {
    ComposeGauge(state_.S(sv::kAutoSpeed));
  } else {
    ComposeButtons();
  }
  PutStrip(target);
}

// Rows past 11 * (speed - 1) show the column below the speed and the rows up to it the column
// above, so the top row of the current step still belongs to the part above: at speed 1 that
// is row 0 alone.
void QuickButtons::ComposeGauge(int speed) {
  const int lastRowAbove = kGaugeStep * (speed - 1);
  for (int r = 0; r < kQuickButtonHeight; ++r) {
    const int column = r > lastRowAbove ? kGaugeFromSpeedColumn : kGaugeAboveColumn;
    MaskedBlend(strip_.Row(r), SheetPixel(sheet_, column, r),
                SheetPixel(sheet_, kGaugeMaskColumn, r), strip_.Row(r), 3 * kGaugeWidth);
  }
}

void QuickButtons::ComposeButtons() {
  CopyRect(sheet_, kPlainColumn, 0, kQuickButtonWidth, kQuickButtonHeight, buttons_, 0, 0);
  for (int entry = 1; entry <= kQuickButtonEntries; ++entry) {
    const QuickButtonArea& area = kQuickButtonAreas[entry - 1];
    const int look = ButtonState(entry);
    if (!area.HasArea() || (look != kButtonOn && look != kButtonUnderPointer)) continue;
    const int offset = look == kButtonOn ? kOnOffset : kUnderPointerOffset;
    CopyRect(sheet_, area.x1 + offset, area.y1, area.x2 - area.x1, area.y2 - area.y1, buttons_,
             area.x1, area.y1);
  }
  const int maskColumn = AnyButtonState() ? kMaskWhenAnyStateColumn : kMaskWhenAllNormalColumn;
  for (int r = 0; r < kQuickButtonHeight; ++r) {
    MaskedBlend(strip_.Row(r), buttons_.Row(r), SheetPixel(sheet_, maskColumn, r), strip_.Row(r),
                strip_.RowBytes());
  }
}

void QuickButtons::PutStrip(int target) {
  const auto put = [this](Bitmap24& picture, int y) {
    CopyRect(strip_, 0, 0, kQuickButtonWidth, kQuickButtonHeight, picture, kStripX, y);
  };
  switch (target) {
    case kQuickButtonsOnStage:
      put(buffers_.StageBuffer, kStripY);
      break;
    case kQuickButtonsOnStageAndScreen:
      put(buffers_.StageBuffer, kStripY);
      if (!(presentationHeld && presentationHeld())) put(pb_.Draw(), kStripY);
      break;
    case kQuickButtonsInWindowPictures:
      put(window_.WindowPicture(), kStripYInWindow);
      put(window_.WindowCache(), kStripYInWindow);
      break;
    default:
      break;
  }
}

// ---- Pointer ----------------------------------------------------------------------------------

void QuickButtons::HoverQuickButtons(int x, int y) {
  // An entry found while the strip could be seen must not be acted on by a later click when it
  // no longer can, or while the strip is held.
  if (!StripReacts() || ClicksLocked()) {
    hovered_ = kNoQuickButton;
    return;
  }
  const int entry = EntryAt(x, y);
  if (entry == hovered_) return;
  ClearHighlights();
  // Only the seven buttons have a state; none and the dead zone do not.
  if (entry >= 1 && entry <= kQuickButtonEntries && ButtonState(entry) != kButtonOn) {
    ButtonState(entry) = kButtonUnderPointer;
  }
  DrawQuickButtons(kQuickButtonsOnStageAndScreen);
  hovered_ = entry;
}

int QuickButtons::EntryAt(int x, int y) const {
  if (x > kDeadZoneLeft && x <= kDeadZoneRight && y > kDeadZoneTop && y < kDeadZoneBottom) {
    return kQuickButtonDeadZone;
  }
  int entry = kNoQuickButton;
  for (int i = 0; i < kQuickButtonEntries && entry == kNoQuickButton; ++i) {
    const QuickButtonArea& area = kQuickButtonAreas[i];
    if (area.HasArea() && area.Contains(x - kStripX, y - kStripY)) entry = i + 1;
  }
  const bool read = !currentTextRead || currentTextRead();
  if (entry == kSkipQuickButton && settings_.Seen != 0 && !read) return kNoQuickButton;
  return entry;
}

bool QuickButtons::ClickQuickButton() {
  if (ClicksLocked()) return false;
  switch (hovered_) {
    case kSkipQuickButton:
      ToggleSkip();
      break;
    case kAutoQuickButton:
      ToggleAuto();
      break;
    case kLogQuickButton:
      ShowLogFromStrip();
      break;
    case kQuickButtonDeadZone:
      break;
    default:
      return false;
  }
  hovered_ = kNoQuickButton;
  return true;
}

void QuickButtons::ToggleSkip() {
  state_.S(sv::kAutoButton) = kButtonNormal;
  if (flags_.SkipState != 0) {
    state_.S(sv::kSkipButton) = kButtonNormal;
    flags_.SkipState = 0;
  } else {
    state_.S(sv::kSkipButton) = kButtonOn;
    flags_.SkipState = settings_.SkipMode + 1;
  }
  DrawQuickButtons(kQuickButtonsOnStageAndScreen);
}

void QuickButtons::ToggleAuto() {
  int32_t& speed = state_.S(sv::kAutoSpeed);
  int32_t& lastSpeed = state_.S(sv::kLastAutoSpeed);
  if (AutoAdvanceOn()) {
    SetAutoCaption(false);
    state_.S(sv::kAutoButton) = kButtonNormal;
    lastSpeed = speed;
    speed = 0;
  } else {
    state_.S(sv::kAutoButton) = kButtonOn;
    if (lastSpeed < kMinAutoSpeed || lastSpeed > kMaxAutoSpeed) lastSpeed = kDefaultAutoSpeed;
    speed = lastSpeed;
    SetAutoCaption(true);
  }
  state_.S(sv::kSkipButton) = kButtonNormal;
  DrawQuickButtons(kQuickButtonsOnStageAndScreen);
}

void QuickButtons::ShowLogFromStrip() {
  state_.S(sv::kLogButton) = kButtonOn;
  DrawQuickButtons(kQuickButtonsOnStageAndScreen);
  if (openBacklog) openBacklog();
  state_.S(sv::kLogButton) = kButtonNormal;
}

bool QuickButtons::GaugeOrStopClick(int x, int y) {
  if (!WindowShown()) return false;
  if (GaugeClick(x, y)) return true;
  const bool noChoice = flags_.ChoiceMode == ChoiceKind::None;
  if (noChoice && (AutoAdvanceOn() || flags_.SkipState != 0)) {
    StopSkipAndAuto(true);
    return true;
  }
  return false;
}

bool QuickButtons::GaugeClick(int x, int y) {
  const bool inGauge = x >= kGaugeLeft && x <= kGaugeRight && y >= kGaugeTop && y <= kGaugeBottom;
  if (!AutoAdvanceOn() || !inGauge) return false;
  state_.S(sv::kAutoSpeed) = state_.S(sv::kLastAutoSpeed) = (y - kGaugeTop) / kGaugeStep + 1;
  DrawQuickButtons(kQuickButtonsOnStageAndScreen);
  return true;
}

// ---- Stopping ---------------------------------------------------------------------------------

void QuickButtons::StopSkipAndAuto(bool force) {
  if (!force && settings_.BreakonSelect == 0) return;
  state_.S(sv::kSkipButton) = kButtonNormal;
  state_.S(sv::kAutoButton) = kButtonNormal;
  const bool stripShowing =
      WindowShown() && state_.S(sv::kTextMode) == 0 && flags_.EngineState == EngineScreen::Story;
  const bool drawingSuppressed = flags_.SkipState == 3;
  // Skip state 3 drew nothing; it must be off before the stage is rebuilt, or the rebuilt stage
  // would be held back as well.
  flags_.SkipState = 0;
  if (stripShowing && drawingSuppressed && rebuildStage) rebuildStage();
  int32_t& speed = state_.S(sv::kAutoSpeed);
  if (AutoAdvanceOn()) {
    speed = 0;
    SetAutoCaption(false);
    if (hideAutoSpeedSlider) hideAutoSpeedSlider();
  }
  if (stripShowing) DrawQuickButtons(kQuickButtonsOnStageAndScreen);
}

// ---- State ------------------------------------------------------------------------------------

bool QuickButtons::StripReacts() const {
  return flags_.EngineState == EngineScreen::Story &&
         (WindowShown() || state_.S(sv::kTextMode) != 0);
}

// What the screen shows rather than the window-open flag, which tw_set changes without drawing.
bool QuickButtons::WindowShown() const {
  return window_.DisplayState() != WindowDisplay::Closed;
}

bool QuickButtons::ClicksLocked() const {
  const bool replay = sceneReplayRunning && sceneReplayRunning();
  return state_.S(sv::kSaveAvailability) == kStripLockedPhase && !replay;
}

bool QuickButtons::AutoAdvanceOn() const {
  // As the frame loop counts it: a negative speed a script set runs no auto-advance.
  return state_.S(sv::kAutoSpeed) > 0;
}

bool QuickButtons::AnyButtonState() const {
  for (int i = 0; i < kQuickButtonEntries; ++i) {
    if (state_.S(sv::kQuickBarStates + i) != kButtonNormal) return true;
  }
  return false;
}

void QuickButtons::ClearHighlights() {
  for (int entry = 1; entry <= kQuickButtonEntries; ++entry) {
    if (ButtonState(entry) == kButtonUnderPointer) ButtonState(entry) = kButtonNormal;
  }
}

void QuickButtons::SetAutoCaption(bool blue) {
  if (setAutoCaption) setAutoCaption(blue);
}

}  // namespace tolven
