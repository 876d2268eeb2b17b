// Runs every benchmark, then prints each figure beside its ratio to the baseline measured in
// the same run, so results from different machines can be compared by their ratios. Every
// figure is wall-clock time (see TOLVEN_BENCHMARK), and the repetitions of all benchmarks run
// in random interleaved order, so a machine that slows down during the run slows a figure and
// its baseline alike instead of moving their ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "baseline.h"

namespace {

struct Figure {
  double realNsPerIteration = 0;
  double bytesPerSecond = 0;
  double itemsPerSecond = 0;
};

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      Figure figure;
      figure.realNsPerIteration =
          run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
      auto bytes = run.counters.find("bytes_per_second");
      if (bytes != run.counters.end()) figure.bytesPerSecond = bytes->second;
      auto items = run.counters.find("items_per_second");
      if (items != run.counters.end()) figure.itemsPerSecond = items->second;
      figures_[run.run_name.function_name] = figure;
    }
  }

  void PrintRatios() const {
    std::printf("\n%-40s %14s %14s %14s  %s\n", "benchmark (median, wall clock)", "time/iter",
                "MB/s", "items/s", "ratio to baseline (time)");
    for (const auto& [name, figure] : figures_) {
      std::string ratio = "(baseline)";
      auto base = tolven::bench::BaselineOf().find(name);
      if (base != tolven::bench::BaselineOf().end()) {
        auto baseFigure = figures_.find(base->second);
        ratio = "(" + base->second + " not run)";
        if (baseFigure != figures_.end() && baseFigure->second.realNsPerIteration > 0) {
          char text[96];
          std::snprintf(text, sizeof text, "%.3f x %s",
                        figure.realNsPerIteration / baseFigure->second.realNsPerIteration,
                        base->second.c_str());
          ratio = text;
        }
      }
      std::printf("%-40s %11.3f us %14.1f %14.0f  %s\n", name.c_str(),
                  figure.realNsPerIteration / 1000.0, figure.bytesPerSecond / 1e6,
                  figure.itemsPerSecond, ratio.c_str());
    }
  }

 private:
  std::map<std::string, Figure> figures_;
};

// Defaults that the command line may override: interleaved repetitions, enough of them for a
// median.
std::vector<char*> WithDefaults(int argc, char** argv) {
  static char interleave[] = "--benchmark_enable_random_interleaving=true";
  static char repetitions[] = "--benchmark_repetitions=5";
  auto given = [&](const char* flag) {
    for (int i = 1; i < argc; ++i) {
      if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
    }
    return false;
  };
  std::vector<char*> arguments(argv, argv + argc);
  if (!given("--benchmark_enable_random_interleaving")) arguments.push_back(interleave);
  if (!given("--benchmark_repetitions")) arguments.push_back(repetitions);
  arguments.push_back(nullptr);
  return arguments;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> arguments = WithDefaults(argc, argv);
  int count = static_cast<int>(arguments.size()) - 1;
  benchmark::Initialize(&count, arguments.data());
  if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
