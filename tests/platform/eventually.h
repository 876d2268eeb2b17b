#pragma once

// Waiting on a thread of the platform's own (the sound device's callback, a movie player's
// decoder) to bring something about. The test waits for the state, never for a length of time;
// the bound only turns a hang into a failure with a message, and lies so far beyond what the
// wait takes even on a busy machine under the sanitizers that reaching it means a fault.
#include <chrono>
#include <thread>

namespace tolven::testing {

inline constexpr std::chrono::seconds kHangBound{60};

template <typename Done>
bool Eventually(Done done) {
  const auto bound = std::chrono::steady_clock::now() + kHangBound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > bound) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace tolven::testing
