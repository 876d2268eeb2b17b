#include "graphics/transitions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "transition_rig.h"

namespace tolven {
namespace {

using testing::Grey;
using testing::Noise;
using testing::PixelAt;
using testing::TransitionRig;
using testing::Uniform;

struct Timing {
  int number;
  uint32_t endMs;  // virtual time the transition takes
  size_t frames;   // presents
};

// Derived from each transition's rule on a host whose message rounds cost nothing.
constexpr Timing kIdealTimings[] = {
    {0, 0, 1},        // one copy
    {1, 240, 16},     // 16 steps x 15 ms deadline
    {2, 320, 16},     // 16 steps x 20 ms
    {3, 1400, 70},    // frames 0-69 x 20 ms
    {4, 1500, 75},    // radius 5, 15, ... 745 (< 750 = |550 - 300| + 500) x 20 ms
    {5, 2320, 116},   // f = 0-115 x 20 ms interval
    {6, 130, 14},     // weight 48, 64, ... 240: 13 x 10 ms, then the new picture
    {7, 900, 60},     // 300 row pairs, 5 a frame, x 15 ms
    {8, 800, 80},     // 400 column pairs, 5 a frame, x 10 ms
    {9, 880, 23},     // weight 0, 12, ... 252: 22 x 40 ms, then the new picture
    {10, 1710, 57},   // frames 0-56 x 30 ms
    {11, 1770, 59},   // frames 0-58 x 30 ms
    {12, 2700, 135},  // p = -280, -272, ... 792 x 20 ms
    {13, 6450, 130},  // weight 0, 2, ... 256: 129 x 50 ms, then the new picture
    {14, 1000, 50},   // 50 batches, 20 ms sleep each
    {15, 0, 99},      // band start -124, -116, ... 660, no waiting
    {16, 1410, 47},   // frames 0-94, the 47 odd ones shown and waited for 30 ms
    {17, 3200, 64},   // S016 = 0 means 16 steps: 64 sub-frames x 50 ms
    {18, 480, 13},    // half-width 32, 64, ... 384 x 40 ms, then the new picture
    {19, 600, 41},    // offset 0, 20, ... 780 x 15 ms, then the new picture
    {20, 1600, 21},   // 10 + 10 block sizes x 80 ms, then the new picture
    {21, 4360, 110},  // radius 5, 10, ... 545: 109 x 40 ms, then the new picture
    {22, 4360, 110},  // the same steps
    {23, 2520, 64},   // angle 0, 4, ... 248: 63 x 40 ms, then the new picture
    {24, 5240, 132},  // radius 5, 10, ... 655: 131 x 40 ms, then the new picture
};

TEST(TransitionsTest, EveryTransitionEndsOnTheNewPictureAfterItsPacedDuration) {
  auto rig = std::make_unique<TransitionRig>();
  for (const Timing& timing : kIdealTimings) {
    SCOPED_TRACE(timing.number);
    rig->Prepare(Noise(timing.number), Noise(100 + timing.number));
    rig->transitions.RunTransition(timing.number);
    EXPECT_TRUE(rig->pb.Picture() == rig->buffers.StageBuffer);
    EXPECT_EQ(rig->host.Elapsed(), timing.endMs);
    ASSERT_EQ(rig->host.frames.size(), timing.frames);
    for (const auto& frame : rig->host.frames) {
      EXPECT_TRUE(frame.drawn) << "presented at " << frame.time << " without a draw";
    }
    EXPECT_TRUE(rig->host.frames.front().effectRunning);
    EXPECT_FALSE(rig->flags.Busy);
    EXPECT_FALSE(rig->flags.EffectRunning);
    EXPECT_EQ(rig->state.S(sv::kTransitionCut), 0);
  }
}

TEST(TransitionsTest, SlowHostSkipsIntervalFramesButDeadlineFramesRunLate) {
  // Every message round costs 45 ms. An interval frame then spans k = 45 / d + 1 intervals and
  // the animation jumps k steps; a deadline frame takes d + 45.
  constexpr Timing kSlow[] = {
      {1, 960, 16},    // 16 x (15 + 45)
      {3, 4550, 70},   // 70 x (20 + 45)
      {14, 3250, 50},  // 50 x (20 + 45)
      {15, 4455, 99},  // 99 x 45
      {17, 6080, 64},  // 64 x (50 + 45)
      // k = 3: f = 0, 3, ... 114, 39 frames of 60 ms; the last tiles were skipped short of the
      // new picture, so it is shown whole at the end.
      {5, 2340, 40},
      {6, 150, 4},     // k = 5: weight 48, 128, 208: 3 x 50 ms, then the new picture
      {9, 880, 12},    // k = 2: weight 0, 24, ... 240: 11 x 80 ms, then the new picture
      {12, 2700, 45},  // k = 3: p = -280, -256, ... 776: 45 x 60 ms
      {19, 600, 11},   // k = 4: offset 0, 80, ... 720: 10 x 60 ms, then the new picture
      {20, 1600, 21},  // 45 < 80: nothing to skip
      {21, 4400, 56},  // k = 2: steps 1, 2, 2, ...: 55 frames reach 109 steps, x 80 ms
      {24, 5280, 67},  // k = 2: radius 5, 15, ... 655: 66 x 80 ms
  };
  auto rig = std::make_unique<TransitionRig>();
  rig->host.cost = 45;
  for (const Timing& timing : kSlow) {
    SCOPED_TRACE(timing.number);
    rig->Prepare(Noise(timing.number), Noise(200 + timing.number));
    rig->transitions.RunTransition(timing.number);
    EXPECT_EQ(rig->host.Elapsed(), timing.endMs);
    EXPECT_EQ(rig->host.frames.size(), timing.frames);
    EXPECT_TRUE(rig->pb.Picture() == rig->buffers.StageBuffer) << "it ends on the new picture";
  }
}

TEST(TransitionsTest, TransitionFourGrowsUntilTheFartherExtent) {
  const struct {
    int s020, s021;
    size_t frames;     // radius 5, 15, ... below max(|S020 - 400|, |S021 - 300|) + 500
    bool cornersLeft;  // the last disc misses the corners: the new picture is shown whole
  } cases[] = {
      {250, 550, 75, false},
      {400, 300, 50, true},  // the last disc, 495, falls short of the corners at 500
      {1400, 300, 150, false},
      {-100, 300, 100, false},
  };
  auto rig = std::make_unique<TransitionRig>();
  for (const auto& c : cases) {
    rig->state.S(sv::kTransition4Extents[0]) = c.s020;
    rig->state.S(sv::kTransition4Extents[1]) = c.s021;
    rig->Prepare(Noise(1), Noise(2));
    rig->transitions.RunTransition(4);
    EXPECT_EQ(rig->host.frames.size(), c.frames + (c.cornersLeft ? 1 : 0))
        << c.s020 << "," << c.s021;
    EXPECT_EQ(rig->host.Elapsed(), 20 * c.frames);
    EXPECT_TRUE(rig->pb.Picture() == rig->buffers.StageBuffer);
  }
}

TEST(TransitionsTest, AClickCutsShortWithTheNewPictureAndSetsS019WhereDue) {
  // The click arrives with the first message round, after the first frame.
  const struct {
    int number;
    bool setsS019;
    size_t frames;
  } cases[] = {
      {1, true, 2},   {2, true, 2},   {3, true, 2},   {4, true, 2},  {5, true, 2},
      {6, true, 14},  // looked at only once the fade is through
      {7, true, 2},   {8, true, 2},   {9, false, 2},  {10, true, 2}, {11, true, 2},
      {12, true, 2},  {13, false, 2}, {14, true, 2},  {15, true, 2}, {16, true, 2},
      {17, false, 2}, {18, true, 2},  {19, true, 2},  {20, true, 2}, {21, false, 2},
      {22, false, 2}, {23, false, 2}, {24, false, 2},
  };
  auto rig = std::make_unique<TransitionRig>();
  int ends = 0;
  rig->transitions.onTransitionEnd = [&] { ++ends; };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    rig->state.S(sv::kTransitionCut) = 0;
    rig->Prepare(Noise(c.number), Noise(300 + c.number));
    rig->host.clickAt = 0;
    ends = 0;
    rig->transitions.RunTransition(c.number);
    EXPECT_EQ(ends, 1) << "the text font is set again after a cut-short transition too";
    EXPECT_TRUE(rig->pb.Picture() == rig->buffers.StageBuffer);
    EXPECT_EQ(rig->state.S(sv::kTransitionCut), c.setsS019 ? 1 : 0);
    EXPECT_EQ(rig->host.frames.size(), c.frames);
    EXPECT_EQ(rig->flags.InterruptRequest, Interrupt::Click) << "left for the caller to see";
    EXPECT_FALSE(rig->flags.EffectRunning);
    EXPECT_FALSE(rig->flags.Busy);
  }
}

TEST(TransitionsTest, AClickLaterInTheTransitionEndsItAtTheNextMessageRound) {
  const struct {
    int number;
    uint32_t clickAt;
    uint32_t endMs;
    size_t frames;
    int s019;
  } cases[] = {
      // Deadline frames process messages at 15, 30, 45, 60: the fourth frame sees it.
      {1, 50, 60, 5, 1},
      // Intervals process messages before sleeping, at 0, 40, 80, 120; the wait still ends.
      {21, 100, 160, 5, 0},
      // The cross-fade runs to its end regardless.
      {6, 50, 130, 14, 1},
  };
  auto rig = std::make_unique<TransitionRig>();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    rig->state.S(sv::kTransitionCut) = 0;
    rig->Prepare(Noise(5), Noise(6));
    rig->host.clickAt = c.clickAt;
    rig->transitions.RunTransition(c.number);
    EXPECT_TRUE(rig->pb.Picture() == rig->buffers.StageBuffer);
    EXPECT_EQ(rig->host.Elapsed(), c.endMs);
    EXPECT_EQ(rig->host.frames.size(), c.frames);
    EXPECT_EQ(rig->state.S(sv::kTransitionCut), c.s019);
  }
}

