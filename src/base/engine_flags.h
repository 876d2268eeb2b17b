#pragma once

#include <cstdint>

#include "base/engine_values.h"

namespace tolven {

// The mode and wait variables that the frame loop, the input handlers and the script commands
// share. Everything starts at 0 or off except CharDelay and ReadFlag.
struct EngineFlags {
  EngineScreen EngineState = EngineScreen::Story;  // the screen that owns input
  bool Busy = false;           // a modal dialog runs or modes are switching: input and script held
  bool EffectRunning = false;  // a blocking transition, animation or scroll is running
  Interrupt InterruptRequest = Interrupt::None;  // left for a running effect by input
  bool QuitRequested = false;  // the window closes on the next idle tick without asking
  bool TitlePending = false;   // the first idle tick starts the title script
  bool MenuLocked = false;     // menu bar locked while a screen of its own shows
  bool BacklogOpen = false;    // the text log is open
  int SystemMenuOpen = 0;      // id of a confirmation prompt drawn on the stage, 0 none

  ChoiceKind ChoiceMode = ChoiceKind::None;    // the kind of choice on screen
  PageWaitKind PageWait = PageWaitKind::None;  // the pending page or line wait
  int WaitTicks = 0;                           // timer ticks left of a timed wait
  bool VoiceWait = false;                      // waiting for the voice to end
  int SleepCounter = 0;      // sleep: idle ticks left, below 0 until a click, 0 none
  int ClickGuard = 0;        // idle ticks since the last story click, counted down
  int SkipState = 0;         // 0 off, 1-3 skipping
  bool ClickSkip = false;    // the rest of the current text is printed at once
  int CharDelay = 1;         // per-character pause of text output
  uint32_t TimerTicks = 0;   // 55 ms timer ticks since start
  bool WindowShown = false;  // the message window counts as shown (tw_set)
  // The current passage was read before. Only `mark` finds text unread, so a game without
  // read marks can always be skipped.
  bool ReadFlag = true;
  bool ReplayActive = false;  // a scene replay runs
};

}  // namespace tolven
