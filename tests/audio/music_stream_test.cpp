// Music streamed through the ring as a player hears it: the mix read back tick by tick.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "audio/music_stream.h"
#include "audio_fixtures.h"
#include "base/engine_values.h"
#include "test_support.h"
#include "tools/wady_encoder.h"

namespace tolven {
namespace {

using testing::Sine;

// Output frames of one 55 ms timer tick (44,100 Hz output).
constexpr size_t kTickFrames = 2425;

std::vector<uint8_t> Track(const Pcm& pcm, size_t loopFrame) {
  return tools::EncodeWady(pcm, {.coding = WadyCoding::Byte, .loopFrame = loopFrame});
}

// What a looping track plays: every frame once, then from the loop frame on, again and again.
std::vector<int16_t> Looped(const std::vector<uint8_t>& entry, size_t loopFrame, size_t frames) {
  const auto pcm = DecodeWadySound(entry, WadyCoding::Byte);
  std::vector<int16_t> out;
  const size_t channels = static_cast<size_t>(pcm->channels);
  size_t frame = 0;
  while (out.size() < frames * channels) {
    out.insert(out.end(), pcm->samples.begin() + frame * channels,
               pcm->samples.begin() + (frame + 1) * channels);
    frame = frame + 1 == pcm->Frames() ? loopFrame : frame + 1;
  }
  return out;
}

class CodedBytes final : public CodedSource {
 public:
  explicit CodedBytes(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t position, uint8_t* out, size_t length) override {
    if (position > bytes_.size() || length > bytes_.size() - position) return false;
    std::copy_n(bytes_.begin() + static_cast<ptrdiff_t>(position), length, out);
    return true;
  }

 private:
  std::vector<uint8_t> bytes_;
};

class MusicTest : public ::testing::Test {
 protected:
  MusicTest() {
    // Shorter than the ring, mono, looping from 1 s; whole periods between loop and end.
    shortTrack_ = Track(Sine(kOutputRate, 1, 110250, 9000, 441.0), kOutputRate);
    // Longer than the ring, stereo, looping from the start.
    longTrack_ = Track(Sine(kOutputRate, 2, 5 * kOutputRate, 6000, 100.0), 0);
    std::vector<uint8_t> wide = Track(Sine(kOutputRate, 2, 1000, 100, 10.0), 0);
    wide[8] = 0x89;  // rate 44,169 in stereo: more than the ring takes
    lateLoop_ = Track(Sine(kOutputRate, 1, 1000, 3000, 10.0), 0);
    std::vector<uint8_t> lateLoop = lateLoop_;
    lateLoop[24] = lateLoop[25] = 0xFF;  // loop start far past the data
    testing::WriteArchive(
        dir_ / "qe_bgm.tvk",
        {{"M03", shortTrack_}, {"M05", longTrack_}, {"M06", wide}, {"M07", lateLoop}});
    archives_.LoadMediaIndexes();
    settings_.Vol3 = 0;
  }

  // Runs the timer and the device for so many ticks; returns the mix.
  std::vector<int16_t> Play(int ticks) {
    std::vector<int16_t> mix;
    std::vector<int16_t> out(kTickFrames * 2);
    for (int tick = 0; tick < ticks; ++tick) {
      music_.UpdateMusicStream();
      sound_.Slots().Mix(out);
      mix.insert(mix.end(), out.begin(), out.end());
    }
    return mix;
  }