TEST(TransitionsTest, AnInterruptLeftFromBeforeDoesNotCutTheNextTransition) {
  auto rig = std::make_unique<TransitionRig>();
  rig->Prepare(Noise(1), Noise(2));
  rig->flags.InterruptRequest = Interrupt::Close;
  rig->transitions.RunTransition(1);
  EXPECT_EQ(rig->host.frames.size(), 16u);
  EXPECT_EQ(rig->flags.InterruptRequest, Interrupt::None);
  EXPECT_EQ(rig->state.S(sv::kTransitionCut), 0);
}

TEST(TransitionsTest, FastPicturesSkippingAndNegativeNumbersShowTheNewPictureAtOnce) {
  const struct {
    bool fast;
    int skip;
    int number;
  } cases[] = {
      {true, 0, 6},   {true, 0, 21}, {false, 1, 1},  {false, 3, 13},
      {false, 2, 25}, {true, 0, 99}, {false, 0, -1}, {false, 0, -30},
  };
  auto rig = std::make_unique<TransitionRig>();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    rig->transitions.SetFastPictures(c.fast);
    rig->flags.SkipState = c.skip;
    rig->Prepare(Noise(7), Noise(8));
    rig->transitions.RunTransition(c.number);
    EXPECT_TRUE(rig->pb.Picture() == rig->buffers.StageBuffer);
    EXPECT_EQ(rig->host.Elapsed(), 0u);
    EXPECT_EQ(rig->host.frames.size(), 1u);
  }
}

