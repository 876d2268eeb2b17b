// The mix of the eight slots, read back sample by sample.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/audio_device.h"
#include "audio/mixer.h"
#include "audio/wav_file.h"
#include "test_support.h"

namespace tolven {
namespace {

Pcm Sound(int rate, int channels, std::vector<int16_t> samples) {
  return Pcm{rate, channels, std::move(samples)};
}

std::vector<int16_t> Mix(Mixer& mixer, size_t frames) {
  std::vector<int16_t> out(frames * 2, 0x5555);
  mixer.Mix(out);
  return out;
}

TEST(Mixer, PlaysOutputRateStereoUnchangedAndMonoOnBothSides) {
  Mixer mixer;
  mixer.Play(0, Sound(kOutputRate, 2, {1, -2, 300, -400, 32767, -32768}), 0, false);
  EXPECT_EQ(Mix(mixer, 4), (std::vector<int16_t>{1, -2, 300, -400, 32767, -32768, 0, 0}));
  EXPECT_FALSE(mixer.IsPlaying(0));
  EXPECT_TRUE(mixer.Holds(0));  // a finished sound stays in its slot

  mixer.Play(6, Sound(kOutputRate, 1, {7, -8}), 0, false);
  EXPECT_EQ(Mix(mixer, 2), (std::vector<int16_t>{7, 7, -8, -8}));
}

TEST(Mixer, VolumesAreHundredthsOfADecibel) {
  struct Case {
    int volume;
    int master;
    int16_t expected;  // of a 10000 sample
  };
  const Case cases[] = {{0, 0, 10000},  {-600, 0, 5012}, {-2000, 0, 1000}, {-1000, -1000, 1000},
                        {-10000, 0, 0}, {-30000, 0, 0},  {500, 0, 10000},  {-800, 0, 3981}};
  for (const Case& c : cases) {
    Mixer mixer;
    mixer.SetMasterVolume(c.master);
    mixer.Play(3, Sound(kOutputRate, 1, {10000}), c.volume, false);
    EXPECT_EQ(Mix(mixer, 1)[0], c.expected) << c.volume << " / master " << c.master;
  }
  Mixer mixer;
  mixer.Play(1, Sound(kOutputRate, 1, {10000, 10000}), 0, false);
  Mix(mixer, 1);
  mixer.SetVolume(1, -2000);  // a change reaches a sound that is playing
  EXPECT_EQ(Mix(mixer, 1)[0], 1000);
  mixer.SetVolume(2, -2000);  // an empty slot keeps nothing
  EXPECT_EQ(mixer.Volume(2), 0);
}

TEST(Mixer, ConvertsRatesByStraightLinesAndClipsTheSum) {
  Mixer mixer;
  mixer.Play(0, Sound(kOutputRate / 2, 1, {0, 1000, -1000, 3000}), 0, false);
  EXPECT_EQ(Mix(mixer, 8), (std::vector<int16_t>{0, 0, 500, 500, 1000, 1000, 0, 0, -1000, -1000,
                                                 1000, 1000, 3000, 3000, 3000, 3000}));
  mixer.Play(0, Sound(kOutputRate, 1, {30000, -30000}), 0, false);
  mixer.Play(7, Sound(kOutputRate, 1, {30000, -30000}), 0, false);
  EXPECT_EQ(Mix(mixer, 2), (std::vector<int16_t>{32767, 32767, -32768, -32768}));
}

TEST(Mixer, LoopsWithoutEndAndWrapsItsPosition) {
  Mixer mixer;
  mixer.Play(2, Sound(kOutputRate, 1, {1, 2, 3}), 0, true);
  std::vector<int16_t> left;
  const std::vector<int16_t> out = Mix(mixer, 7);
  for (size_t i = 0; i < out.size(); i += 2) left.push_back(out[i]);
  EXPECT_EQ(left, (std::vector<int16_t>{1, 2, 3, 1, 2, 3, 1}));
  EXPECT_TRUE(mixer.IsPlaying(2));
  EXPECT_EQ(mixer.PlayFrame(2), 1u);
}

TEST(Mixer, TheRingIsWrittenWhilePlayingAndNeverPastItsEnd) {
  Mixer mixer;
  mixer.Play(3, Sound(kOutputRate, 2, std::vector<int16_t>(8, 0)), 0, true);
  Mix(mixer, 1);
  const std::vector<int16_t> piece = {5, 6, 7, 8};
  EXPECT_TRUE(mixer.Write(3, 2, piece));
  EXPECT_FALSE(mixer.Write(3, 3, piece));  // would pass the end
  EXPECT_FALSE(mixer.Write(5, 0, piece));  // empty slot
  EXPECT_FALSE(mixer.Write(9, 0, piece));  // no such slot
  EXPECT_EQ(Mix(mixer, 3), (std::vector<int16_t>{0, 0, 5, 6, 7, 8}));
}

TEST(Mixer, EmptySlotsAndUnplayableSoundsAreSilent) {
  Mixer mixer;
  EXPECT_EQ(Mix(mixer, 2), (std::vector<int16_t>{0, 0, 0, 0}));
  mixer.Play(0, Sound(kOutputRate, 3, {100, 100, 100}), 0, false);
  mixer.Play(1, Sound(5, 1, {100}), 0, false);
  mixer.Play(2, Sound(kOutputRate, 1, {}), 0, true);
  EXPECT_EQ(Mix(mixer, 1), (std::vector<int16_t>{0, 0}));
  mixer.Empty(1);
  EXPECT_FALSE(mixer.Holds(1));
  EXPECT_TRUE(mixer.Holds(0));
}

TEST(RecordingAudioDevice, RecordsWhatIsDueOnTheVirtualClockAsAWaveFile) {
  testing::TempDir dir;
  Mixer mixer;
  mixer.Play(0, Sound(kOutputRate, 1, std::vector<int16_t>(kOutputRate, 1234)), 0, false);
  RecordingAudioDevice device(dir / "out.wav");
  ASSERT_TRUE(device.Open(mixer));
  device.AdvanceTo(10);
  device.AdvanceTo(5);  // time never runs back
  EXPECT_EQ(device.FramesRecorded(), 441u);
  device.AdvanceTo(2000);
  device.Close();
  const std::vector<uint8_t> bytes = testing::ReadFileBytes(dir / "out.wav");
  const auto pcm = ParseWav(bytes, nullptr);
  ASSERT_TRUE(pcm);
  EXPECT_EQ(pcm->rate, kOutputRate);
  EXPECT_EQ(pcm->channels, 2);
  ASSERT_EQ(pcm->Frames(), 2u * kOutputRate);
  EXPECT_EQ(pcm->samples[0], 1234);
  EXPECT_EQ(pcm->samples[2 * kOutputRate - 1], 1234);
  EXPECT_EQ(pcm->samples[2 * kOutputRate], 0);  // the one-second sound is over

  RecordingAudioDevice nowhere(dir / "no" / "such" / "folder.wav");
  EXPECT_FALSE(nowhere.Open(mixer));
  NullAudioDevice none;
  EXPECT_FALSE(none.Present());
  EXPECT_FALSE(none.Open(mixer));
}

}  // namespace
}  // namespace tolven
