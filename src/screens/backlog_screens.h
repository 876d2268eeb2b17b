#pragma once

#include "screens/screen.h"
#include "text/backlog.h"

namespace tolven {

// The picture shown without the message window (state 1): any press brings the window back.
class HiddenWindowScreen final : public Screen {
 public:
  explicit HiddenWindowScreen(Backlog& backlog) : backlog_(backlog) {}
  void Press(MouseButton, int, int) override { backlog_.RestorePicture(); }
  bool WaitsForInput() const override { return true; }

 private:
  Backlog& backlog_;
};

// The earlier pages shown again (state 9): the left button and Right step toward newer pages
// and leave after the newest, Left steps back, any other button leaves.
class PageLookBackScreen final : public Screen {
 public:
  explicit PageLookBackScreen(Backlog& backlog) : backlog_(backlog) {}
  void Press(MouseButton button, int, int) override {
    if (button == MouseButton::Left) {
      backlog_.StepHistory(-1);
    } else {
      backlog_.CloseHistory();
    }
  }
  void KeyDown(int key) override {
    if (key == kKeyLeft || key == kKeyRight) backlog_.StepHistory(key == kKeyLeft ? 1 : -1);
  }
  bool WaitsForInput() const override { return true; }

 private:
  Backlog& backlog_;
};

}  // namespace tolven
