#include "graphics/frame_clock.h"

#include <gtest/gtest.h>

namespace tolven {
namespace {

// A virtual clock whose frames can be made to run slow: each message processing costs `cost`.
class SlowHost : public Host {
 public:
  uint32_t Ticks() override { return now; }
  void Sleep(uint32_t milliseconds) override { now += milliseconds; }
  uint32_t ClockSeed() override { return 1; }
  void ProcessMessages() override {
    now += cost;
    ++pumps;
  }
  MessageResult ShowMessage(std::string_view, std::string_view, MessageButtons,
                            MessageIcon) override {
    return MessageResult::Ok;
  }
  int ScreenWidth() const override { return 1920; }

  uint32_t now = 1000;
  uint32_t cost = 0;
  int pumps = 0;
};

TEST(FrameClockTest, IntervalsKeepTheDurationBySkippingFramesWhenLate) {
  const struct {
    uint32_t cost;
    std::vector<uint32_t> passed;  // what each WaitFrames(20) returns
  } cases[] = {
      {0, {1, 1, 1, 1}},
      {19, {1, 1, 1, 1}},
      // A frame that takes a whole interval still waits to the end of the next one.
      {20, {2, 2, 2, 2}},
      {45, {3, 3, 3, 3}},
  };
  for (const auto& c : cases) {
    SlowHost host;
    host.cost = c.cost;
    FrameClock clock(host);
    clock.StartFrameClock();
    const uint32_t start = host.now;
    uint32_t total = 0;
    for (uint32_t expected : c.passed) {
      const uint32_t passed = clock.WaitFrames(20);
      EXPECT_EQ(passed, expected) << "cost " << c.cost;
      total += passed;
      EXPECT_EQ(host.now - start, 20 * total) << "every wait ends on an interval boundary";
    }
    EXPECT_EQ(host.pumps, static_cast<int>(c.passed.size())) << "messages before every wait";
  }
}

TEST(FrameClockTest, WaitUntilSleepsOnlyToAFutureTickThenProcessesMessages) {
  SlowHost host;
  FrameClock clock(host);
  clock.WaitUntil(1015);
  EXPECT_EQ(host.now, 1015u);
  clock.WaitUntil(1000);
  EXPECT_EQ(host.now, 1015u) << "a deadline already past does not wait";
  EXPECT_EQ(host.pumps, 2);
}

}  // namespace
}  // namespace tolven