TEST(TransitionsTest, NumbersPastTheTableLeaveTheScreenAlone) {
  auto rig = std::make_unique<TransitionRig>();
  for (int number : {25, 26, 1000}) {
    const Bitmap24 old = Noise(9);
    rig->Prepare(old, Noise(10));
    const uint64_t changes = rig->pb.Changes();
    rig->transitions.RunTransition(number);
    EXPECT_TRUE(rig->pb.Picture() == old);
    EXPECT_EQ(rig->pb.Changes(), changes);
    EXPECT_TRUE(rig->host.frames.empty());
    EXPECT_FALSE(rig->flags.Busy);
    EXPECT_FALSE(rig->flags.EffectRunning);
  }
}

TEST(TransitionsTest, FullScreenTextModeStartsTheNextTransitionFromTheShownPicture) {
  auto rig = std::make_unique<TransitionRig>();
  for (int mode : {0, 1}) {
    const Bitmap24 old = Noise(11);
    rig->state.S(sv::kTextMode) = mode;
    rig->Prepare(old, Noise(12));
    rig->transitions.RunTransition(2);
    EXPECT_TRUE(rig->buffers.PreviousBuffer == (mode != 0 ? rig->buffers.StageBuffer : old))
        << "mode " << mode;
  }
}

TEST(TransitionsTest, MorphStepsOutsideOneTo128MeanSixteen) {
  const struct {
    int s016;
    size_t subFrames;
  } cases[] = {{0, 64}, {200, 64}, {-4, 64}, {129, 64}, {1, 4}, {3, 12}, {128, 512}};
  auto rig = std::make_unique<TransitionRig>();
  for (const auto& c : cases) {
    rig->state.S(sv::kMorphSteps) = c.s016;
    rig->Prepare(Noise(13), Noise(14));
    rig->transitions.RunTransition(17);
    EXPECT_EQ(rig->host.frames.size(), c.subFrames) << c.s016;
    EXPECT_EQ(rig->host.Elapsed(), 50 * c.subFrames);
    EXPECT_TRUE(rig->pb.Picture() == rig->buffers.StageBuffer) << c.s016;
  }
}

