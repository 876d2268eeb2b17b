#pragma once

#include <array>
#include <cstdint>

#include "save/global_progress.h"

namespace tolven {

inline constexpr int kSlotPlaylistLength = 27;  // entries 1-27 of a slot
inline constexpr int kPlayQueueLength = 50;

using RecordSlot = std::array<int32_t, kRecordSlotEntries>;
using PlayQueue = std::array<int32_t, kPlayQueueLength>;

// The entries of a slot the player sees: 1 up to the first empty one, at most 27.
int PlaylistLength(const RecordSlot& slot);
// Into the first empty entry of 1-27; false when all are taken.
bool AddToSlot(RecordSlot& slot, int scene);
// Removes the entry, moving every later one up. The selection stays in place, or moves to the
// entry before when nothing came up into it; 0 when nothing is left to select.
void DeleteFromSlot(RecordSlot& slot, int& selected);
// The queue a slot plays: its entries from 1 on, in order.
PlayQueue QueueOf(const RecordSlot& slot);

}  // namespace tolven
