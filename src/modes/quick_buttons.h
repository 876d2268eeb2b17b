#pragma once

#include <array>

#include "base/engine_flags.h"
#include "base/hook.h"
#include "base/script_state.h"
#include "base/settings.h"
#include "graphics/screen_buffers.h"
#include "resources/archives.h"
#include "resources/bitmap24.h"
#include "resources/paint_box.h"
#include "text/message_window.h"

namespace tolven {

// An entry's area relative to the strip's top-left corner, half-open; x1 below 0: no area.
struct QuickButtonArea {
  int x1;
  int y1;
  int x2;
  int y2;
  bool HasArea() const { return x1 >= 0; }
  bool Contains(int x, int y) const { return x >= x1 && x < x2 && y >= y1 && y < y2; }
};

inline constexpr int kQuickButtonEntries = 7;
// The areas of entries 1-7, in the order the hit test tries them.
inline constexpr std::array<QuickButtonArea, kQuickButtonEntries> kQuickButtonAreas = {{
    {0, 76, 24, 104},      // 1 skip
    {0, 35, 24, 70},       // 2 auto-advance, before the log so it wins where they overlap
    {-99, -99, -99, -99},  // 3
    {-99, -99, -99, -99},  // 4
    {-99, -99, -99, -99},  // 5
    {0, 0, 24, 47},        // 6 the log
    {-99, -99, -99, -99},  // 7
}};

// Values of the hovered entry besides the entry numbers 1-7.
inline constexpr int kNoQuickButton = 0;
inline constexpr int kSkipQuickButton = 1;
inline constexpr int kAutoQuickButton = 2;
inline constexpr int kLogQuickButton = 6;
inline constexpr int kQuickButtonDeadZone = 8;

// A button's state in S060-S066.
inline constexpr int kButtonNormal = 0;
inline constexpr int kButtonOn = 1;
inline constexpr int kButtonUnderPointer = 2;

// The strip of quick buttons at the right edge of the message window (skip, auto-advance, the
// log), the auto-advance gauge it turns into, and the switches and stop rule of skipping and
// auto-advance. Button states live in the S values, so saving and the state dump see them.
// Three settings steer it: skipping from the strip runs at skip state SkipMode + 1; with Seen
// the skip button does not react to text never read; with BreakonSelect choices and screens
// stop skipping and auto-advance.
class QuickButtons {
 public:
  QuickButtons(MessageWindow& window, ScreenBuffers& buffers, PaintBox& pb, ScriptState& state,
               EngineFlags& flags, const Settings& settings);

  // Loads "sys_qbtn"; when it is missing or too small for the columns the strip is never drawn.
  void LoadSystemPictures(const Archives& archives);

  // Target 0 the stage, 1 the stage and the screen, 2 the message-window pictures.
  void DrawQuickButtons(int target);
  // A pointer move, and a left click's position before ClickQuickButton.
  void HoverQuickButtons(int x, int y);
  // Acts on the hovered entry; whether the click was used by the strip.
  bool ClickQuickButton();
  // A click in the story state while the message window is shown, before anything else sees
  // it: in the gauge it sets the auto speed; with no choice shown and skipping or auto-advance
  // on, it only stops them. Whether the click was used.
  bool GaugeOrStopClick(int x, int y);
  // With force off only when BreakonSelect is on.
  void StopSkipAndAuto(bool force);

  int HoveredEntry() const { return hovered_; }
  bool HasPicture() const { return !sheet_.Empty(); }
  // The strip as last composed, before it was put anywhere.
  const Bitmap24& Strip() const { return strip_; }

  // Calls into the engine around it, connected by the hub.
  HookSet hooks;
  // What the engine supplies; an unset hook is skipped, and an unset currentTextRead counts the
  // text as read.
  Hook<void(bool blue)> setAutoCaption{hooks,
                                       "setAutoCaption"};  // the menu bar's "自動送り" caption
  Hook<void()> hideAutoSpeedSlider{hooks, "hideAutoSpeedSlider"};  // TrackBar1
  Hook<void()> openBacklog{hooks, "openBacklog"};
  Hook<bool()> currentTextRead{hooks, "currentTextRead"};  // the text now shown was read before
  Hook<bool()> sceneReplayRunning{hooks, "sceneReplayRunning"};  // a scene replay runs
  Hook<void()> rebuildStage{hooks, "rebuildStage"};  // BuildStage and show it, after skip state 3
  Hook<bool()> presentationHeld{hooks,
                                "presentationHeld"};  // message output keeps the screen to itself

 private:
  int EntryAt(int x, int y) const;
  bool StripReacts() const;
  bool WindowShown() const;
  bool ClicksLocked() const;
  bool AutoAdvanceOn() const;
  int32_t& ButtonState(int entry) { return state_.S(sv::kQuickBarStates + entry - 1); }
  bool AnyButtonState() const;
  void ClearHighlights();
  void ToggleSkip();
  void ToggleAuto();
  void ShowLogFromStrip();
  bool GaugeClick(int x, int y);
  void ComposeGauge(int speed);
  void ComposeButtons();
  void PutStrip(int target);
  void SetAutoCaption(bool blue);

  MessageWindow& window_;
  ScreenBuffers& buffers_;
  PaintBox& pb_;
  ScriptState& state_;
  EngineFlags& flags_;
  const Settings& settings_;

  Bitmap24 sheet_;  // sys_qbtn
  Bitmap24 buttons_{kQuickButtonWidth, kQuickButtonHeight};
  Bitmap24 strip_{kQuickButtonWidth, kQuickButtonHeight};
  int hovered_ = kNoQuickButton;
};

}  // namespace tolven
