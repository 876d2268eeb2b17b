// The end credits' work per frame: the 256x600 window cut from the credit strip with its two
// fades, and the background's 544 columns drawn beside it, against a plain copy of a whole
// 800x600 screen. The strip moves 2 rows a frame, so the lines rendered as they come into view
// are counted in at the rate a real run renders them. Without the background is the frame of
// most of a run, which draws the background only after a picture change.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "base/text_encoding.h"
#include "baseline.h"
#include "graphics/picture_copy.h"
#include "resources/bitmap24.h"
#include "screens/end_credits.h"

namespace {

using tolven::Bitmap24;

Bitmap24 Background() {
  Bitmap24 picture(800, 600);
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      uint8_t* p = picture.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x / 4);
      p[1] = static_cast<uint8_t>(y / 3);
      p[2] = static_cast<uint8_t>((x + y) / 6);
    }
  }
  return picture;
}

// Credits as a game writes them: a role, names under it, a blank line between blocks; the
// lines start two full-width blanks in, where the window begins.
std::vector<std::string> CreditLines() {
  const char* roles[] = {"　　原画", "　　シナリオ", "　　音楽", "　　プログラム", "　　背景"};
  const char* names[] = {"　　　山田　太郎", "　　　佐藤　花子", "　　　鈴木　一郎"};
  std::vector<std::string> lines;
  for (int block = 0; block < 400; ++block) {
    lines.push_back(tolven::Utf8ToShiftJis(roles[block % 5]).value_or(""));
    for (const char* name : names) lines.push_back(tolven::Utf8ToShiftJis(name).value_or(""));
    lines.emplace_back();
  }
  return lines;
}

void CreditsFrame(benchmark::State& state, bool withBackground) {
  const std::vector<std::string> lines = CreditLines();
  const Bitmap24 background = Background();
  Bitmap24 screen(800, 600);
  auto strip = std::make_unique<tolven::CreditStrip>(lines);
  const int64_t end = strip->Height();
  int64_t y = 0;
  for (auto _ : state) {
    tolven::DrawCreditsFrame(*strip, y, withBackground ? &background : nullptr, screen);
    benchmark::DoNotOptimize(screen.Data());
    benchmark::ClobberMemory();
    y += 2;
    if (y >= end) {
      state.PauseTiming();
      strip = std::make_unique<tolven::CreditStrip>(lines);
      y = 0;
      state.ResumeTiming();
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(screen.SizeBytes()) * state.iterations());
}

void BM_CreditsFrame(benchmark::State& state) {
  CreditsFrame(state, true);
}
TOLVEN_BENCHMARK(BM_CreditsFrame)->Unit(benchmark::kMicrosecond);

void BM_CreditsWindowOnly(benchmark::State& state) {
  CreditsFrame(state, false);
}
TOLVEN_BENCHMARK(BM_CreditsWindowOnly)->Unit(benchmark::kMicrosecond);

const tolven::bench::CompareTo kFrameAgainstCopy("BM_CreditsFrame", "BM_AnimationScreenCopy");
const tolven::bench::CompareTo kWindowAgainstCopy("BM_CreditsWindowOnly", "BM_AnimationScreenCopy");

}  // namespace
