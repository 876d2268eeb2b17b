#pragma once

#include <array>
#include <cstddef>

#include "base/engine_values.h"
#include "screens/screen.h"

namespace tolven {

// The screen that owns each engine state; the story itself is the engine's own and has none.
class ScreenRegistry {
 public:
  // One screen a state: a second registration for the same state replaces the first.
  void Register(EngineScreen state, Screen& screen) {
    if (Index(state) < screens_.size()) screens_[Index(state)] = &screen;
  }
  // The screen of the state, or nullptr when none is registered for it (a state a damaged save
  // or a script wrote that no screen stands for is one of these).
  Screen* Find(EngineScreen state) const {
    const size_t index = Index(state);
    return index < screens_.size() ? screens_[index] : nullptr;
  }

 private:
  static constexpr size_t kStates = 11;  // EngineScreen runs from 0 to 10
  static size_t Index(EngineScreen state) { return static_cast<size_t>(state); }

  std::array<Screen*, kStates> screens_{};
};

}  // namespace tolven
