#pragma once

// An engine for the window host's tests, with nothing behind its handlers.
#include <cstring>
#include <functional>

#include "engine/engine_view.h"

namespace tolven::testing {

// The engine as the host sees it: a grey game screen, every timer round counted and handed to
// the test, menu clicks counted.
class ProbeEngine : public EngineView {
 public:
  ProbeEngine() : pb(800, 600) {
    Bitmap24& picture = pb.Draw();
    std::memset(picture.Data(), 90, picture.SizeBytes());
  }
  void AppIdle() override {}
  void RunDueTimerTicks() override {
    ++rounds;
    if (onRound) onRound(rounds);
  }
  void PBMouseDown(MouseButton, int, int) override { ++gameInput; }
  void PBMouseMove(int, int) override {}
  void PBMouseUp(MouseButton, int, int) override { ++gameInput; }
  void FormMouseWheel(int) override { ++gameInput; }
  void FormKeyDown(int) override { ++gameInput; }
  void FormKeyUp(int) override { ++gameInput; }
  void FormKeyPress(char) override { ++gameInput; }
  const PaintBox& Screen() const override { return pb; }
  const MenuBar& Menu() const override { return menu; }
  void SpeedButton1Click() override { ++menuClicks; }
  void SpeedButton2Click() override { ++menuClicks; }
  void SpeedButton3Click() override { ++menuClicks; }
  void SpeedButton4Click() override { ++menuClicks; }
  void SpeedButton5Click() override { ++menuClicks; }
  void SpeedButton6Click() override { ++menuClicks; }
  void SpeedButton7Click() override { ++menuClicks; }
  void SpeedButton8Click() override { ++menuClicks; }
  void TrackBar1Change(int) override { ++menuClicks; }
  void ClosePopupMenu() override {}
  void N6Click() override {}
  void N7Click() override {}
  void N1Click() override {}
  void N2Click() override {}
  void PU_Post1Click() override { ++menuClicks; }
  void PU_Post2Click() override { ++menuClicks; }
  void ClosePopupMenu2() override {}
  void Close() override {}
  bool Closed() const override { return false; }

  PaintBox pb;
  MenuBar menu;
  int rounds = 0;
  int gameInput = 0;
  int menuClicks = 0;
  std::function<void(int)> onRound;
};

}  // namespace tolven::testing
