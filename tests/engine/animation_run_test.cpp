// Animations in a game: `anim` and `animq` played by the real binary from an animation archive
// written into the built game, what stays on the screen after them, clicks and close requests
// that reach them, their music streamed from the animation's own archive, and hostile entries
// that the script runs past.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "audio/wav_file.h"
#include "base/engine_values.h"
#include "engine/form1.h"
#include "engine_rig.h"
#include "game_run.h"
#include "resources/png_io.h"
#include "screens/animation_rig.h"
#include "tools/archive_writer.h"
#include "tools/wady_encoder.h"

namespace tolven {
namespace {

using testing::EntryBuilder;
using testing::FrameGrey;
using testing::GreyFrame;
using testing::KeyFrames;

class AnimationRunTest : public testing::GameRunTest {
 protected:
  // The game's qe_anim.tvk, written after the game is built.
  void Animations(const std::vector<tools::ArchiveInput>& entries) {
    testing::WriteFileBytes(dir_ / "game" / "qe_anim.tvk",
                            tools::BuildArchive(ArchiveLayout::B, entries));
  }
  Bitmap24 Shot(const std::string& name) {
    Bitmap24 picture;
    std::string why;
    EXPECT_TRUE(DecodePng(testing::ReadFileBytes(dir_ / name), picture, why)) << name << why;
    return picture;
  }
  testing::CommandResult Run(const std::string& events, std::vector<std::string> options = {}) {
    options.insert(options.end(), {"--trace", Path("trace.txt")});
    return RunGame(events, options);
  }
  std::string TraceText() {
    const std::vector<uint8_t> bytes = testing::ReadFileBytes(dir_ / "trace.txt");
    return std::string(bytes.begin(), bytes.end());
  }
  nlohmann::json Interrupted(const std::string& input, const std::string& condition);
  static int S(const nlohmann::json& dump, int index) {
    const nlohmann::json& values = dump.at("S");
    auto found = values.find(std::to_string(index));
    return found == values.end() ? 0 : found->get<int>();
  }
};

TEST_F(AnimationRunTest, AnimLeavesItsLastFrameAndAnimqAWhiteStage) {
  Script("main",
         "*anim walk,100,50,0\n"
         "Walked.\n\\\n"
         "*animq small,200,100,0\n"
         "Doubled.\n\\\n");
  BuildGame();
  EntryBuilder small(50, 40, 30);
  small.Frame(testing::kKeyFrame, GreyFrame(60, 40, 30));
  small.Frame(testing::kKeyFrame, GreyFrame(160, 40, 30));
  Animations({{"WALK", KeyFrames(6, 50)}, {"SMALL", small.Bytes()}});
  const auto run = Run("until page\nshot " + Path("anim.png") + "\ndump " + Path("anim.json") +
                       "\nclick 400 300\nuntil page\nshot " + Path("animq.png") + "\ndump " +
                       Path("animq.json") + "\nquit\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;

  // The page is drawn over the stage, which holds the last frame (grey 120, 64 x 48 at 100, 50).
  const Bitmap24 anim = Shot("anim.png");
  EXPECT_EQ(FrameGrey(anim, 100, 50), 120);
  EXPECT_EQ(FrameGrey(anim, 163, 97), 120);
  EXPECT_EQ(FrameGrey(anim, 99, 50), 0);
  EXPECT_EQ(FrameGrey(anim, 164, 97), 0);
  // After animq the stage is white all over: nothing of its frames stays.
  const Bitmap24 animq = Shot("animq.png");
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{
           {0, 0}, {100, 50}, {200, 100}, {279, 159}, {400, 300}, {799, 0}}) {
    EXPECT_EQ(testing::GreyAt(animq, x, y), 255) << x << "," << y;
  }
  EXPECT_EQ(Dump("animq.json")["script"], "main");
  EXPECT_EQ(TraceText().find("anim walk:"), std::string::npos) << TraceText();
}

// Twelve frames of 250 ms; the input comes 600 ms into the run, while the animation plays.
// The dump after it and a shot of the screen.
nlohmann::json AnimationRunTest::Interrupted(const std::string& input,
                                             const std::string& condition) {
  Script("main", "!V010=" + condition + "\n*anim long,0,0,V010\n!V001=1\nNext.\n\\\n");
  BuildGame();
  Animations({{"LONG", KeyFrames(12, 250)}});
  const auto run = Run("wait 600\n" + input + "\nuntil page\nshot " + Path("after.png") +
                       "\ndump " + Path("after.json") + "\nquit\n");
  EXPECT_EQ(run.exitStatus, 0) << run.output;
  const nlohmann::json dump = Dump("after.json");
  EXPECT_EQ(dump["V"]["1"], 1) << "the script goes on after the animation";
  EXPECT_EQ(FrameGrey(Shot("after.png"), 10, 10), 240) << "the last frame ends it either way";
  return dump;
}

TEST_F(AnimationRunTest, AClickEndsAnInterruptibleAnimation) {
  EXPECT_EQ(S(Interrupted("click 10 10", "1"), sv::kAnimationCut), 1);
}

TEST_F(AnimationRunTest, ACloseRequestEndsAnInterruptibleAnimationAndTheWindowStays) {
  EXPECT_EQ(S(Interrupted("quit", "1"), sv::kAnimationCut), 1);
}

TEST_F(AnimationRunTest, AClickDoesNotEndAnAnimationWhoseConditionIsZero) {
  EXPECT_EQ(S(Interrupted("click 10 10", "0"), sv::kAnimationCut), 0);
}

TEST_F(AnimationRunTest, HostileEntriesAreRunPastCleanly) {
  Script("main",
         "*anim none,0,0,1\n"
         "*anim short,0,0,1\n"
         "*anim cut,0,0,1\n"
         "*anim garbage,300,200,1\n"
         "*anim loud,0,0,1\n"
         "*animq wide,0,0,1\n"
         "*animq garbage,0,0,1\n"
         "*anim missing,0,0,1\n"
         "!V001=1\n"
         "End.\n\\\n");
  BuildGame();
  EntryBuilder none(100);
  std::vector<uint8_t> shortArrays = KeyFrames(3, 100);
  shortArrays[2] = 1;  // 65,539 frames claimed
  std::vector<uint8_t> cut = KeyFrames(3, 100);
  cut.resize(cut.size() - 1);
  EntryBuilder garbage(40, 64, 48);
  garbage.Frame(testing::kKeyFrame, std::vector<uint8_t>(500, 0xD8));
  garbage.Frame(testing::kPartialFrame, std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xE0}, -900, 900);
  garbage.Frame(testing::kCatchUpFrame, std::vector<uint8_t>(30, 0));
  garbage.Frame(testing::kKeyFrame, GreyFrame(100));
  garbage.Frame(77, GreyFrame(20));
  garbage.Frame(testing::kKeyFrame, std::vector<uint8_t>());
  EntryBuilder loud(40);
  loud.Frame(testing::kKeyFrame, GreyFrame(60));
  loud.Sound({1, 2, 3}, 0xFFFFFFF0u);
  Animations({{"NONE", none.Bytes()},
              {"SHORT", shortArrays},
              {"CUT", cut},
              {"GARBAGE", garbage.Bytes()},
              {"LOUD", loud.Bytes()},
              {"WIDE", KeyFrames(1, 100, 801, 2)}});
  const auto run = Run("until page\ndump " + Path("end.json") + "\nquit\n");
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_EQ(Dump("end.json")["V"]["1"], 1);
  const std::string trace = TraceText();
  for (const char* line :
       {"anim none: the entry has no frames; not played", "anim short: the frame table",
        "anim cut: frame 2 lies past the entry's end", "anim loud: the sound lies past",
        "animq wide: a frame size of 801x2", "anim missing: no such animation",
        "anim garbage: 4 reads of frame data", "animq garbage: 4 reads of frame data"}) {
    EXPECT_NE(trace.find(line), std::string::npos) << line << "\n" << trace;
  }
}

TEST_F(AnimationRunTest, AnAnimationsMusicStreamsFromItsArchiveWhileItPlays) {
  Script("main",
         "*anim theme,0,0,0\n"
         "*sleep 50\n"
         "After.\n\\\n");
  BuildGame();
  // Two seconds of frames over a one-second tone that loops: the music is refilled from the
  // animation's archive by the timer ticks that run between the frames.
  const Pcm tone = testing::Tone(22050, 2, 1.0);
  std::vector<uint8_t> wady = tools::EncodeWady(tone, {.coding = WadyCoding::Byte, .loopFrame = 0});
  wady.resize(kLargestEmbeddedEffect + 1, 0);
  EntryBuilder theme(100);
  for (int i = 0; i < 20; ++i) theme.Frame(testing::kKeyFrame, GreyFrame(20));
  theme.Sound(wady);
  Animations({{"THEME", theme.Bytes()}});
  testing::WriteFileText(dir_ / "config" / "peluna2.ini", "[PELUNA2]\n");
  const auto run = Run("until page\ndump " + Path("end.json") + "\nwait 500\nquit\n",
                       {"--audio-out", Path("out.wav")});
  ASSERT_EQ(run.exitStatus, 0) << run.output;
  const std::vector<uint8_t> wav = testing::ReadFileBytes(dir_ / "out.wav");
  std::string fault;
  const std::optional<Pcm> out = ParseWav(wav, &fault);
  ASSERT_TRUE(out) << fault;
  auto peak = [&](double fromMs, double toMs) {
    int loudest = 0;
    const auto from = static_cast<size_t>(fromMs * out->rate / 1000);
    const auto to = std::min(out->Frames(), static_cast<size_t>(toMs * out->rate / 1000));
    for (size_t f = from; f < to; ++f) {
      loudest = std::max(loudest, std::abs(out->samples[f * out->channels]));
    }
    return loudest;
  };
  // The animation starts with the first idle steps and runs two seconds.
  ASSERT_GT(out->Frames(), static_cast<size_t>(out->rate * 5 / 2)) << "the run goes on after it";
  const int level = peak(100, 200);
  EXPECT_GT(level, 1000);
  for (double at = 300; at < 1900; at += 200) {
    EXPECT_NEAR(peak(at, at + 100), level, level / 20) << "steady at " << at << " ms";
  }
  EXPECT_LT(peak(2300, 2500), 10) << "no music after the animation";
  const nlohmann::json dump = Dump("end.json");
  EXPECT_FALSE(dump["sound"]["music"]["streaming"]);
  EXPECT_EQ(dump["sound"]["music"]["playing"], 0) << "S005 as it was";
}

// The engine object itself on a host whose messages close the window during the animation.
class ClosingHost final : public testing::TestHost {
 public:
  void ProcessMessages() override {
    if (form == nullptr || !form->Flags().EffectRunning) return;
    if (++rounds == 3) form->Close();
  }
  TForm1* form = nullptr;
  int rounds = 0;
};

TEST(AnimationEngineTest, ACloseRequestDuringAnAnimationIsLeftForTheEngineAndDoesNotClose) {
  testing::TempDir dir;
  testing::WriteFileBytes(
      dir.Path() / "game" / "qe_data.tvk",
      tools::BuildArchive(
          ArchiveLayout::A,
          {{"main", testing::ScriptBytes("*anim long,0,0,0\n!V001=1\n*sleep 5\n")}}));
  testing::WriteFileBytes(dir.Path() / "game" / "qe_anim.tvk",
                          tools::BuildArchive(ArchiveLayout::B, {{"LONG", KeyFrames(6, 100)}}));
  testing::WriteFileText(dir.Path() / "config" / "peluna2.ini", "[PELUNA2]\n");
  ClosingHost host;
  Trace trace;
  EngineOptions options;
  options.gameDirectory = dir.Path() / "game";
  options.configDirectory = dir.Path() / "config";
  options.seed = 7;
  TForm1 form(host, trace, options);
  host.form = &form;
  form.FormCreate();
  for (int i = 0; i < 100 && form.State().V(1) == 0; ++i) form.AppIdle();
  EXPECT_EQ(host.rounds, 6) << "the animation played to its end: its condition is 0";
  EXPECT_EQ(form.State().V(1), 1);
  EXPECT_FALSE(form.Closed());
  EXPECT_EQ(form.Flags().InterruptRequest, Interrupt::Close) << "left set after the animation";
  EXPECT_FALSE(form.Flags().EffectRunning);
  EXPECT_FALSE(form.Flags().Busy);
  EXPECT_EQ(form.State().S(sv::kAnimationCut), 0);
}

}  // namespace
}  // namespace tolven
