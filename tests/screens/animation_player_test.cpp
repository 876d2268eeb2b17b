// The animation player of `anim` and `animq` on a virtual clock that a test can stall: the
// absolute schedule with its skip rule, partial and catch-up frames, the doubled form's periods
// and enlargement, clicks, the sound, what stays on the stage, and entries it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "audio/audio_fixtures.h"
#include "audio/music_stream.h"
#include "audio/sound.h"
#include "base/engine_flags.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "graphics/frame_clock.h"
#include "graphics/stage.h"
#include "resources/animation_entry.h"
#include "resources/archives.h"
#include "screens/animation_player.h"
#include "screens/animation_rig.h"
#include "screens/screen_rig.h"
#include "script/standalone_interpreter.h"
#include "script/variables.h"
#include "test_support.h"
#include "tools/archive_writer.h"
#include "tools/wady_encoder.h"

namespace tolven {
namespace {

using testing::EntryBuilder;
using testing::FrameGrey;
using testing::GreyAt;
using testing::GreyFrame;
using testing::KeyFrames;
using testing::Solid;
using testing::Tone;

constexpr int16_t kKey = testing::kKeyFrame;
constexpr int16_t kPartial = testing::kPartialFrame;
constexpr int16_t kCatchUp = testing::kCatchUpFrame;

// A host on a virtual clock: message rounds can cost time, stall once, deliver a click; every
// present is recorded with the greys at two probe points.
class AnimationHost final : public Host {
 public:
  struct Shown {
    uint32_t time;
    int key;         // the frame grey at the key probe
    int partial;     // the frame grey at the partial probe
    uint64_t draws;  // PB draws since the previous present
  };
  struct Round {
    uint32_t time;
    bool busy;
    bool effectRunning;
    bool menuLocked;
  };

  AnimationHost(EngineFlags& flags, PaintBox& pb) : flags_(flags), pb_(pb) {}

  uint32_t Ticks() override { return now; }
  void Sleep(uint32_t milliseconds) override {
    sleeps.push_back(milliseconds);
    now += milliseconds;
  }
  uint32_t ClockSeed() override { return 1; }
  void ProcessMessages() override {
    rounds.push_back({Elapsed(), flags_.Busy, flags_.EffectRunning, flags_.MenuLocked});
    now += cost;
    if (auto stall = stalls.find(static_cast<int>(rounds.size()) - 1); stall != stalls.end()) {
      now += stall->second;
    }
    if (clickAt && Elapsed() >= *clickAt && flags_.EffectRunning) {
      flags_.InterruptRequest = Interrupt::Click;
      clickAt.reset();
    }
    if (onMessages) onMessages();
  }
  MessageResult ShowMessage(std::string_view, std::string_view, MessageButtons,
                            MessageIcon) override {
    return MessageResult::Ok;
  }
  int ScreenWidth() const override { return 1920; }
  void Present() override {
    presents.push_back({Elapsed(), FrameGrey(pb_.Picture(), keyProbeX, keyProbeY),
                        FrameGrey(pb_.Picture(), partialProbeX, partialProbeY),
                        pb_.Changes() - lastChanges_});
    lastChanges_ = pb_.Changes();
  }

  uint32_t Elapsed() const { return now - start; }
  void Reset() {
    start = now;
    lastChanges_ = pb_.Changes();
    presents.clear();
    rounds.clear();
    sleeps.clear();
  }
  std::vector<uint32_t> PresentTimes() const {
    std::vector<uint32_t> times;
    for (const Shown& present : presents) times.push_back(present.time);
    return times;
  }

  uint32_t now = 70000;
  uint32_t start = 70000;
  uint32_t cost = 0;
  std::map<int, uint32_t> stalls;  // message round -> milliseconds it takes beyond the cost
  std::optional<uint32_t> clickAt;
  std::function<void()> onMessages;
  int keyProbeX = 0;
  int keyProbeY = 0;
  int partialProbeX = 0;
  int partialProbeY = 0;
  std::vector<Shown> presents;
  std::vector<Round> rounds;
  std::vector<uint32_t> sleeps;

 private:
  EngineFlags& flags_;
  PaintBox& pb_;
  uint64_t lastChanges_ = 0;
};

class MenuHost final : public QuietInterpreterHost {
 public:
  MenuHost() : QuietInterpreterHost(true, false) {}
  void UpdateMenuBar() override { ++menuRefreshes; }
  int menuRefreshes = 0;
};

// The player with everything it works on, over a game folder whose animation archive the
// test writes.
class AnimationPlayerTest : public ::testing::Test, protected testing::ScreenRig<AnimationHost> {
 protected:
  AnimationPlayerTest() {
    trace.Attach(&traceText);
    sound.InitSound();
  }

