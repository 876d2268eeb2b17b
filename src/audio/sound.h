#pragma once

#include <string_view>
#include "base/trace.h"

namespace tolven {

// The sound device and its slots. There is no sound output yet: the engine runs as on a machine
// without a sound device, so nothing can be playing and every request is dropped.
class Sound {
 public:
  explicit Sound(Trace& trace) : trace_(trace) {}

  bool SoundDevicePresent() const { return false; }
  void StopVoice() {}
  // The system sounds ("SSE05" and the rest) of the menu bar and the screens.
  void PlaySoundByName(std::string_view) { trace_.NotBuiltYet("PlaySoundByName"); }

 private:
  Trace& trace_;
};

}  // namespace tolven
