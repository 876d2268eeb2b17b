#pragma once

#include "base/input.h"
#include "base/trace.h"

namespace tolven {

// The text log, the page look-back and the picture view (the message window hidden). The
// entry points are in place for the input routing; their screens are not built yet, and each
// says so in the developer trace.
class Backlog {
 public:
  explicit Backlog(Trace& trace) : trace_(trace) {}

  void OpenLog() { trace_.NotBuiltYet("OpenLog"); }
  void CloseLog() { trace_.NotBuiltYet("CloseLog"); }
  void LogMouseMove(int, int) { trace_.NotBuiltYet("LogMouseMove"); }
  void LogMouseDown(MouseButton, int, int) { trace_.NotBuiltYet("LogMouseDown"); }
  void LogWheel(int) { trace_.NotBuiltYet("LogWheel"); }
  void OpenHistory() { trace_.NotBuiltYet("OpenHistory"); }
  // +1 toward older pages, -1 toward newer ones.
  void StepHistory(int direction) {
    trace_.NotBuiltYet(direction > 0 ? "StepHistory older" : "StepHistory newer");
  }
  void CloseHistory() { trace_.NotBuiltYet("CloseHistory"); }
  void HidePicture() { trace_.NotBuiltYet("HidePicture"); }
  void RestorePicture() { trace_.NotBuiltYet("RestorePicture"); }

 private:
  Trace& trace_;
};

}  // namespace tolven