  // Writes qe_anim.tvk with these entries and reads the indexes.
  void Archive(const std::vector<tools::ArchiveInput>& entries, const char* file = "qe_anim.tvk") {
    testing::WriteFileBytes(dir.Path() / file, tools::BuildArchive(ArchiveLayout::B, entries));
    archives.LoadMediaIndexes();
  }
  void Play(const std::string& argument, bool doubled = false) {
    host.Reset();
    player.PlayAnimation(argument, doubled);
  }
  std::vector<int> KeyGreys() const {
    std::vector<int> greys;
    for (const auto& present : host.presents) greys.push_back(present.key);
    return greys;
  }
  int TraceLines() const {
    const std::string text = traceText.str();
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  }
  void Probe(int x, int y) {
    host.keyProbeX = x;
    host.keyProbeY = y;
  }

  testing::ManualAudioDevice device;
  Sound sound{trace, settings, archives, device};
  MusicStream music{sound, archives, settings};
  MenuHost engine;
  AnimationPlayer player{
      {host, pb, stage, archives, variables, state, settings, sound, music, flags, engine, trace}};
};

TEST_F(AnimationPlayerTest, OnTimeEveryFrameIsDrawnAndTheRestOfEachPeriodSlept) {
  Archive({{"WAVE", KeyFrames(5, 100)}});
  host.cost = 30;  // drawing and messages take 30 ms of each frame
  Probe(104, 54);
  Play("wave,100,50,0");
  EXPECT_EQ(host.PresentTimes(), (std::vector<uint32_t>{0, 100, 200, 300, 400, 500}))
      << "each frame at start + pos x D, then the last frame once more";
  EXPECT_EQ(KeyGreys(), (std::vector<int>{20, 40, 60, 80, 100, 100}));
  EXPECT_EQ(host.sleeps, (std::vector<uint32_t>{70, 70, 70, 70, 70}));
  EXPECT_EQ(host.rounds.size(), 5u) << "messages processed once a frame";
  // The frame lands at (x, y) and nowhere else.
  EXPECT_EQ(FrameGrey(pb.Picture(), 100, 50), 100);
  EXPECT_EQ(FrameGrey(pb.Picture(), 163, 97), 100);
  EXPECT_EQ(GreyAt(pb.Picture(), 99, 50), 0);
  EXPECT_EQ(GreyAt(pb.Picture(), 164, 50), 0);
  EXPECT_EQ(GreyAt(pb.Picture(), 100, 98), 0);
  EXPECT_EQ(TraceLines(), 0) << traceText.str();
}

TEST_F(AnimationPlayerTest, AfterAStallLateFramesAreSkippedAndPartialFramesLeftOut) {
  // 0 key, 1-4 partial, 5 key, 6-8 partial, 9 key; a partial frame is a small picture at (20, 20).
  EntryBuilder builder(100);
  for (int i = 0; i < 10; ++i) {
    const auto grey = static_cast<uint8_t>(20 * (i + 1));
    if (i == 0 || i == 5 || i == 9) {
      builder.Frame(kKey, GreyFrame(grey));
    } else {
      builder.Frame(kPartial, GreyFrame(grey, 16, 16), 20, 20);
    }
  }
  Archive({{"WALK", builder.Bytes()}});
  Probe(104, 54);
  host.partialProbeX = 124;
  host.partialProbeY = 74;
  host.stalls = {{1, 250}, {4, 250}};  // the messages of frames 1 and 6 take 250 ms
  Play("walk,100,50,0");
  // Frame 1 at 100 ends at 350: late = 250 > D, skipped = 2, sleep 100 - 50, go on with frame
  // 4 at 400. Frame 4 is partial and is not drawn; frame 5 is a key frame and is.
  ASSERT_EQ(host.rounds.size(), 6u);
  EXPECT_EQ(host.rounds[2].time, 400u) << "frame 4 comes at its own time";
  EXPECT_EQ(host.rounds[4].time, 600u);
  EXPECT_EQ(host.rounds[5].time, 900u) << "frame 6 + 3: the key frame 9";
  EXPECT_EQ(host.sleeps, (std::vector<uint32_t>{100, 50, 100, 100, 50, 100}));
  EXPECT_EQ(host.PresentTimes(), (std::vector<uint32_t>{0, 100, 500, 600, 900, 1000}))
      << "nothing is drawn at 400";
  EXPECT_EQ(KeyGreys(), (std::vector<int>{20, 20, 120, 120, 200, 200}));
  EXPECT_EQ(host.presents[1].partial, 40) << "frame 1 drawn at its offsets";
  EXPECT_EQ(host.presents[2].partial, 120) << "the key frame covers the partial frame 1";
  EXPECT_EQ(host.presents[3].partial, 140) << "frame 6 drawn";
}

TEST_F(AnimationPlayerTest, ACatchUpFrameRedrawsTheSkippedKeyFramesFromWhereTheStreamStands) {
  // Frames 0-2 key, 3 catch-up: its data holds two frames' worth of pictures, read with the
  // sizes of frames 2 and 1 from frame 3's own position, not from the key frames' data.
  EntryBuilder builder(100);
  builder.Frame(kKey, GreyFrame(20));
  builder.Frame(kKey, GreyFrame(40));
  builder.Frame(kKey, GreyFrame(60));
  std::vector<uint8_t> standIns = GreyFrame(200);
  const std::vector<uint8_t> second = GreyFrame(220);
  standIns.insert(standIns.end(), second.begin(), second.end());
  builder.Frame(kCatchUp, standIns);
  builder.Frame(kKey, GreyFrame(100));
  const std::vector<uint8_t> entry = builder.Bytes();
  Archive({{"CATCH", entry}});
  Probe(4, 4);

  // On time the catch-up frame draws nothing.
  Play("catch,0,0,0");
  EXPECT_EQ(host.PresentTimes(), (std::vector<uint32_t>{0, 100, 200, 400, 500}));

  // Late by 250 at frame 0: frames 1 and 2 are skipped and frame 3 draws them again, 2 first.
  host.stalls = {{0, 250}};
  Play("catch,0,0,0");
  ASSERT_EQ(host.PresentTimes(), (std::vector<uint32_t>{0, 300, 400, 500}));
  EXPECT_EQ(host.presents[1].draws, 2u) << "two key frames drawn again";
  EXPECT_EQ(host.presents[1].key, 220) << "the second picture read from the catch-up data";
  EXPECT_EQ(KeyGreys(), (std::vector<int>{20, 220, 100, 100}));
}

TEST_F(AnimationPlayerTest, ACatchUpWalkStopsAtAPartialFrame) {
  EntryBuilder builder(100);
  builder.Frame(kKey, GreyFrame(20));
  builder.Frame(kPartial, GreyFrame(40, 16, 16), 4, 4);
  builder.Frame(kKey, GreyFrame(60));
  builder.Frame(kCatchUp, GreyFrame(200));
  Archive({{"CATCH", builder.Bytes()}});
  Probe(30, 30);
  host.stalls = {{0, 250}};
  Play("catch,0,0,0");
  ASSERT_EQ(host.PresentTimes(), (std::vector<uint32_t>{0, 300, 400}));
  EXPECT_EQ(host.presents[1].draws, 1u) << "frame 2 is drawn again, the walk ends at frame 1";
  EXPECT_EQ(host.presents[1].key, 200);
}

TEST_F(AnimationPlayerTest, DoubledPeriodsOf33And15AreTrueFrameRates) {
  Archive({{"FAST", KeyFrames(32, 33, 4, 4)}, {"SLOW", KeyFrames(8, 15, 4, 4)}});
  Probe(10, 10);
  Play("fast,10,10,0", true);
  ASSERT_GE(host.presents.size(), 31u);
  EXPECT_EQ(host.presents[30].time, 999u) << "frame 30 of a 33 ms animq at 30 x 33.333";
  EXPECT_EQ(host.presents[1].time, 33u);
  EXPECT_EQ(host.presents[3].time, 99u);

  Play("fast,10,10,0", false);
  ASSERT_GE(host.presents.size(), 31u);
  EXPECT_EQ(host.presents[30].time, 990u) << "anim keeps whole milliseconds";

  // 15 ms: the schedule moves 66.666 ms a frame while lateness is measured against 15.
  Play("slow,10,10,0", true);
  EXPECT_EQ(host.PresentTimes(), (std::vector<uint32_t>{0, 15, 81, 148, 214, 281, 348, 414}));
  EXPECT_EQ(host.sleeps, (std::vector<uint32_t>{15, 66, 67, 66, 67, 67, 66, 67}));
  for (size_t i = 2; i < host.presents.size(); ++i) {
    const uint32_t gap = host.presents[i].time - host.presents[i - 1].time;
    EXPECT_TRUE(gap == 66 || gap == 67) << "frame " << i << " " << gap << " ms after the last";
  }
}

TEST_F(AnimationPlayerTest, ADoubledAnimationIsDrawnEnlargedOverAWhiteStage) {
  EntryBuilder builder(100, 40, 30);
  builder.Frame(kKey, GreyFrame(60, 40, 30));
  builder.Frame(kPartial, GreyFrame(100, 8, 8), 10, 6);
  builder.Frame(kKey, GreyFrame(140, 40, 30));
  Archive({{"BIG", builder.Bytes()}});
  Probe(200 + 2 * 12, 100 + 2 * 8);
  host.partialProbeX = 200 + 2;
  host.partialProbeY = 100 + 2;
  Bitmap24& stageBuffer = stage.Buffers().StageBuffer;
  stageBuffer = Solid(kScreenWidth, kScreenHeight, 9, 9, 9);
  bool whiteDuring = false;
  host.onMessages = [&] {
    whiteDuring = stageBuffer == Solid(kScreenWidth, kScreenHeight, 255, 255, 255);
  };
  Play("big,200,100,0", true);
  EXPECT_TRUE(whiteDuring);
  EXPECT_EQ(stageBuffer, Solid(kScreenWidth, kScreenHeight, 255, 255, 255))
      << "the last frame is decoded but not drawn";
  EXPECT_EQ(host.PresentTimes(), (std::vector<uint32_t>{0, 100, 200}))
      << "nothing is presented for the last frame";
  EXPECT_EQ(KeyGreys(), (std::vector<int>{60, 100, 140}));
  EXPECT_EQ(host.presents[1].partial, 60) << "the partial frame goes into the frame picture";
  // The 80 x 60 enlarged picture, and nothing beyond it.
  EXPECT_EQ(FrameGrey(pb.Picture(), 200, 100), 140);
  EXPECT_EQ(FrameGrey(pb.Picture(), 279, 159), 140);
  EXPECT_EQ(GreyAt(pb.Picture(), 280, 100), 0);
  EXPECT_EQ(GreyAt(pb.Picture(), 200, 160), 0);
}

TEST_F(AnimationPlayerTest, TheLastFrameOfAnimStaysOnTheStageBufferAndPb) {
  Archive({{"ENDS", KeyFrames(3, 50)}});
  Bitmap24& stageBuffer = stage.Buffers().StageBuffer;
  stageBuffer = Solid(kScreenWidth, kScreenHeight, 9, 9, 9);
  Probe(300, 200);
  Play("ends,300,200,0");
  EXPECT_EQ(FrameGrey(stageBuffer, 300, 200), 60);
  EXPECT_EQ(FrameGrey(stageBuffer, 363, 247), 60);
  EXPECT_EQ(GreyAt(stageBuffer, 299, 200), 9) << "the rest of the stage is left as it was";
  EXPECT_EQ(GreyAt(stageBuffer, 364, 200), 9);
  EXPECT_EQ(FrameGrey(pb.Picture(), 300, 200), 60);
  EXPECT_EQ(host.presents.back().key, 60);
}

TEST_F(AnimationPlayerTest, FramesPartlyOffTheScreenAreCut) {
  Archive({{"EDGE", KeyFrames(2, 10, 200, 100)}});
  Bitmap24& stageBuffer = stage.Buffers().StageBuffer;
  Play("edge,700,550,0");
  EXPECT_EQ(FrameGrey(pb.Picture(), 799, 599), 40);
  EXPECT_EQ(FrameGrey(stageBuffer, 799, 599), 40);
  EXPECT_EQ(GreyAt(pb.Picture(), 699, 599), 0);
  Play("edge,-150,-60,0");
  EXPECT_EQ(FrameGrey(pb.Picture(), 0, 0), 40);
  EXPECT_EQ(FrameGrey(pb.Picture(), 49, 39), 40);
  EXPECT_EQ(GreyAt(pb.Picture(), 50, 10), 0);
  // Wholly off the screen: nothing drawn, the time still kept.
  const uint64_t changes = pb.Changes();
  Play("edge,900,0,0");
  EXPECT_EQ(pb.Changes(), changes);
  EXPECT_EQ(host.sleeps, (std::vector<uint32_t>{10, 10}));
  Play("edge,100,-2000000000,0");
  EXPECT_EQ(pb.Changes(), changes);
  // animq enlarged past the corner.
  EntryBuilder builder(10, 200, 100);
  builder.Frame(kKey, GreyFrame(80, 200, 100));
  Archive({{"EDGE2", builder.Bytes()}});
  Play("edge2,600,500,0", true);
  EXPECT_EQ(FrameGrey(pb.Picture(), 799, 599), 80);
}

TEST_F(AnimationPlayerTest, EnlargingByDoublingMakesSolidTwoByTwoBlocks) {
  Bitmap24 source(2, 2);
  const uint8_t colours[4][3] = {{1, 2, 3}, {40, 50, 60}, {70, 80, 90}, {200, 210, 220}};
  for (int i = 0; i < 4; ++i)
    std::copy(colours[i], colours[i] + 3, source.Row(i / 2) + 3 * (i % 2));
  Bitmap24 enlarged;
  EnlargeFrame(source, enlarged, 0);
  ASSERT_EQ(enlarged.Width(), 4);
  ASSERT_EQ(enlarged.Height(), 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      const uint8_t* expected = colours[(y / 2) * 2 + x / 2];
      const uint8_t* p = enlarged.Row(y) + 3 * x;
      EXPECT_TRUE(std::equal(expected, expected + 3, p)) << x << "," << y;
    }
  }
}

TEST_F(AnimationPlayerTest, EnlargingByAveragingHalvesNeighboursAndKeepsTheLastColumnsAndRows) {
  // One channel: a source row (0, 200) gives 0, 100 in the first two destination columns.
  Bitmap24 source(2, 2);
  source.Row(0)[0] = 0;
  source.Row(0)[3] = 200;
  source.Row(1)[0] = 100;
  source.Row(1)[3] = 51;
  Bitmap24 fresh;
  EnlargeFrame(source, fresh, 1);
  ASSERT_EQ(fresh.Width(), 4);
  EXPECT_EQ(fresh.Row(0)[0], 0);
  EXPECT_EQ(fresh.Row(0)[3], 100);
  // Row 1 averages rows 0 and 2; row 2 is never produced, so it is black in a new picture.
  EXPECT_EQ(fresh.Row(1)[0], 0);
  EXPECT_EQ(fresh.Row(1)[3], 50);
  for (int y = 0; y < 4; ++y) {
    for (int x = 2; x < 4; ++x) EXPECT_EQ(fresh.Row(y)[3 * x], 0) << x << "," << y;
  }
  EXPECT_EQ(fresh.Row(2)[0], 0);
  EXPECT_EQ(fresh.Row(3)[3], 0);

  // An enlarged picture of the right size keeps what it held there.
  Bitmap24 held = Solid(4, 4, 77, 77, 77);
  EnlargeFrame(source, held, 1);
  EXPECT_EQ(held.Row(0)[0], 0);
  EXPECT_EQ(held.Row(0)[3], 100);
  EXPECT_EQ(held.Row(1)[0], 38) << "half of 0 and half of the 77 held in row 2";
  EXPECT_EQ(held.Row(1)[3], 50 + 38);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(held.Row(y)[3 * 2], 77);
    EXPECT_EQ(held.Row(y)[3 * 3 + 1], 77);
  }
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(held.Row(2)[3 * x], 77);
    EXPECT_EQ(held.Row(3)[3 * x + 2], 77);
  }

  // A 3 x 3 source: every byte half of one neighbour plus half of the other, rounding down
  // each half.
  Bitmap24 three(3, 3);
  const uint8_t values[3][3] = {{11, 101, 255}, {3, 7, 9}, {250, 251, 252}};
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) three.Row(y)[3 * x + 1] = values[y][x];
  }
  Bitmap24 big;
  EnlargeFrame(three, big, 2);
  auto g = [&](int x, int y) { return static_cast<int>(big.Row(y)[3 * x + 1]); };
  EXPECT_EQ(g(0, 0), 11);
  EXPECT_EQ(g(1, 0), 5 + 50);
  EXPECT_EQ(g(2, 0), 101);
  EXPECT_EQ(g(3, 0), 50 + 127);
  EXPECT_EQ(g(0, 2), 3);
  EXPECT_EQ(g(1, 2), 1 + 3);
  EXPECT_EQ(g(1, 1), (55 >> 1) + (4 >> 1));
  EXPECT_EQ(g(3, 1), (177 >> 1) + (7 >> 1));
  EXPECT_EQ(g(3, 3), (7 >> 1) + 0) << "row 4 is never produced";
  EXPECT_EQ(g(0, 3), (3 >> 1) + 0);
  EXPECT_EQ(g(4, 0), 0) << "the last two columns stay black";
  EXPECT_EQ(g(0, 4), 0) << "the last two rows stay black";
}

