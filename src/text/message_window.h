#pragma once

#include <cstdint>

#include "base/engine_flags.h"
#include "base/hook.h"
#include "base/host.h"
#include "base/script_state.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/paint_box.h"

namespace tolven {

// The panel's look as the player set it: TXBG_R, TXBG_G, TXBG_B and TXBG_A (tint strength).
struct WindowTint {
  int TXBG_R = 0;
  int TXBG_G = 0;
  int TXBG_B = 0;
  int TXBG_A = 90;
};

// What the message window shows; the quick buttons only react while it is not Closed.
enum class WindowDisplay { Closed = 0, Window = 1, FullScreenText = 2 };

// Where the text page sits: a character at byte column c of line l has its glyph cell at
// (originX + columnPitch * c, originY + linePitch * l).
struct TextArea {
  int lines;
  int linePitch;
  int originX;
  int originY;
  int columns;
  int columnPitch;
};
inline constexpr TextArea kWindowTextArea{4, 40, 8, 438, 54, 14};
inline constexpr TextArea kFullScreenTextArea{16, 38, 20, 32, 54, 14};

struct IconPosition {
  int x;
  int y;
};
inline constexpr IconPosition kWindowIconPosition{720, 560};
inline constexpr IconPosition kFullScreenIconPosition{740, 575};

inline constexpr int kMessageWindowTop = 420;
inline constexpr int kMessageWindowHeight = 180;
inline constexpr int kClickWaitFrames = 15;
inline constexpr int kClickWaitIconWidth = 24;
inline constexpr int kClickWaitIconHeight = 25;
inline constexpr int kQuickButtonWidth = 24;
inline constexpr int kQuickButtonHeight = 110;
// Where DrawQuickButtons puts the strip.
inline constexpr int kQuickButtonsOnStage = 0;
inline constexpr int kQuickButtonsOnStageAndScreen = 1;
inline constexpr int kQuickButtonsInWindowPictures = 2;

// The translucent panel of window mode, its cache, opening and closing it, the switch to
// full-screen text and the animated click-wait icon. The window-open flag is the engine's
// WindowShown and the text mode is S150, so saving, dumping and the stage all read one place.
class MessageWindow {
 public:
  MessageWindow(Host& host, FrameClock& clock, PaintBox& pb, Stage& stage, ScriptState& state,
                EngineFlags& flags);

  // Loads "sys_clickw"; when it is missing or too small the icon stays blank.
  void LoadSystemPictures(const Archives& archives);

  // Paints the tint buffer from the settings and marks the cached panel stale.
  void BuildTint(const WindowTint& tint);
  // The scene under the panel changed (gra, grb, clrb, tati) or the settings did.
  void MarkStale() { cacheValid_ = false; }
  bool CacheValid() const { return cacheValid_; }

  // The composition steps of the stage: prepare the panel, then put it on StageBuffer.
  void BuildWindowPicture();
  void OverlayWindow();

  // The click-wait icon: the frames blended over the stage, and the timer's drawing of one.
  void BuildClickWaitFrames();
  void DrawClickWaitIcon();

  // The display side of the script commands.
  void WinOpen();
  // Does nothing in full-screen text mode or with the window closed.
  void WinClose();
  void TwSet(int number);
  // False when `number` is the current text mode and nothing changed.
  bool Mode(int number);
  // The display side of a new page, after the page itself was cleared.
  void ShowNewPage();

  bool IsOpen() const { return flags_.WindowShown; }
  bool FullScreenText() const;
  WindowDisplay DisplayState() const { return display_; }
  // A new page sets it too.
  void SetDisplayState(WindowDisplay display) { display_ = display; }
  // S051, the style number the settings chose (TXWStyle).
  int Style() const;
  const TextArea& CurrentTextArea() const;
  IconPosition CurrentIconPosition() const;

  const Bitmap24& TintBuffer() const { return tint_; }
  Bitmap24& WindowPicture() { return windowPicture_; }
  Bitmap24& WindowCache() { return windowCache_; }
  // What lies under the quick buttons, kept so their drawing can start from it.
  Bitmap24& QuickButtonBackground() { return quickButtonBackground_; }
  const Bitmap24& ClickWaitPicture() const { return clickWaitPicture_; }
  const Bitmap24& IconFrames() const { return iconFrames_; }

  // Calls into the engine around it, connected by the hub.
  HookSet hooks;
  // Other subsystems' steps; an unset hook is skipped.
  Hook<void(int target)> drawQuickButtons{hooks, "drawQuickButtons"};
  Hook<void()> redrawPage{hooks, "redrawPage"};          // the text page onto StageBuffer
  Hook<void()> clearPage{hooks, "clearPage"};            // `mode` starts from an empty page
  Hook<void()> resetPageState{hooks, "resetPageState"};  // colour 0, size flag and line counters 0
  Hook<void()> markPageEmpty{hooks, "markPageEmpty"};
  Hook<bool()> presentationHeld{hooks, "presentationHeld"};  // message output keeps PB to itself
  Hook<void()> drawItemCounter{hooks, "drawItemCounter"};

 private:
  void DrawQuickButtons(int target);
  bool PresentationHeld() const;
  void FadeToScene();

  Host& host_;
  FrameClock& clock_;
  PaintBox& pb_;
  Stage& stage_;
  ScriptState& state_;
  EngineFlags& flags_;

  WindowDisplay display_ = WindowDisplay::Closed;
  Bitmap24 tint_{kScreenWidth, 2 * kMessageWindowHeight};  // colour rows, then strength rows
  Bitmap24 windowPicture_{kScreenWidth, kMessageWindowHeight};
  Bitmap24 windowCache_{kScreenWidth, kMessageWindowHeight};
  bool cacheValid_ = false;
  Bitmap24 quickButtonBackground_{kQuickButtonWidth, kQuickButtonHeight};
  Bitmap24 clickWaitPicture_{kClickWaitFrames * kClickWaitIconWidth, 2 * kClickWaitIconHeight};
  Bitmap24 iconFrames_{kClickWaitFrames * kClickWaitIconWidth, kClickWaitIconHeight};
};

}  // namespace tolven
