#include "graphics/frame_clock.h"

namespace tolven {

uint32_t FrameClock::WaitFrames(uint32_t interval) {
  host_.ProcessMessages();
  if (interval == 0) return 1;
  const uint32_t elapsed = host_.Ticks() - clock_;
  if (elapsed < interval) {
    host_.Sleep(interval - elapsed);
    clock_ += interval;
    return 1;
  }
  const uint32_t intervals = elapsed / interval + 1;
  host_.Sleep(intervals * interval - elapsed);
  clock_ += intervals * interval;
  return intervals;
}

void FrameClock::WaitUntil(uint32_t tick) {
  const int32_t left = static_cast<int32_t>(tick - host_.Ticks());
  if (left > 0) host_.Sleep(static_cast<uint32_t>(left));
  host_.ProcessMessages();
}

}  // namespace tolven
