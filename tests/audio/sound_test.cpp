// Named sounds from real archives into their slots, with the settings' gates and volumes.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "audio/ogg_sound.h"
#include "audio/sound.h"
#include "audio/wady.h"
#include "audio_fixtures.h"
#include "test_support.h"
#include "tools/wady_encoder.h"

namespace tolven {
namespace {

using testing::LeftChannel;
using testing::Sine;

constexpr const char* kLongLoopName = "LONGLOOPINGEFFECTNAMEOVER29CHARS_X";

// A block-coded entry of a constant tone: which entry played shows in its frame count.
std::vector<uint8_t> Wady(int rate, size_t frames) {
  return tools::EncodeWady(Sine(rate, 1, frames, 8000, 50.0), {});
}

class SoundTest : public ::testing::Test {
 protected:
  SoundTest() {
    const Pcm stereo = Sine(22050, 2, 11025, 12000, 100.0);
    testing::WriteArchive(dir_ / "qe_ogg1.tvk", {{"VOICE1", testing::OggBytes(stereo, 0)}});
    testing::WriteArchive(dir_ / "qe_wav2.tvk", {{"VOICE1", Wady(11025, 100)},
                                                 {"VOICE2", Wady(kOutputRate, 4410)},
                                                 {"BROKEN", {'R', 'I', 'F', 'F', 0, 0}}});
    testing::WriteArchive(dir_ / "qe_se0.tvk", {{"SEH2HIT", Wady(11025, 201)},
                                                {"SEH4ABCD3E0", Wady(11025, 202)},
                                                {"SEH4ABCD3E1", Wady(11025, 203)},
                                                {"SEH4ABCD", Wady(11025, 204)}});
    testing::WriteArchive(dir_ / "qe_se1.tvk", {{"BANG", Wady(11025, 301)}});
    testing::WriteArchive(dir_ / "qe_se2.tvk",
                          {{"RAIN", Wady(11025, 401)}, {kLongLoopName, Wady(11025, 402)}});
    archives_.LoadMediaIndexes();
  }

  void SetVolumes(int voices, int effects, int music, int spare) {
    settings_.Vol1 = voices;
    settings_.Vol2 = effects;
    settings_.Vol3 = music;
    settings_.Vol4 = spare;
  }

  // Which entry a slot holds, by the frame count that tells the fixtures apart.
  size_t Frames(int slot) const { return sound_.Slots().Info(slot).frames; }

