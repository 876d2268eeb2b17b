// The window's SDL sound output, on SDL's dummy and disk drivers (no sound card needed).
#include "platform/sdl_audio_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/eventually.h"
#include "platform/scoped_environment.h"
#include "test_support.h"

namespace tolven {
namespace {

using testing::Eventually;
using testing::ScopedEnvironment;

// A stereo sound at the output rate whose every sample differs from its neighbours, so that
// any dropped, repeated or reordered sample shows.
Pcm Pattern(size_t frames) {
  Pcm pcm;
  pcm.rate = kOutputRate;
  pcm.channels = 2;
  for (size_t i = 0; i < frames * 2; ++i) {
    pcm.samples.push_back(static_cast<int16_t>(1000 + (i * 7919) % 20000));
  }
  return pcm;
}

TEST(SdlAudioDeviceTest, AnOutputThatCannotOpenIsNoDevice) {
  ScopedEnvironment driver("SDL_AUDIODRIVER", "no-such-driver");
  SdlAudioDevice device;
  Mixer mixer;
  EXPECT_FALSE(device.Present());
  EXPECT_FALSE(device.Audible());
  EXPECT_FALSE(device.Open(mixer));
  device.Close();
}

TEST(SdlAudioDeviceTest, TheDummyDriverPullsTheMixerUntilClosed) {
  ScopedEnvironment driver("SDL_AUDIODRIVER", "dummy");
  SdlAudioDevice device;
  ASSERT_TRUE(device.Present());
  EXPECT_FALSE(device.Audible()) << "the dummy driver reaches no speaker";
  Mixer mixer;
  mixer.Play(2, Pattern(4410), 0, true);
  ASSERT_TRUE(device.Open(mixer));
  // The looping slot moves on only when the callback mixes.
  const size_t start = mixer.PlayFrame(2);
  EXPECT_TRUE(Eventually([&] { return mixer.PlayFrame(2) != start; }));
  device.Close();
  const size_t closedAt = mixer.PlayFrame(2);
  // Nothing is meant to happen here, so there is nothing to wait for: the pause only gives a
  // callback that outlived Close the time to show itself (a busy machine can hide it, never
  // fail a right Close).
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(mixer.PlayFrame(2), closedAt) << "the callback ran after Close returned";
}

TEST(SdlAudioDeviceTest, TheOutputCarriesTheSlotsSamplesExactly) {
  testing::TempDir dir;
  const auto file = dir / "out.raw";
  ScopedEnvironment driver("SDL_AUDIODRIVER", "disk");
  ScopedEnvironment output("SDL_DISKAUDIOFILE", file.string());
  const Pcm sound = Pattern(2205);
  {
    SdlAudioDevice device;
    ASSERT_TRUE(device.Present());
    Mixer mixer;
    mixer.Play(1, sound, 0, false);
    ASSERT_TRUE(device.Open(mixer));
    EXPECT_TRUE(Eventually([&] { return !mixer.IsPlaying(1); }));
    device.Close();
  }
  const std::vector<uint8_t> bytes = testing::ReadFileBytes(file);
  std::vector<int16_t> written(bytes.size() / 2);
  std::copy_n(bytes.data(), written.size() * 2, reinterpret_cast<uint8_t*>(written.data()));
  // The driver may write silence before the device is unpaused; the sound follows whole.
  const auto first = std::find_if(written.begin(), written.end(), [](int16_t s) { return s != 0; });
  ASSERT_NE(first, written.end()) << "nothing but silence was written";
  const auto offset = static_cast<size_t>(first - written.begin());
  EXPECT_EQ(offset % 2, 0u) << "the sound does not start on a whole frame";
  ASSERT_GE(written.size() - offset, sound.samples.size());
  EXPECT_TRUE(std::equal(sound.samples.begin(), sound.samples.end(), first));
  EXPECT_TRUE(std::all_of(first + static_cast<std::ptrdiff_t>(sound.samples.size()), written.end(),
                          [](int16_t s) { return s == 0; }))
      << "a one-shot sound is followed by silence";
}

}  // namespace
}  // namespace tolven
