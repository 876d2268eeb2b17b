// What one frame of each screen transition costs, against the cheapest frame there is: the whole
// new picture copied onto the screen. The clock is virtual, so only drawing is timed; each
// figure is the wall time of a whole transition divided by the frames it showed.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "base/engine_flags.h"
#include "base/host.h"
#include "base/random_generator.h"
#include "base/script_state.h"
#include "baseline.h"
#include "graphics/frame_clock.h"
#include "graphics/screen_buffers.h"
#include "graphics/transitions.h"
#include "resources/paint_box.h"
#include "sample_pictures.h"

namespace {

using tolven::Bitmap24;
using tolven::kScreenHeight;
using tolven::kScreenWidth;

// Waiting costs nothing; frames are only counted.
class CountingHost : public tolven::Host {
 public:
  uint32_t Ticks() override { return now; }
  void Sleep(uint32_t milliseconds) override { now += milliseconds; }
  uint32_t ClockSeed() override { return 1; }
  void ProcessMessages() override {}
  tolven::MessageResult ShowMessage(std::string_view, std::string_view, tolven::MessageButtons,
                                    tolven::MessageIcon) override {
    return tolven::MessageResult::Ok;
  }
  int ScreenWidth() const override { return 1920; }
  void Present() override { ++frames; }

  uint32_t now = 0;
  int64_t frames = 0;
};

struct Screen {
  tolven::EngineFlags flags;
  tolven::PaintBox pb{kScreenWidth, kScreenHeight};
  CountingHost host;
  tolven::FrameClock clock{host};
  tolven::ScreenBuffers buffers;
  tolven::ScriptState state;
  tolven::RandomGenerator random{1};
  tolven::Transitions transitions{host, clock, pb, buffers, state, flags, random};
  Bitmap24 oldPicture = tolven::testing::PhotoLike(kScreenWidth, kScreenHeight, true);
  Bitmap24 newPicture = tolven::testing::PhotoLike(kScreenWidth, kScreenHeight, false);

  Screen() {
    state.S(tolven::sv::kTransition4Extents[0]) = 250;
    state.S(tolven::sv::kTransition4Extents[1]) = 550;
    buffers.StageBuffer = newPicture;
  }
};

void BM_WholeScreenCopy(benchmark::State& state) {
  auto screen = std::make_unique<Screen>();
  const Bitmap24& stage = screen->buffers.StageBuffer;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::copy(stage.Data(), stage.Data() + stage.SizeBytes(), screen->pb.Draw().Data());
    benchmark::DoNotOptimize(screen->pb.Picture().Data());
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WholeScreenCopy)->UseManualTime()->Unit(benchmark::kMillisecond);

void TransitionFrame(benchmark::State& state, int number) {
  auto screen = std::make_unique<Screen>();
  int64_t frames = 0;
  for (auto _ : state) {
    // Some transitions draw into the old picture: every run starts from the same one.
    screen->buffers.PreviousBuffer = screen->oldPicture;
    screen->pb.Draw() = screen->oldPicture;
    const int64_t before = screen->host.frames;
    const auto start = std::chrono::steady_clock::now();
    screen->transitions.RunTransition(number);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int64_t shown = std::max<int64_t>(screen->host.frames - before, 1);
    frames += shown;
    state.SetIterationTime(seconds / static_cast<double>(shown));
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["frames"] = static_cast<double>(frames) / static_cast<double>(state.iterations());
}

// One named benchmark per transition, so the report gives each its own line and ratio.
const bool kRegistered = [] {
  for (int number = 0; number <= 24; ++number) {
    char name[32];
    std::snprintf(name, sizeof name, "BM_TransitionFrame%02d", number);
    benchmark::RegisterBenchmark(name, TransitionFrame, number)
        ->UseManualTime()
        // Counted in frame time: a whole run is up to 130 frames of real time.
        ->MinTime(0.005)
        ->Unit(benchmark::kMillisecond);
    tolven::bench::BaselineOf()[name] = "BM_WholeScreenCopy";
  }
  return true;
}();

}  // namespace
