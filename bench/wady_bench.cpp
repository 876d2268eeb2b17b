// Sound decoding and mixing speed against copying the bytes they produce: one second of music
// as a timer tick decodes it, a whole three-minute track, a whole ten-second voice as it starts,
// and one second of the mix that the audio device pulls, with three slots and with all eight
// playing.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#include "audio/mixer.h"
#include "audio/wady.h"
#include "baseline.h"
#include "tools/wady_encoder.h"

namespace {

using tolven::Pcm;
using tolven::WadyCoding;

constexpr int64_t kMusicSecondBytes = 44100 * 2 * 2;  // what one refill decodes
constexpr size_t kVoiceFrames = 22050 * 10;
constexpr size_t kTrackFrames = 44100 * 180;
constexpr int64_t kTrackBytes = kTrackFrames * 2 * 2;
constexpr int64_t kVoiceBytes = kVoiceFrames * 2;

// A few partials with a slow swell, so both codings see what music and speech give them.
Pcm Tone(int rate, int channels, size_t frames) {
  Pcm pcm{rate, channels, {}};
  for (size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double swell = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 0.7 * t);
    const double value = swell * (9000 * std::sin(2 * std::numbers::pi * 220 * t) +
                                  4000 * std::sin(2 * std::numbers::pi * 1375 * t));
    for (int c = 0; c < channels; ++c) pcm.samples.push_back(static_cast<int16_t>(value));
  }
  return pcm;
}

void Copy(benchmark::State& state, int64_t bytes) {
  const std::vector<uint8_t> from(static_cast<size_t>(bytes), 0x5A);
  std::vector<uint8_t> to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), to.size());
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_MemcpyMusicSecond(benchmark::State& state) {
  Copy(state, kMusicSecondBytes);
}
TOLVEN_BENCHMARK(BM_MemcpyMusicSecond);

void BM_MemcpyVoice(benchmark::State& state) {
  Copy(state, kVoiceBytes);
}
TOLVEN_BENCHMARK(BM_MemcpyVoice);

void BM_MemcpyMusicTrack(benchmark::State& state) {
  Copy(state, kTrackBytes);
}
TOLVEN_BENCHMARK(BM_MemcpyMusicTrack);

void BM_WadyMusicSecond(benchmark::State& state) {
  static const std::vector<uint8_t> entry =
      tolven::tools::EncodeWady(Tone(44100, 2, 44100), {.coding = WadyCoding::Byte});
  const std::span<const uint8_t> coded = std::span(entry).subspan(tolven::kWadyHeaderSize);
  std::vector<int16_t> pcm(44100 * 2);
  for (auto _ : state) {
    tolven::WadyStates states;
    benchmark::DoNotOptimize(tolven::DecodeWadyBytes(coded, pcm, entry[5], states, 2, 44100));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kMusicSecondBytes);
}
TOLVEN_BENCHMARK(BM_WadyMusicSecond);

// A whole track in one pass, as the tools decode it and as a stream does over three minutes.
void BM_WadyMusicTrack(benchmark::State& state) {
  static const std::vector<uint8_t> entry =
      tolven::tools::EncodeWady(Tone(44100, 2, kTrackFrames), {.coding = WadyCoding::Byte});
  const std::span<const uint8_t> coded = std::span(entry).subspan(tolven::kWadyHeaderSize);
  std::vector<int16_t> pcm(kTrackFrames * 2);
  for (auto _ : state) {
    tolven::WadyStates states;
    benchmark::DoNotOptimize(
        tolven::DecodeWadyBytes(coded, pcm, entry[5], states, 2, kTrackFrames));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kTrackBytes);
}
TOLVEN_BENCHMARK(BM_WadyMusicTrack);

void BM_WadyVoice(benchmark::State& state) {
  static const std::vector<uint8_t> entry =
      tolven::tools::EncodeWady(Tone(22050, 1, kVoiceFrames), {});
  for (auto _ : state) {
    auto pcm = tolven::DecodeWadySound(entry, WadyCoding::Block);
    benchmark::DoNotOptimize(pcm->samples.data());
  }
  state.SetBytesProcessed(state.iterations() * kVoiceBytes);
  state.counters["coded_bytes"] = static_cast<double>(entry.size());
}
TOLVEN_BENCHMARK(BM_WadyVoice);

// The rates differ from the output's, so every slot goes through rate conversion.
void BM_MixSecond(benchmark::State& state) {
  tolven::Mixer mixer;
  mixer.Play(0, Tone(22050, 1, 22050), 0, true);
  mixer.Play(1, Tone(11025, 1, 11025), -800, true);
  mixer.Play(3, Tone(32000, 2, 32000), -1200, true);
  std::vector<int16_t> out(44100 * 2);
  for (auto _ : state) {
    mixer.Mix(out);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kMusicSecondBytes);
}
TOLVEN_BENCHMARK(BM_MixSecond);

// Every slot busy and looping, each at a rate of its own, pulled in device periods of 1024
// frames: the most work the mix can be given.
void BM_MixSecondEightSlots(benchmark::State& state) {
  tolven::Mixer mixer;
  const struct {
    int rate;
    int channels;
    int volume;
  } slots[tolven::kSoundSlots] = {{22050, 1, 0},     {11025, 1, -800},  {44100, 2, -800},
                                  {32000, 2, -1200}, {48000, 2, -1200}, {16000, 1, -800},
                                  {8000, 1, -800},   {24000, 2, -800}};
  for (int slot = 0; slot < tolven::kSoundSlots; ++slot) {
    // Lengths that are not whole seconds, so the loops wrap at different places.
    const auto frames = static_cast<size_t>(slots[slot].rate * (0.7 + 0.1 * slot));
    mixer.Play(slot, Tone(slots[slot].rate, slots[slot].channels, frames), slots[slot].volume,
               true);
  }
  constexpr size_t kPeriodFrames = 1024;
  std::vector<int16_t> out(44100 * 2);
  for (auto _ : state) {
    for (size_t at = 0; at < out.size(); at += kPeriodFrames * 2) {
      const size_t count = std::min(kPeriodFrames * 2, out.size() - at);
      mixer.Mix(std::span(out).subspan(at, count));
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kMusicSecondBytes);
}
TOLVEN_BENCHMARK(BM_MixSecondEightSlots);

tolven::bench::CompareTo reg_music("BM_WadyMusicSecond", "BM_MemcpyMusicSecond");
tolven::bench::CompareTo reg_track("BM_WadyMusicTrack", "BM_MemcpyMusicTrack");
tolven::bench::CompareTo reg_mix8("BM_MixSecondEightSlots", "BM_MemcpyMusicSecond");
tolven::bench::CompareTo reg_voice("BM_WadyVoice", "BM_MemcpyVoice");
tolven::bench::CompareTo reg_mix("BM_MixSecond", "BM_MemcpyMusicSecond");

}  // namespace
