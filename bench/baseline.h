#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>

// Every benchmark is timed on the wall clock, so a figure, its rate and its ratio to a baseline
// all read the same clock: CPU time would hide what a load spends waiting on the file system,
// and mixing the two would make ratios of unlike things.
#define TOLVEN_BENCHMARK(function) BENCHMARK(function)->UseRealTime()

namespace tolven::bench {

// Which benchmark each figure is compared against; filled by the benchmark files at start-up
// so the report can print a ratio next to every figure.
inline std::map<std::string, std::string>& BaselineOf() {
  static std::map<std::string, std::string> table;
  return table;
}

struct CompareTo {
  CompareTo(const std::string& benchmark, const std::string& baseline) {
    BaselineOf()[benchmark] = baseline;
  }
};

}  // namespace tolven::bench
