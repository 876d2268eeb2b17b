#include "save/choice_saves.h"

#include <system_error>

#include "save/save_slot.h"

namespace tolven {

namespace fs = std::filesystem;

ChoiceSaveRotation PlanChoiceSaveRotation(const std::array<bool, kChoiceSlots>& present) {
  int free = kLastChoiceSlot;
  for (int slot = kFirstChoiceSlot; slot <= kLastChoiceSlot; ++slot) {
    if (!present[static_cast<size_t>(slot - kFirstChoiceSlot)]) {
      free = slot;
      break;
    }
  }
  ChoiceSaveRotation rotation;
  if (present[static_cast<size_t>(free - kFirstChoiceSlot)]) rotation.deleted = free;
  for (int to = free; to > kFirstChoiceSlot; --to) rotation.moves.push_back({to - 1, to});
  return rotation;
}

bool RotateChoiceSaves(const fs::path& folder) {
  std::array<bool, kChoiceSlots> present{};
  std::error_code error;
  for (int i = 0; i < kChoiceSlots; ++i) {
    present[static_cast<size_t>(i)] = fs::exists(SlotPath(folder, kFirstChoiceSlot + i), error);
  }
  const ChoiceSaveRotation rotation = PlanChoiceSaveRotation(present);
  bool done = true;
  if (rotation.deleted != 0) done = fs::remove(SlotPath(folder, rotation.deleted), error);
  for (const SlotMove& move : rotation.moves) {
    const fs::path to = SlotPath(folder, move.to);
    if (fs::exists(to, error) || error) {
      done = false;
      continue;
    }
    fs::rename(SlotPath(folder, move.from), to, error);
    done = done && !error;
  }
  return done;
}

}  // namespace tolven
