#include "save/choice_saves.h"

#include <gtest/gtest.h>

#include "save/save_slot.h"
#include "test_support.h"

namespace tolven {
namespace {

namespace fs = std::filesystem;

std::array<bool, kChoiceSlots> Present(std::initializer_list<int> slots) {
  std::array<bool, kChoiceSlots> present{};
  for (int slot : slots) present[static_cast<size_t>(slot - 61)] = true;
  return present;
}

std::vector<SlotMove> MovesDown(int from) {
  std::vector<SlotMove> moves;
  for (int to = from; to > 61; --to) moves.push_back({to - 1, to});
  return moves;
}

TEST(ChoiceSavesTest, SlotsUpToTheFirstFreeOneMoveUp) {
  std::array<bool, kChoiceSlots> all{};
  all.fill(true);
  const struct {
    const char* name;
    std::array<bool, kChoiceSlots> present;
    int deleted;
    std::vector<SlotMove> moves;
  } cases[] = {
      {"none yet", Present({}), 0, {}},
      {"one", Present({61}), 0, {{61, 62}}},
      {"three", Present({61, 62, 63}), 0, MovesDown(64)},
      {"a hole at 63", Present({61, 62, 64, 65}), 0, MovesDown(63)},
      {"61 free", Present({62, 63}), 0, {}},
      {"all but 80",
       Present({61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79}), 0,
       MovesDown(80)},
      {"all", all, 80, MovesDown(80)},
  };
  for (const auto& c : cases) {
    const ChoiceSaveRotation rotation = PlanChoiceSaveRotation(c.present);
    EXPECT_EQ(rotation.deleted, c.deleted) << c.name;
    EXPECT_EQ(rotation.moves, c.moves) << c.name;
  }
}

TEST(ChoiceSavesTest, TwentyOneChoicesKeepTheLastTwentyNewestFirst) {
  testing::TempDir dir;
  for (int choice = 1; choice <= 21; ++choice) {
    RotateChoiceSaves(dir.Path());
    SlotRecord record;
    record.description = "choice " + std::to_string(choice);
    ASSERT_TRUE(SaveSlot(dir.Path(), 61, record));
  }
  for (int slot = 61; slot <= 80; ++slot) {
    const std::optional<SlotHeader> header = ReadSlotHeader(dir.Path(), slot);
    ASSERT_TRUE(header.has_value()) << slot;
    EXPECT_EQ(header->description, "choice " + std::to_string(21 - (slot - 61))) << slot;
  }
  EXPECT_FALSE(fs::exists(SlotPath(dir.Path(), 81)));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 20);
}

TEST(ChoiceSavesTest, OtherSlotsAreLeftAlone) {
  testing::TempDir dir;
  for (int slot : {1, 60, 81, 99}) {
    SlotRecord record;
    record.description = "player " + std::to_string(slot);
    ASSERT_TRUE(SaveSlot(dir.Path(), slot, record));
  }
  for (int i = 0; i < 25; ++i) {
    RotateChoiceSaves(dir.Path());
    ASSERT_TRUE(SaveSlot(dir.Path(), 61, SlotRecord{}));
  }
  for (int slot : {1, 60, 81, 99}) {
    EXPECT_EQ(ReadSlotHeader(dir.Path(), slot)->description, "player " + std::to_string(slot));
  }
}

}  // namespace
}  // namespace tolven
