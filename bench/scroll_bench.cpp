// One step of `scroll`: the 800x600 view of a larger picture at the step's offset, drawn on PB,
// against a plain copy of a whole 800x600 screen. The view's rows lie apart in the picture, so
// the step can only approach the single copy, never beat it.
#include <benchmark/benchmark.h>

#include <cstring>

#include "baseline.h"
#include "resources/paint_box.h"
#include "screens/picture_scroll.h"

namespace {

using tolven::Bitmap24;

Bitmap24 Picture(int width, int height) {
  Bitmap24 bitmap(width, height);
  uint32_t noise = 11;
  for (size_t i = 0; i < bitmap.SizeBytes(); ++i) {
    noise = noise * 1664525u + 1013904223u;
    bitmap.Data()[i] = static_cast<uint8_t>(noise >> 24);
  }
  return bitmap;
}

// A 1600x1200 picture panned in one direction, a pixel further each step.
void ScrollStep(benchmark::State& state, int direction) {
  const Bitmap24 picture = Picture(1600, 1200);
  const int64_t distance = tolven::PictureScroll::Distance(picture, direction);
  tolven::PaintBox pb(800, 600);
  int64_t t = 0;
  for (auto _ : state) {
    tolven::PictureScroll::DrawView(picture, direction, distance, t, pb.Draw());
    t = t < distance ? t + 1 : 0;
    benchmark::DoNotOptimize(pb.Picture().Data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(800 * 600 * 3) * state.iterations());
}

void BM_ScrollStepDown(benchmark::State& state) {
  ScrollStep(state, 2);
}
TOLVEN_BENCHMARK(BM_ScrollStepDown)->Unit(benchmark::kMicrosecond);

void BM_ScrollStepLeft(benchmark::State& state) {
  ScrollStep(state, 3);
}
TOLVEN_BENCHMARK(BM_ScrollStepLeft)->Unit(benchmark::kMicrosecond);

const tolven::bench::CompareTo kDownAgainstCopy("BM_ScrollStepDown", "BM_AnimationScreenCopy");
const tolven::bench::CompareTo kLeftAgainstCopy("BM_ScrollStepLeft", "BM_AnimationScreenCopy");

}  // namespace
