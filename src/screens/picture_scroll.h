#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/engine_flags.h"
#include "base/host.h"
#include "graphics/stage.h"
#include "resources/bitmap24.h"
#include "resources/paint_box.h"
#include "screens/screen.h"
#include "script/interpreter_host.h"

namespace tolven {

// Positions that follow the clock rather than the frames: position n is due n units after the
// start, so a frame that comes late skips the positions it missed and the sequence keeps its
// length on a slow machine. The wait processes the window's messages before every position,
// and every 30 ms while a long unit passes, so a click or a close request reaches the sequence
// however slowly it is set to move.
class ElapsedPositions {
 public:
  // unit: milliseconds per position, at least 1.
  ElapsedPositions(Host& host, uint32_t unit);

  // Waits until the position after `current` is due and returns the position due by then
  // (more than one further after a stall); nothing once `stop` asks to stop, checked after
  // every round of messages.
  std::optional<int64_t> Next(int64_t current, const std::function<bool()>& stop);

 private:
  uint64_t Elapsed();

  Host& host_;
  uint32_t unit_;
  uint32_t last_;
  uint64_t elapsed_ = 0;  // summed in 64 bits: a scroll set to crawl outlasts the tick counter
};

// The menu bar locked while a sequence owns the screen, and unlocked again on every way out.
class MenuBarLock {
 public:
  MenuBarLock(EngineFlags& flags, InterpreterHost& engine);
  ~MenuBarLock();
  MenuBarLock(const MenuBarLock&) = delete;
  MenuBarLock& operator=(const MenuBarLock&) = delete;

 private:
  EngineFlags& flags_;
  InterpreterHost& engine_;
};

// What `scroll` is asked for: "picture,direction,step,transition".
struct ScrollRequest {
  std::string picture;
  int direction = 0;   // 0 upwards from the bottom, 1 rightwards, 2 downwards, 3 leftwards
  int step = 0;        // milliseconds per pixel of travel
  int transition = 0;  // how the first view comes onto the screen
};

// `scroll` (state 7): a picture larger than the screen panned across it, one pixel for every
// `step` milliseconds, inside the command. A click or a close request ends it early on the view
// it would have reached at its end; a close request then asks whether to quit, as a close
// during any effect does once the effect is over.
//
// A picture no larger than the screen along the direction of travel has nothing to travel: its
// view stays at the picture's top-left corner and the command ends once it is shown. Whatever
// part of the screen a small picture does not cover is black. A step of 0 or less moves as fast
// as the clock counts, one pixel a millisecond, rather than without end or not at all.
class PictureScroll final : public Screen {
 public:
  PictureScroll(Host& host, PaintBox& pb, Stage& stage, EngineFlags& flags,
                InterpreterHost& engine);

  // argument: the command line after "scroll ".
  void Scroll(std::string_view argument);

  static ScrollRequest Parse(std::string_view argument);
  // How far the view travels, in pixels: never below 0.
  static int64_t Distance(const Bitmap24& picture, int direction);
  // The 800x600 part of the picture at position t of the travel (0 to the distance) into
  // `view`, which has the screen's size; what the picture does not cover is black.
  static void DrawView(const Bitmap24& picture, int direction, int64_t distance, int64_t t,
                       Bitmap24& view);

  // Input only leaves an interrupt request while the scroll runs.
  void Press(MouseButton, int, int) override {}
  bool WaitsForInput() const override { return false; }

 private:
  // The travel after the first view; returns whether a close request ended it.
  bool Travel(const Bitmap24& picture, int direction, int64_t distance, int step);

  Host& host_;
  PaintBox& pb_;
  Stage& stage_;
  EngineFlags& flags_;
  InterpreterHost& engine_;
};

}  // namespace tolven
