#include "screens/recollection_slots.h"

namespace tolven {

int PlaylistLength(const RecordSlot& slot) {
  int length = 0;
  while (length < kSlotPlaylistLength && slot[static_cast<size_t>(length + 1)] != 0) ++length;
  return length;
}

bool AddToSlot(RecordSlot& slot, int scene) {
  for (size_t entry = 1; entry <= kSlotPlaylistLength; ++entry) {
    if (slot[entry] != 0) continue;
    slot[entry] = scene;
    return true;
  }
  return false;
}

void DeleteFromSlot(RecordSlot& slot, int& selected) {
  if (selected < 1 || selected >= kRecordSlotEntries) return;
  for (size_t entry = static_cast<size_t>(selected); entry + 1 < slot.size(); ++entry) {
    slot[entry] = slot[entry + 1];
  }
  slot.back() = 0;
  if (slot[static_cast<size_t>(selected)] == 0) --selected;
}

PlayQueue QueueOf(const RecordSlot& slot) {
  PlayQueue queue{};
  for (size_t i = 0; i + 1 < slot.size() && i < queue.size(); ++i) queue[i] = slot[i + 1];
  return queue;
}

}  // namespace tolven
