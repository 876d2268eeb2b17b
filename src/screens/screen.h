#pragma once

#include <nlohmann/json_fwd.hpp>

#include "base/input.h"

namespace tolven {

// A full-screen mode: while the engine state it is registered for holds, the frame loop steps
// it and input goes to it. Its entry points are the same whatever the mode, so the engine routes
// by looking the state up rather than by knowing each mode.
class Screen {
 public:
  virtual ~Screen() = default;
  // One step of the frame loop, which paces the steps to at least 30 ms.
  virtual void FrameStep() {}
  virtual void PointerMove(int /*x*/, int /*y*/) {}
  virtual void Press(MouseButton button, int x, int y) = 0;
  virtual void KeyDown(int /*key*/) {}
  // Whether the screen acts on this key itself: Enter and Escape then come to KeyDown in place
  // of the click and right click at the pointer they otherwise stand for.
  virtual bool TakesKey(int /*key*/) const { return false; }
  // The screen waits for the player: event files wait for this with `until input`.
  virtual bool WaitsForInput() const = 0;
  // What the state dump shows of the screen, under "screen".
  virtual void AddToDump(nlohmann::ordered_json& /*screen*/) const {}
};

}  // namespace tolven
