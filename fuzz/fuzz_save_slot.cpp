// Any bytes as a save slot file. Each input is read twice: as a whole file, and placed at an
// offset named by its first three bytes behind zeros, so that short inputs reach the state
// record, the names and the look-back ring as well as the header. Every read must stay inside
// its bytes, keep the values the engine indexes with inside its tables, and give a record that
// writes a whole slot; writing what was read and reading it again must change nothing more.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "save/save_slot.h"

namespace {

using tolven::SlotRecord;

void Check(std::span<const uint8_t> file) {
  auto record = std::make_unique<SlotRecord>();
  tolven::ReadSlotRecord(file, *record);
  const tolven::SlotState& s = record->state;
  if (s.CallDepth < 0 || s.CallDepth > 9 || s.backlogLineCount < 0 || s.backlogLineCount > 1000 ||
      s.historyCount < 0 || (s.windowOpen != 0 && s.windowOpen != 1)) {
    std::abort();
  }
  const std::vector<uint8_t> written = tolven::WriteSlotRecord(*record);
  if (written.size() != tolven::kSlotFileBytes) std::abort();
  auto again = std::make_unique<SlotRecord>();
  tolven::ReadSlotRecord(written, *again);
  if (tolven::WriteSlotRecord(*again) != written) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Check(std::span<const uint8_t>(data, size));
  if (size < 3) return 0;
  const size_t offset =
      (static_cast<size_t>(data[0]) | static_cast<size_t>(data[1]) << 8) * 4 + (data[2] & 3);
  std::vector<uint8_t> placed(offset, 0);
  placed.insert(placed.end(), data + 3, data + size);
  Check(placed);
  return 0;
}
