// What the engine plays, recorded headless with --audio-out on the virtual clock and read back
// sample by sample: voices with their volume, effect groups, looping effects, music requests,
// fades and the voice wait.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "audio/audio_fixtures.h"
#include "audio/wav_file.h"
#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int kOutputRate = 44100;

// A steady tone: a square wave keeps every sample at the full amplitude, so gains show exactly.
Pcm Square(int rate, int channels, double seconds, int16_t amplitude) {
  Pcm pcm{rate, channels, {}};
  const size_t frames = static_cast<size_t>(rate * seconds);
  for (size_t i = 0; i < frames; ++i) {
    const int16_t value = (i / 25) % 2 == 0 ? amplitude : static_cast<int16_t>(-amplitude);
    for (int c = 0; c < channels; ++c) pcm.samples.push_back(value);
  }
  return pcm;
}

class SoundRunTest : public ::testing::Test {
 protected:
  void Sound(const std::string& path, const Pcm& pcm) {
    const std::vector<uint8_t> bytes = WavBytes(pcm);
    testing::WriteFileBytes(dir_ / "src" / path, bytes);
  }
  void Script(const std::string& text) {
    testing::WriteFileText(dir_ / "src/scripts/main.txt", text);
  }

  // Builds and plays the game headless with its sound recorded; the recording and the dump.
  void Run(const std::string& events, const std::string& settings = "") {
    const auto built =
        testing::RunTool({"build-game", (dir_ / "src").string(), (dir_ / "game").string()});
    ASSERT_EQ(built.exitStatus, 0) << built.output;
    testing::WriteFileText(dir_ / "config/peluna2.ini", "[PELUNA2]\n" + settings);
    testing::WriteFileText(dir_ / "events.txt",
                           events + "dump " + (dir_ / "end.json").string() + "\n");
    const auto run = testing::RunTolven({"--headless", "--audio-out", (dir_ / "out.wav").string(),
                                         "--events", (dir_ / "events.txt").string(), "--config-dir",
                                         (dir_ / "config").string(), "--trace",
                                         (dir_ / "trace.txt").string(), (dir_ / "game").string()});
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    const auto wav = testing::ReadFileBytes(dir_ / "out.wav");
    std::string fault;
    std::optional<Pcm> recorded = ParseWav(wav, &fault);
    ASSERT_TRUE(recorded) << fault;
    ASSERT_EQ(recorded->rate, kOutputRate);
    ASSERT_EQ(recorded->channels, 2);
    out_ = std::move(*recorded);
    const auto text = testing::ReadFileBytes(dir_ / "end.json");
    dump_ = json::parse(text.begin(), text.end());
  }

  // The loudest left sample between two times, in milliseconds.
  int Peak(double fromMs, double toMs) const {
    const size_t from = static_cast<size_t>(fromMs * kOutputRate / 1000);
    const size_t to = std::min(out_.Frames(), static_cast<size_t>(toMs * kOutputRate / 1000));
    int peak = 0;
    for (size_t f = from; f < to; ++f) peak = std::max(peak, std::abs(out_.samples[2 * f]));
    return peak;
  }
  // The mean loudness of the left channel between two times: the coding's overshoot at the
  // square wave's edges barely moves it, so it shows the gain.
  double Level(double fromMs, double toMs) const {
    const size_t from = static_cast<size_t>(fromMs * kOutputRate / 1000);
    const size_t to = std::min(out_.Frames(), static_cast<size_t>(toMs * kOutputRate / 1000));
    double sum = 0;
    for (size_t f = from; f < to; ++f) sum += std::abs(out_.samples[2 * f]);
    return to > from ? sum / static_cast<double>(to - from) : 0;
  }
  // Milliseconds to the first sample that is not silence.
  double FirstSound() const {
    for (size_t f = 0; f < out_.Frames(); ++f) {
      if (out_.samples[2 * f] != 0) return 1000.0 * f / kOutputRate;
    }
    return -1;
  }
  double Seconds() const { return static_cast<double>(out_.Frames()) / kOutputRate; }

  testing::TempDir dir_;
  Pcm out_;
  json dump_;
};

TEST_F(SoundRunTest, AVoiceSoundsWhenItsLineRunsAtItsVolume) {
  Sound("voices/V_HELLO.wav", Square(22050, 1, 0.5, 10000));
  Script("*sleep 600\n*voice V_HELLO\n*sleep 3000\n");
  Run("wait 3000\n", "Vol1=-600\n");
  ASSERT_GE(Seconds(), 2.9) << "the recording runs with the virtual clock";
  const double start = FirstSound();
  // Twenty idle steps of 30 ms after the title start (sleep counts 600 / 30).
  EXPECT_GE(start, 600);
  EXPECT_LE(start, 700);
  // 10^(-600/2000) of 10000, within the coding's small error.
  EXPECT_NEAR(Level(start + 10, start + 400), 5012, 100);
  EXPECT_EQ(Peak(start + 520, 3000), 0) << "half a second, then silence";
}

