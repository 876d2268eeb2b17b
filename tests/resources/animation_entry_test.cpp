// The header and frame arrays of an animation entry: the archive's layout byte for byte, and
// the entries the reader refuses or takes without their sound.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "resources/animation_entry.h"

namespace tolven {
namespace {

void Put32(std::vector<uint8_t>& bytes, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
}

void Put16(std::vector<uint8_t>& bytes, uint16_t value) {
  bytes.push_back(static_cast<uint8_t>(value));
  bytes.push_back(static_cast<uint8_t>(value >> 8));
}

// Two frames laid out by hand, field by field as the entry's layout places them.
std::vector<uint8_t> TwoFrameTable() {
  std::vector<uint8_t> bytes;
  for (uint32_t value : {2u, 66u, 320u, 240u, 10u, 90u}) Put32(bytes, value);
  Put16(bytes, 0);       // kinds at 24
  Put16(bytes, 0xFFFF);  // -1: a kind that draws nothing
  Put16(bytes, 5);       // x offsets at 24 + 2N
  Put16(bytes, 0xFFF6);  // -10
  Put16(bytes, 7);       // y offsets at 24 + 4N
  Put16(bytes, 0x8000);  // -32768
  Put32(bytes, 52);      // data offsets at 24 + 6N
  Put32(bytes, 70);
  Put32(bytes, 18);  // data sizes at 24 + 10N
  Put32(bytes, 20);
  return bytes;
}

TEST(AnimationEntryTest, TheTableIsReadAtTheOffsetsOfTheLayout) {
  const std::vector<uint8_t> table = TwoFrameTable();
  ASSERT_EQ(table.size(), 52u);
  EXPECT_EQ(AnimationTableBytes(2), 52u) << "24 + 14 bytes a frame";
  EXPECT_EQ(AnimationTableBytes(0xFFFFFFFFu), 24u + 14u * 0xFFFFFFFFull) << "no overflow";
  EXPECT_EQ(AnimationFrameCount(table), 2u);
  EXPECT_EQ(AnimationFrameCount(std::span(table).first(23)), std::nullopt);

  std::string why;
  std::string soundFault;
  const std::optional<AnimationEntry> entry = ReadAnimationEntry(table, 100, why, &soundFault);
  ASSERT_TRUE(entry) << why;
  EXPECT_EQ(entry->period, 66u);
  EXPECT_EQ(entry->width, 320u);
  EXPECT_EQ(entry->height, 240u);
  EXPECT_EQ(entry->soundSize, 10u);
  EXPECT_EQ(entry->soundOffset, 90u);
  EXPECT_TRUE(soundFault.empty());
  ASSERT_EQ(entry->frames.size(), 2u);
  const AnimationFrame& first = entry->frames[0];
  const AnimationFrame& second = entry->frames[1];
  EXPECT_EQ(first.kind, 0);
  EXPECT_EQ(second.kind, -1);
  EXPECT_EQ(first.x, 5);
  EXPECT_EQ(second.x, -10);
  EXPECT_EQ(first.y, 7);
  EXPECT_EQ(second.y, -32768);
  EXPECT_EQ(first.offset, 52u);
  EXPECT_EQ(second.offset, 70u);
  EXPECT_EQ(first.size, 18u);
  EXPECT_EQ(second.size, 20u);

  EXPECT_EQ(WriteAnimationTable(*entry), table) << "the writer lays out what the reader reads";
}

TEST(AnimationEntryTest, EntriesThatWouldBeReadOutsideThemAreRefusedWithAReason) {
  const std::vector<uint8_t> table = TwoFrameTable();
  struct Case {
    const char* what;
    std::vector<uint8_t> table;
    uint64_t entrySize;
    const char* reason;
  };
  std::vector<uint8_t> noFrames(table.begin(), table.begin() + 24);
  noFrames[0] = 0;
  std::vector<uint8_t> manyFrames = table;
  manyFrames[3] = 0x10;  // 2^28 + 2 frames
  std::vector<uint8_t> offsetPast = table;
  offsetPast[24 + 6 * 2 + 4] = 101;  // frame 1 at 101 in an entry of 100
  std::vector<uint8_t> sizePast = table;
  sizePast[24 + 10 * 2] = 49;  // frame 0: 52 + 49 > 100
  std::vector<uint8_t> wrapping = table;
  for (int i = 0; i < 4; ++i) wrapping[24 + 10 * 2 + 4 + i] = 0xFF;  // 70 + 4 GiB wraps
  const std::vector<Case> cases = {
      {"no bytes", {}, 0, "shorter than its header"},
      {"a header cut short", std::vector<uint8_t>(table.begin(), table.begin() + 20), 20,
       "shorter than its header"},
      {"an entry smaller than its header", table, 23, "shorter than its header"},
      {"no frames", noFrames, 100, "no frames"},
      {"arrays past the entry", table, 51, "runs past the entry's end"},
      {"arrays past the bytes given", std::vector<uint8_t>(table.begin(), table.end() - 1), 100,
       "runs past the entry's end"},
      {"millions of frames", manyFrames, 100, "runs past the entry's end"},
      {"frame data starting past the entry", offsetPast, 100, "frame 1 lies past"},
      {"frame data ending past the entry", sizePast, 100, "frame 0 lies past"},
      {"a frame size that wraps", wrapping, 100, "frame 1 lies past"},
  };
  for (const Case& c : cases) {
    std::string why;
    EXPECT_FALSE(ReadAnimationEntry(c.table, c.entrySize, why)) << c.what;
    EXPECT_NE(why.find(c.reason), std::string::npos) << c.what << ": " << why;
  }
  // Frame data that ends exactly at the entry's end is inside it.
  std::string why;
  EXPECT_TRUE(ReadAnimationEntry(table, 90, why)) << why;
  EXPECT_FALSE(ReadAnimationEntry(table, 89, why));
}

TEST(AnimationEntryTest, ASoundPastTheEntryIsDroppedAndTheFramesKept) {
  std::string why;
  std::string soundFault;
  // The sound lies at 90..100.
  std::optional<AnimationEntry> entry = ReadAnimationEntry(TwoFrameTable(), 99, why, &soundFault);
  ASSERT_TRUE(entry) << why;
  EXPECT_EQ(entry->soundSize, 0u);
  EXPECT_EQ(entry->frames.size(), 2u);
  EXPECT_NE(soundFault.find("sound lies past"), std::string::npos);

  std::vector<uint8_t> table = TwoFrameTable();
  table[16] = 0;  // no sound at all: nothing to drop
  table[20] = 0xFF;
  soundFault.clear();
  entry = ReadAnimationEntry(table, 99, why, &soundFault);
  ASSERT_TRUE(entry);
  EXPECT_TRUE(soundFault.empty());
  // Without a place for the reason the sound is dropped all the same.
  entry = ReadAnimationEntry(TwoFrameTable(), 99, why);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->soundSize, 0u);
}

}  // namespace
}  // namespace tolven
