#pragma once

#include <cstdint>

#include "base/engine_flags.h"
#include "base/host.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "graphics/frame_clock.h"
#include "graphics/screen_buffers.h"
#include "resources/paint_box.h"

namespace tolven {

// The 25 screen transitions that move the game screen from PreviousBuffer (what was shown) to
// StageBuffer (the new picture) on PB, the fades, and the iris and shake effects. Every frame
// is drawn into PB through PaintBox::Draw and shown with Host::Present; waiting between frames
// processes window messages, so a click (InterruptRequest 1) or a close request (2) cuts a
// transition short.
class Transitions {
 public:
  Transitions(Host& host, FrameClock& clock, PaintBox& pb, ScreenBuffers& buffers,
              ScriptState& state, EngineFlags& flags, RandomGenerator& random);

  // The "fast" picture setting (GMode): every transition becomes 0.
  void SetFastPictures(bool fast) { fastPictures_ = fast; }

  // Transition `number` (below 0 counts as 0; above 24 draws nothing). Sets EffectRunning and
  // clears InterruptRequest at the start; at the end clears Busy and EffectRunning.
  void RunTransition(int number);
  // The cross-fade of transitions 9 and 13: weight grows by `step` per `interval` ms.
  void Fade(int step, uint32_t interval);
  // Fade presets by type: 1 (24, 40), 3 (5, 50), 4 (2, 50), any other (12, 40).
  void FadeByType(int type);
  // Closes the screen to black from the edges inward; the caller then shows the black
  // background ("S000,0") and clears Busy.
  void Iris();
  // Moves the window (or, where it cannot move, the picture inside it) around its place with a
  // shrinking amplitude; mode 0 up and down, 1 left and right, 2 random directions.
  void Shake(int mode, int amplitude, uint32_t interval);

 private:
  Host& host_;
  FrameClock& clock_;
  PaintBox& pb_;
  ScreenBuffers& buffers_;
  ScriptState& state_;
  EngineFlags& flags_;
  RandomGenerator& random_;
  bool fastPictures_ = false;
};

}  // namespace tolven
