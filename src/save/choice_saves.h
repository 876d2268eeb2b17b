#pragma once

#include <array>
#include <filesystem>
#include <vector>

namespace tolven {

// The automatic save at every `select` keeps the last twenty choices in slots 61-80, the
// newest in 61.
inline constexpr int kFirstChoiceSlot = 61;
inline constexpr int kLastChoiceSlot = 80;
inline constexpr int kChoiceSlots = kLastChoiceSlot - kFirstChoiceSlot + 1;

struct SlotMove {
  int from = 0;
  int to = 0;
  bool operator==(const SlotMove&) const = default;
};

// What to do with the files before the new save goes into 61: the slot to delete (0 none),
// then the moves, each one place up, in the order given.
struct ChoiceSaveRotation {
  int deleted = 0;
  std::vector<SlotMove> moves;
};

// present[i] tells whether slot 61 + i exists. Slots up to the first free one move up one
// place, so the free slot fills; when none is free the oldest, 80, goes.
ChoiceSaveRotation PlanChoiceSaveRotation(const std::array<bool, kChoiceSlots>& present);

// Carries out the plan in the save folder; the engine then saves into 61. A move never
// replaces a file: when a step fails, the saves above it stay where they are and only slot 61
// is overwritten by the new save. False when a step failed.
bool RotateChoiceSaves(const std::filesystem::path& folder);

}  // namespace tolven