  testing::TempDir dir_;
  Archives archives_{dir_.Path()};
  Trace trace_;
  testing::ManualAudioDevice device_;
  Settings settings_ = testing::StartupSettings();
  Sound sound_{trace_, settings_, archives_, device_};
};

TEST_F(SoundTest, WithoutADeviceEveryOperationIsQuiet) {
  NullAudioDevice none;
  Sound silent(trace_, settings_, archives_, none);
  Sound bare(trace_, settings_);
  for (Sound* sound : {&silent, &bare}) {
    EXPECT_FALSE(sound->SoundDevicePresent());
    EXPECT_FALSE(sound->InitSound());
    EXPECT_FALSE(sound->Available());
    sound->PlaySoundByName("VOICE2");
    sound->PlayVoice("VOICE2", false);
    sound->RequestEffect("RAIN");
    sound->PlayEmbeddedSound(Wady(11025, 10));
    sound->ApplyVolumes();
    sound->WaitVoiceEnd();
    EXPECT_FALSE(sound->VoiceWait());
    EXPECT_FALSE(sound->IsVoicePlaying());
    EXPECT_EQ(sound->LoopingEffectName(), "");
    for (int slot = 0; slot < kSoundSlots; ++slot) EXPECT_FALSE(sound->Slots().Holds(slot));
  }
}

TEST_F(SoundTest, TheArchiveANameIsFoundInDecidesSlotAndLooping) {
  ASSERT_TRUE(sound_.InitSound());
  EXPECT_TRUE(device_.open);
  struct Case {
    const char* name;
    int slot;
    int rate;
    size_t frames;
    bool looping;
  };
  const Case cases[] = {
      {"voice1", kVoiceSlot, 22050, 0, false},  // Ogg before WADY; its length is trimmed
      {"Voice2", kVoiceSlot, kOutputRate, 4410, false},
      {"seh2hit", kEffectSlot, 11025, 201, false},
      {"BANG", kEffectSlot, 11025, 301, false},
      {"rain", kLoopingEffectSlot, 11025, 401, true},
  };
  for (const Case& c : cases) {
    sound_.PlaySoundByName(c.name);
    const Mixer::SlotInfo info = sound_.Slots().Info(c.slot);
    EXPECT_TRUE(info.playing) << c.name;
    EXPECT_EQ(info.rate, c.rate) << c.name;
    if (c.frames > 0) {
      EXPECT_EQ(info.frames, c.frames) << c.name;
    }
    EXPECT_EQ(info.looping, c.looping) << c.name;
    EXPECT_EQ(sound_.SlotName(c.slot), UpperCaseName(c.name));
  }
  EXPECT_EQ(sound_.Slots().Info(kVoiceSlot).channels, 1);
  // The looping effect's name is kept as it was passed.
  EXPECT_EQ(sound_.LoopingEffectName(), "rain");
  sound_.PlaySoundByName(kLongLoopName);
  EXPECT_EQ(sound_.LoopingEffectName(), std::string(kLongLoopName).substr(0, kLoopingNameMax));
}

TEST_F(SoundTest, WhatCannotPlayLeavesTheSlotAsItWas) {
  ASSERT_TRUE(sound_.InitSound());
  sound_.PlaySoundByName("VOICE2");
  sound_.PlaySoundByName("BROKEN");   // not WADY
  sound_.PlaySoundByName("MISSING");  // in no archive
  EXPECT_EQ(Frames(kVoiceSlot), 4410u);
  EXPECT_EQ(sound_.SlotName(kVoiceSlot), "VOICE2");
  EXPECT_FALSE(sound_.PlayOggEntry(Wady(11025, 10), kVoiceSlot));
  EXPECT_EQ(Frames(kVoiceSlot), 4410u);
}

TEST_F(SoundTest, AVoiceSoundsAsItsEntryDecodes) {
  ASSERT_TRUE(sound_.InitSound());
  settings_.Vol1 = 0;
  sound_.PlayVoice("VOICE2", false);
  std::vector<int16_t> out(2 * 5000);
  sound_.Slots().Mix(out);
  const auto decoded = DecodeWadySound(Wady(kOutputRate, 4410), WadyCoding::Block);
  ASSERT_TRUE(decoded);
  std::vector<int16_t> expected = decoded->samples;
  expected.resize(5000, 0);
  EXPECT_EQ(LeftChannel(out), expected);
}

TEST_F(SoundTest, VoicesNeedADeviceVoicesOnAndNoSkipping) {
  ASSERT_TRUE(sound_.InitSound());
  struct Case {
    int wave;
    bool skipping;
    bool plays;
  };
  for (const Case& c : {Case{0, false, true}, Case{1, false, false}, Case{0, true, false}}) {
    sound_.StopVoice();
    settings_.Wave = c.wave;
    sound_.PlayVoice("VOICE2", c.skipping);
    EXPECT_EQ(sound_.IsVoicePlaying(), c.plays) << "Wave " << c.wave << " skip " << c.skipping;
  }
}

TEST_F(SoundTest, EffectGroupsAndLevelsChooseWhatPlays) {
  ASSERT_TRUE(sound_.InitSound());
  struct Case {
    const char* what;
    int groupSwitch;  // SE2 and SE4
    int level;        // SE_LVL2
    const char* request;
    size_t frames;  // of slot 1 afterwards; 0 when nothing played
  };
  const Case cases[] = {
      {"group 2 on", 1, 0, "seh2hit", 201},
      {"group 2 off", 0, 0, "SEH2HIT", 0},
      {"group 4, level 0", 1, 0, "SEH4ABCD3E0", 202},
      {"group 4, level 1 moves the 11th character", 1, 1, "SEH4ABCD3E0", 203},
      {"group 4 off", 0, 1, "SEH4ABCD3E0", 0},
      {"a short group 4 name plays as named", 1, 1, "SEH4ABCD", 204},
      {"effects do not depend on voices", 1, 0, "BANG", 301},
  };
  for (const Case& c : cases) {
    sound_.Slots().Empty(kEffectSlot);
    settings_.SE[2] = settings_.SE[4] = c.groupSwitch;
    std::fill(std::begin(settings_.SE_LVL), std::end(settings_.SE_LVL), 9);
    settings_.SE_LVL[2] = c.level;
    settings_.Wave = 1;
    sound_.RequestEffect(c.request);
    EXPECT_EQ(Frames(kEffectSlot), c.frames) << c.what;
  }
}

TEST_F(SoundTest, VolumesFollowTheSettingsExceptTheAnimationSlot) {
  ASSERT_TRUE(sound_.InitSound());
  SetVolumes(-100, -200, -300, -400);
  sound_.PlaySoundByName("VOICE2");
  sound_.PlaySoundByName("BANG");
  sound_.PlaySoundByName("RAIN");
  std::vector<uint8_t> embedded =
      tools::EncodeWady(Sine(11025, 1, 50, 100, 10), {.coding = WadyCoding::Byte});
  sound_.PlayEmbeddedSound(embedded);
  sound_.Slots().Play(6, Pcm{11025, 1, {1}}, 0, false);
  SetVolumes(-1, -2, -3, -4);
  sound_.ApplyVolumes();
  const int expected[kSoundSlots] = {-1, -2, -2, 0, 0, -200, -4, 0};
  for (int slot = 0; slot < kSoundSlots; ++slot) {
    EXPECT_EQ(sound_.Slots().Volume(slot), expected[slot]) << "slot " << slot;
  }
  EXPECT_EQ(Frames(kEmbeddedSoundSlot), 50u);
  EXPECT_FALSE(sound_.Slots().IsLooping(kEmbeddedSoundSlot));
}

TEST_F(SoundTest, StoppingAndWaitingForTheVoice) {
  ASSERT_TRUE(sound_.InitSound());
  sound_.PlaySoundByName("RAIN");
  sound_.StopLoopingSound();
  EXPECT_EQ(sound_.LoopingEffectName(), "");
  EXPECT_FALSE(sound_.Slots().Holds(kLoopingEffectSlot));
  sound_.StopLoopingSound();  // with nothing looping: only the name, already empty

  sound_.PlayVoice("VOICE2", false);
  sound_.WaitVoiceEnd();
  EXPECT_TRUE(sound_.VoiceWait());
  sound_.EndVoiceWaitIfSilent();
  EXPECT_TRUE(sound_.VoiceWait());
  std::vector<int16_t> out(2 * 4410);
  sound_.Slots().Mix(out);  // the voice plays to its end
  EXPECT_FALSE(sound_.IsVoicePlaying());
  sound_.EndVoiceWaitIfSilent();
  EXPECT_FALSE(sound_.VoiceWait());

  sound_.PlayVoice("VOICE2", false);
  sound_.StopVoice();
  EXPECT_FALSE(sound_.Slots().Holds(kVoiceSlot));
  sound_.ReleaseSound();
  EXPECT_FALSE(device_.open);
  EXPECT_FALSE(sound_.Available());
}

TEST(OggSound, DecodesWholeAndCutsTrailingSilence) {
  const Pcm tone = Sine(22050, 2, 22050, 12000, 50.0);
  const auto decoded = DecodeOggSound(testing::OggBytes(tone, 11025));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->rate, 22050);
  EXPECT_EQ(decoded->channels, 2);
  // One and a half seconds in all, cut to the tone and 16,000 bytes (4,000 frames) after its
  // end: the codec leaves a little noise just after the tone, then exact zeros.
  EXPECT_GT(decoded->Frames(), 22050u + 3000);
  EXPECT_LT(decoded->Frames(), 22050u + 6000);
  EXPECT_FALSE(DecodeOggSound(std::vector<uint8_t>(100, 'x')));
  EXPECT_FALSE(DecodeOggSound({}));
}

TEST(OggSound, SilenceIsCutOnlyInTheSecondHalf) {
  struct Case {
    std::vector<int16_t> samples;
    size_t kept;
  };
  std::vector<int16_t> longTail(20000, 0);
  longTail[3] = 1;
  std::vector<int16_t> lateSound(40000, 0);
  lateSound[30000] = 1;
  const Case cases[] = {
      {{}, 0},
      {{0}, 1},
      {{0, 0, 0, 0}, 4},
      {longTail, 10000 + 8000},   // never below half, even with the sound near the start
      {lateSound, 30000 + 8000},  // from the group holding the sound, 8,000 samples
      {std::vector<int16_t>(9000, 5), 9000},
  };
  for (const Case& c : cases) EXPECT_EQ(TrimmedOggLength(c.samples), c.kept) << c.samples.size();
}

}  // namespace
}  // namespace tolven
