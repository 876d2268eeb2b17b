// How fast the line interpreter gets through calculation and condition lines, the lines a
// script runs between pages, against merely finding the same lines in the image.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "baseline.h"
#include "script/standalone_interpreter.h"

namespace {

constexpr int kLines = 100000;

// Assignments, conditions that hold (their statement runs as a line of its own) and conditions
// that fail (each ends a step).
std::vector<uint8_t> BenchScript() {
  constexpr std::string_view kPattern[] = {
      "!V001=V001+1",         "*if (V001>5) !V002=V002+1", "!V003=V001*3-V002;F010=1",
      "*if (V003<0) !V004=1", "@calc V005=V005+V001%7",
  };
  std::string text;
  for (int i = 0; i < kLines; ++i) {
    text += kPattern[i % std::size(kPattern)];
    text += '\0';
  }
  return {text.begin(), text.end()};
}

void BM_InterpreterLines(benchmark::State& state) {
  tolven::StandaloneInterpreter standalone("");
  tolven::Interpreter& interpreter = standalone.interpreter;
  interpreter.LoadScriptImage(BenchScript());
  for (auto _ : state) {
    interpreter.State().ReadPos = 0;
    interpreter.State().NeedLine = true;
    while (interpreter.State().ReadPos < interpreter.ScriptSize()) interpreter.RunScript();
    benchmark::DoNotOptimize(standalone.banks.V(2));
  }
  state.SetItemsProcessed(static_cast<int64_t>(kLines) * state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(interpreter.ScriptSize()) * state.iterations());
}
TOLVEN_BENCHMARK(BM_InterpreterLines)->Unit(benchmark::kMillisecond);

void BM_ScanScriptLines(benchmark::State& state) {
  const std::vector<uint8_t> image = BenchScript();
  for (auto _ : state) {
    size_t lines = 0;
    for (const uint8_t* p = image.data(); p < image.data() + image.size(); ++lines) {
      const void* zero = std::memchr(p, 0, image.data() + image.size() - p);
      p = zero != nullptr ? static_cast<const uint8_t*>(zero) + 1 : image.data() + image.size();
    }
    benchmark::DoNotOptimize(lines);
  }
  state.SetItemsProcessed(static_cast<int64_t>(kLines) * state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(image.size()) * state.iterations());
}
TOLVEN_BENCHMARK(BM_ScanScriptLines)->Unit(benchmark::kMillisecond);

}  // namespace

static tolven::bench::CompareTo reg("BM_InterpreterLines", "BM_ScanScriptLines");
