#pragma once

#include <cstdint>

namespace tolven {

// The schedule of the 55 ms timer, the same for every host: hosts give the time, this decides
// how many ticks fall due. After a stall (a message box, a suspended process, a slow disk) at
// most kMaxCatchUp lost ticks are made up and the schedule starts again from now, as a window
// system's timer never makes up for every lost tick: waits counted in ticks would otherwise
// all run out at once after the stall.
class TimerSchedule {
 public:
  static constexpr uint32_t kIntervalMs = 55;
  static constexpr uint32_t kMaxCatchUp = 4;

  void Start(uint32_t now) { next_ = now + kIntervalMs; }
  // The ticks due at `now`; the schedule moves past them.
  uint32_t TakeDue(uint32_t now) {
    const int32_t late = static_cast<int32_t>(now - next_);
    if (late < 0) return 0;
    const uint32_t due = static_cast<uint32_t>(late) / kIntervalMs + 1;
    if (due > kMaxCatchUp) {
      next_ = now + kIntervalMs;
      return kMaxCatchUp;
    }
    next_ += due * kIntervalMs;
    return due;
  }

 private:
  uint32_t next_ = kIntervalMs;
};

}  // namespace tolven