TEST_F(AnimationPlayerTest, TheDoubledFormUsesTheQualitySetting) {
  EntryBuilder builder(10, 2, 2);
  builder.Frame(kKey, GreyFrame(200, 2, 2));
  Archive({{"Q", builder.Bytes()}});
  settings.AnimQuality = 0;
  Play("q,0,0,0", true);
  EXPECT_EQ(FrameGrey(pb.Picture(), 3, 3), 200) << "doubled: every pixel";
  pb.Draw() = Bitmap24(kScreenWidth, kScreenHeight);
  settings.AnimQuality = 1;
  Play("q,0,0,0", true);
  EXPECT_EQ(FrameGrey(pb.Picture(), 0, 0), 200);
  EXPECT_EQ(GreyAt(pb.Picture(), 3, 3), 0) << "averaging leaves the last column and row";
}

TEST_F(AnimationPlayerTest, AClickEndsTheAnimationOnlyWhenTheConditionHolds) {
  Archive({{"TALK", KeyFrames(6, 100)}});
  Probe(4, 4);
  host.clickAt = 150;
  Play("talk,0,0,0");
  EXPECT_EQ(host.PresentTimes(), (std::vector<uint32_t>{0, 100, 200, 300, 400, 500, 600}));
  EXPECT_EQ(state.S(sv::kAnimationCut), 0);
  EXPECT_EQ(flags.InterruptRequest, Interrupt::Click) << "the request is left for `gra`";

  state.V(1) = 1;
  host.clickAt = 150;
  Play("talk,0,0,V001");
  // The click arrives with frame 2's messages: the animation stops after it, and its last
  // frame is still drawn as the end.
  EXPECT_EQ(host.PresentTimes(), (std::vector<uint32_t>{0, 100, 200, 300}));
  EXPECT_EQ(KeyGreys(), (std::vector<int>{20, 40, 60, 120}));
  EXPECT_EQ(state.S(sv::kAnimationCut), 1);
  EXPECT_EQ(flags.InterruptRequest, Interrupt::Click);
  EXPECT_EQ(FrameGrey(stage.Buffers().StageBuffer, 4, 4), 120);

  // A click left from before the animation belongs to no animation.
  state.S(sv::kAnimationCut) = 0;
  flags.InterruptRequest = Interrupt::Click;
  Play("talk,0,0,1");
  EXPECT_EQ(host.presents.size(), 7u);
  EXPECT_EQ(state.S(sv::kAnimationCut), 0);
}

