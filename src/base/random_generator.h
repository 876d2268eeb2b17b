#pragma once

#include <cstdint>

namespace tolven {

// The engine's one source of chance. Every random draw in a run comes from here, so a run
// started with the same seed plays out the same way (the headless runner and tests rely on it).
class RandomGenerator {
 public:
  explicit RandomGenerator(uint32_t seed) : state_(seed) {}

  // The next value, 0-32767.
  int Next();

 private:
  uint32_t state_;
};

}  // namespace tolven
