#include "text/message_window.h"

#include <algorithm>

#include "base/engine_values.h"
#include "graphics/blending.h"
#include "graphics/picture_copy.h"
#include "resources/picture_loader.h"

namespace tolven {
namespace {

// The 16 rows at the top of the panel that let the scene show through more and more.
constexpr int kSoftEdgeRows = 16;
// The quick-button strip: where it sits on the stage, and the same place within the panel.
constexpr int kQuickButtonsX = 760;
constexpr int kQuickButtonsY = 468;
// The item counter only shows while this story variable is not 0.
constexpr int kItemCountVariable = 100;
// The closing fade: the scene's weight grows by 8 of 256 every 10 ms.
constexpr int kCloseWeightStep = 8;
constexpr uint32_t kCloseInterval = 10;
constexpr int kModeTransition = 6;

uint8_t Byte(int value) {
  return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

void FillRows(Bitmap24& picture, int firstRow, int rows, uint8_t blue, uint8_t green, uint8_t red) {
  for (int y = firstRow; y < firstRow + rows; ++y) {
    uint8_t* pixel = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x, pixel += 3) {
      pixel[0] = blue;
      pixel[1] = green;
      pixel[2] = red;
    }
  }
}

}  // namespace

MessageWindow::MessageWindow(Host& host, FrameClock& clock, PaintBox& pb, Stage& stage,
                             ScriptState& state, EngineFlags& flags)
    : host_(host), clock_(clock), pb_(pb), stage_(stage), state_(state), flags_(flags) {}

void MessageWindow::LoadSystemPictures(const Archives& archives) {
  Bitmap24 picture;
  // A picture smaller than the frame sheet would be read past its end.
  if (LoadPicture(archives, "sys_clickw", picture) &&
      picture.Width() >= clickWaitPicture_.Width() &&
      picture.Height() >= clickWaitPicture_.Height()) {
    CopyRect(picture, 0, 0, clickWaitPicture_.Width(), clickWaitPicture_.Height(),
             clickWaitPicture_, 0, 0);
  }
}

// ---- The panel --------------------------------------------------------------------------------

void MessageWindow::BuildTint(const WindowTint& tint) {
  FillRows(tint_, 0, kMessageWindowHeight, Byte(tint.TXBG_B), Byte(tint.TXBG_G), Byte(tint.TXBG_R));
  const int strength = std::clamp(tint.TXBG_A, 0, 255);
  FillRows(tint_, kMessageWindowHeight, kMessageWindowHeight, Byte(strength), Byte(strength),
           Byte(strength));
  for (int i = 0; i < kSoftEdgeRows; ++i) {
    const uint8_t grey = Byte(strength * i / kSoftEdgeRows);
    FillRows(tint_, kMessageWindowHeight + i, 1, grey, grey, grey);
  }
  MarkStale();
}

void MessageWindow::BuildWindowPicture() {
  ScreenBuffers& buffers = stage_.Buffers();
  if (FullScreenText()) {
    CopyRect(buffers.StageBuffer, kQuickButtonsX, kQuickButtonsY, kQuickButtonWidth,
             kQuickButtonHeight, quickButtonBackground_, 0, 0);
    return;
  }
  if (cacheValid_) {
    CopyPicture(windowCache_, windowPicture_);
    DrawQuickButtons(kQuickButtonsInWindowPictures);
    return;
  }
  const size_t rowBytes = windowPicture_.RowBytes();
  for (int r = 0; r < kMessageWindowHeight; ++r) {
    MaskedBlend(buffers.SceneBuffer.Row(kMessageWindowTop + r), tint_.Row(r),
                tint_.Row(kMessageWindowHeight + r), windowPicture_.Row(r), rowBytes);
  }
  CopyRect(windowPicture_, kQuickButtonsX, kQuickButtonsY - kMessageWindowTop, kQuickButtonWidth,
           kQuickButtonHeight, quickButtonBackground_, 0, 0);
  CopyPicture(windowPicture_, windowCache_);
  DrawQuickButtons(kQuickButtonsInWindowPictures);
  cacheValid_ = true;
}

void MessageWindow::OverlayWindow() {
  if (FullScreenText()) {
    DrawQuickButtons(kQuickButtonsOnStage);
  } else if (IsOpen()) {
    CopyRect(windowPicture_, 0, 0, kScreenWidth, kMessageWindowHeight, stage_.Buffers().StageBuffer,
             0, kMessageWindowTop);
    DrawQuickButtons(kQuickButtonsOnStage);
    if (redrawPage) redrawPage();
  }
  if (flags_.EngineState == EngineScreen::Story && state_.V(kItemCountVariable) != 0 &&
      !FullScreenText() && !PresentationHeld() && drawItemCounter) {
    drawItemCounter();
  }
}

// ---- The click-wait icon ----------------------------------------------------------------------

void MessageWindow::BuildClickWaitFrames() {
  const IconPosition at = CurrentIconPosition();
  const Bitmap24& stage = stage_.Buffers().StageBuffer;
  const size_t iconBytes = 3 * kClickWaitIconWidth;
  for (int i = 0; i < kClickWaitFrames; ++i) {
    const size_t column = iconBytes * static_cast<size_t>(i);
    for (int r = 0; r < kClickWaitIconHeight; ++r) {
      MaskedBlend(stage.Row(at.y + r) + 3 * at.x, clickWaitPicture_.Row(r) + column,
                  clickWaitPicture_.Row(kClickWaitIconHeight + r) + column,
                  iconFrames_.Row(r) + column, iconBytes);
    }
  }
}

void MessageWindow::DrawClickWaitIcon() {
  if (PresentationHeld()) return;
  // Two timer ticks per frame: the icon moves every 110 ms.
  const int frame = static_cast<int>(flags_.TimerTicks / 2 % kClickWaitFrames);
  const IconPosition at = CurrentIconPosition();
  CopyRect(iconFrames_, frame * kClickWaitIconWidth, 0, kClickWaitIconWidth, kClickWaitIconHeight,
           pb_.Draw(at.x, at.y, kClickWaitIconWidth, kClickWaitIconHeight), at.x, at.y);
}

// ---- Commands ---------------------------------------------------------------------------------

void MessageWindow::WinOpen() {
  if (IsOpen()) return;
  // The panel reaches PB with the next present, repaint or text output.
  flags_.WindowShown = true;
  OverlayWindow();
}

void MessageWindow::WinClose() {
  if (FullScreenText() || !IsOpen()) return;
  if (resetPageState) resetPageState();
  display_ = WindowDisplay::Closed;
  FadeToScene();
  flags_.WindowShown = false;
  flags_.Busy = false;
  if (markPageEmpty) markPageEmpty();
}

void MessageWindow::FadeToScene() {
  ScreenBuffers& buffers = stage_.Buffers();
  clock_.StartFrameClock();
  if (flags_.SkipState == 0) {
    flags_.Busy = true;
    flags_.EffectRunning = true;
    flags_.InterruptRequest = Interrupt::None;
    int weight = 0;
    do {
      WeightedMix(buffers.SceneBuffer.Data(), buffers.StageBuffer.Data(), weight,
                  buffers.WorkBuffer.Data(), buffers.WorkBuffer.SizeBytes());
      CopyPicture(buffers.WorkBuffer, pb_.Draw());
      host_.Present();
      // A cut-short fade shows the scene at once, below.
      if (flags_.InterruptRequest != Interrupt::None) break;
      weight += kCloseWeightStep * static_cast<int>(clock_.WaitFrames(kCloseInterval));
    } while (weight < 256);
    flags_.Busy = false;
    flags_.EffectRunning = false;
  }
  CopyPicture(buffers.SceneBuffer, pb_.Draw());
  CopyPicture(buffers.SceneBuffer, buffers.StageBuffer);
  host_.Present();
}

void MessageWindow::TwSet(int number) {
  flags_.WindowShown = number != 0;
}

bool MessageWindow::Mode(int number) {
  int32_t& textMode = state_.S(sv::kTextMode);
  if (number == textMode) return false;
  if (clearPage) clearPage();
  stage_.BuildStage();
  if (number == 0) {
    state_.S(sv::kFullTextState) = 0;
    textMode = 0;
    display_ = WindowDisplay::Window;
  } else {
    BuildWindowPicture();
    textMode = 1;
    display_ = WindowDisplay::FullScreenText;
  }
  stage_.RefreshStage(kModeTransition);
  return true;
}

void MessageWindow::ShowNewPage() {
  ScreenBuffers& buffers = stage_.Buffers();
  if (FullScreenText()) {
    display_ = WindowDisplay::FullScreenText;
    Darken(buffers.SceneBuffer, buffers.StageBuffer, DarknessFactor(state_.S(sv::kWindowDarkness)));
    DrawQuickButtons(kQuickButtonsOnStage);
    CopyPicture(buffers.StageBuffer, pb_.Draw());
  } else if (!IsOpen()) {
    flags_.WindowShown = true;
    OverlayWindow();
    CopyPicture(buffers.StageBuffer, pb_.Draw());
    display_ = WindowDisplay::Window;
  } else if (flags_.SkipState < 3) {
    // The panel alone wipes the old page off the stage and the screen.
    CopyRect(windowPicture_, 0, 0, kScreenWidth, kMessageWindowHeight, buffers.StageBuffer, 0,
             kMessageWindowTop);
    CopyRect(windowPicture_, 0, 0, kScreenWidth, kMessageWindowHeight, pb_.Draw(), 0,
             kMessageWindowTop);
    display_ = WindowDisplay::Window;
    DrawQuickButtons(kQuickButtonsOnStageAndScreen);
  }
}

// ---- State ------------------------------------------------------------------------------------

bool MessageWindow::FullScreenText() const {
  return state_.S(sv::kTextMode) != 0;
}

int MessageWindow::Style() const {
  return state_.S(sv::kWindowStyle);
}

const TextArea& MessageWindow::CurrentTextArea() const {
  return FullScreenText() ? kFullScreenTextArea : kWindowTextArea;
}

IconPosition MessageWindow::CurrentIconPosition() const {
  return FullScreenText() ? kFullScreenIconPosition : kWindowIconPosition;
}

void MessageWindow::DrawQuickButtons(int target) {
  if (drawQuickButtons) drawQuickButtons(target);
}

bool MessageWindow::PresentationHeld() const {
  return presentationHeld && presentationHeld();
}

}  // namespace tolven
