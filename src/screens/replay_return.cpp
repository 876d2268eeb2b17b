#include "screens/replay_return.h"

namespace tolven {

void ReplayReturn::StartReplay(ReplayOrigin origin) {
  origin_ = origin;
  InterpreterState& script = interpreter_.State();
  point_.script = script.CurrentScript;
  point_.readPos = script.ReadPos;
  point_.callDepth = script.calls.CallDepth;
  point_.callNames = script.calls.CallNames;
  point_.callPositions = script.calls.CallPositions;
  flags_.ReplayActive = true;
  script.calls.CallDepth = 0;
}

void ReplayReturn::EndReplay() {
  flags_.ReplayActive = false;
  host_.ResetWaits();
  InterpreterState& script = interpreter_.State();
  interpreter_.LoadScript(point_.script, kScriptMode);
  script.CurrentScript = point_.script;
  script.ReadPos = point_.readPos;
  script.NeedLine = true;
  script.calls.CallDepth = point_.callDepth;
  script.calls.CallNames = point_.callNames;
  script.calls.CallPositions = point_.callPositions;
}

}  // namespace tolven