TEST_F(AnimationPlayerTest, TheConditionIsEvaluatedOnceBeforePlaying) {
  Archive({{"TALK", KeyFrames(4, 100)}});
  state.V(1) = 1;
  host.clickAt = 150;
  host.onMessages = [&] { state.V(1) = 0; };
  Play("talk,0,0,V001");
  EXPECT_EQ(host.PresentTimes(), (std::vector<uint32_t>{0, 100, 200, 300}))
      << "stopped although V001 is 0 by then";
  EXPECT_EQ(state.S(sv::kAnimationCut), 1);
}

TEST_F(AnimationPlayerTest, TheEngineIsHeldWhileItPlaysAndGivenBackAfter) {
  Archive({{"HOLD", KeyFrames(3, 40)}});
  flags.InterruptRequest = Interrupt::Click;
  Play("hold,0,0,0");
  ASSERT_EQ(host.rounds.size(), 3u);
  for (const auto& round : host.rounds) {
    EXPECT_TRUE(round.busy);
    EXPECT_TRUE(round.effectRunning);
    EXPECT_TRUE(round.menuLocked);
  }
  EXPECT_FALSE(flags.Busy);
  EXPECT_FALSE(flags.EffectRunning);
  EXPECT_FALSE(flags.MenuLocked);
  EXPECT_EQ(engine.menuRefreshes, 2) << "the menu bar disabled, then enabled again";
  EXPECT_EQ(flags.InterruptRequest, Interrupt::None) << "cleared as the animation started";
}