// ---- Frames in the middle, against pixels worked out by hand ----------------------------------

TEST(TransitionsTest, VerticalBlindsShowColumnsOfTheFirstStepsOnly) {
  auto rig = std::make_unique<TransitionRig>();
  const Bitmap24 old = Noise(15);
  const Bitmap24 fresh = Noise(16);
  rig->Prepare(old, fresh);
  rig->host.keepAt = {30};  // the third step: columns 16k, 16k + 1, 16k + 2
  rig->transitions.RunTransition(1);
  ASSERT_EQ(rig->host.kept.count(30), 1u);
  const Bitmap24& frame = rig->host.kept.at(30);
  for (int y : {0, 299, 599}) {
    for (int x = 0; x < kScreenWidth; ++x) {
      const Bitmap24& expected = x % 16 <= 2 ? fresh : old;
      ASSERT_EQ(PixelAt(frame, x, y), PixelAt(expected, x, y)) << x << "," << y;
    }
  }
}

TEST(TransitionsTest, CrossFadeWeightsTheNewPictureBy48PlusSixteenPerInterval) {
  auto rig = std::make_unique<TransitionRig>();
  rig->Prepare(Uniform(200), Uniform(40));
  rig->host.keepAt = {0, 20, 120};
  rig->transitions.RunTransition(6);
  // (40 a + 200 (256 - a)) >> 8 at a = 48, 80, 240.
  const std::pair<uint32_t, uint8_t> expected[] = {{0, 170}, {20, 150}, {120, 50}};
  for (const auto& [time, value] : expected) {
    ASSERT_EQ(rig->host.kept.count(time), 1u) << time;
    EXPECT_EQ(PixelAt(rig->host.kept.at(time), 123, 456), Grey(value)) << time;
  }
}

TEST(TransitionsTest, GradientWipeCarriesAFlatStretchAndARampOverTheOldPicture) {
  auto rig = std::make_unique<TransitionRig>();
  rig->Prepare(Uniform(255), Uniform(0));
  rig->host.keepAt = {0, 1700};
  rig->transitions.RunTransition(12);
  // With the new picture 0 and the old 255, a ramp value m gives 255 m >> 8 (m = 255: 255).
  const struct {
    uint32_t time;
    int x;
    uint8_t value;
  } cases[] = {
      // p = -280: only the ramp's last 8 pixels (m = 248-255) are on the screen.
      {0, 0, 247},
      {0, 7, 255},
      {0, 8, 255},
      // p = 400: new left of 432, ramp from 432 (m = 0) to 687 (m = 255), old beyond.
      {1700, 0, 0},
      {1700, 399, 0},
      {1700, 431, 0},
      {1700, 433, 0},
      {1700, 560, 127},
      {1700, 686, 253},
      {1700, 687, 255},
      {1700, 799, 255},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(rig->host.kept.count(c.time), 1u);
    EXPECT_EQ(PixelAt(rig->host.kept.at(c.time), c.x, 77), Grey(c.value))
        << "at " << c.time << " x " << c.x;
  }
}

