// The fades, the iris, the shake and the mosaic picture.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "graphics/transitions.h"
#include "transition_rig.h"

namespace tolven {
namespace {

using testing::Grey;
using testing::Noise;
using testing::PixelAt;
using testing::TransitionRig;
using testing::Uniform;

TEST(FadeTest, PresetsGrowTheWeightBySteps) {
  const struct {
    int type;
    uint32_t endMs;
    size_t frames;  // mixed frames, then the new picture
  } cases[] = {
      {1, 440, 12},    // (24, 40): weight 0-240, 11 frames
      {3, 2600, 53},   // (5, 50): 0-255, 52 frames
      {4, 6450, 130},  // (2, 50): 0-256, 129 frames
      {5, 880, 23},    // (12, 40): 0-252, 22 frames
      {0, 880, 23},
  };
  auto rig = std::make_unique<TransitionRig>();
  for (const auto& c : cases) {
    rig->Prepare(Noise(1), Noise(2));
    rig->transitions.FadeByType(c.type);
    EXPECT_EQ(rig->host.Elapsed(), c.endMs) << c.type;
    EXPECT_EQ(rig->host.frames.size(), c.frames) << c.type;
    EXPECT_TRUE(rig->pb.Picture() == rig->buffers.StageBuffer);
    EXPECT_FALSE(rig->flags.Busy);
    EXPECT_FALSE(rig->flags.EffectRunning);
  }
}

TEST(FadeTest, FramesMixTheNewPictureByTheGrownWeight) {
  auto rig = std::make_unique<TransitionRig>();
  rig->Prepare(Uniform(10), Uniform(250));
  rig->host.keepAt = {0, 40, 400};
  rig->transitions.Fade(24, 40);
  // (250 a + 10 (256 - a)) >> 8 at a = 0, 24, 240.
  const std::pair<uint32_t, uint8_t> expected[] = {{0, 10}, {40, 32}, {400, 235}};
  for (const auto& [time, value] : expected) {
    EXPECT_EQ(PixelAt(rig->host.kept.at(time), 5, 5), Grey(value)) << time;
  }
}

TEST(FadeTest, AClickStopsItOnTheNewPictureWithoutMarkingS019) {
  auto rig = std::make_unique<TransitionRig>();
  rig->Prepare(Noise(3), Noise(4));
  rig->host.clickAt = 100;  // seen at the message round of 120, before the wait to 160
  rig->transitions.Fade(12, 40);
  EXPECT_EQ(rig->host.Elapsed(), 160u);
  EXPECT_EQ(rig->host.frames.size(), 5u);
  EXPECT_TRUE(rig->pb.Picture() == rig->buffers.StageBuffer);
  EXPECT_EQ(rig->state.S(sv::kTransitionCut), 0);
  EXPECT_FALSE(rig->flags.EffectRunning);
}

// Every shown iris frame is black outside the circle of its radius and untouched inside.
TEST(IrisTest, ClosesBlackOutsideAShrinkingCircle) {
  auto rig = std::make_unique<TransitionRig>();
  const Bitmap24 shown = Uniform(200);
  rig->Prepare(shown, shown);
  int frame = 0;
  int faults = 0;
  rig->host.onPresent = [&](const Bitmap24& pb) {
    const double radius = 500 - 4 * frame++;
    // The full picture on some frames, a cross through the centre on the others.
    const bool whole = frame % 9 == 1 || radius < 10;
    for (int y = 0; y < kScreenHeight; ++y) {
      for (int x = 0; x < kScreenWidth; ++x) {
        if (!whole && x != 400 && y != 300 && x != y) continue;
        const double distance = std::hypot(x + 0.5 - 400, y + 0.5 - 300);
        const auto pixel = PixelAt(pb, x, y);
        if (distance > radius + 0.01 && pixel != Grey(0)) ++faults;
        if (distance < radius - 0.01 && pixel != Grey(200)) ++faults;
      }
    }
  };
  rig->transitions.Iris();
  EXPECT_EQ(faults, 0);
  EXPECT_EQ(frame, 125) << "radius 500, 496, ... 4";
  EXPECT_EQ(rig->host.Elapsed(), 2500u);
  EXPECT_TRUE(rig->flags.Busy) << "the caller shows the black screen, then clears it";
}

TEST(IrisTest, AClickStopsItAndSkippingDrawsNothing) {
  auto rig = std::make_unique<TransitionRig>();
  rig->Prepare(Uniform(200), Uniform(200));
  rig->host.clickAt = 100;
  rig->transitions.Iris();
  EXPECT_EQ(rig->host.frames.size(), 6u) << "message rounds at 0, 20, ... 100";

  const Bitmap24 shown = Noise(5);
  rig->Prepare(shown, shown);
  rig->flags.SkipState = 2;
  rig->flags.Busy = false;
  rig->transitions.Iris();
  EXPECT_TRUE(rig->host.frames.empty());
  EXPECT_EQ(rig->host.Elapsed(), 0u);
  EXPECT_TRUE(rig->pb.Picture() == shown);
  EXPECT_FALSE(rig->flags.Busy);
}

TEST(ShakeTest, UpDownAndSidewaysSwingByTheSecondBitOfTheAmplitude) {
  const struct {
    int mode;
    uint32_t cost;
    std::vector<int> swings;  // window offsets along the mode's axis
  } cases[] = {
      {0, 0, {-20, 18, -16, 14, -12, 10, -8, 6, -4, 2}},
      {1, 0, {-20, 18, -16, 14, -12, 10, -8, 6, -4, 2}},
      // A slow machine skips amplitudes: two 50 ms intervals pass every round.
      {0, 60, {-20, -16, -12, -8, -4}},
      {7, 0, {}},
  };
  for (const auto& c : cases) {
    auto rig = std::make_unique<TransitionRig>();
    rig->host.cost = c.cost;
    rig->transitions.Shake(c.mode, 20, 50);
    const auto& moves = rig->host.moves;
    ASSERT_EQ(moves.size(), c.swings.size() + 1) << "mode " << c.mode;
    for (size_t i = 0; i < c.swings.size(); ++i) {
      EXPECT_EQ(c.mode == 1 ? moves[i].dx : moves[i].dy, c.swings[i]) << i;
      EXPECT_EQ(c.mode == 1 ? moves[i].dy : moves[i].dx, 0) << i;
    }
    EXPECT_EQ(moves.back().dx, 0);
    EXPECT_EQ(moves.back().dy, 0);
    EXPECT_EQ(moves.back().time, 500u);
  }
}

TEST(ShakeTest, RandomDirectionsShrinkByTwoAndTheWindowReturns) {
  auto rig = std::make_unique<TransitionRig>();
  RandomGenerator twin(20240601);  // the rig's generator, drawn in step
  rig->transitions.Shake(2, 20, 50);
  const auto& moves = rig->host.moves;
  ASSERT_EQ(moves.size(), 11u);
  // up, up-right, right, down-right, down, down-left, left, up-left
  const int kDx[] = {0, 1, 1, 1, 0, -1, -1, -1};
  const int kDy[] = {-1, -1, 0, 1, 1, 1, 0, -1};
  for (int i = 0; i < 10; ++i) {
    const int amplitude = 20 - 2 * i;
    const int direction = twin.Next() & 7;
    EXPECT_EQ(moves[i].dx, amplitude * kDx[direction]) << i;
    EXPECT_EQ(moves[i].dy, amplitude * kDy[direction]) << i;
    EXPECT_EQ(moves[i].time, 50u * i);
  }
  EXPECT_EQ(moves[10].dx, 0);
  EXPECT_EQ(moves[10].dy, 0);
}

TEST(MosaicTest, BlocksTakeTheirTopLeftPixelAndAreCutAtTheEdges) {
  auto rig = std::make_unique<TransitionRig>();
  const Bitmap24 source = Noise(6);
  rig->transitions.Mosaic(source, 3);
  const Bitmap24& work = rig->buffers.WorkBuffer;
  const struct {
    int x, y, fromX, fromY;
  } cases[] = {
      {0, 0, 0, 0},
      {2, 2, 0, 0},
      {3, 2, 3, 0},
      {4, 5, 3, 3},
      // 800 = 3 x 266 + 2 and 600 = 3 x 200: the last column of blocks is 2 wide.
      {797, 0, 795, 0},
      {798, 1, 798, 0},
      {799, 599, 798, 597},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PixelAt(work, c.x, c.y), PixelAt(source, c.fromX, c.fromY)) << c.x << "," << c.y;
  }
  EXPECT_TRUE(rig->pb.Picture() == work);

  rig->transitions.Mosaic(source, 1);
  EXPECT_TRUE(rig->buffers.WorkBuffer == source);
}

}  // namespace
}  // namespace tolven