TEST_F(AnimationPlayerTest, AnEffectSoundStillPlayingAtTheEndIsCut) {
  const Pcm tone = Tone(22050, 1, 10.0);
  EntryBuilder builder(50);
  builder.Frame(kKey, GreyFrame(20));
  builder.Frame(kKey, GreyFrame(40));
  builder.Sound(tools::EncodeWady(tone, {.coding = WadyCoding::Byte}));
  Archive({{"BANG", builder.Bytes()}});
  std::vector<bool> playing;
  host.onMessages = [&] { playing.push_back(sound.Slots().IsPlaying(kEmbeddedSoundSlot)); };
  Play("bang,0,0,0");
  EXPECT_EQ(playing, (std::vector<bool>{true, true}));
  EXPECT_FALSE(sound.Slots().Holds(kEmbeddedSoundSlot)) << "slot 5 is empty after the animation";
  EXPECT_EQ(music.CurrentMode(), MusicStream::Mode::Idle);
}

TEST_F(AnimationPlayerTest, ALargeSoundStreamsAsMusicInPlaceOfTheTrackAndStopsAtTheEnd) {
  const Pcm tone = Tone(22050, 2, 2.0);
  std::vector<uint8_t> wady = tools::EncodeWady(tone, {.coding = WadyCoding::Byte});
  Archive({{"M01", wady}}, kMusicArchive);
  music.PlayMusicTrack(1);
  ASSERT_EQ(music.CurrentMode(), MusicStream::Mode::File);
  state.S(sv::kPlayingTrack) = 1;
  state.S(sv::kRequestedTrack) = 1;

  // A sound over 3,999,999 bytes: the WADY sound and whatever follows it in the entry.
  EntryBuilder builder(50);
  builder.Frame(kKey, GreyFrame(20));
  builder.Frame(kKey, GreyFrame(40));
  builder.Frame(kKey, GreyFrame(60));
  wady.resize(kLargestEmbeddedEffect + 1, 0);
  builder.Sound(wady);
  Archive({{"THEME", builder.Bytes()}});
  std::vector<MusicStream::Mode> modes;
  host.onMessages = [&] { modes.push_back(music.CurrentMode()); };
  Play("theme,0,0,0");
  EXPECT_EQ(modes, (std::vector<MusicStream::Mode>(3, MusicStream::Mode::Embedded)));
  EXPECT_EQ(music.CurrentMode(), MusicStream::Mode::Idle) << "no music after the animation";
  EXPECT_FALSE(sound.Slots().Holds(kMusicSlot));
  EXPECT_FALSE(sound.Slots().Holds(kEmbeddedSoundSlot));
  EXPECT_EQ(state.S(sv::kPlayingTrack), 1) << "S005 still names the old track";
}