TEST(TransitionsTest, PushShiftsTheOldPictureRightBehindTheNewOnesRightEdge) {
  auto rig = std::make_unique<TransitionRig>();
  const Bitmap24 old = Noise(17);
  const Bitmap24 fresh = Noise(18);
  rig->Prepare(old, fresh);
  rig->host.keepAt = {0, 150};
  rig->transitions.RunTransition(19);
  EXPECT_TRUE(rig->host.kept.at(0) == old) << "offset 0 shows the old picture";
  const Bitmap24& frame = rig->host.kept.at(150);  // offset 200
  for (int y : {0, 333, 599}) {
    EXPECT_EQ(PixelAt(frame, 0, y), PixelAt(fresh, 600, y));
    EXPECT_EQ(PixelAt(frame, 199, y), PixelAt(fresh, 799, y));
    EXPECT_EQ(PixelAt(frame, 200, y), PixelAt(old, 0, y));
    EXPECT_EQ(PixelAt(frame, 799, y), PixelAt(old, 599, y));
  }
}

TEST(TransitionsTest, SoftCircleAddsSixteenToTheMaskPerStepInsideTheCircle) {
  auto rig = std::make_unique<TransitionRig>();
  rig->Prepare(Uniform(200), Uniform(40));
  rig->host.keepAt = {0, 80};
  rig->transitions.RunTransition(21);
  // min(255, (200 (255 - m) >> 8) + (40 m >> 8)): m = 0 gives 199, 16 gives 188, 32 gives 179,
  // 48 gives 168. Radii 5, 10, 15 by time 80; pixel centres at distance 8.5 and 12.5.
  const struct {
    uint32_t time;
    int x, y;
    uint8_t value;
  } cases[] = {
      {0, 400, 300, 188},  {0, 408, 300, 199},  {0, 0, 0, 199},
      {80, 400, 300, 168}, {80, 399, 299, 168}, {80, 408, 300, 179},
      {80, 412, 300, 188}, {80, 420, 300, 199}, {80, 799, 599, 199},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PixelAt(rig->host.kept.at(c.time), c.x, c.y), Grey(c.value))
        << "at " << c.time << " (" << c.x << "," << c.y << ")";
  }
}

TEST(TransitionsTest, TileDissolveRampsEachTileOneFrameAfterThePrevious) {
  auto rig = std::make_unique<TransitionRig>();
  rig->Prepare(Uniform(255), Uniform(0));
  rig->host.keepAt = {320};  // f = 16: the i-th tile of the order has 16 i of 256 old left
  rig->transitions.RunTransition(5);
  const Bitmap24& frame = rig->host.kept.at(320);
  std::vector<int> values;
  for (int tile = 0; tile < 100; ++tile) {
    const int x = 80 * (tile % 10), y = 60 * (tile / 10);
    const auto corner = PixelAt(frame, x, y);
    EXPECT_EQ(PixelAt(frame, x + 79, y + 59), corner) << "tile " << tile << " is one colour";
    values.push_back(corner[0]);
  }
  std::sort(values.begin(), values.end());
  // 255 x 16 i >> 8 for i = 0-15, then 16 tiles at 255 x 256 >> 8 or not started.
  std::vector<int> expected = {0,   15,  31,  47,  63,  79,  95,  111,
                               127, 143, 159, 175, 191, 207, 223, 239};
  expected.resize(100, 255);
  EXPECT_EQ(values, expected);
}