TEST_F(SoundRunTest, EffectGroupsAndLoopingEffects) {
  Sound("effects/SEH2_BELL.wav", Square(22050, 1, 0.3, 8000));
  Sound("effects/loop/RAIN.wav", Square(22050, 1, 0.2, 6000));
  Script("*se SEH2_BELL\n*seloop RAIN\n*sleep 900\n*seoff\n*sleep 3000\n");
  Run("wait 3000\n", "SE2=0\nVol2=0\n");
  const double start = FirstSound();
  ASSERT_GE(start, 0) << "the looping effect plays";
  EXPECT_NEAR(Level(start + 10, start + 500), 6000, 120) << "only the loop: group 2 is off";
  EXPECT_GT(Peak(start + 500, start + 800), 0) << "it loops past its 0.2 s";
  EXPECT_EQ(Peak(start + 1100, 3000), 0) << "seoff ended it";
  EXPECT_EQ(dump_["sound"]["looping_effect"], "");
}

// The return to the title stops the music as the music command does, so the title's own tune
// starts even when it is the one that was playing; reached from the quit button's pop-up menu.
TEST_F(SoundRunTest, TheTitleStartsItsTuneAfterTheReturnToTheTitle) {
  Sound("music/M02.wav", Square(22050, 2, 2.0, 7000));
  Script("*music 2\nstory\n\\\n");
  testing::WriteFileText(dir_ / "src/scripts/main2.txt", "*music 2\ntitle\n\\\n");
  Run("until page\npress N6\npress SpeedButton1\npress N6\nclick 310 200\nuntil page\nwait 500\n",
      "Vol3=0\n");
  EXPECT_EQ(dump_["script"], "main2");
  EXPECT_EQ(dump_["sound"]["music"]["playing"], 2);
  EXPECT_TRUE(dump_["sound"]["music"]["streaming"]) << "the title's tune plays";
}

TEST_F(SoundRunTest, TheSameTrackGoesOnAndAFadeStopsTheMusic) {
  Sound("music/M03.wav", Square(22050, 2, 2.0, 7000));
  Script("*music 3\n*sleep 900\n*music 3\n*sleep 900\n*music -30\n*sleep 30000\n");
  Run("wait 700\ndump " + (dir_ / "playing.json").string() + "\nwait 700\ndump " +
          (dir_ / "again.json").string() + "\nwait 9000\n",
      "Vol3=0\n");
  const auto read = [&](const char* name) {
    const auto text = testing::ReadFileBytes(dir_ / name);
    return json::parse(text.begin(), text.end());
  };
  const json playing = read("playing.json");
  const json again = read("again.json");
  ASSERT_EQ(playing["sound"]["music"]["playing"], 3);
  EXPECT_TRUE(again["sound"]["music"]["streaming"]);
  // A restart would begin the ring again; the same request lets it run on.
  const int before = playing["sound"]["slots"][0]["position"];
  const int after = again["sound"]["slots"][0]["position"];
  EXPECT_GT(after, before);
  EXPECT_FALSE(dump_["sound"]["music"]["streaming"]) << "the fade ended the music";
  const double start = FirstSound();
  EXPECT_GT(Peak(start, start + 1000), 6000);
  // Thirty steps of -30 ... the fade runs 101 ticks (5.6 s) and then the stream stops.
  EXPECT_EQ(Peak(start + 2 * 900 + 101 * 55 + 500, Seconds() * 1000), 0);
}

TEST_F(SoundRunTest, WaitVoiceEndHoldsTheScriptUntilTheVoiceEnds) {
  Sound("voices/V_LONG.wav", Square(22050, 1, 1.5, 9000));
  Script("*voice V_LONG\n*wait_v_end\n!V001=1\n*sleep 3000\n");
  Run("wait 1000\ndump " + (dir_ / "during.json").string() + "\nwait 2000\n");
  const auto text = testing::ReadFileBytes(dir_ / "during.json");
  const json during = json::parse(text.begin(), text.end());
  EXPECT_TRUE(during["waits"]["voice_wait"]) << "still waiting one second in";
  EXPECT_EQ(during["V"].count("1"), 0u);
  EXPECT_EQ(dump_["V"]["1"], 1) << "the script went on after the voice";
}

// The Ogg archives are searched before the WADY ones.
TEST_F(SoundRunTest, AVoiceInBothFormatsPlaysTheOggOne) {
  Sound("voices/V_BOTH.wav", Square(22050, 1, 0.5, 12000));
  testing::WriteFileBytes(dir_ / "src/voices/V_BOTH.ogg",
                          testing::OggBytes(Square(22050, 1, 0.5, 4000), 0));
  Script("*voice V_BOTH\n*sleep 3000\n");
  Run("wait 2000\n");
  const double start = FirstSound();
  ASSERT_GE(start, 0);
  EXPECT_NEAR(Level(start + 10, start + 400), 4000, 200) << "the Ogg voice, not the WADY one";
}

// With music switched off the request is kept and nothing plays.
TEST_F(SoundRunTest, MusicSwitchedOffKeepsTheRequestSilently) {
  Sound("music/M07.wav", Square(22050, 2, 2.0, 7000));
  Script("*music 7\n*sleep 3000\n");
  Run("wait 2000\n", "BGM=1\n");
  EXPECT_EQ(dump_["S"]["3"], 7);
  EXPECT_EQ(dump_["S"].count("5"), 0u) << "S005 stays 0";
  EXPECT_EQ(FirstSound(), -1) << "silence throughout";
}

}  // namespace
}  // namespace tolven