TEST_F(AnimationPlayerTest, EntriesThatWouldBeReadOutsideThemAreRefusedWithOneTraceLine) {
  EntryBuilder empty(100);
  std::vector<uint8_t> noFrames = empty.Bytes();
  std::vector<uint8_t> shortArrays = KeyFrames(3, 100);
  shortArrays[0] = 0x88;  // 5000 frames claimed: arrays far longer than the entry
  shortArrays[1] = 0x13;
  EntryBuilder pastEnd(100);
  pastEnd.Frame(kKey, GreyFrame(20));
  pastEnd.Frame(kKey, GreyFrame(40));
  std::vector<uint8_t> dataPastEnd = pastEnd.Bytes();
  dataPastEnd.resize(dataPastEnd.size() - 10);
  EntryBuilder flat(100, 4, 0);
  flat.Frame(kKey, GreyFrame(20, 4, 4));
  Archive({{"NONE", noFrames},
           {"SHORT", shortArrays},
           {"CUT", dataPastEnd},
           {"TINY", {1, 0, 0}},
           {"WIDE", KeyFrames(2, 100, 801, 4)},
           {"FLAT", flat.Bytes()}});
  const Bitmap24 stageBefore = stage.Buffers().StageBuffer;
  const uint64_t changes = pb.Changes();
  int lines = 0;
  for (const auto& [name, doubled] : std::vector<std::pair<std::string, bool>>{{"none", false},
                                                                               {"short", false},
                                                                               {"cut", false},
                                                                               {"tiny", false},
                                                                               {"none", true},
                                                                               {"wide", true},
                                                                               {"flat", true},
                                                                               {"absent", false}}) {
    flags.InterruptRequest = Interrupt::Close;
    Play(name + ",0,0,1", doubled);
    EXPECT_EQ(TraceLines(), ++lines) << name;
    EXPECT_TRUE(host.rounds.empty()) << name;
    EXPECT_TRUE(host.sleeps.empty()) << name;
    EXPECT_EQ(pb.Changes(), changes) << name;
    EXPECT_EQ(stage.Buffers().StageBuffer, stageBefore) << name;
    EXPECT_EQ(flags.InterruptRequest, Interrupt::Close) << name << ": the engine is not touched";
    EXPECT_EQ(engine.menuRefreshes, 0);
  }
  EXPECT_NE(traceText.str().find("anim none: the entry has no frames"), std::string::npos)
      << traceText.str();
  EXPECT_NE(traceText.str().find("animq wide: "), std::string::npos);
  // A frame size the screen holds plays.
  Archive({{"WIDE", KeyFrames(2, 100, 400, 300)}});
  Play("wide,0,0,0", true);
  EXPECT_EQ(host.presents.size(), 2u);
}

