// `tolven-tool check` over a game whose one script has 100,000 lines of the kinds a story is
// made of (pictures, sounds, calculations, conditions with jumps, read marks, choices), against
// the engine merely loading that script from its archive: what reading every line as the
// engine would, and following every name it gives, costs on top of the load.
#include <benchmark/benchmark.h>

#include <stdlib.h>  // mkdtemp

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "baseline.h"
#include "script/standalone_interpreter.h"
#include "tools/archive_writer.h"
#include "tools/file_io.h"
#include "tools/game_check.h"
#include "tools/script_text.h"

namespace {

namespace fs = std::filesystem;
using tolven::ArchiveLayout;
using tolven::tools::ArchiveInput;

constexpr int kBlocks = 10000;  // of ten lines each
constexpr int kLabels = 100;

// Ten lines a block; every hundredth block holds a label the conditions jump to.
std::string ScriptText() {
  std::string text;
  for (int i = 0; i < kBlocks; ++i) {
    const std::string label = "L" + std::to_string(i % kLabels);
    text += "*gra A_ROOM,6\n*tati b_aki,3\n*se SSE01\n!V001=V001+1\n";
    text += "*if (V001>5) " + label + "\n";
    text += i % kLabels == 0 ? ":L" + std::to_string(i / kLabels) + "\n" : "川沿いの道を歩いた。\n";
    text += "*mark " + std::to_string(i) + "\n*select\n{はい\n}\n";
  }
  return text;
}

std::vector<uint8_t> Stub() {
  return {1, 2, 3};
}

// A game folder of the benchmark's own, removed when it ends.
class BenchGame {
 public:
  BenchGame() {
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "tolven-bench-check-XXXXXX").string();
    if (error || mkdtemp(pattern.data()) == nullptr) return;
    path_ = pattern;
    using tolven::tools::BuildArchive;
    using tolven::tools::WriteOutputFile;
    const std::vector<uint8_t> script = tolven::tools::ScriptFromUtf8(ScriptText(), "main.txt");
    WriteOutputFile(path_ / "qe_data.tvk", BuildArchive(ArchiveLayout::A, {{"MAIN", script}}));
    WriteOutputFile(
        path_ / "qe_gra.tvk",
        BuildArchive(ArchiveLayout::B, {{"A_ROOM", Stub()}, {"B_AKI", Stub()}, {"M_AKI", Stub()}}));
    WriteOutputFile(path_ / "qe_se0.tvk", BuildArchive(ArchiveLayout::B, {{"SSE01", Stub()}}));
  }
  ~BenchGame() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  BenchGame(const BenchGame&) = delete;
  BenchGame& operator=(const BenchGame&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

const BenchGame& Game() {
  static const BenchGame game;
  return game;
}

void BM_CheckScript(benchmark::State& state) {
  const fs::path& folder = Game().Path();
  if (!tolven::tools::CheckGame(folder).Empty()) {
    state.SkipWithError("the benchmark's script has faults");
    return;
  }
  for (auto _ : state) {
    const tolven::tools::Findings findings = tolven::tools::CheckGame(folder);
    benchmark::DoNotOptimize(findings.All().size());
  }
  state.SetItemsProcessed(int64_t{kBlocks} * 10 * state.iterations());
}
TOLVEN_BENCHMARK(BM_CheckScript)->Unit(benchmark::kMillisecond);

void BM_LoadCheckedScript(benchmark::State& state) {
  tolven::StandaloneInterpreter standalone(Game().Path());
  standalone.archives.LoadScriptIndexes();
  for (auto _ : state) {
    const bool loaded = standalone.interpreter.LoadScript("main", tolven::kScriptMode);
    benchmark::DoNotOptimize(loaded);
    if (!loaded) state.SkipWithError("the benchmark's script did not load");
  }
  state.SetItemsProcessed(int64_t{kBlocks} * 10 * state.iterations());
}
TOLVEN_BENCHMARK(BM_LoadCheckedScript)->Unit(benchmark::kMillisecond);

}  // namespace

static tolven::bench::CompareTo reg("BM_CheckScript", "BM_LoadCheckedScript");