TEST(TransitionsTest, RandomHalfRowsDrawTwentyFourHalvesABatch) {
  auto rig = std::make_unique<TransitionRig>();
  rig->Prepare(Uniform(255), Uniform(0));
  rig->host.keepAt = {0};
  rig->transitions.RunTransition(14);
  const Bitmap24& frame = rig->host.kept.at(0);
  int halves = 0, rowsBelowTheTop = 0;
  for (int y = 0; y < kScreenHeight; ++y) {
    int firstNew = kScreenWidth, lastNew = -1, count = 0;
    for (int x = 0; x < kScreenWidth; ++x) {
      if (PixelAt(frame, x, y)[0] != 0) continue;
      firstNew = std::min(firstNew, x);
      lastNew = x;
      ++count;
    }
    if (count == 0) continue;
    ASSERT_EQ(count, lastNew - firstNew + 1) << "row " << y << " in one piece";
    if (y >= 12) ++rowsBelowTheTop;
    if (count == kScreenWidth) {
      halves += 2;
    } else if (firstNew == 0) {
      EXPECT_GE(lastNew + 1, 20) << "row " << y;  // splits lie at 20-619
      EXPECT_LE(lastNew + 1, 619) << "row " << y;
      ++halves;
    } else {
      EXPECT_EQ(lastNew, kScreenWidth - 1) << "row " << y;
      EXPECT_GE(firstNew, 20) << "row " << y;
      EXPECT_LE(firstNew, 619) << "row " << y;
      ++halves;
    }
  }
  EXPECT_EQ(halves, 24);
  EXPECT_GT(rowsBelowTheTop, 0) << "the halves come in shuffled order";
}

TEST(TransitionsTest, MosaicOutAndInGoesThroughTheBlockSizesBothWays) {
  auto rig = std::make_unique<TransitionRig>();
  const Bitmap24 old = Noise(19);
  const Bitmap24 fresh = Noise(20);
  rig->Prepare(old, fresh);
  rig->host.keepAt = {0, 720, 800, 1520};
  rig->transitions.RunTransition(20);
  const struct {
    uint32_t time;
    const Bitmap24* source;
    int x, y, fromX, fromY;
  } cases[] = {
      {0, &old, 1, 1, 0, 0},         {0, &old, 2, 2, 2, 2},       // blocks of 2
      {720, &old, 79, 79, 40, 40},   {720, &old, 39, 39, 0, 0},   // blocks of 40
      {800, &fresh, 79, 79, 40, 40}, {1520, &fresh, 3, 3, 2, 2},  // back from 40 to 2
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PixelAt(rig->host.kept.at(c.time), c.x, c.y), PixelAt(*c.source, c.fromX, c.fromY))
        << "at " << c.time << " (" << c.x << "," << c.y << ")";
  }
}

TEST(TransitionsTest, MaskShapesLetTheNewPictureThroughWhereTheyReach) {
  // With the old picture 200 and the new 40, mask m shows (200 (255 - m) >> 8) + (40 m >> 8):
  // 199 where m = 0, at most 188 where m >= 16.
  const struct {
    int number;
    uint32_t time;
    int x, y;
    uint8_t low, high;  // the value lies in [low, high]
  } cases[] = {
      // 23, first step: wedges over 0-40 and 180-220 degrees; points at distance 100.
      {23, 0, 306, 334, 188, 188},  // 20 degrees
      {23, 0, 318, 357, 188, 188},  // 35 degrees
      {23, 0, 494, 266, 188, 188},  // 200 degrees
      {23, 0, 434, 394, 199, 199},  // 110 degrees
      // 22, twentieth step: the star of radius 100 has a point at 100 degrees, where the
      // earlier, smaller and less turned stars did not reach 90 pixels out.
      {22, 760, 415, 388, 0, 188},
      // 24, first frame: a small star of grey 5 / 2 = 2 alone in the mask.
      {24, 0, 400, 300, 197, 197},
      {24, 0, 0, 0, 199, 199},
      // 24, frame 40: radius 205, inner points at (205 + 120) / 2, grey 102.
      {24, 1600, 400, 300, 134, 134},
      {24, 1600, 400, 150, 134, 134},
      {24, 1600, 100, 300, 199, 199},
  };
  auto rig = std::make_unique<TransitionRig>();
  for (const auto& c : cases) {
    rig->Prepare(Uniform(200), Uniform(40));
    rig->host.keepAt = {c.time};
    rig->host.kept.clear();
    rig->transitions.RunTransition(c.number);
    const uint8_t value = PixelAt(rig->host.kept.at(c.time), c.x, c.y)[0];
    EXPECT_GE(value, c.low) << c.number << " at " << c.time << " (" << c.x << "," << c.y << ")";
    EXPECT_LE(value, c.high) << c.number << " at " << c.time << " (" << c.x << "," << c.y << ")";
  }
}

}  // namespace
}  // namespace tolven