TEST_F(AnimationPlayerTest, AFrameThatIsNoPictureDrawsNothingAndKeepsItsTime) {
  EntryBuilder builder(100);
  builder.Frame(kKey, GreyFrame(20));
  std::vector<uint8_t> garbage(300, 0x5A);
  builder.Frame(kKey, garbage);
  std::vector<uint8_t> cutShort = tools::EncodeJpeg(Solid(64, 48, 1, 2, 3), 95);
  cutShort.resize(cutShort.size() / 2);
  builder.Frame(kPartial, cutShort);
  builder.Frame(kKey, {});
  builder.Frame(kKey, GreyFrame(100));
  Archive({{"MIXED", builder.Bytes()}});
  Probe(4, 4);
  Play("mixed,0,0,0");
  EXPECT_EQ(host.PresentTimes(), (std::vector<uint32_t>{0, 400, 500}));
  EXPECT_EQ(host.sleeps, (std::vector<uint32_t>{100, 100, 100, 100, 100}));
  EXPECT_EQ(KeyGreys(), (std::vector<int>{20, 100, 100}));
  EXPECT_EQ(TraceLines(), 1) << traceText.str();
}

TEST_F(AnimationPlayerTest, ASoundPastTheEntryIsLeftOutAndTheFramesPlay) {
  EntryBuilder builder(100);
  builder.Frame(kKey, GreyFrame(20));
  builder.Frame(kKey, GreyFrame(40));
  builder.Sound({1, 2, 3, 4}, 5000);
  Archive({{"HUSH", builder.Bytes()}});
  bool embedded = false;
  host.onMessages = [&] { embedded = embedded || sound.Slots().Holds(kEmbeddedSoundSlot); };
  Play("hush,0,0,0");
  EXPECT_FALSE(embedded);
  EXPECT_EQ(host.presents.size(), 3u);
  EXPECT_EQ(TraceLines(), 1);
  EXPECT_NE(traceText.str().find("hush: the sound lies past"), std::string::npos)
      << traceText.str();
}

