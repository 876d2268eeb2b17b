#pragma once

#include <cstdint>

#include "base/host.h"

namespace tolven {

// The pacing every animated effect uses, on the host's clock. Waiting processes window
// messages, so clicks and close requests reach a running effect and the timer keeps ticking.
class FrameClock {
 public:
  explicit FrameClock(Host& host) : host_(host) {}

  uint32_t Now() { return host_.Ticks(); }
  void StartFrameClock() { clock_ = host_.Ticks(); }
  // Sleeps to the end of the current interval and returns how many intervals passed since the
  // last call (at least 1): an effect advances by that many steps, so a slow machine skips
  // frames but keeps the duration.
  uint32_t WaitFrames(uint32_t interval);
  // Sleeps until the tick count reaches `tick`, then processes messages.
  void WaitUntil(uint32_t tick);

 private:
  Host& host_;
  uint32_t clock_ = 0;
};

}  // namespace tolven