  testing::TempDir dir_;
  Archives archives_{dir_.Path()};
  Trace trace_;
  testing::ManualAudioDevice device_;
  Settings settings_ = testing::StartupSettings();
  Sound sound_{trace_, settings_, archives_, device_};
  MusicStream music_{sound_, archives_, settings_};
  ScriptState state_;
  std::vector<uint8_t> shortTrack_;
  std::vector<uint8_t> longTrack_;
  std::vector<uint8_t> lateLoop_;
};

TEST_F(MusicTest, TheTrackValuesFollowTheCommandWhetherOrNotMusicPlays) {
  ASSERT_TRUE(sound_.InitSound());
  struct Case {
    const char* what;
    int bgm;
    int playingBefore;  // S005 as the command finds it; its track is streaming when not 0
    int n;
    int requested;
    int playing;
    bool streaming;
  };
  const Case cases[] = {
      {"a track starts", 0, 0, 5, 5, 5, true},
      {"the same track goes on", 0, 5, 5, 5, 5, true},
      {"0 stops", 0, 5, 0, 0, 0, false},
      {"0 with nothing playing", 0, 0, 0, 0, 0, false},
      {"a fade with nothing playing", 0, 0, -10, 0, 0, false},
      {"a fade goes on until its end", 0, 5, -10, 0, 0, true},
      {"a missing track", 0, 0, 9, 9, 9, false},
      {"a track too wide for the ring", 0, 0, 6, 6, 6, false},
      {"music off", 1, 0, 7, 7, 0, false},
      {"music neither on nor off", 2, 0, 5, 5, 5, false},
  };
  for (const Case& c : cases) {
    music_.StopMusic();
    settings_.BGM = 0;
    state_.S(sv::kPlayingTrack) = 0;
    if (c.playingBefore) music_.SetMusic(c.playingBefore, state_);
    settings_.BGM = c.bgm;
    music_.SetMusic(c.n, state_);
    EXPECT_EQ(state_.S(sv::kRequestedTrack), c.requested) << c.what;
    EXPECT_EQ(state_.S(sv::kPlayingTrack), c.playing) << c.what;
    EXPECT_EQ(music_.CurrentMode() == MusicStream::Mode::File, c.streaming) << c.what;
  }
}

TEST_F(MusicTest, TheSameTrackIsNotRestartedAndSwitchingMusicOnStartsTheRequestedOne) {
  ASSERT_TRUE(sound_.InitSound());
  music_.SetMusic(5, state_);
  Play(30);
  const size_t position = sound_.Slots().PlayFrame(kMusicSlot);
  music_.SetMusic(5, state_);
  EXPECT_EQ(sound_.Slots().PlayFrame(kMusicSlot), position);

  // Switched off: what plays stops as the old switch stops it, the request stays.
  settings_.BGM = 1;
  music_.MusicSwitched(0, state_);
  EXPECT_EQ(music_.CurrentMode(), MusicStream::Mode::Idle);
  EXPECT_EQ(state_.S(sv::kPlayingTrack), 0);
  EXPECT_EQ(state_.S(sv::kRequestedTrack), 5);
  music_.SetMusic(3, state_);
  EXPECT_EQ(state_.S(sv::kPlayingTrack), 0);
  EXPECT_EQ(state_.S(sv::kRequestedTrack), 3);
  settings_.BGM = 0;
  music_.MusicSwitched(1, state_);  // on: the requested track starts
  EXPECT_EQ(music_.CurrentMode(), MusicStream::Mode::File);
  EXPECT_EQ(state_.S(sv::kPlayingTrack), 3);
  EXPECT_EQ(state_.S(sv::kRequestedTrack), 3);
}

TEST_F(MusicTest, WithoutSoundOnlyTheTrackValuesChange) {
  music_.SetMusic(5, state_);
  EXPECT_EQ(state_.S(sv::kPlayingTrack), 5);
  EXPECT_EQ(music_.CurrentMode(), MusicStream::Mode::Idle);
  music_.UpdateMusicStream();
  EXPECT_FALSE(sound_.Slots().Holds(kMusicSlot));
}

TEST_F(MusicTest, ALongStereoTrackStreamsEveryFrameInOrderAndLoops) {
  ASSERT_TRUE(sound_.InitSound());
  music_.SetMusic(5, state_);
  const std::vector<int16_t> mix = Play(220);  // 12 s: three passes through the ring
  EXPECT_EQ(mix, Looped(longTrack_, 0, mix.size() / 2));
}

TEST_F(MusicTest, AShortTrackLoopsAtItsLoopStartWithoutASeam) {
  ASSERT_TRUE(sound_.InitSound());
  music_.SetMusic(3, state_);
  const std::vector<int16_t> left = testing::LeftChannel(Play(220));
  EXPECT_EQ(left, Looped(shortTrack_, kOutputRate, left.size()));
  // At each seam the wave goes on as it does anywhere within the first pass.
  int largestStep = 0;
  for (size_t at = 1; at < 110250; ++at) {
    largestStep = std::max(largestStep, std::abs(left[at] - left[at - 1]));
  }
  for (size_t at : {110250, 110250 + 66150, 110250 + 2 * 66150}) {
    EXPECT_LE(std::abs(left[at] - left[at - 1]), largestStep) << at;
  }
}

TEST_F(MusicTest, ALoopStartPastTheDataLoopsTheWholeTrack) {
  ASSERT_TRUE(sound_.InitSound());
  music_.SetMusic(7, state_);
  const std::vector<int16_t> left = testing::LeftChannel(Play(4));
  EXPECT_EQ(left, Looped(lateLoop_, 0, left.size()));
}

TEST_F(MusicTest, FadesLowerTheVolumeEachTickAndStopBelowMinus3000) {
  ASSERT_TRUE(sound_.InitSound());
  struct Case {
    int volume;
    int step;
    int ticks;
  };
  for (const Case& c : {Case{0, 30, 101}, Case{-1200, 20, 91}, Case{-2990, 100, 1}}) {
    settings_.Vol3 = c.volume;
    state_.S(sv::kPlayingTrack) = 0;
    music_.SetMusic(5, state_);
    music_.SetMusic(-c.step, state_);
    int ticks = 0;
    while (music_.CurrentMode() != MusicStream::Mode::Idle && ticks < 1000) {
      music_.UpdateMusicStream();
      ++ticks;
      if (ticks == 1 && music_.CurrentMode() != MusicStream::Mode::Idle) {
        EXPECT_EQ(sound_.Slots().Volume(kMusicSlot), c.volume - c.step);
      }
    }
    EXPECT_EQ(ticks, c.ticks) << "from " << c.volume << " by " << c.step;
    EXPECT_FALSE(sound_.Slots().Holds(kMusicSlot));
    EXPECT_FALSE(music_.Fading());
  }
}

TEST_F(MusicTest, AnimationsStreamFromTheirOwnSource) {
  ASSERT_TRUE(sound_.InitSound());
  music_.SetMusic(5, state_);
  std::vector<uint8_t> animation = shortTrack_;
  animation.insert(animation.begin(), 100, 0xAA);  // other frames of the animation
  settings_.Vol3 = -500;
  music_.StartEmbeddedMusic(std::make_shared<CodedBytes>(animation), 100);
  EXPECT_EQ(music_.CurrentMode(), MusicStream::Mode::Embedded);
  EXPECT_EQ(sound_.Slots().Volume(kMusicSlot), -500);
  EXPECT_EQ(state_.S(sv::kPlayingTrack), 5);
  sound_.Slots().SetVolume(kMusicSlot, 0);
  const std::vector<int16_t> left = testing::LeftChannel(Play(100));
  EXPECT_EQ(left, Looped(shortTrack_, kOutputRate, left.size()));
  music_.StopMusicBuffer();
  EXPECT_EQ(music_.CurrentMode(), MusicStream::Mode::Idle);
  EXPECT_FALSE(sound_.Slots().Holds(kMusicSlot));
  // Not WADY at that position: nothing plays.
  music_.StartEmbeddedMusic(std::make_shared<CodedBytes>(animation), 0);
  EXPECT_FALSE(sound_.Slots().Holds(kMusicSlot));
}

}  // namespace
}  // namespace tolven
