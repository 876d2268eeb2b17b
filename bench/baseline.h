#pragma once

#include <map>
#include <string>

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
