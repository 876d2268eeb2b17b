#pragma once

#include <cstdint>

#include "base/engine_flags.h"
#include "base/hook.h"
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
  // Fills WorkBuffer block by block (blocks from the top-left corner, the last ones cut at the
  // edges) with the colour of each block's top-left pixel in `source`, then puts WorkBuffer on
  // PB.
  void Mosaic(const Bitmap24& source, int blockSize);

  // Calls into the engine around it, connected by the hub.
  HookSet hooks;
  // Message output sets its text font again when a transition ends.
  Hook<void()> onTransitionEnd{hooks, "onTransitionEnd"};

 private:
  // How a transition ended: run through, or cut short by an interrupt request (the caller then
  // shows the new picture whole).
  enum class Outcome { Finished, CutShort };
  struct Kind {
    Outcome (Transitions::*run)();
    bool cutSetsFlag;  // a cut-short run sets S019
  };
  static const Kind kKinds[25];

  bool Interrupted() const { return flags_.InterruptRequest != Interrupt::None; }
  // Ends a frame paced by a deadline taken at its start: shows PB, waits for the deadline
  // (processing messages) and tells whether the player asked to stop.
  bool EndFrameByDeadline(uint32_t deadline);
  // Ends a frame paced by intervals: shows PB and returns how many intervals passed.
  uint32_t EndFrameByInterval(uint32_t interval);
  void ShowWhole(const Bitmap24& picture);
  Outcome FadeFor(int step, uint32_t interval);
  // One step of an accumulating mask transition drawn on the shape layer; false once the step
  // lies past the end.
  using MaskStep = bool (*)(Bitmap24& shape, int step);
  Outcome AccumulatedMask(MaskStep drawStep);
  Outcome SquareWave(int grid, int rows, int frames, int halfSizeOffset);

  // The transitions by number.
  Outcome Cut();                // 0
  Outcome VerticalBlinds();     // 1
  Outcome HorizontalBlinds();   // 2
  Outcome SoftColumnWipe();     // 3
  Outcome GrowingDisc();        // 4
  Outcome TileDissolve();       // 5
  Outcome CrossFade();          // 6
  Outcome InterlacedRows();     // 7
  Outcome InterlacedColumns();  // 8
  Outcome MediumFade();         // 9
  Outcome CoarseSquareWave();   // 10
  Outcome FineSquareWave();     // 11
  Outcome GradientWipe();       // 12
  Outcome SlowFade();           // 13
  Outcome RandomHalfRows();     // 14
  Outcome MorphBand();          // 15
  Outcome DiagonalSlats();      // 16
  Outcome InterlacedMorph();    // 17
  Outcome SplitSlide();         // 18
  Outcome Push();               // 19
  Outcome MosaicOutIn();        // 20
  Outcome SoftCircle();         // 21
  Outcome SoftStar();           // 22
  Outcome DoubleSweep();        // 23
  Outcome FlaringStar();        // 24

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