TEST_F(AnimationPlayerTest, APeriodOfZeroPlaysEveryFrameWithoutWaiting) {
  Archive({{"ZERO", KeyFrames(4, 0)}});
  host.cost = 5;
  Play("zero,0,0,0");
  EXPECT_EQ(host.presents.size(), 5u);
  EXPECT_TRUE(host.sleeps.empty());
}

TEST_F(AnimationPlayerTest, TheArgumentIsSplitAtCommasAndTheSecondArchiveSearched) {
  Archive({{"LATE", KeyFrames(2, 10)}}, "qe_anim2.tvk");
  Probe(33, 44);
  Play("late,33,44");
  EXPECT_EQ(host.presents.size(), 3u) << "found in qe_anim2.tvk, the condition missing";
  EXPECT_EQ(FrameGrey(pb.Picture(), 33, 44), 40);
  Play("late");
  EXPECT_EQ(FrameGrey(pb.Picture(), 0, 0), 40) << "no position: the top-left corner";
  Archive({{"LATE", KeyFrames(2, 10)}, {"OTHER", KeyFrames(1, 10)}}, "qe_anim.tvk");
  EXPECT_EQ(archives.FindAnimation("late")->archive, "qe_anim.tvk") << "the first archive first";
}

}  // namespace
}  // namespace tolven
